// Rich text: paragraphs, lists and tables checked through pdftotext, page renders and
// the content stream; every file must pass qpdf --check.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"
#include "support/TestFiles.h"

#include <wx/log.h>
#include <wx/xml/xml.h>

namespace {

using vdtest::Has;

// A document in millimetres with an 11 pt font and a 5 mm line height.
struct RichDoc {
    PdfDocument doc;
    RichDoc()
    {
        doc.SetCompression(false);
        doc.AddPage();
        doc.SetFont("Helvetica", "", 11);
        doc.SetLineHeight(5);
    }
};

} // namespace

TEST(RichTextTest, ParagraphsInlineStylesAndStateRestored)
{
    RichDoc r;
    r.doc.SetTextColour(10, 20, 30);
    r.doc.SetFillColour(200, 201, 202);
    const double y0 = r.doc.GetY();
    r.doc.WriteXml(wxS("<p>Hello <b>bold</b> and <i>italic</i> <u>under</u> <s>gone</s> "
                       "<span color=\"#ffff00\">marked</span> x<sup>2</sup> "
                       "<font face=\"Courier\" size=\"14\" color=\"red\">mono</font></p>"
                       "<h1>Heading</h1><p align=\"right\">Right side</p>"
                       "Line one\nLine two<br/>Line three"));
    EXPECT_EQ(r.doc.GetFontFamily(), "Helvetica");
    EXPECT_EQ(r.doc.GetFontStyle(), "");
    EXPECT_DOUBLE_EQ(r.doc.GetFontSize(), 11);
    EXPECT_EQ(r.doc.GetTextColour(), PdfColour(10, 20, 30));
    EXPECT_EQ(r.doc.GetFillColour(), PdfColour(200, 201, 202));
    EXPECT_DOUBLE_EQ(r.doc.GetX(), r.doc.GetLeftMargin());
    // Paragraph, its blank line, heading, paragraph, blank line and three lines.
    EXPECT_GT(r.doc.GetY(), y0 + 8 * 5 - 0.01);

    const std::string pdf = pdfprobe::Checked(r.doc.CloseAndGetBuffer());
    const std::string text = pdfprobe::Text(pdf);
    for (const char* word : {"Hello bold and italic under gone marked", "mono", "Heading", "Right side", "Line one",
                             "Line two", "Line three"})
        EXPECT_TRUE(Has(text, word)) << word << "\n" << text;
    const std::string ops = pdfprobe::PageContent(pdf);
    EXPECT_TRUE(Has(ops, "1 1 0 rg")) << "the span's background fill";
    EXPECT_TRUE(Has(ops, "1 0 0 rg")) << "the red font colour";
    // Right-aligned text ends at the right margin (200 mm = 566.9 pt).
    for (const auto& w : pdfprobe::Words(pdf))
        if (w.text == "side") {
            EXPECT_NEAR(w.xMax, 566.9, 1.5);
        }
}

TEST(RichTextTest, ListsLinksAndTranslation)
{
    RichDoc r;
    r.doc.SetMessageTranslateMode(true);
    r.doc.WriteXml(wxS("<ul><li>apple</li><li>pear</li></ul>"
                       "<ul type=\"dash\"><li>dashed</li></ul>"
                       "<ol type=\"a\" start=\"2\"><li>second</li><li>third</li></ol>"
                       "<ol type=\"I\" start=\"4\"><li>four</li></ol>"
                       "<ol><li>one<ol type=\"i\"><li>inner</li></ol></li></ol>"
                       "<a href=\"https://example.org/x\">site</a> <a href=\"#end\">jump</a> "
                       "<msg>Message</msg><br/><a name=\"end\">target</a><hr width=\"50\"/>"));
    const std::string pdf = pdfprobe::Checked(r.doc.CloseAndGetBuffer());
    const std::string text = pdfprobe::Text(pdf);
    for (const char* word : {"apple", "pear", "\u2013 dashed", "b. second", "c. third", "IV. four", "1. one",
                             "i. inner", "site jump Message", "target"})
        EXPECT_TRUE(Has(text, word)) << word << "\n" << text;
    EXPECT_TRUE(Has(text, "\u2022")) << text;
    const std::string qdf = pdfprobe::Qdf(pdf);
    EXPECT_TRUE(Has(qdf, "https://example.org/x"));
    EXPECT_EQ(pdfprobe::Count(qdf, "/Subtype /Link"), 2);
}

