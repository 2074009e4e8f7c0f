// Embedding faces as subsets: the objects written, the font program (read back with
// FreeType) and the ToUnicode map.
#include <gtest/gtest.h>

#include "pdf/PdfFontFace.h"
#include "vdcommon/pdf/PdfFontManager.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <optional>
#include <regex>
#include <thread>

namespace {

struct RecordingSink : PdfObjectSink {
    struct Object {
        std::string dictionary;
        std::optional<std::string> stream;
    };
    int next = 10;
    std::map<int, Object> objects;

    int NewObject() override { return next++; }
    void WriteObject(int number, const std::string& dictionary, const std::string* stream) override
    {
        EXPECT_FALSE(objects.contains(number)) << "object " << number << " written twice";
        objects[number] = {dictionary, stream ? std::optional<std::string>(*stream) : std::nullopt};
    }
    // The object a "/Key n 0 R" entry of `dictionary` refers to.
    const Object* Ref(const std::string& dictionary, const std::string& key) const
    {
        std::smatch m;
        if (!std::regex_search(dictionary, m, std::regex("/" + key + R"(\s+\[?(\d+) 0 R)")))
            return nullptr;
        const auto it = objects.find(std::stoi(m[1]));
        return it == objects.end() ? nullptr : &it->second;
    }
};

// The glyphs of a text, as a document would collect them.
std::map<uint32_t, char32_t> Used(const PdfFont& font, const std::u32string& text)
{
    std::map<uint32_t, char32_t> used;
    for (const char32_t c : text)
        used.emplace(font.GetGlyph(c), c);
    return used;
}

struct Embedded {
    RecordingSink sink;
    std::string type0, cidFont, descriptor, toUnicode, program, programDictionary;
    std::string cidToGid; // the CIDToGIDMap stream; empty for Identity

    // The glyph in the program that stands for an original glyph id (0 when dropped).
    uint32_t ProgramGlyph(uint32_t glyph) const
    {
        if (cidToGid.empty())
            return glyph;
        if (2 * glyph + 1 >= cidToGid.size())
            return 0;
        return static_cast<unsigned char>(cidToGid[2 * glyph]) << 8 |
               static_cast<unsigned char>(cidToGid[2 * glyph + 1]);
    }
};

void Embed(const PdfFont& font, const std::map<uint32_t, char32_t>& used, Embedded& out)
{
    font.WriteEmbedded(out.sink, 1, used);
    ASSERT_TRUE(out.sink.objects.contains(1));
    out.type0 = out.sink.objects[1].dictionary;
    const auto* cid = out.sink.Ref(out.type0, "DescendantFonts");
    const auto* map = out.sink.Ref(out.type0, "ToUnicode");
    ASSERT_TRUE(cid && map && map->stream);
    out.cidFont = cid->dictionary;
    out.toUnicode = *map->stream;
    const auto* descriptor = out.sink.Ref(out.cidFont, "FontDescriptor");
    ASSERT_TRUE(descriptor);
    out.descriptor = descriptor->dictionary;
    const auto* program = out.sink.Ref(out.descriptor, "FontFile2");
    if (!program)
        program = out.sink.Ref(out.descriptor, "FontFile3");
    ASSERT_TRUE(program && program->stream);
    out.program = *program->stream;
    out.programDictionary = program->dictionary;
    if (const auto* map = out.sink.Ref(out.cidFont, "CIDToGIDMap")) {
        ASSERT_TRUE(map->stream);
        out.cidToGid = *map->stream;
    }
}

// The subset program read back: face count, glyph count, and whether a glyph has an outline.
struct LoadedProgram {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    explicit LoadedProgram(const std::string& data)
    {
        FT_Init_FreeType(&library);
        if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(data.data()),
                               static_cast<FT_Long>(data.size()), 0, &face) != 0)
            face = nullptr;
    }
    ~LoadedProgram() { FT_Done_FreeType(library); }
    bool HasOutline(uint32_t glyph) const
    {
        if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0)
            return false;
        return face->glyph->format == FT_GLYPH_FORMAT_OUTLINE && face->glyph->outline.n_points > 0;
    }
};

void CheckProgram(const PdfFont& font, const Embedded& embedded, const std::u32string& usedText,
                  const std::u32string& unusedText)
{
    LoadedProgram loaded(embedded.program);
    ASSERT_TRUE(loaded.face) << "FreeType cannot read the subset";
    EXPECT_EQ(loaded.face->num_faces, 1);
    for (const char32_t c : usedText) {
        SCOPED_TRACE(static_cast<unsigned>(c));
        const uint32_t glyph = embedded.ProgramGlyph(font.GetGlyph(c));
        ASSERT_NE(glyph, 0u);
        ASSERT_LT(glyph, static_cast<uint32_t>(loaded.face->num_glyphs));
        EXPECT_TRUE(loaded.HasOutline(glyph));
    }
    for (const char32_t c : unusedText) {
        const uint32_t glyph = embedded.ProgramGlyph(font.GetGlyph(c));
        if (glyph != 0 && glyph < static_cast<uint32_t>(loaded.face->num_glyphs)) {
            EXPECT_FALSE(loaded.HasOutline(glyph)) << "unused glyph kept: " << static_cast<unsigned>(c);
        }
    }
}

} // namespace

