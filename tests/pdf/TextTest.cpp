// Text layout: Cell, MultiCell, Write, Text, fonts in the output, checked on the
// content stream (compression off) and through poppler.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"

namespace {

std::string N(double v)
{
    return PdfUtility::Double2String(v).ToStdString();
}

struct TextDoc {
    PdfDocument doc;
    TextDoc()
    {
        doc.SetCompression(false);
        doc.AddPage();
        EXPECT_TRUE(doc.SetFont("Helvetica", "", 10));
    }
    std::string Pdf() { return pdfprobe::Checked(doc.CloseAndGetBuffer()); }
};

} // namespace

TEST(TextTest, CellAlignmentBordersAndFill)
{
    TextDoc t;
    PdfDocument& doc = t.doc;
    const double k = doc.GetScaleFactor();
    doc.SetXY(20, 30);
    doc.Cell(50, 10, "Right", PdfBorder::Left | PdfBorder::Bottom, 0, PdfAlignRight);
    EXPECT_NEAR(doc.GetX(), 70, 1e-9);
    doc.Cell(40, 10, "Centre", PdfBorder::Frame, 1, PdfAlignCenter);
    EXPECT_NEAR(doc.GetX(), 10, 1e-9);
    EXPECT_NEAR(doc.GetY(), 40, 1e-9);
    doc.SetFillColour(200, 220, 255);
    doc.Cell(30, 8, "Hi", 0, 2, PdfAlignLeft, true);
    EXPECT_NEAR(doc.GetY(), 48, 1e-9);
    doc.Cell(30, 8, "", PdfBorder::Frame, 0, PdfAlignLeft, true);
    doc.Ln();
    EXPECT_NEAR(doc.GetY(), 56, 1e-9);
    std::string pdf = t.Pdf();
    // Right-aligned text ends one cell margin before the cell's end; centred text sits
    // about the middle.
    for (const auto& word : pdfprobe::Words(pdf)) {
        if (word.text == "Right") {
            EXPECT_NEAR(word.xMax, 69 * k, 0.3);
        }
        if (word.text == "Centre") {
            EXPECT_NEAR(word.xMin + word.xMax, 2 * 90 * k, 0.3);
        }
    }
    std::string ops = pdfprobe::PageContent(pdf);
    // Left and bottom edges as single lines; the frame as a rectangle; fill with frame.
    EXPECT_NE(ops.find(N(20 * k) + " " + N(30 * k) + " m " + N(20 * k) + " " + N(40 * k) + " l " + N(20 * k) + " " +
                       N(40 * k) + " m " + N(70 * k) + " " + N(40 * k) + " l S"),
              std::string::npos)
        << ops;
    EXPECT_NE(ops.find(N(70 * k) + " " + N(30 * k) + " " + N(40 * k) + " " + N(10 * k) + " re S"), std::string::npos);
    EXPECT_NE(ops.find(N(8 * k) + " re B"), std::string::npos);
    // The fill colour differs from the text colour: text draws in black inside q/Q.
    EXPECT_NE(ops.find("q 0 g BT /F1 10 Tf"), std::string::npos);

    wxImage img = pdfprobe::Render(pdf, 72);
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 25, 46), 200, 220, 255));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 50, 46), 255, 255, 255));
}

TEST(TextTest, PositionsAndAutomaticPageBreak)
{
    TextDoc t;
    PdfDocument& doc = t.doc;
    doc.SetX(-30);
    EXPECT_NEAR(doc.GetX(), 180, 0.01); // A4 is 595.28 pt wide
    doc.SetY(-40);
    EXPECT_NEAR(doc.GetX(), 10, 1e-9);
    EXPECT_NEAR(doc.GetY(), 257, 0.01);
    doc.SetXY(50, 270);
    doc.Cell(20, 10, "next page"); // 280 > 297 - 20: breaks first
    EXPECT_EQ(doc.PageNo(), 2);
    EXPECT_NEAR(doc.GetX(), 70, 1e-9);
    EXPECT_NEAR(doc.GetY(), 10, 1e-9);
    doc.SetAutoPageBreak(false);
    doc.SetXY(50, 280);
    doc.Cell(20, 10, "stays");
    EXPECT_EQ(doc.PageNo(), 2);
    doc.SetX(5);
    doc.SetLeftMargin(30);
    EXPECT_NEAR(doc.GetX(), 30, 1e-9);
    doc.Ln(7);
    EXPECT_NEAR(doc.GetY(), 287, 1e-9);
    doc.Text(20, 100, "Plain text");
    EXPECT_NEAR(doc.GetY(), 287, 1e-9);
    std::string pdf = t.Pdf();
    std::string text = pdfprobe::Text(pdf, false, 2, 2);
    EXPECT_NE(text.find("next page"), std::string::npos);
    EXPECT_NE(text.find("stays"), std::string::npos);
    EXPECT_NE(text.find("Plain text"), std::string::npos);
}

