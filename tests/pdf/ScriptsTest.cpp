// Text in every script, through real clients: extraction with poppler and mupdf,
// the fonts the glyphs come from, Arabic joining against HarfBuzz's own rendering,
// kerning, line breaking and right-to-left order.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/pdf/PdfFontManager.h"
#include "support/PdfProbe.h"
#include "support/TestFiles.h"

#include <hb.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>

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

std::string MutoolText(const std::string& pdf, int page)
{
    pdfprobe::TempFile file(pdf);
    return pdfprobe::Run("mutool draw -q -F txt -o - '" + file.Path() + "' " + std::to_string(page) + " 2>/dev/null",
                         false)
        .output;
}

} // namespace

// One line per script, one per page so each extracts on its own, and a last page of
// symbols and a bold run.
TEST(ScriptsTest, EveryScriptExtractsExactlyFromFontsThatHaveItsGlyphs)
{
    std::vector<char32_t> missing;
    PdfDocument doc;
    doc.SetCompression(false);
    doc.SetMissingCharacterHandler([&](char32_t c, const wxString&) { missing.push_back(c); });
    for (const ScriptLine& line : kLines) {
        doc.AddPage();
        EXPECT_TRUE(doc.SetFont("Helvetica", "", 14));
        doc.Cell(0, 10, wxString::FromUTF8(line.text), 0, 1, PdfAlignLeft);
    }
    doc.AddPage();
    doc.Cell(0, 8, wxString::FromUTF8("≤ ≥ ± µ Ω ³ ² → ⇒ ∑"), 0, 1);
    doc.SetFont("Helvetica", "B", 12);
    doc.Cell(0, 8, wxString::FromUTF8("粗体 ∑ Ω"), 0, 1);
    const std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    EXPECT_TRUE(missing.empty()) << "U+" << std::hex << (missing.empty() ? 0 : static_cast<unsigned>(missing[0]));

    int page = 1;
    std::string ops;
    for (const ScriptLine& line : kLines) {
        SCOPED_TRACE(line.script);
        EXPECT_EQ(Trimmed(WithoutEmbeddings(pdfprobe::Text(pdf, false, page, page))), line.text) << "pdftotext";
        EXPECT_EQ(Trimmed(MutoolText(pdf, page)), line.text) << "mutool";
        ops += pdfprobe::PageContent(pdf, page++);
    }
    ops += pdfprobe::PageContent(pdf, page);
    // No missing-glyph box drawn: glyph 0 appears in no hex string of the pages.
    const std::regex hex("<([0-9A-Fa-f]+)>");
    for (std::sregex_iterator it(ops.begin(), ops.end(), hex), end; it != end; ++it) {
        const std::string digits = (*it)[1];
        for (size_t i = 0; i + 4 <= digits.size(); i += 4)
            EXPECT_NE(digits.substr(i, 4), "0000");
    }
    // The fallback faces are used; a bold run takes a bold face.
    const std::string fonts = pdfprobe::Fonts(pdf);
    for (const char* family : {"NotoSansCJK", "NotoSansDevanagari", "NotoSansThai"})
        EXPECT_NE(fonts.find(family), std::string::npos) << family << "\n" << fonts;
    EXPECT_NE(fonts.find("NotoSansCJK") == std::string::npos ? std::string::npos : fonts.find("Bold"),
              std::string::npos)
        << fonts;
}

namespace {

// The advance sum of `hb-shape` (font units) for a text, with extra features.
double HbShapeWidth(const std::string& fontFile, const std::string& text, const std::string& features = "")
{
    const auto run = pdfprobe::Run("hb-shape --output-format=json --no-glyph-names" +
                                       (features.empty() ? std::string() : " --features=" + features) +
                                       " --font-file='" + fontFile + "' '" + text + "'",
                                   false);
    EXPECT_EQ(run.exitCode, 0) << "hb-shape (libharfbuzz-bin) is needed";
    double sum = 0;
    const std::regex advance(R"("ax":(-?\d+))");
    for (std::sregex_iterator it(run.output.begin(), run.output.end(), advance), end; it != end; ++it)
        sum += std::stod((*it)[1]);
    return sum;
}

int UnitsPerEm(const std::string& fontFile)
{
    hb_blob_t* blob = hb_blob_create_from_file(fontFile.c_str());
    hb_face_t* face = hb_face_create(blob, 0);
    const int upem = static_cast<int>(hb_face_get_upem(face));
    hb_face_destroy(face);
    hb_blob_destroy(blob);
    return upem;
}

// The ink's bounding box width and the count of dark pixels of an image.
struct Ink {
    int width = 0;
    long pixels = 0;
};

Ink InkOf(const wxImage& image)
{
    Ink ink;
    int left = image.GetWidth(), right = -1;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            if (image.GetRed(x, y) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                ++ink.pixels;
            }
    ink.width = right >= left ? right - left + 1 : 0;
    return ink;
}

} // namespace