TEST(RichTextTest, TableAcrossPagesRepeatsItsHeader)
{
    RichDoc r;
    wxString rows;
    for (int i = 1; i <= 70; ++i)
        rows += wxString::Format("<tr><td>row%d</td><td align=\"right\">%d</td><td>x</td></tr>", i, i * 10);
    r.doc.WriteXml(wxS("<table border=\"1\" cellpadding=\"2\"><colgroup><col width=\"60\"/><col width=\"40\"/>"
                       "<col/></colgroup>"
                       "<thead><tr bgcolor=\"#ff0000\"><th>Name</th><th>Value</th><th>Note</th></tr></thead>"
                       "<tbody odd=\"#ffffff\" even=\"#dddddd\">") +
                   rows + wxS("</tbody><tr><td colspan=\"3\">loose row</td></tr></table>after"));
    ASSERT_GE(r.doc.GetPageCount(), 2);
    const std::string pdf = pdfprobe::Checked(r.doc.CloseAndGetBuffer());
    const std::string page1 = pdfprobe::Text(pdf, false, 1, 1);
    const std::string page2 = pdfprobe::Text(pdf, false, 2, 2);
    EXPECT_TRUE(Has(page1, "Name")) << page1;
    EXPECT_TRUE(Has(page1, "row1\n")) << page1;
    EXPECT_TRUE(Has(page2, "Name")) << page2;
    EXPECT_FALSE(Has(page2, "row1\n"));
    const std::string all = pdfprobe::Text(pdf);
    EXPECT_TRUE(Has(all, "row70") && Has(all, "loose row") && Has(all, "after"));
    // No row is lost or written twice: each body row shows once.
    EXPECT_EQ(pdfprobe::Count(all, "row35\n"), 1);
    // The header's red background at the top of page 2 (top margin 10 mm).
    const wxImage img = pdfprobe::Render(pdf, 72, 2);
    ASSERT_TRUE(img.IsOk());
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 30, 11), 255, 0, 0));
    // The even rows' grey in the body on page 1.
    const std::string ops = pdfprobe::PageContent(pdf, 1);
    EXPECT_TRUE(Has(ops, "0.8667 g")) << "even row colour";
}

TEST(RichTextTest, TableGeometrySpansAndScaledColumns)
{
    RichDoc r;
    // Columns of 300 + 300 mm are scaled into the 190 mm between the margins.
    r.doc.WriteXml(wxS("<table border=\"1\"><col width=\"300\"/><col width=\"300\"/>"
                       "<tr><td rowspan=\"2\" valign=\"middle\">tall</td><td>a</td></tr>"
                       "<tr><td>b</td></tr>"
                       "<tr><th>head cell</th><td bgcolor=\"#00ff00\" border=\"B\">c</td></tr></table>"));
    const std::string pdf = pdfprobe::Checked(r.doc.CloseAndGetBuffer());
    for (const auto& w : pdfprobe::Words(pdf)) {
        EXPECT_LT(w.xMax, 567.0) << w.text;
        if (w.text == "a" || w.text == "c") {
            EXPECT_NEAR(w.xMin, 28.35 + 95 * 72 / 25.4 + 1.5, 1.5) << w.text;
        }
    }
    const std::string text = pdfprobe::Text(pdf);
    EXPECT_TRUE(Has(text, "tall") && Has(text, "head cell"));
    EXPECT_TRUE(Has(pdfprobe::PageContent(pdf), "0 1 0 rg"));
}