TEST(FontEmbedding, TrueTypeSubsetAsCidFontType2)
{
    const auto font = PdfFontManager::GetFontManager()->FindFont("Arial");
    ASSERT_TRUE(font);
    const std::u32string text = U"Hä³°–A";
    Embedded e;
    Embed(*font, Used(*font, text), e);

    std::smatch m;
    ASSERT_TRUE(std::regex_search(e.type0, m, std::regex(R"(/BaseFont /([A-Z]{6})\+LiberationSans )")));
    const std::string tag = m[1];
    // Renumbered glyphs, mapped back from the face's own ids.
    ASSERT_FALSE(e.cidToGid.empty());
    EXPECT_EQ(e.cidToGid.size(), 2 * (font->GetGlyph(U'–') + 1));
    EXPECT_TRUE(std::regex_search(e.descriptor, std::regex(R"(/FontBBox \[-?\d+ -?\d+ \d+ \d+\])")));
    EXPECT_NE(e.programDictionary.find("/Length1 " + std::to_string(e.program.size())), std::string::npos);

    // Widths: glyph 0 and every used glyph, with its advance.
    const std::string a = std::to_string(font->GetGlyph(U'A'));
    EXPECT_TRUE(std::regex_search(e.cidFont, std::regex("/W \\[0 \\[\\d+.*[\\[ ]" + a + " \\[667[ \\]]")));

    const std::string original = [&] {
        const auto* face = dynamic_cast<const PdfFontFace*>(font.get());
        return std::string(face->GetFontBytes()->begin(), face->GetFontBytes()->end());
    }();
    EXPECT_LT(e.program.size() * 5, original.size()) << "the subset is hardly smaller";
    CheckProgram(*font, e, text, U"Zzßg");

    // The same glyphs give the same tag; others a different one.
    Embedded again;
    Embed(*font, Used(*font, text), again);
    EXPECT_EQ(again.type0, e.type0);
    EXPECT_EQ(again.program, e.program);
    Embedded other;
    Embed(*font, Used(*font, U"Hello"), other);
    EXPECT_EQ(other.type0.find(tag), std::string::npos);
}

TEST(FontEmbedding, ToUnicodeMap)
{
    // Consecutive glyphs for consecutive characters become one range; the rest single
    // entries, beyond the basic plane as surrogate pairs; invalid code points are left out.
    const std::map<uint32_t, char32_t> used{{5, U'A'},         {6, U'B'},        {7, U'C'},      {9, U'ä'},
                                            {0x1234, 0x1D400}, {0x1235, 0xD800}, {0x1236, U'中'}};
    const std::string cmap = pdffont::MakeToUnicodeCMap(used);
    EXPECT_NE(cmap.find("1 beginbfrange\n<0005> <0007> <0041>\nendbfrange"), std::string::npos);
    EXPECT_NE(cmap.find("<0009> <00E4>\n"), std::string::npos);
    EXPECT_NE(cmap.find("<1234> <D835DC00>\n"), std::string::npos);
    EXPECT_NE(cmap.find("<1236> <4E2D>\n"), std::string::npos);
    EXPECT_EQ(cmap.find("<1235>"), std::string::npos);
    EXPECT_NE(cmap.find("3 beginbfchar"), std::string::npos);

    // Blocks hold at most 100 entries.
    std::map<uint32_t, char32_t> many;
    for (uint32_t g = 0; g < 150; ++g)
        many[1 + 2 * g] = 0x4E00 + 2 * g;
    const std::string big = pdffont::MakeToUnicodeCMap(many);
    EXPECT_NE(big.find("100 beginbfchar"), std::string::npos);
    EXPECT_NE(big.find("50 beginbfchar"), std::string::npos);

    EXPECT_EQ(pdffont::EscapeName("A B#(c)"), "A#20B#23#28c#29");
}

TEST(FontEmbedding, CjkCollectionFaceBecomesASingleFaceSubset)
{
    const auto font = PdfFontManager::GetFontManager()->FindFont("WenQuanYi Micro Hei Mono");
    ASSERT_TRUE(font);
    ASSERT_EQ(font->GetFaceIndex(), 1);
    const std::u32string text = U"中文 Ab";
    Embedded e;
    Embed(*font, Used(*font, text), e);
    EXPECT_NE(e.cidFont.find("/Subtype /CIDFontType2"), std::string::npos);
    CheckProgram(*font, e, U"中文Ab", U"日本");
    EXPECT_NE(e.toUnicode.find("<4E2D>"), std::string::npos);
    EXPECT_NE(e.toUnicode.find("<6587>"), std::string::npos);
    EXPECT_LT(e.program.size(), 20'000u);
}

TEST(FontEmbedding, FacesAreSharedSafelyBetweenThreads)
{
    // Documents on several threads measure and embed the same faces at once.
    auto* fm = PdfFontManager::GetFontManager();
    const auto reference = fm->FindFont("Arial");
    ASSERT_TRUE(reference);
    Embedded expected;
    Embed(*reference, Used(*reference, U"Thread ä"), expected);

    std::vector<std::string> results(4);
    std::vector<double> widths(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t)
        threads.emplace_back([&, t] {
            const auto font = fm->FindFont(t % 2 ? "arial" : "Helvetica");
            const auto cjk = fm->FindFont("WenQuanYi Micro Hei");
            for (int i = 0; i < 20; ++i)
                widths[t] = font->GetStringWidth(wxString::FromUTF8("Thread ä")) + (cjk ? 0 : 1);
            RecordingSink sink;
            font->WriteEmbedded(sink, 1, Used(*font, U"Thread ä"));
            results[t] = sink.objects[1].dictionary;
        });
    for (auto& thread : threads)
        thread.join();
    for (size_t t = 0; t < results.size(); ++t) {
        EXPECT_EQ(results[t], expected.type0);
        EXPECT_DOUBLE_EQ(widths[t], reference->GetStringWidth(wxString::FromUTF8("Thread ä")));
    }
}