TEST(ScriptsTest, KerningMeasuresWhatHarfBuzzShapes)
{
    const std::string text = "AVATAR WAVE Tokyo";
    PdfDocument doc(wxPORTRAIT, "pt");
    doc.AddPage();
    ASSERT_TRUE(doc.SetFont("Liberation Sans", "", 12));
    const std::string file(doc.GetCurrentFont()->GetFilePath().utf8_str());
    const double upem = UnitsPerEm(file);
    const double shaped = HbShapeWidth(file, text) * 12 / upem;
    const double plain = HbShapeWidth(file, text, "-kern") * 12 / upem;
    const double kerned = doc.GetStringWidth(wxString::FromUTF8(text));
    EXPECT_NEAR(kerned, shaped, 0.005);
    EXPECT_GT(std::fabs(kerned - plain), 0.5) << "the text has kerning pairs";

    doc.SetKerning(false);
    EXPECT_NEAR(doc.GetStringWidth(wxString::FromUTF8(text)), plain, 0.005);
    doc.SetKerning(true);

    // Drawn where measured: the last word ends at the start plus the shaped width.
    doc.Text(100, 100, wxString::FromUTF8(text));
    const std::string pdf = pdfprobe::Bytes(doc.CloseAndGetBuffer());
    double end = -1;
    for (const auto& word : pdfprobe::Words(pdf))
        if (word.text == "Tokyo")
            end = word.xMax;
    EXPECT_NEAR(end, 100 + shaped, 0.05);
}

TEST(ScriptsTest, ArabicIsJoinedLikeHarfBuzzDrawsIt)
{
    const std::string text = "محطة تحلية مياه البحر";
    const auto font = PdfFontManager::GetFontManager()->FindFallbackFont(U'م', false, false);
    ASSERT_TRUE(font) << "an Arabic font (fonts-noto-core) is needed";
    const std::string file(font->GetFilePath().utf8_str());

    PdfDocument doc(wxPORTRAIT, "pt");
    doc.AddPage();
    doc.SetFont("Helvetica", "", 48);
    doc.Text(20, 100, wxString::FromUTF8(text));
    const wxImage ours = pdfprobe::Render(pdfprobe::Bytes(doc.CloseAndGetBuffer()), 72);
    ASSERT_TRUE(ours.IsOk());

    auto hbView = [&](const std::string& features) {
        const vdtest::TempDir dir("hbview");
        const std::string png = (dir / "text.png").string();
        const auto run =
            pdfprobe::Run("hb-view --font-size=48 --margin=4 -O png -o '" + png + "'" +
                          (features.empty() ? std::string() : " --features=" + features) + " --font-file='" + file +
                          "' --face-index=" + std::to_string(font->GetFaceIndex()) + " '" + text + "'");
        EXPECT_EQ(run.exitCode, 0) << run.output;
        return wxImage(wxString::FromUTF8(png), wxBITMAP_TYPE_PNG);
    };
    const wxImage joined = hbView("");
    const wxImage isolated = hbView("-init,-medi,-fina,-rlig,-calt");
    ASSERT_TRUE(joined.IsOk() && isolated.IsOk());
    const Ink a = InkOf(ours), b = InkOf(joined), c = InkOf(isolated);
    EXPECT_NEAR(a.width, b.width, 3) << "same length as HarfBuzz's joined rendering";
    EXPECT_NEAR(static_cast<double>(a.pixels), static_cast<double>(b.pixels), 0.1 * b.pixels);
    EXPECT_GT(std::abs(c.width - b.width), 20) << "isolated forms would look different";
}

