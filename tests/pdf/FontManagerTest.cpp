// Font lookup and face metrics of the PDF layer.
#include <gtest/gtest.h>

#include "support/TestFiles.h"

#include "pdf/PdfFontFace.h"
#include "vdcommon/pdf/PdfFontManager.h"

#include <filesystem>
#include <algorithm>

namespace fs = std::filesystem;

namespace {

const char* const kLiberation = "/usr/share/fonts/truetype/liberation2/";

wxString LiberationFile(const char* name)
{
    return wxString::FromUTF8(kLiberation) + wxString::FromUTF8(name);
}

wxString FileName(const PdfFont& font)
{
    return wxString::FromUTF8(fs::path(std::string(font.GetFilePath().utf8_str())).filename().string().c_str());
}

} // namespace

TEST(FontManager, WellKnownFamiliesResolveToMetricCompatibleFaces)
{
    auto* fm = PdfFontManager::GetFontManager();

    struct Case {
        const char* family;
        const char* style;
        const char* expectFamily;
        bool bold;
        bool italic;
    };
    const Case cases[] = {
        {"Arial", "", "Liberation Sans", false, false},     {"arial", "b", "Liberation Sans", true, false},
        {"Helvetica", "IB", "Liberation Sans", true, true}, {"", "", "Liberation Sans", false, false},
        {"Arial", "BU", "Liberation Sans", true, false},    {"Times New Roman", "", "Liberation Serif", false, false},
        {"Courier", "BI", "Liberation Mono", true, true},   {"DejaVu Sans", "", "DejaVu Sans", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.family) + "/" + c.style);
        const auto font = fm->FindFont(wxString::FromUTF8(c.family), wxString::FromUTF8(c.style));
        ASSERT_TRUE(font);
        EXPECT_EQ(font->GetFamily(), wxString::FromUTF8(c.expectFamily));
        EXPECT_EQ(font->IsBold(), c.bold);
        EXPECT_EQ(font->IsItalic(), c.italic);
    }
    // The same request gives the same shared face.
    EXPECT_EQ(fm->FindFont("Arial", "B"), fm->FindFont("arial", "b"));
}

TEST(FontManager, UnknownFamiliesStylesAndFilesAreRefused)
{
    auto* fm = PdfFontManager::GetFontManager();
    EXPECT_FALSE(fm->FindFont("No Such Family Qwzx"));
    EXPECT_FALSE(fm->FindFont("Arial", "X"));

    EXPECT_FALSE(fm->RegisterFont("/nonexistent/font.ttf", "Ghost"));
    EXPECT_FALSE(PdfFontManager::LoadFont("/nonexistent/font.ttf"));

    const vdtest::TempDir folder("vdpdf-badfonts");
    const fs::path text = folder.Path() / "notafont.ttf";
    vdtest::WriteFile(text, "this is not a font");
    EXPECT_FALSE(fm->RegisterFont(wxString::FromUTF8(text.string().c_str()), "Broken"));

    // A font file cut short must be refused (or at worst load), never crash.
    const fs::path cut = folder.Path() / "cut.ttf";
    vdtest::WriteFile(cut,
                      vdtest::ReadFile(LiberationFile("LiberationSans-Regular.ttf").utf8_string()).substr(0, 2000));
    fm->RegisterFont(wxString::FromUTF8(cut.string().c_str()), "CutShort");
    EXPECT_FALSE(fm->FindFont("Broken"));

    // A face index the file does not have.
    EXPECT_FALSE(fm->RegisterFont(LiberationFile("LiberationSans-Regular.ttf"), "NoFace", 3));
}

TEST(FontManager, RegisteredFontsAndAliasesAreFoundFirst)
{
    auto* fm = PdfFontManager::GetFontManager();
    ASSERT_TRUE(fm->RegisterFont(LiberationFile("LiberationSerif-Bold.ttf"), "Report Heading"));
    // The alias takes the face's own style.
    const auto bold = fm->FindFont("report heading", "B");
    ASSERT_TRUE(bold);
    EXPECT_EQ(bold->GetFamily(), "Liberation Serif");
    EXPECT_TRUE(bold->IsBold());
    EXPECT_FALSE(fm->FindFont("Report Heading", ""));

    // An explicit style registration, and a registration overriding an earlier answer.
    EXPECT_FALSE(fm->FindFont("Corporate"));
    ASSERT_TRUE(fm->RegisterFontAs(LiberationFile("LiberationMono-Regular.ttf"), "Corporate", "bi"));
    const auto corporate = fm->FindFont("CORPORATE", "IB");
    ASSERT_TRUE(corporate);
    EXPECT_EQ(corporate->GetFamily(), "Liberation Mono");
    EXPECT_FALSE(fm->RegisterFontAs(LiberationFile("LiberationMono-Regular.ttf"), "Corporate", "Z"));

    // Loading the same file twice shares the face.
    EXPECT_EQ(PdfFontManager::LoadFont(LiberationFile("LiberationMono-Regular.ttf")), corporate);
}

