// Embedded fonts seen through real clients: pdffonts and pdftotext on documents that
// draw TrueType, CFF and CJK text.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfFontFace.h"
#include "vdcommon/pdf/PdfFontManager.h"
#include "support/PdfProbe.h"

#include <regex>
#include <sstream>

TEST(FontDocument, EmbeddedSubsetsWithUnicodeMapsForEveryOutlineKind)
{
    auto* fm = PdfFontManager::GetFontManager();
    const auto cff = fm->FindFont("EB Garamond");
    const bool haveCff = cff && dynamic_cast<const PdfFontFace&>(*cff).IsCff();

    PdfDocument doc;
    doc.AddPage();
    ASSERT_TRUE(doc.SetFont("Arial", "", 12));
    doc.Cell(0, 8, wxString::FromUTF8("Latin ä ³ ° – done"), 0, 1);
    ASSERT_TRUE(doc.SetFont("Arial", "B", 12));
    doc.Cell(0, 8, wxString::FromUTF8("Bold Größe"), 0, 1);
    if (haveCff) {
        ASSERT_TRUE(doc.SetFont("EB Garamond", "", 12));
        doc.Cell(0, 8, wxString::FromUTF8("Garamond ä ³ ° –"), 0, 1);
    }
    ASSERT_TRUE(doc.AddFontCJK("WenQuanYi Micro Hei"));
    ASSERT_TRUE(doc.SetFont("WenQuanYi Micro Hei", "", 12));
    doc.Cell(0, 8, wxString::FromUTF8("中文 报告"), 0, 1);
    // Unknown families and styles are refused and leave the current font as it was.
    EXPECT_FALSE(doc.SetFont("No Such Family Anywhere", "", 30));
    EXPECT_FALSE(doc.SetFont("Helvetica", "Q"));
    EXPECT_EQ(doc.GetFontSize(), 12);
    const std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());

    // Every font row: a subset tag, and embedded, subset, with a Unicode map.
    const std::string fonts = pdfprobe::Fonts(pdf);
    const std::regex row(R"(^[A-Z]{6}\+\S+ +(CID TrueType|CID Type 0C \(OT\)) +Identity-H +yes yes yes +\d+ +0$)");
    std::istringstream lines(fonts);
    std::string line;
    int rows = 0, cffRows = 0;
    for (int n = 0; std::getline(lines, line); ++n) {
        if (n < 2)
            continue;
        EXPECT_TRUE(std::regex_match(line, row)) << line;
        ++rows;
        cffRows += line.find("Type 0C") != std::string::npos;
    }
    EXPECT_EQ(rows, haveCff ? 4 : 3) << fonts;
    EXPECT_EQ(cffRows, haveCff ? 1 : 0);

    const std::string text = pdfprobe::Text(pdf);
    for (const char* line : {"Latin ä ³ ° – done", "Bold Größe", "中文 报告", haveCff ? "Garamond ä ³ ° –" : "中文"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}
