// Document set-up, pages, output, metadata, outline and links, checked with qpdf and
// poppler.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"

#include <wx/filename.h>

#include <clocale>
#include <cstdlib>

namespace {

std::string Close(PdfDocument& doc)
{
    return pdfprobe::Bytes(doc.CloseAndGetBuffer());
}

} // namespace

TEST(DocumentTest, UnitsPaperSizesAndOrientation)
{
    PdfDocument mm; // closed without a page: one empty A4 page
    EXPECT_NEAR(mm.GetPageWidth(), 210.0, 0.01);
    const auto empty = pdfprobe::GetInfo(pdfprobe::Checked(mm.CloseAndGetBuffer()));
    EXPECT_EQ(empty.pages, 1);
    EXPECT_NEAR(empty.width, 595.28, 0.01);
    EXPECT_NEAR(empty.height, 841.89, 0.01);
    EXPECT_NE(empty.raw.find("vdpdf"), std::string::npos) << empty.raw;
    PdfDocument in(wxLANDSCAPE, "in", wxPAPER_LETTER);
    EXPECT_NEAR(in.GetPageWidth(), 11, 1e-9);
    EXPECT_NEAR(in.GetPageHeight(), 8.5, 1e-9);
    PdfDocument cm(wxPORTRAIT, "cm", static_cast<wxPaperSize>(9999)); // unknown → A4
    EXPECT_NEAR(cm.GetPageWidth(), 21.0, 0.01);

    PdfDocument doc(wxLANDSCAPE, "mm", wxPAPER_A3);
    doc.AddPage();
    doc.AddPage(wxPORTRAIT);
    EXPECT_NEAR(doc.GetPageWidth(), 297, 0.01);
    doc.AddPage(-1);
    EXPECT_NEAR(doc.GetPageWidth(), 420, 0.01);
    std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    auto p1 = pdfprobe::GetInfo(pdf, 1), p2 = pdfprobe::GetInfo(pdf, 2);
    EXPECT_EQ(p1.pages, 3);
    EXPECT_NEAR(p1.width, 1190.55, 0.01);
    EXPECT_NEAR(p2.width, 841.89, 0.01);
    EXPECT_NEAR(p2.height, 1190.55, 0.01);
}

TEST(DocumentTest, ChangedUnitKeepsNumbers)
{
    struct Doc : PdfDocument {
        void UsePoints() { ChangeUnit("pt"); }
    } doc;
    doc.SetCompression(false);
    doc.AddPage();
    doc.SetXY(20, 30);
    doc.UsePoints();
    EXPECT_NEAR(doc.GetX(), 20, 1e-9);
    EXPECT_NEAR(doc.GetScaleFactor(), 1, 1e-9);
    doc.Rect(20, 30, 10, 10);
    std::string ops = pdfprobe::PageContent(Close(doc));
    EXPECT_NE(ops.find("20 30 10 10 re S"), std::string::npos) << ops;
}

TEST(DocumentTest, ByteIdenticalUnderSourceDateEpoch)
{
    const char* const previous = std::getenv("SOURCE_DATE_EPOCH");
    const std::string saved = previous ? previous : "";
    ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    auto make = [] {
        PdfDocument doc;
        doc.SetTitle(wxString::FromUTF8("Prüfbericht"));
        doc.SetAuthor("Author");
        doc.AddPage();
        doc.SetFont("Helvetica", "B", 14);
        doc.Cell(0, 10, wxString::FromUTF8("Reproducible – °C"), PdfBorder::Frame, 1);
        doc.SetAlpha(0.5, 0.5);
        doc.Rect(20, 40, 30, 30, PdfStyle::Fill);
        doc.Bookmark("Start");
        wxImage image(8, 8);
        image.SetRGB(wxRect(0, 0, 8, 8), 10, 200, 30);
        doc.Image("img", image, 60, 40, 10);
        return Close(doc);
    };
    std::string a = make(), b = make();
    previous ? ::setenv("SOURCE_DATE_EPOCH", saved.c_str(), 1) : ::unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_TRUE(pdfprobe::QpdfCheck(a).ok);
    EXPECT_EQ(a, b);
    EXPECT_NE(a.find("/CreationDate (D:20231114221320Z)"), std::string::npos);
    EXPECT_NE(a.find("/ID [<"), std::string::npos);
}