TEST(FontManager, SearchPathFilesNamedAfterTheFamily)
{
    // Files named after the family in any case, with or without its blanks, with the
    // style as a suffix; each is found for its family and style.
    const struct {
        const char* source;
        const char* file;
        const char* family;
        const char* style;
    } files[] = {
        {"LiberationMono-Regular.ttf", "Plantfont.ttf", "PlantFont", ""},
        {"LiberationMono-Bold.ttf", "PlantFont-Bold.ttf", "plantfont", "B"},
        {"LiberationMono-BoldItalic.ttf", "plantfontbi.TTF", "PlantFont", "BI"},
        {"LiberationSerif-Italic.ttf", "Site Sansi.ttf", "Site Sans", "I"},
        {"LiberationSerif-Regular.ttf", "SiteSans.ttf", "Site Sans", ""},
    };
    const vdtest::TempDir folder("vdpdf-searchpath");
    for (const auto& f : files)
        fs::copy_file(std::string(LiberationFile(f.source).utf8_str()), folder.Path() / f.file);

    auto* fm = PdfFontManager::GetFontManager();
    EXPECT_FALSE(fm->FindFont("PlantFont")); // not yet searched there
    fm->AddSearchPath(wxString::FromUTF8(folder.Str()));
    fm->AddSearchPath(wxString::FromUTF8(folder.Str()));
    const auto paths = fm->GetSearchPaths();
    EXPECT_EQ(std::count(paths.begin(), paths.end(), wxString::FromUTF8(folder.Str())), 1);
    for (const auto& f : files) {
        const auto font = fm->FindFont(f.family, f.style);
        ASSERT_TRUE(font) << f.file;
        EXPECT_EQ(FileName(*font), f.file);
    }
    EXPECT_FALSE(fm->FindFont("PlantFont", "I"));
}

TEST(FontFace, MetricsAndWidthsInThousandthsOfTheEm)
{
    const auto font = PdfFontManager::GetFontManager()->FindFont("Arial");
    ASSERT_TRUE(font);
    EXPECT_GT(font->GetCapHeight(), 600);
    const uint32_t a = font->GetGlyph(U'A');
    ASSERT_NE(a, 0u);
    EXPECT_DOUBLE_EQ(font->GetStringWidth("AA"), 1334);
    EXPECT_DOUBLE_EQ(font->GetStringWidth(""), 0);
    EXPECT_DOUBLE_EQ(font->GetGlyphAdvance(0xFFFFFF), 0);
    EXPECT_TRUE(font->HasGlyph(U'–'));
    EXPECT_FALSE(font->HasGlyph(U'中'));
    EXPECT_FALSE(font->HasGlyph(0x110000));
    // A character the face lacks counts as its missing-glyph box.
    EXPECT_DOUBLE_EQ(font->GetStringWidth(wxString::FromUTF8("中")), font->GetGlyphAdvance(0));

    const auto* face = dynamic_cast<const PdfFontFace*>(font.get());
    ASSERT_TRUE(face);
    EXPECT_FALSE(face->IsCff());
    EXPECT_EQ(face->GetDescriptorFlags() & 32, 32); // nonsymbolic

    const auto mono = PdfFontManager::GetFontManager()->FindFont("Courier New", "I");
    ASSERT_TRUE(mono);
    EXPECT_DOUBLE_EQ(mono->GetStringWidth("iiWW"), 4 * 600);
    EXPECT_LT(dynamic_cast<const PdfFontFace&>(*mono).GetItalicAngle(), 0);
}

TEST(FontFace, CodePointsBeyondTheBasicPlane)
{
    // A math face maps the mathematical alphanumerics (U+1D400...).
    const auto font = PdfFontManager::LoadFont("/usr/share/fonts/truetype/dejavu/DejaVuMathTeXGyre.ttf");
    if (!font)
        GTEST_SKIP() << "no DejaVu Math TeX Gyre";
    const uint32_t bold = font->GetGlyph(0x1D400);
    ASSERT_NE(bold, 0u);
    const double advance = font->GetGlyphAdvance(bold);
    EXPECT_GT(advance, 0);
    // The same character as one code point and as a surrogate pair.
    const wxString direct(wxUniChar(0x1D400));
    wxString pair;
    pair += wxUniChar(0xD835);
    pair += wxUniChar(0xDC00);
    EXPECT_DOUBLE_EQ(font->GetStringWidth(direct), advance);
    EXPECT_DOUBLE_EQ(font->GetStringWidth(pair), advance);
    EXPECT_DOUBLE_EQ(font->GetStringWidth(direct + "A" + pair),
                     2 * advance + font->GetGlyphAdvance(font->GetGlyph(U'A')));
}

TEST(FontFace, CjkFaceFromFontconfigCollection)
{
    auto* fm = PdfFontManager::GetFontManager();
    const auto font = fm->FindFont("WenQuanYi Micro Hei");
    ASSERT_TRUE(font) << "fonts-wqy-microhei missing";
    EXPECT_GT(font->GetStringWidth(wxString::FromUTF8("中文")), 1500);

    // The second face of the same collection, and a style the family lacks.
    const auto mono = fm->FindFont("wenquanyi micro hei mono");
    ASSERT_TRUE(mono);
    EXPECT_EQ(mono->GetFaceIndex(), 1);
    EXPECT_EQ(mono->GetFilePath(), font->GetFilePath());
    EXPECT_EQ(fm->FindFont("WenQuanYi Micro Hei", "B"), font);
    const auto* a = dynamic_cast<const PdfFontFace*>(font.get());
    const auto* b = dynamic_cast<const PdfFontFace*>(mono.get());
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->GetFontBytes(), b->GetFontBytes()); // one copy of the file
}
