// The markup elements: names, nesting, defaults and their effect on the page.
#include "ReportTestSupport.h"

using namespace reporttest;

namespace {

// The vertical distance between two words in mm (cells of equal height).
double Below(const pdfprobe::Word& upper, const pdfprobe::Word& lower)
{
    return Mm(lower.yMin - upper.yMin);
}

std::string Page(const std::string& body)
{
    return "<report><page/>" + body + "</report>";
}

} // namespace

TEST(VireldaReportElements, NamesAreCaseInsensitiveAndNestedInstructionsRun)
{
    const std::string pdf =
        Render("<report><Page/>"
               "<group><CELL width=\"40\" height=\"6\">Grouped</CELL></group>"
               "<!-- a comment -->text between"
               "<unknown><setxy x=\"20\" y=\"100\"/></unknown>"
               "<cell width=\"40\" height=\"6\">Outer<cell width=\"30\" height=\"6\">Inner</cell></cell>"
               "<PAGE/></report>");
    EXPECT_EQ(pdfprobe::GetInfo(pdf).pages, 3);
    const auto words = pdfprobe::Words(pdf);
    const auto grouped = One(words, "Grouped", 1);
    const auto outer = One(words, "Outer", 1);
    const auto inner = One(words, "Inner", 1);
    ASSERT_TRUE(grouped && outer && inner);
    EXPECT_NEAR(Mm(outer->xMin), 21, 0.3);
    // The nested cell follows its parent on the same line.
    EXPECT_NEAR(Mm(inner->xMin), 61, 0.3);
    EXPECT_NEAR(inner->yMin, outer->yMin, 0.1);
    EXPECT_NEAR(Below(*grouped, *outer), 70, 0.1);
    EXPECT_EQ(pdfprobe::Text(pdf).find("text between"), std::string::npos);
}

TEST(VireldaReportElements, SetXyAndLineFeeds)
{
    // setxy truncates and keeps a missing coordinate; ln uses the last cell's height
    // unless given one, and returns to the margin.
    const std::string pdf =
        Render(Page("<setxy x=\"10\" y=\"40\"/><cell width=\"20\" height=\"4\">Ref</cell>"
                    "<setxy x=\"12.7\" y=\"50.9\"/><cell width=\"20\" height=\"4\">Trunc</cell>"
                    "<setxy y=\"60\"/><cell width=\"20\" height=\"7\">KeepX</cell>"
                    "<ln/><cell width=\"20\" height=\"4\">L2</cell><ln height=\"\"/><cell width=\"20\" "
                    "height=\"4\">L3</cell><ln height=\"2.5\"/><cell width=\"20\" height=\"4\">L4</cell>"
                    "<setxy x=\"100\"/><cell width=\"20\" height=\"4\">KeepY</cell>"));
    const auto words = pdfprobe::Words(pdf);
    const auto ref = One(words, "Ref", 1), trunc = One(words, "Trunc", 1), keepX = One(words, "KeepX", 1);
    const auto l2 = One(words, "L2", 1), l3 = One(words, "L3", 1), l4 = One(words, "L4", 1);
    const auto keepY = One(words, "KeepY", 1);
    ASSERT_TRUE(ref && trunc && keepX && l2 && l3 && l4 && keepY);
    EXPECT_NEAR(Mm(trunc->xMin), 13, 0.3);
    EXPECT_NEAR(Below(*ref, *trunc), 10, 0.1);
    EXPECT_NEAR(Mm(keepX->xMin), 33, 0.3); // x after "Trunc" is 32: kept
    EXPECT_NEAR(Below(*ref, *l2), 27, 0.1);
    EXPECT_NEAR(Mm(l2->xMin), 11, 0.3);
    EXPECT_NEAR(Below(*ref, *l3), 31, 0.1);
    EXPECT_NEAR(Below(*ref, *l4), 33.5, 0.1);
    // setxy truncates the kept y of 73.5 to 73.
    EXPECT_NEAR(Mm(keepY->xMin), 101, 0.3);
    EXPECT_NEAR(Below(*ref, *keepY), 33, 0.1);
}

