// Text in every script, through real clients: extraction with poppler and mupdf,
// the fonts the glyphs come from, Arabic joining against HarfBuzz's own rendering,
// kerning, line breaking and right-to-left order.
#include <gtest/gtest.h>

#include "pdf/PdfDocument.h"
#include "pdf/PdfFontManager.h"
#include "support/PdfProbe.h"

#include <hb.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

struct ScriptLine {
    const char* script;
    const char* text;
};

// One line per script; each needs a fallback font except Latin, Cyrillic and Greek.
const ScriptLine kLines[] = {
    {"Latin", "Efficient offshore desalination: AVATAR WAVE Tokyo"},
    {"Cyrillic", "Опреснительная установка морской воды"},
    {"Greek", "Μονάδα αφαλάτωσης θαλασσινού νερού"},
    {"Chinese", "港口海水淡化厂设计报告"},
    {"Japanese", "海水淡水化プラントの設計報告書"},
    {"Korean", "해수 담수화 플랜트 설계 보고서"},
    {"Arabic", "محطة تحلية مياه البحر"},
    {"Hebrew", "מתקן התפלת מי ים"},
    {"Devanagari", "समुद्री जल विलवणीकरण संयंत्र"},
    {"Thai", "โรงงานกลั่นน้ำทะเล"},
};

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\f'))
        text.pop_back();
    while (!text.empty() && (text.front() == '\n' || text.front() == ' '))
        text.erase(text.begin());
    return text;
}

// poppler marks a right-to-left line with embedding controls (U+202B ... U+202C)
// around the text; they are its markup, not part of the text.
std::string WithoutEmbeddings(std::string text)
{
    for (const char* mark : {"\u202A", "\u202B", "\u202C", "\u202D", "\u202E"})
        for (size_t pos; (pos = text.find(mark)) != std::string::npos;)
            text.erase(pos, std::string(mark).size());
    return text;
}

// The document of the ten lines, one per page so each extracts on its own.
std::string ScriptsDocument()
{
    PdfDocument doc;
    for (const ScriptLine& line : kLines) {
        doc.AddPage();
        EXPECT_TRUE(doc.SetFont("Helvetica", "", 14));
        doc.Cell(0, 10, wxString::FromUTF8(line.text), 0, 1, PdfAlignLeft);
    }
    return pdfprobe::Bytes(doc.CloseAndGetBuffer());
}

std::string MutoolText(const std::string& pdf, int page)
{
    pdfprobe::TempFile file(pdf);
    return pdfprobe::Run("mutool draw -q -F txt -o - '" + file.Path() + "' " + std::to_string(page) + " 2>/dev/null",
                         false)
        .output;
}

} // namespace

TEST(ScriptsTest, EveryScriptExtractsExactlyWithPopplerAndMupdf)
{
    const std::string pdf = ScriptsDocument();
    const auto check = pdfprobe::QpdfCheck(pdf);
    EXPECT_TRUE(check.ok) << check.output;
    int page = 1;
    for (const ScriptLine& line : kLines) {
        SCOPED_TRACE(line.script);
        EXPECT_EQ(Trimmed(WithoutEmbeddings(pdfprobe::Text(pdf, false, page, page))), line.text) << "pdftotext";
        EXPECT_EQ(Trimmed(MutoolText(pdf, page)), line.text) << "mutool";
        ++page;
    }
}
