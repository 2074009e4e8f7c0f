#pragma once
#include "vdcommon/Export.h"
// Process-wide font registry of the PDF layer and the font faces it hands out.
// Faces are loaded with FreeType, looked up through registrations, search paths and
// fontconfig, and embedded as hb-subset subsets (CIDFontType2 for TrueType outlines,
// CIDFontType0 for CFF), Identity-H, with widths and a ToUnicode map.
#include <wx/string.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Where a document writes its objects. The font writes its own objects through it.
class VDCOMMON_API PdfObjectSink
{
public:
    virtual ~PdfObjectSink() = default;
    // A fresh object number.
    virtual int NewObject() = 0;
    // Writes object `number`. `dictionary` is the full dictionary text "<< ... >>"
    // without /Length and /Filter; when `stream` is given, the sink adds /Length (and
    // /Filter /FlateDecode when it compresses) and writes the stream.
    virtual void WriteObject(int number, const std::string& dictionary, const std::string* stream = nullptr) = 0;
};

// One loaded face (a file and a face index). Immutable after loading; safe to share
// between documents and threads.
class VDCOMMON_API PdfFont
{
public:
    virtual ~PdfFont() = default;

    virtual const wxString& GetFamily() const = 0; // the face's own family name
    virtual bool IsBold() const = 0;
    virtual bool IsItalic() const = 0;
    virtual const wxString& GetFilePath() const = 0;
    virtual int GetFaceIndex() const = 0;
    // A name for the PDF: the PostScript name (letters, digits, '-' only).
    virtual std::string GetPostScriptName() const = 0;

    // Metrics in thousandths of the em.
    virtual int GetAscent() const = 0;  // positive
    virtual int GetDescent() const = 0; // negative
    virtual int GetCapHeight() const = 0;
    virtual int GetUnderlinePosition() const = 0; // negative: below the baseline
    virtual int GetUnderlineThickness() const = 0;

    // Glyph for a code point (0 when the face has none) and its advance in
    // thousandths of the em.
    virtual uint32_t GetGlyph(char32_t codePoint) const = 0;
    virtual double GetGlyphAdvance(uint32_t glyph) const = 0;
    // Sum of the advances of the text's glyphs, in thousandths of the em (no kerning).
    virtual double GetStringWidth(const wxString& text) const = 0;
    virtual bool HasGlyph(char32_t codePoint) const { return GetGlyph(codePoint) != 0; }

    // Writes the Type0 font as object `type0Object`, with its descendant CID font,
    // font descriptor, subset font program, widths and ToUnicode map. `used` maps
    // every glyph drawn with the font to the text it stands for (several characters
    // for a ligature or a cluster). Glyph ids are kept (the content streams use the
    // face's own glyph ids).
    virtual void WriteEmbedded(PdfObjectSink& sink, int type0Object,
                               const std::map<uint32_t, std::u32string>& used) const = 0;
    // The same for glyphs that each stand for one code point.
    void WriteEmbedded(PdfObjectSink& sink, int type0Object, const std::map<uint32_t, char32_t>& used) const
    {
        std::map<uint32_t, std::u32string> texts;
        for (const auto& [glyph, codePoint] : used)
            texts.emplace(glyph, std::u32string(1, codePoint));
        WriteEmbedded(sink, type0Object, texts);
    }
};

class VDCOMMON_API PdfFontManager
{
public:
    static PdfFontManager* GetFontManager();

    // Adds a folder searched for font files named after the family.
    void AddSearchPath(const wxString& path);
    std::vector<wxString> GetSearchPaths() const;

    // Registers a font file (.ttf, .otf, .ttc with face index). The face's own family
    // and style and, when given, the alias become lookup names. False when the file
    // cannot be read as a font.
    bool RegisterFont(const wxString& file, const wxString& alias = wxEmptyString, int index = 0);
    // Registers a font file under `family` and `style` ("", "B", "I", "BI"; "U" is
    // ignored) as given, whatever the face says of itself; only that name is added.
    // False when the file cannot be read as a font or the style has other letters.
    bool RegisterFontAs(const wxString& file, const wxString& family, const wxString& style, int index = 0);

    // The face for a family ("" / "Arial" / "Helvetica" → a metric-compatible sans)
    // and style ("", "B", "I", "BI"; case and order free, "U" ignored). Lookup order:
    // registered fonts, files named after the family in the search paths
    // (family.ttf/.otf, family-Bold..., familybd/i/bi), then fontconfig.
    // Null when nothing matches. Names compare case-insensitively.
    std::shared_ptr<const PdfFont> FindFont(const wxString& family, const wxString& style = wxEmptyString);

    // The best installed face for a character `primary` lacks, through fontconfig:
    // one that has the character, in the same weight and slant where there is one.
    // Null when no installed font covers it. Answers are remembered.
    std::shared_ptr<const PdfFont> FindFallbackFont(char32_t codePoint, bool bold, bool italic);

    // Loads one face from a file without registering it (null on failure).
    static std::shared_ptr<const PdfFont> LoadFont(const wxString& file, int index = 0);

private:
    PdfFontManager() = default;
    struct Impl;
    std::shared_ptr<Impl> impl;
    mutable std::mutex mutex;
};