TEST(VireldaReportElements, CellAttributesAndText)
{
    const std::string pdf =
        Render(Page("<setxy x=\"10\" y=\"80\"/>"
                    "<cell width=\"0\" height=\"5\" border=\"LB\" ln=\"1\" align=\"RIGHT\">Total</cell>"
                    "<cell width=\"20\" height=\"5\">Next</cell>"
                    "<setxy x=\"10\" y=\"120\"/><cell width=\"30\" height=\"5\"><b>Hidden</b></cell>"
                    "<cell width=\"30\" height=\"5\"><b>x</b>Tail</cell>"
                    "<cell width=\"30\" height=\"5\" align=\"center\" ln=\"true\">Mid</cell>"
                    "<cell width=\"30\" height=\"5\" fill=\"1\"><![CDATA[Cdata]]></cell>"));
    const auto words = pdfprobe::Words(pdf);
    const auto total = One(words, "Total", 1), next = One(words, "Next", 1);
    const auto tail = One(words, "Tail", 1), mid = One(words, "Mid", 1), cdata = One(words, "Cdata", 1);
    ASSERT_TRUE(total && next && tail && mid && cdata);
    // Width 0 reaches the right margin (297 - 10); right alignment keeps the cell margin.
    EXPECT_NEAR(Mm(total->xMax), 286, 0.3);
    EXPECT_NEAR(Mm(next->xMin), 11, 0.3);
    EXPECT_NEAR(Below(*total, *next), 5, 0.1);
    EXPECT_TRUE(Find(words, "Hidden", 1).empty());
    EXPECT_NEAR(Mm(tail->xMin), 41, 0.3);
    // "true" is not a true value: the pen stays on the line, right of the cell.
    EXPECT_NEAR(Mm(mid->xMin + mid->xMax) / 2, 85, 0.3);
    EXPECT_NEAR(Mm(cdata->xMin), 101, 0.3);

    // Left and bottom border lines, no top and right ones; the filled cell is painted.
    const wxImage page = pdfprobe::Render(pdf, 150, 1);
    ASSERT_TRUE(page.IsOk());
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(page, 150, 10, 82.5), 0, 0, 0, 120));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(page, 150, 150, 80), 255, 255, 255, 10));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(page, 150, 287, 82.5), 255, 255, 255, 10));
    const std::string content = pdfprobe::PageContent(pdf, 1);
    EXPECT_NE(content.find(" re f"), std::string::npos) << "no filled rectangle";
}

TEST(VireldaReportElements, CompanyLogoOnlyWithAConfiguredFile)
{
    const std::string markup = Page("<setxy x=\"50\" y=\"120\"/><companylogo x=\"100\" y=\"100\"/>"
                                    "<cell width=\"20\" height=\"5\">AfterLogo</cell>");
    const std::string without = Render(markup);
    const auto w1 = One(pdfprobe::Words(without), "AfterLogo", 1);
    ASSERT_TRUE(w1);
    EXPECT_NEAR(Mm(w1->xMin), 51, 0.3);
    EXPECT_EQ(pdfprobe::Count(pdfprobe::PageContent(without, 1), " Do"), 2);

    const std::string with =
        Render(markup, [](VireldaReportConfig& c) { c.companyLogoPath = ResourceDir() + wxS("/virelda-logo.png"); });
    const auto w2 = One(pdfprobe::Words(with), "AfterLogo", 1);
    ASSERT_TRUE(w2);
    EXPECT_NEAR(Mm(w2->xMin), 101, 0.3);
    EXPECT_EQ(pdfprobe::Count(pdfprobe::PageContent(with, 1), " Do"), 3);
}