TEST(TextTest, MultiCellBreaksJustifiesAndFrames)
{
    TextDoc t;
    PdfDocument& doc = t.doc;
    doc.SetXY(20, 20);
    const wxString words = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda";
    int lines = doc.MultiCell(60, 6, words + "\nshort\n", PdfBorder::Frame, PdfAlignJustify);
    EXPECT_GE(lines, 3);
    EXPECT_NEAR(doc.GetX(), 10, 1e-9);
    EXPECT_NEAR(doc.GetY(), 20 + 6 * lines, 1e-9);
    doc.SetXY(20, 150);
    EXPECT_EQ(doc.MultiCell(15, 5, "Supercalifragilistic", 0, PdfAlignLeft), 3); // cut inside the word
    EXPECT_EQ(doc.MultiCell(60, 5, words, 0, PdfAlignLeft, false, 1), 1);
    std::string pdf = t.Pdf();
    std::string ops = pdfprobe::PageContent(pdf);
    // Justified lines spread their spaces with TJ; the last line and the hard-broken
    // line do not.
    EXPECT_EQ(pdfprobe::Count(ops, "] TJ"), lines - 2);
    // Frame: top edge on the first line only, bottom on the last, sides on all.
    const double k = doc.GetScaleFactor();
    const std::string top = N(20 * k) + " " + N(20 * k) + " m " + N(80 * k) + " " + N(20 * k) + " l";
    EXPECT_EQ(pdfprobe::Count(ops, top), 1) << ops;
    const double yl = 20 + 6 * lines;
    const std::string bottom = N(20 * k) + " " + N(yl * k) + " m " + N(80 * k) + " " + N(yl * k) + " l";
    EXPECT_EQ(pdfprobe::Count(ops, bottom), 1);
    std::string text = pdfprobe::Text(pdf, true);
    for (const char* w : {"alpha", "lambda", "short", "Superc"})
        EXPECT_NE(text.find(w), std::string::npos) << w << "\n" << text;
    // The justified line reaches the right edge (minus the cell margin).
    auto wordsOut = pdfprobe::Words(pdf);
    double maxRight = 0;
    for (auto& w : wordsOut)
        if (w.yMin < 25 * k)
            maxRight = std::max(maxRight, w.xMax);
    EXPECT_NEAR(maxRight, 79 * k, 1.5);
}

TEST(TextTest, WriteFlowsFromThePen)
{
    TextDoc t;
    PdfDocument& doc = t.doc;
    doc.SetXY(150, 50);
    const double before = doc.GetStringWidth("The");
    doc.Write(5, "The quick brown fox jumps over the lazy dog and keeps running along the page.");
    EXPECT_GT(doc.GetY(), 50);
    const double x = doc.GetX();
    EXPECT_GT(x, 10);
    EXPECT_LT(x, 200);
    doc.Write(5, " end\nnext line");
    std::string pdf = t.Pdf();
    auto words = pdfprobe::Words(pdf);
    ASSERT_FALSE(words.empty());
    const double k = doc.GetScaleFactor();
    EXPECT_EQ(words[0].text, "The");
    EXPECT_NEAR(words[0].xMin, 150 * k, 0.5); // no cell margin inside Write
    EXPECT_NEAR(words[0].xMax - words[0].xMin, before * k, 0.5);
    bool nextAtMargin = false;
    for (auto& w : words)
        if (w.text == "next")
            nextAtMargin = std::abs(w.xMin - 10 * k) < 0.5;
    EXPECT_TRUE(nextAtMargin);
}

