// Page header, page numbers, disclaimer page and the design-messages section.
#include "ReportTestSupport.h"

#include "vdcommon/messages/CreateMessageManager.h"

#include <algorithm>
#include <set>

using namespace reporttest;

namespace {

// A text of words "Title" about `width` mm wide at 10 pt in the default family.
wxString TitleOfWidth(double width, double& measured)
{
    PdfDocument probe(wxLANDSCAPE);
    probe.SetFont(wxEmptyString, wxEmptyString, 10);
    wxString title = wxS("Title");
    while (probe.GetStringWidth(title + wxS(" Title")) <= width) {
        title += wxS(" Title");
    }
    measured = probe.GetStringWidth(title);
    return title;
}

// The horizontal extent in mm of all words `text` on `page`.
std::pair<double, double> Extent(const std::vector<pdfprobe::Word>& words, const std::string& text, int page)
{
    double from = 1e9, to = -1e9;
    for (const auto& w : Find(words, text, page)) {
        from = std::min(from, Mm(w.xMin));
        to = std::max(to, Mm(w.xMax));
    }
    return {from, to};
}

} // namespace

TEST(VireldaReportHeader, TitlesWiderThanTheirLimitAreScaledToIt)
{
    double longWidth = 0, shortWidth = 0, keptWidth = 0;
    const wxString longTitle = TitleOfWidth(300, longWidth);
    const wxString shortTitle = TitleOfWidth(180, shortWidth);
    const wxString keptTitle = TitleOfWidth(150, keptWidth);
    ASSERT_GT(longWidth, 290);

    const std::string scaled = Render("<r><page/></r>", [&](VireldaReportConfig& c) {
        c.longTitle = longTitle;
        c.shortTitle = shortTitle;
    });
    const auto words = pdfprobe::Words(scaled);
    // Long title: exactly 200 wide, centred in the cell from 45 to 251.
    auto [from, to] = Extent(words, "Title", 1);
    EXPECT_NEAR(from, 48, 0.3);
    EXPECT_NEAR(to, 248, 0.3);
    const std::string content = pdfprobe::PageContent(scaled, 1);
    EXPECT_NE(content.find(" " + PdfUtility::Double2String(1200 / shortWidth).utf8_string() + " Tf"), std::string::npos)
        << "short title size " << 1200 / shortWidth;

    // A long title narrower than the limit keeps 10 pt and its own width.
    const std::string kept = Render("<r><page/></r>", [&](VireldaReportConfig& c) { c.longTitle = keptTitle; });
    std::tie(from, to) = Extent(pdfprobe::Words(kept), "Title", 1);
    EXPECT_NEAR(to - from, keptWidth, 0.3);
    EXPECT_NEAR((from + to) / 2, 148, 0.3);
}

TEST(VireldaReportHeader, EmptyTitlesDrawNothingAndEveryPageHasTimestampAndTotal)
{
    std::string markup = "<r>";
    for (int i = 0; i < 11; ++i) {
        markup += "<page/>";
    }
    const std::string pdf = Render(markup + "</r>");
    EXPECT_EQ(pdfprobe::GetInfo(pdf).pages, 12);
    const auto words = pdfprobe::Words(pdf);
    std::set<std::string> stamps;
    for (const auto& w : words) {
        if (Mm(w.yMax) < 30) {
            const bool known = w.text == "Virelda" || w.text == std::to_string(w.page) + "/12" ||
                               (w.text.size() == 10 && w.text[4] == '-') || (w.text.size() == 8 && w.text[2] == ':');
            EXPECT_TRUE(known) << "unexpected header word " << w.text;
            if (w.text.size() == 8 && w.text[2] == ':') {
                stamps.insert(w.text);
            }
        }
    }
    // One timestamp, taken at construction, on every page.
    ASSERT_EQ(stamps.size(), 1u);
    EXPECT_EQ(pdfprobe::Count(pdfprobe::Text(pdf), *stamps.begin()), 12);
    EXPECT_TRUE(One(words, "12/12", 12));
}