TEST(DocumentTest, CloseAndSaveInAnyOrder)
{
    PdfDocument doc;
    doc.AddPage();
    doc.Rect(10, 10, 20, 20);
    wxString path = wxFileName::CreateTempFileName("vdpdfcore");
    ASSERT_TRUE(doc.SaveAsFile(path));
    std::string first = Close(doc);
    std::string second = Close(doc);
    EXPECT_EQ(first, second);
    ASSERT_TRUE(doc.SaveAsFile(path));
    EXPECT_EQ(static_cast<size_t>(wxFileName(path).GetSize().GetValue()), first.size());
    wxRemoveFile(path);
    EXPECT_FALSE(doc.SaveAsFile("/nonexistent-dir/sub/out.pdf"));
    // Drawing after close changes nothing and does not crash.
    doc.AddPage();
    doc.Cell(10, 10, "late");
    EXPECT_EQ(Close(doc), first);
}

TEST(DocumentTest, NumbersAreCLocaleWithoutExponentOrNan)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // may be missing; the check holds either way
    PdfDocument doc;
    doc.SetCompression(false);
    doc.AddPage();
    doc.Line(0.123456, 1e-9, 12345.5, 3.3);
    doc.Rect(std::nan(""), 10, 10, 10);
    doc.Line(10, std::numeric_limits<double>::infinity(), 20, 20);
    doc.SetXY(std::nan(""), 50);
    doc.Cell(std::nan(""), std::numeric_limits<double>::infinity(), "nan cell", PdfBorder::Frame);
    doc.Translate(std::nan(""), 3);
    doc.SetLineWidth(std::nan(""));
    std::setlocale(LC_NUMERIC, saved.c_str());
    std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    std::string ops = pdfprobe::PageContent(pdf);
    EXPECT_NE(ops.find("0.35 0 m 34995.1181 9.3543 l S"), std::string::npos) << ops;
    for (const char* bad : {"nan", "inf", "e+", "e-", ","})
        EXPECT_EQ(ops.find(bad), std::string::npos) << bad << "\n" << ops;
}

namespace {

class FurnishedDoc : public PdfDocument
{
public:
    using PdfDocument::PdfDocument;
    std::vector<std::string> calls;
    void Header() override
    {
        calls.push_back("H" + std::to_string(PageNo()));
        SetLineWidth(2);
        SetDrawColour(255, 0, 0);
        SetFont("Helvetica", "B", 20);
        Cell(0, 10, "Header", 0, 1);
    }
    void Footer() override
    {
        calls.push_back("F" + std::to_string(PageNo()));
        SetY(-15);
        SetFont("Helvetica", "I", 8);
        Cell(0, 10, wxString::Format("Page %d/{nb}", PageNo()), 0, 0, PdfAlignCenter);
    }
};

} // namespace

TEST(DocumentTest, HeaderFooterOrderStateRestoreAndPageAlias)
{
    FurnishedDoc doc;
    doc.AliasNbPages();
    doc.SetFont("Helvetica", "", 11);
    doc.SetLineWidth(0.5);
    doc.AddPage();
    EXPECT_NEAR(doc.GetLineWidth(), 0.5, 1e-9);
    EXPECT_EQ(doc.GetDrawColour(), PdfColour(0));
    EXPECT_EQ(doc.GetFontSize(), 11);
    EXPECT_EQ(doc.GetFontStyle(), "");
    for (int i = 0; i < 120; ++i) // automatic page breaks
        doc.Cell(0, 6, wxString::Format("Line %d", i), 0, 1);
    std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    const int pages = pdfprobe::GetInfo(pdf).pages;
    ASSERT_GE(pages, 3);
    EXPECT_EQ(doc.calls[0] + doc.calls[1] + doc.calls[2], "H1F1H2");
    EXPECT_EQ(doc.calls.back(), "F" + std::to_string(pages));
    std::string text = pdfprobe::Text(pdf);
    EXPECT_NE(text.find("Page 1/" + std::to_string(pages)), std::string::npos) << text;
    EXPECT_EQ(text.find("{nb}"), std::string::npos);
    EXPECT_NE(text.find("Line 119"), std::string::npos);
}