// Cells and markup both: ideographs wrap without spaces but never before closing
// punctuation, numbers stay whole, right-to-left paragraphs end at the right edge.
TEST(ScriptsTest, LinesBreakByTheUnicodeRulesAndRightToLeftParagraphsAlignRight)
{
    const wxString chinese = wxString::FromUTF8("港口海水淡化厂的设计报告，包括反渗透系统、超滤预处理和能量回收装置。");
    const wxString hebrew = wxString::FromUTF8("מתקן התפלת מי ים");
    PdfDocument doc;
    doc.AddPage();
    doc.SetFont("Helvetica", "", 12);
    EXPECT_GE(doc.MultiCell(40, 6, chinese, 0, PdfAlignLeft), 3);
    doc.MultiCell(35, 6, "Flow 12.5 m3/h at 25 degC and 1,250.75 kPa", 0, PdfAlignLeft);
    doc.SetXY(50, 150);
    doc.MultiCell(100, 6, hebrew); // ends at 150 mm less the cell margin
    doc.AddPage();
    doc.SetMargins(20, 20, 130); // 60 mm of text width, ending at 80 mm
    doc.WriteXml("<p>" + chinese + "</p><p>" + hebrew + "</p><p align=\"left\">" + hebrew + "</p>");
    const std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());

    std::map<std::pair<int, int>, std::string> lines;  // by page and rounded top
    std::map<std::pair<int, int>, double> hebrewRight; // the right end of each Hebrew line
    for (const auto& word : pdfprobe::Words(pdf)) {
        const auto line = std::make_pair(word.page, static_cast<int>(word.yMin));
        if (static_cast<unsigned char>(word.text[0]) == 0xD7) {
            hebrewRight[line] = std::max(hebrewRight[line], word.xMax);
            continue;
        }
        lines[line] += word.text;
        EXPECT_TRUE(word.text != "12." && word.text != "1,250." && word.text != ".5") << "a number split";
    }
    EXPECT_GE(lines.size(), 6u);
    for (const auto& [line, text] : lines)
        for (const char* closing : {"，", "、", "。"})
            EXPECT_NE(text.rfind(closing, 0), 0u) << "a line starts with closing punctuation: " << text;
    ASSERT_EQ(hebrewRight.size(), 3u);
    auto right = hebrewRight.begin();
    EXPECT_NEAR(right->second, 149 * 72 / 25.4, 1.0);
    EXPECT_NEAR((++right)->second, 80 * 72 / 25.4, 1.0);
    EXPECT_LT((++right)->second, 65 * 72 / 25.4) << "aligned left";

    const std::string text = pdfprobe::Text(pdf, false, 1, 1);
    std::string compact;
    for (const char c : text.substr(0, text.find("Flow")))
        if (c != '\n' && c != ' ')
            compact += c;
    EXPECT_EQ(compact, std::string(chinese.utf8_str()));
    EXPECT_NE(text.find("1,250.75"), std::string::npos);
}

TEST(ScriptsTest, UncoveredCharacterIsReportedOnceAndExtractsAsItself)
{
    std::vector<char32_t> reported;
    PdfDocument doc;
    doc.SetMissingCharacterHandler([&](char32_t c, const wxString& message) {
        reported.push_back(c);
        EXPECT_TRUE(message.Contains("10FFFD"));
    });
    doc.AddPage();
    doc.SetFont("Helvetica", "", 12);
    const wxString text = wxString::FromUTF8("A\U0010FFFDB\U0010FFFD");
    doc.Cell(0, 8, text, 0, 1);
    doc.Cell(0, 8, text, 0, 1);
    const std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    EXPECT_EQ(reported, std::vector<char32_t>{0x10FFFD});
    EXPECT_NE(pdfprobe::Text(pdf).find("A\U0010FFFDB\U0010FFFD"), std::string::npos);
}

TEST(ScriptsTest, OddTextStaysValid)
{
    const char* const odd[] = {
        "\u0301\u0301 leading marks",                      // marks with nothing to sit on
        "\u202Eright-to-left override\u202C and back",     // explicit embeddings
        "abc \u05D0\u05D1\u05D2 123 \u05D3\u05D4 456 def", // numbers inside right-to-left text
        "\U0001F469\u200D\U0001F4BB emoji and joiner",     // a sequence no text font draws whole
        "tab\there\u00ADsoft\u200Bhyphen",                 // controls and invisible characters
        "\uFFFF\U000E0001\U0010FFFD",                      // non-characters and tags
        "",
    };
    PdfDocument doc;
    doc.AddPage();
    doc.SetFont("Helvetica", "", 10);
    for (const char* text : odd) {
        const wxString line = wxString::FromUTF8(text);
        doc.Cell(0, 6, line, 1, 1, PdfAlignRight);
        doc.MultiCell(30, 5, line + " " + line);
        doc.Write(5, line);
        doc.Ln();
        EXPECT_TRUE(std::isfinite(doc.GetStringWidth(line)));
    }
    doc.WriteXml(wxString::FromUTF8("<p>\u202Eodd\u202C <b>\u0301x</b> \u05D0 <i>\U0001F469\u200D\U0001F4BB</i></p>"));
    const std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    EXPECT_NE(pdfprobe::Text(pdf).find("leading marks"), std::string::npos);
}