// The ROCC section's note comes before its text; without ROCC there is none (checked
// with the project type).
TEST(VireldaReportDisclaimer, TranslatedTitleOutlineBodyAndRoccNoteWithLink)
{
    TableTranslator translator;
    translator.table["Disclaimer"] = "Haftungsausschluss";
    translator.table["Note"] = "Hinweis & Co <1>";
    const std::string pdf = Render("<r><projecttype>ROCC</projecttype><page/></r>", {}, &translator);
    EXPECT_EQ(Outline(pdf), (std::vector<std::pair<int, std::string>>{{0, "Haftungsausschluss"}}));
    // Four paragraphs: the body was asked for as one text with blank lines.
    const auto body = std::find_if(translator.asked.begin(), translator.asked.end(), [](const std::string& t) {
        return t.find("without warranty") != std::string::npos;
    });
    ASSERT_NE(body, translator.asked.end());
    EXPECT_EQ(pdfprobe::Count(*body, "\n\n"), 3);

    const std::string text = pdfprobe::Text(pdf, false, 2, 2);
    EXPECT_NE(text.find("Hinweis & Co <1>:"), std::string::npos) << text;
    ASSERT_NE(text.find("patent rights"), std::string::npos) << text;
    EXPECT_LT(text.find("Hinweis"), text.find("patent rights")) << text;
    EXPECT_NE(text.find("www.example.com"), std::string::npos);
    EXPECT_NE(pdfprobe::Qdf(pdf).find("https://www.example.com"), std::string::npos);
}

TEST(VireldaReportMessages, ActiveMessagesAreTranslatedFormattedAndListed)
{
    const auto ve = CreateMessageManager("VE");
    ASSERT_TRUE(ve);
    const auto entries = ve->GetEntries();
    ASSERT_GE(entries.size(), 3u);
    TableTranslator translator;
    translator.table[entries[0].text] = "first translated";
    translator.table[entries[2].text] = "third translated";
    FormatterCalls calls;
    const std::string pdf = Render(
        "<r><page/><setxy x=\"10\" y=\"40\"/><notes mtype=\"VE\" flags1=\"5\"/></r>",
        [&](VireldaReportConfig& c) {
            c.unitSystem = wxS("Metric");
            calls = InstallFormatter(c);
        },
        &translator);
    ASSERT_EQ(calls->size(), 2u);
    std::set<std::string> texts;
    for (const auto& call : *calls) {
        EXPECT_EQ(call.moduleType, "VE");
        EXPECT_EQ(call.unitSystem, "Metric");
        texts.insert(call.text);
    }
    EXPECT_EQ(texts, (std::set<std::string>{"first translated", "third translated"}));

    const auto words = pdfprobe::Words(pdf);
    EXPECT_TRUE(One(words, "MSG0", 1) && One(words, "MSG1", 1));
    EXPECT_EQ(Find(words, "-", 1).size(), 2u);
}

TEST(VireldaReportMessages, SecondFlagWordUnknownModulesAndMissingFormatter)
{
    const auto vec = CreateMessageManager("VEC");
    ASSERT_TRUE(vec);
    const auto entries = vec->GetEntries();
    ASSERT_GT(entries.size(), 32u);
    // Bit 0 of the second word is entry 32. Bit 31 of each word: the stored value's low
    // 32 bits, unsigned, never clamped to 0x7FFFFFFF (which would switch on the 31
    // entries below as well).
    const std::pair<const char*, size_t> cases[] = {{"flags1=\"0\" flags2=\"1\"", 32},
                                                    {"flags1=\"2147483648\"", 31},
                                                    {"flags1=\"-2147483648\"", 31},
                                                    {"flags1=\"6442450944\"", 31}};
    for (const auto& [flags, entry] : cases) {
        SCOPED_TRACE(flags);
        FormatterCalls calls;
        Render(std::string("<r><page/><notes mtype=\"VEC\" ") + flags + "/></r>",
               [&](VireldaReportConfig& c) { calls = InstallFormatter(c); });
        ASSERT_EQ(calls->size(), 1u);
        EXPECT_EQ(calls->front().text, entries[entry].text);
    }

    // A lower-case code prints nothing but still moves the pen down by 5 (to the margin).
    const std::string lower =
        Render("<r><page/><setxy x=\"30\" y=\"50\"/><cell width=\"20\" height=\"4\">Ref</cell>"
               "<notes mtype=\"ve\" flags1=\"5\"/><cell width=\"20\" height=\"4\">After</cell></r>",
               [](VireldaReportConfig& c) { InstallFormatter(c); });
    const auto words = pdfprobe::Words(lower);
    const auto ref = One(words, "Ref", 1), after = One(words, "After", 1);
    ASSERT_TRUE(ref && after);
    EXPECT_NEAR(Mm(after->yMin - ref->yMin), 5, 0.1);
    EXPECT_NEAR(Mm(after->xMin), 11, 0.3);
    EXPECT_TRUE(Find(words, "-", 1).empty());

    // Without a formatter nothing is printed.
    const std::string none = Render("<r><page/><notes mtype=\"VE\" flags1=\"5\"/></r>");
    EXPECT_TRUE(Find(pdfprobe::Words(none), "-", 1).empty());
}
