#pragma once
// A font face read once with FreeType into plain tables (cmap, advances, metrics), so
// that it can be shared between documents and threads without holding a FreeType
// object. The file's bytes are kept (shared between the faces of one collection) for
// subsetting when a document embeds the face.
#include "vdcommon/pdf/PdfFontManager.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct hb_font_t;
struct FT_FaceRec_;

namespace pdffont {

// The bytes of one font file, shared by every face loaded from it.
using FontBytes = std::shared_ptr<const std::vector<unsigned char>>;

// Reads a whole file; null when it cannot be read or is empty.
FontBytes ReadFontFile(const wxString& path);

// "ABCDEF": six capital letters derived from the glyph set and the face name, so the
// same subset always gets the same tag and different subsets (almost always) differ.
std::string MakeSubsetTag(const std::string& postScriptName, const std::vector<uint32_t>& glyphs);

// The ToUnicode CMap program for glyph → text pairs (Identity-H codes). A glyph may
// stand for several characters (a ligature, a cluster); an empty text maps the glyph
// to nothing (the second glyph of a cluster whose text the first one carries).
std::string MakeToUnicodeCMap(const std::map<uint32_t, std::u32string>& used);
std::string MakeToUnicodeCMap(const std::map<uint32_t, char32_t>& used);

// The style letters ("B", "I", "U" in any case and order, spaces) reduced to "", "B",
// "I" or "BI", with whether "U" was among them; false for any other letter.
bool ParseStyle(const wxString& style, wxString& normal, bool* underline = nullptr);

// A PDF name token body: characters outside the regular set are written as #xx.
std::string EscapeName(const std::string& name);

} // namespace pdffont

class PdfFontFace final : public PdfFont
{
public:
    // Loads face `index` of `path`; `bytes` are the file's contents. Null with a reason
    // in `error` when the data is not a scalable sfnt font (TrueType or CFF outlines).
    static std::shared_ptr<const PdfFontFace> Load(const wxString& path, int index, const pdffont::FontBytes& bytes,
                                                   wxString* error = nullptr);

    const wxString& GetFamily() const override { return family; }
    bool IsBold() const override { return bold; }
    bool IsItalic() const override { return italic; }
    const wxString& GetFilePath() const override { return filePath; }
    int GetFaceIndex() const override { return faceIndex; }
    std::string GetPostScriptName() const override { return postScriptName; }

    int GetAscent() const override { return ascent; }
    int GetDescent() const override { return descent; }
    int GetCapHeight() const override { return capHeight; }
    int GetUnderlinePosition() const override { return underlinePosition; }
    int GetUnderlineThickness() const override { return underlineThickness; }

    uint32_t GetGlyph(char32_t codePoint) const override;
    double GetGlyphAdvance(uint32_t glyph) const override;
    double GetStringWidth(const wxString& text) const override;

    using PdfFont::WriteEmbedded;
    void WriteEmbedded(PdfObjectSink& sink, int type0Object,
                       const std::map<uint32_t, std::u32string>& used) const override;

    // The face for HarfBuzz at a scale of one font unit (positions come back in font
    // units); made on first use, shared by every thread (HarfBuzz fonts are safe to
    // shape with concurrently once set up). Null when HarfBuzz cannot read the face.
    hb_font_t* GetHbFont() const;
    // Whether the space glyph takes part in a substitution lookup (a ligature over
    // it), or in a positioning one (kerning against a space). When it takes part in
    // neither, text may be shaped word by word with the same result as shaping the
    // whole line; when only in positioning, word by word with the next character
    // shaped along (kerning pairs a space with the letter after it).
    bool SpaceInSubstitution() const;
    bool SpaceInPositioning() const;
    // The advance in font units (hmtx), to tell shaped advances from plain ones.
    int32_t GetRawAdvance(uint32_t glyph) const { return glyph < rawAdvances.size() ? rawAdvances[glyph] : 0; }
    ~PdfFontFace() override;

    // Further facts, for the font descriptor and for tests.
    bool IsCff() const { return cff; }
    bool IsFixedPitch() const { return fixedPitch; }
    uint32_t GetGlyphCount() const { return glyphCount; }
    int GetUnitsPerEm() const { return unitsPerEm; }
    double GetItalicAngle() const { return italicAngle; }
    int GetStemV() const { return stemV; }
    // xMin, yMin, xMax, yMax in thousandths of the em.
    const int* GetBoundingBox() const { return bbox; }
    // Descriptor /Flags: fixed pitch, symbolic or not, italic, force bold.
    int GetDescriptorFlags() const;
    const pdffont::FontBytes& GetFontBytes() const { return bytes; }

    // A subset font program for the glyphs (glyph 0 always included).
    struct Subset {
        std::string program; // empty when HarfBuzz cannot subset the face
        // Original glyph id → glyph id in the program, for TrueType outlines (whose
        // glyphs are renumbered; the PDF maps them back with a CIDToGIDMap). Empty
        // when the ids are kept (CFF outlines, which the PDF addresses by glyph id).
        std::vector<uint16_t> newGlyphIds;
    };
    Subset MakeSubset(const std::vector<uint32_t>& glyphs, const std::vector<char32_t>& codePoints) const;

private:
    PdfFontFace() = default;
    // The steps of Load, each reading one part of the face.
    void ReadNames(FT_FaceRec_* face);
    void ReadMetrics(FT_FaceRec_* face);
    void ReadCharacterMap(FT_FaceRec_* face);
    bool ReadAdvances(FT_FaceRec_* face);
    // Parts of WriteEmbedded.
    std::string ProgramToEmbed(const std::vector<uint32_t>& glyphs, std::string& program) const;
    std::string DescriptorDictionary(const std::string& name, int programObject) const;

    wxString family;
    wxString filePath;
    std::string postScriptName;
    pdffont::FontBytes bytes;
    int faceIndex = 0;
    bool bold = false;
    bool italic = false;
    bool cff = false;
    bool fixedPitch = false;
    bool serif = false;
    bool latinText = true; // covers the standard Latin set
    int unitsPerEm = 1000;
    uint32_t glyphCount = 0;
    int ascent = 0;
    int descent = 0;
    int capHeight = 0;
    int underlinePosition = -100;
    int underlineThickness = 50;
    int stemV = 80;
    double italicAngle = 0;
    int bbox[4] = {0, 0, 0, 0};

    // Basic plane: direct index by code point; the rest in a hash map.
    std::vector<uint16_t> bmpGlyphs;
    std::unordered_map<char32_t, uint32_t> otherGlyphs;
    // Advance of every glyph in whole thousandths of the em (what /W says as well,
    // so layout and the viewer agree exactly).
    std::vector<int32_t> advances;
    // Advance by code point for the basic plane: the width of a string without a
    // detour through the glyph id.
    std::vector<int32_t> bmpAdvances;
    std::vector<int32_t> rawAdvances; // font units

    mutable std::once_flag hbOnce;
    mutable hb_font_t* hbFont = nullptr;
    mutable std::once_flag spaceOnce;
    mutable bool spaceInGsub = true;
    mutable bool spaceInGpos = true;
};