TEST(VireldaReportElements, ProjectTypeAndTitleChangeLaterPagesOnly)
{
    const std::string pdf = Render("<report><page/><projecttitle><msg>Reverse Osmosis</msg></projecttitle><page/>"
                                   "<projecttype>rocc</projecttype></report>");
    const auto words = pdfprobe::Words(pdf);
    EXPECT_TRUE(Find(words, "Osmosis", 1).empty());
    const auto title = One(words, "Reverse", 2);
    ASSERT_TRUE(title);
    EXPECT_NEAR(Mm(title->xMin), 46, 0.3);
    EXPECT_EQ(Find(words, "Osmosis", 3).size(), 1u);
    EXPECT_EQ(pdfprobe::Text(pdf).find("Note:"), std::string::npos);

    // The last project type counts.
    EXPECT_NE(
        pdfprobe::Text(Render("<r><projecttype>RO</projecttype><projecttype>ROCC</projecttype></r>")).find("Note:"),
        std::string::npos);
    EXPECT_EQ(
        pdfprobe::Text(Render("<r><projecttype>ROCC</projecttype><projecttype>RO</projecttype></r>")).find("Note:"),
        std::string::npos);
}

TEST(VireldaReportElements, BookmarksBuildTheOutline)
{
    const std::string pdf =
        Render(Page("<bookmark label=\"Intro\"/><bookmark label=\"Water analysis\" level=\"1\" position=\"40.5\"/>"
                    "<page/><bookmark label=\"Design\" level=\"0\"/>"));
    EXPECT_EQ(Outline(pdf), (std::vector<std::pair<int, std::string>>{
                                {0, "Intro"}, {1, "Water analysis"}, {0, "Design"}, {0, "Disclaimer"}}));
}

TEST(VireldaReportElements, XmlCellSpansItsWidthFromThePen)
{
    std::string words;
    for (int i = 0; i < 40; ++i) {
        words += "flow ";
    }
    const std::string pdf = Render(Page("<setxy x=\"50\" y=\"40\"/><xmlcell width=\"60\"><b>Start</b> " + words +
                                        "</xmlcell>"
                                        "<ln/><cell width=\"20\" height=\"5\">Back</cell>"));
    const auto all = pdfprobe::Words(pdf);
    const auto flows = Find(all, "flow", 1);
    ASSERT_EQ(flows.size(), 40u);
    double top = 1e9, bottom = 0;
    for (const auto& w : flows) {
        EXPECT_GE(Mm(w.xMin), 49.9);
        EXPECT_LE(Mm(w.xMax), 110.1);
        top = std::min(top, w.yMin);
        bottom = std::max(bottom, w.yMin);
    }
    EXPECT_GT(bottom, top + 10) << "the text should wrap onto several lines";
    const auto back = One(all, "Back", 1);
    ASSERT_TRUE(back);
    EXPECT_NEAR(Mm(back->xMin), 11, 0.3);
    EXPECT_NE(pdfprobe::Fonts(pdf).find("Bold"), std::string::npos);
}

TEST(VireldaReportElements, DiagramsSuspendPageBreaksAndLeaveNoBottomMargin)
{
    const std::string low = "<setxy x=\"10\" y=\"200\"/><cell width=\"20\" height=\"6\">Low</cell>";
    EXPECT_EQ(pdfprobe::GetInfo(Render(Page(low))).pages, 3);
    EXPECT_EQ(pdfprobe::GetInfo(Render(Page("<diagram type=\"nosuch\" x=\"1\" y=\"2\" width=\"3\"/>" + low))).pages, 2);
}

TEST(VireldaReportElements, OversizedAndInvalidNumbersFallBackSafely)
{
    // The numbers the hostile-input suite does not reach: text-cell width, bookmark position.
    const std::string pdf = Render(Page("<xmlcell width=\"1e300\">wide</xmlcell><xmlcell width=\"nan\">nan</xmlcell>"
                                        "<bookmark label=\"Odd\" level=\"99999999999\" position=\"nan\"/>"
                                        "<ln/><cell width=\"20\" height=\"5\">After</cell>"));
    EXPECT_NE(pdfprobe::Text(pdf).find("After"), std::string::npos);
}