TEST(TextTest, DefaultFontUnderlineRenderModeAndColour)
{
    PdfDocument doc;
    doc.SetCompression(false);
    doc.AddPage();
    EXPECT_EQ(doc.GetCurrentFont(), nullptr);
    doc.Text(20, 20, "before any font");
    ASSERT_NE(doc.GetCurrentFont(), nullptr);
    doc.SetFont("", "U", 0);
    EXPECT_EQ(doc.GetFontStyle(), "U");
    doc.SetTextColour(255, 0, 0);
    doc.SetTextRenderMode(PdfTextStroke);
    doc.Cell(50, 10, "underlined");
    std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    std::string ops = pdfprobe::PageContent(pdf);
    EXPECT_NE(ops.find("BT /F1 12 Tf 1 0 0 -1 " + N(20 * doc.GetScaleFactor())), std::string::npos) << ops;
    EXPECT_NE(ops.find("q 1 0 0 rg BT /F1 12 Tf 1 Tr"), std::string::npos);
    EXPECT_NE(ops.find("0 Tr ET"), std::string::npos);
    EXPECT_NE(ops.find(" re f Q"), std::string::npos); // the underline, in the text colour
    EXPECT_NE(pdfprobe::Text(pdf).find("before any font"), std::string::npos);
}

TEST(TextTest, PageCountAliasInAnyFontAndWidth)
{
    PdfDocument doc;
    doc.AliasNbPages("{total}");
    doc.AddPage();
    doc.SetFont("Helvetica", "", 10);
    const double aliasWidth = doc.GetStringWidth("{total}");
    doc.SetXY(20, 20);
    doc.Write(5, "Pages: {total}.");
    EXPECT_NEAR(doc.GetX(), 20 + doc.GetStringWidth("Pages: ") + aliasWidth + doc.GetStringWidth("."), 1e-6);
    ASSERT_TRUE(doc.AddFontCJK("WenQuanYi Micro Hei"));
    doc.SetFont("WenQuanYi Micro Hei", "", 10);
    doc.SetXY(20, 40);
    doc.MultiCell(80, 5, wxString::FromUTF8("共 {total} 页 {total}"), 0, PdfAlignJustify);
    for (int i = 0; i < 10; ++i)
        doc.AddPage();
    std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    std::string text = pdfprobe::Text(pdf, false, 1, 1);
    EXPECT_NE(text.find("Pages: 11."), std::string::npos) << text;
    EXPECT_NE(text.find("共 11 页 11"), std::string::npos) << text;
}

TEST(TextTest, HugeAndManyCellsStayValid)
{
    PdfDocument doc;
    doc.AddPage();
    doc.SetFont("Helvetica", "", 4);
    doc.SetAutoPageBreak(false);
    for (int i = 0; i < 100000; ++i) {
        doc.SetXY(10 + (i % 40) * 4.5, 10 + (i / 40) % 270);
        doc.Cell(4.5, 1, "x", PdfBorder::Frame);
    }
    EXPECT_EQ(doc.PageNo(), 1);
    doc.AddPage();
    doc.SetAutoPageBreak(true, 20);
    doc.SetXY(10, 100);
    doc.Cell(1e6, 10, "one kilometre", PdfBorder::Frame, 1);
    doc.MultiCell(1e6, 10, "a very wide multicell line", PdfBorder::Frame);
    doc.MultiCell(0.01, 1, "narrow", 0); // narrower than a glyph: one glyph a line
    doc.Cell(10, 1e6, "taller than the page");
    doc.Write(5, wxString(wchar_t(0xFFFF)) + "odd" + wxString(wchar_t(0x10FFFF)));
    std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    EXPECT_GE(pdfprobe::GetInfo(pdf).pages, 3);
    // (poppler needs minutes for the text of the crowded first page; page 2 is enough)
    std::string text = pdfprobe::Text(pdf, false, 2, 2);
    EXPECT_NE(text.find("one kilometre"), std::string::npos) << text;
}