TEST(DocumentTest, OutlineAndLinks)
{
    PdfDocument doc;
    doc.AddPage();
    doc.Bookmark("Chapter 1");
    doc.Bookmark("Section 1.1", 1);
    doc.Bookmark("Deep 1.1.1", 2, -1);
    doc.Bookmark("Section 1.2", 1);
    int target = doc.AddLink();
    doc.SetFont("Helvetica", "", 12);
    doc.Cell(40, 10, "external", 0, 1, PdfAlignLeft, false, PdfLink("https://example.com/a(b)"));
    doc.Cell(40, 10, "internal", 0, 1, PdfAlignLeft, false, PdfLink(target));
    doc.Cell(40, 10, "dangling", 0, 1, PdfAlignLeft, false, PdfLink(doc.AddLink()));
    doc.AddPage();
    doc.Bookmark(wxString::FromUTF8("Kapitel 2 – Übersicht"), 5); // too deep
    EXPECT_TRUE(doc.SetLink(target, 30));
    EXPECT_FALSE(doc.SetLink(99));
    std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    std::string qdf = pdfprobe::Qdf(pdf);
    EXPECT_NE(qdf.find("/URI (https://example.com/a\\(b\\))"), std::string::npos);
    EXPECT_EQ(pdfprobe::Count(qdf, "/Subtype /Link"), 2);
    EXPECT_NE(qdf.find("/PageMode /UseOutlines"), std::string::npos);
    // The outline as a reader sees it: a level deeper than the one before it is brought up.
    const std::vector<std::pair<int, std::string>> outline{
        {0, "Chapter 1"}, {1, "Section 1.1"}, {2, "Deep 1.1.1"}, {1, "Section 1.2"}, {2, "Kapitel 2 – Übersicht"}};
    EXPECT_EQ(pdfprobe::Outline(pdf), outline);
}

TEST(DocumentTest, NumberParsingAndColours)
{
    const std::pair<const char*, double> numbers[] = {
        {"12px", 12}, {"1,5", 1}, {"3.4.5", 3.4}, {"  .5", 0.5}, {"-2.5e2mm", -250}, {"+7e", 7},   {"", 0},  {"abc", 0},
        {"0x1A", 0},  {"inf", 0}, {"nan", 0},     {"-", 0},      {".", 0},           {"1e999", 0}, {"e5", 0}};
    for (const auto& [text, value] : numbers)
        EXPECT_DOUBLE_EQ(PdfUtility::String2Double(text), value) << text;
    EXPECT_EQ(PdfUtility::Double2String(1e-7), "0");
    EXPECT_EQ(PdfUtility::Double2String(-0.00005), "-0.0001");
    EXPECT_EQ(PdfUtility::Double2String(1234567.891234), "1234567.8912");
    EXPECT_EQ(PdfUtility::Double2String(std::nan("")), "0");

    EXPECT_EQ(PdfColour(wxString("#FF8000")), PdfColour(255, 128, 0));
    EXPECT_EQ(PdfColour(wxString("#0f0")), PdfColour(0, 255, 0));
    EXPECT_EQ(PdfColour(wxString("red")), PdfColour(255, 0, 0));
    EXPECT_FALSE(PdfColour(wxString("#12345")).IsValid());
    EXPECT_FALSE(PdfColour(wxString("no such colour")).IsValid());
    EXPECT_EQ(PdfColour(128).GetOperands(), "0.502 0.502 0.502");
}
