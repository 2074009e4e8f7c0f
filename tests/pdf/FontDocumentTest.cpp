// Embedded fonts seen through real clients: pdffonts and pdftotext on documents that
// draw TrueType, CFF and CJK text.
#include <gtest/gtest.h>

#include "pdf/PdfDocument.h"
#include "pdf/PdfFontFace.h"
#include "pdf/PdfFontManager.h"
#include "support/PdfProbe.h"

#include <sstream>

namespace {

// The pdffonts rows: name, type, emb, sub, uni.
struct FontRow {
    std::string name, type, emb, sub, uni;
};

std::vector<FontRow> FontRows(const std::string& pdf)
{
    std::vector<FontRow> rows;
    std::istringstream in(pdfprobe::Fonts(pdf));
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        if (++lineNo <= 2 || line.size() < 80)
            continue;
        // Columns: name (37), type (18), encoding (17), emb, sub, uni, object ID.
        std::istringstream rest(line.substr(36));
        FontRow row;
        row.name = line.substr(0, line.find(' '));
        std::vector<std::string> words;
        for (std::string w; rest >> w;)
            words.push_back(w);
        if (words.size() < 6)
            continue;
        // From the right: "object ID" is two words, then uni, sub, emb.
        const size_t n = words.size();
        row.uni = words[n - 3];
        row.sub = words[n - 4];
        row.emb = words[n - 5];
        row.type = line.substr(37, 17);
        rows.push_back(row);
    }
    return rows;
}

} // namespace

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
    const std::string pdf = pdfprobe::Bytes(doc.CloseAndGetBuffer());

    const auto check = pdfprobe::QpdfCheck(pdf);
    EXPECT_TRUE(check.ok) << check.output;

    const auto rows = FontRows(pdf);
    ASSERT_EQ(rows.size(), haveCff ? 4u : 3u) << pdfprobe::Fonts(pdf);
    int trueType = 0, cffRows = 0;
    for (const FontRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.emb, "yes");
        EXPECT_EQ(row.sub, "yes");
        EXPECT_EQ(row.uni, "yes");
        EXPECT_EQ(row.name[6], '+');
        trueType += row.type.find("CID TrueType") != std::string::npos;
        cffRows += row.type.find("CID Type 0C") != std::string::npos;
    }
    EXPECT_EQ(trueType, 3);
    EXPECT_EQ(cffRows, haveCff ? 1 : 0);

    const std::string text = pdfprobe::Text(pdf);
    EXPECT_NE(text.find("Latin ä ³ ° – done"), std::string::npos) << text;
    EXPECT_NE(text.find("Bold Größe"), std::string::npos) << text;
    EXPECT_NE(text.find("中文 报告"), std::string::npos) << text;
    if (haveCff) {
        EXPECT_NE(text.find("Garamond ä ³ ° –"), std::string::npos) << text;
    }
}