TEST(RichTextTest, BadInputIsLoggedAndHandled)
{
    wxLogNull quiet;
    {
        RichDoc r;
        const double y = r.doc.GetY();
        r.doc.WriteXml(wxS("<b>unclosed <i>tags</b>"));
        r.doc.WriteXml(wxS("a < b"));
        EXPECT_DOUBLE_EQ(r.doc.GetY(), y);
        const std::string pdf = pdfprobe::Checked(r.doc.CloseAndGetBuffer());
        EXPECT_FALSE(Has(pdfprobe::Text(pdf), "unclosed"));
    }
    {
        RichDoc r;
        wxString wide = "<table border=\"1\"><tr>";
        for (int i = 0; i < 500; ++i)
            wide += wxString::Format("<td>c%d</td>", i);
        wide += "</tr><tr><td rowspan=\"10000\">span</td><td>z</td></tr></table>";
        r.doc.WriteXml(wide);
        // A cell far taller than a page, and a word far wider than a line.
        wxString tall = "<table><tr><td>";
        for (int i = 0; i < 6000; ++i)
            tall += "word ";
        r.doc.WriteXml(tall + "wordend</td><td>x</td></tr></table>");
        r.doc.WriteXml(wxString('w', 200000));
        const std::string pdf = pdfprobe::Checked(r.doc.CloseAndGetBuffer());
        const std::string text = pdfprobe::Text(pdf);
        EXPECT_TRUE(Has(text, "z"));
        // The tall cell runs on over pages: its last words are not cut off.
        EXPECT_TRUE(Has(text, "word word"));
        EXPECT_TRUE(Has(text, "wordend"));
        EXPECT_TRUE(Has(text, "wwwwwwwwww"));
    }
    {
        RichDoc r;
        // A caller's own tree 100000 levels deep, freed from the bottom since wxXmlNode recurses.
        std::vector<wxXmlNode*> chain{new wxXmlNode(wxXML_ELEMENT_NODE, "xmlcell")};
        for (int i = 0; i < 100000; ++i)
            chain.push_back(new wxXmlNode(chain.back(), wxXML_ELEMENT_NODE, i % 2 ? "i" : "B"));
        new wxXmlNode(chain.back(), wxXML_TEXT_NODE, wxEmptyString, "nested");
        r.doc.WriteXml(chain.front());
        for (size_t i = chain.size() - 1; i > 0; --i) {
            chain[i - 1]->RemoveChild(chain[i]);
            delete chain[i];
        }
        delete chain.front();
        const std::string text = pdfprobe::Text(pdfprobe::Checked(r.doc.CloseAndGetBuffer()));
        EXPECT_TRUE(Has(text, "nested")) << text;
    }
}

TEST(RichTextTest, FlowsFromThePenAndPlacesImages)
{
    RichDoc r;
    const vdtest::TempDir dir("richtext");
    const wxString png = wxString::FromUTF8((dir / "red.png").string());
    wxImage red(8, 8);
    red.SetRGB(wxRect(0, 0, 8, 8), 255, 0, 0);
    ASSERT_TRUE(red.SaveFile(png, wxBITMAP_TYPE_PNG));
    r.doc.Write(5, "Start ");
    r.doc.WriteXml(wxS("inline <b>after</b><table><tr><td>cell</td></tr></table><img src=\"") + png +
                   wxS("\" width=\"20\" height=\"10\" align=\"center\"/>end"));
    const double yEnd = r.doc.GetY();
    const std::string pdf = pdfprobe::Checked(r.doc.CloseAndGetBuffer());
    double startY = -1, afterY = -1, cellY = -1, endY = -1;
    for (const auto& w : pdfprobe::Words(pdf)) {
        if (w.text == "Start")
            startY = w.yMin;
        if (w.text == "after")
            afterY = w.yMin;
        if (w.text == "cell")
            cellY = w.yMin;
        if (w.text == "end")
            endY = w.yMin;
    }
    EXPECT_NEAR(afterY, startY, 1.0) << "the markup continues the pen's line";
    EXPECT_GT(cellY, afterY + 5) << "a table starts below the line";
    EXPECT_GT(endY, cellY + 10 * 72 / 25.4) << "below the picture";
    EXPECT_GT(yEnd * 72 / 25.4, endY);
    // The picture, centred: 20 mm wide about the middle of the page.
    const wxImage img = pdfprobe::Render(pdf, 72);
    ASSERT_TRUE(img.IsOk());
    const double picTop = cellY * 25.4 / 72 + 5;
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 105, picTop + 3), 255, 0, 0));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 90, picTop + 3), 255, 255, 255));
}
