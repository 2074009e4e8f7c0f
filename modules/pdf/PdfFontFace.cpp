#include "pdf/PdfFontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <hb-ot.h>
#include <hb.h>
#include <wx/log.h>

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {

// Font units → thousandths of the em, rounded.
int ToThousandths(long value, int unitsPerEm)
{
    return static_cast<int>(std::lround(static_cast<double>(value) * 1000.0 / unitsPerEm));
}

bool HasTable(FT_Face face, FT_ULong tag)
{
    FT_ULong length = 0;
    return FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) == 0 && length > 0;
}

// Letters, digits and '-' only: the name goes into PDF names and subset tags.
std::string CleanPostScriptName(const char* name)
{
    std::string result;
    for (const char* p = name; p && *p; ++p) {
        const char c = *p;
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')
            result += c;
    }
    return result;
}

wxString FromFreeTypeName(const char* name)
{
    if (!name)
        return wxString();
    wxString text = wxString::FromUTF8(name);
    return text.empty() ? wxString::FromAscii(name) : text;
}

// Releases the FreeType library (and every face of it) on every path out of Load.
struct FreeTypeLibrary {
    FT_Library library = nullptr;
    FreeTypeLibrary()
    {
        if (FT_Init_FreeType(&library) != 0)
            library = nullptr;
    }
    ~FreeTypeLibrary()
    {
        if (library)
            FT_Done_FreeType(library);
    }
    FreeTypeLibrary(const FreeTypeLibrary&) = delete;
    FreeTypeLibrary& operator=(const FreeTypeLibrary&) = delete;
};

} // namespace

namespace pdffont {

FontBytes ReadFontFile(const wxString& path)
{
    std::ifstream in(std::string(path.utf8_str()), std::ios::binary | std::ios::ate);
    if (!in)
        return nullptr;
    // In one read of the size the file says it has: a font is hundreds of kilobytes,
    // and growing a buffer character by character shows in every document's start.
    const std::streamoff size = in.tellg();
    if (size > 0 && in.seekg(0)) {
        auto data = std::make_shared<std::vector<unsigned char>>(static_cast<size_t>(size));
        if (!in.read(reinterpret_cast<char*>(data->data()), size))
            return nullptr;
        return data;
    }
    // No size to go by (not a plain file): read to the end.
    in.clear();
    auto data = std::make_shared<std::vector<unsigned char>>(std::istreambuf_iterator<char>(in),
                                                             std::istreambuf_iterator<char>());
    if (in.bad() || data->empty())
        return nullptr;
    return data;
}

} // namespace pdffont

std::shared_ptr<const PdfFontFace> PdfFontFace::Load(const wxString& path, int index, const pdffont::FontBytes& bytes,
                                                     wxString* error)
{
    auto fail = [error](const wxString& reason) -> std::shared_ptr<const PdfFontFace> {
        if (error)
            *error = reason;
        return nullptr;
    };
    if (!bytes || bytes->empty())
        return fail(wxS("the file cannot be read"));
    if (index < 0 || index > 0xFFFF)
        return fail(wxString::Format(wxS("invalid face index %d"), index));

    FreeTypeLibrary ft;
    if (!ft.library)
        return fail(wxS("FreeType cannot be initialised"));
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(ft.library, bytes->data(), static_cast<FT_Long>(bytes->size()), index, &face) != 0)
        return fail(wxString::Format(wxS("not a font file, or it has no face %d"), index));
    if (!FT_IS_SFNT(face) || !FT_IS_SCALABLE(face))
        return fail(wxS("only TrueType and OpenType fonts can be embedded"));

    std::shared_ptr<PdfFontFace> font(new PdfFontFace());
    if (HasTable(face, TTAG_glyf)) {
        font->cff = false;
    } else if (HasTable(face, TTAG_CFF)) {
        font->cff = true;
    } else {
        // CFF2 (variable) outlines and bitmap-only faces have no PDF font program.
        return fail(wxS("the font has neither TrueType nor CFF outlines"));
    }

    font->filePath = path;
    font->faceIndex = index;
    font->bytes = bytes;
    font->unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    font->glyphCount = static_cast<uint32_t>(std::max<FT_Long>(face->num_glyphs, 1));
    if (font->glyphCount > 0x10000)
        return fail(wxS("the font has more glyphs than a two-byte code can address"));
    font->ReadNames(face);
    font->ReadMetrics(face);
    font->ReadCharacterMap(face);
    if (!font->ReadAdvances(face))
        return fail(wxS("the font's advance widths cannot be read"));

    font->latinText = true;
    for (char32_t c = 'A'; c <= 'z' && font->latinText; ++c)
        if ((c <= 'Z' || c >= 'a') && font->bmpGlyphs[c] == 0)
            font->latinText = false;

    if (font->capHeight <= 0) {
        // No OS/2 cap height: the top of 'H'.
        const uint32_t h = font->bmpGlyphs['H'];
        if (h != 0 && FT_Load_Glyph(face, h, FT_LOAD_NO_SCALE) == 0)
            font->capHeight = ToThousandths(face->glyph->metrics.horiBearingY, font->unitsPerEm);
        if (font->capHeight <= 0)
            font->capHeight = static_cast<int>(std::lround(font->ascent * 0.7));
    }
    return font;
}

void PdfFontFace::ReadNames(FT_FaceRec_* face)
{
    family = FromFreeTypeName(face->family_name);
    bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    fixedPitch = FT_IS_FIXED_WIDTH(face) != 0;

    postScriptName = CleanPostScriptName(FT_Get_Postscript_Name(face));
    if (postScriptName.empty()) {
        postScriptName = CleanPostScriptName(face->family_name);
        const std::string style = CleanPostScriptName(face->style_name);
        if (!style.empty())
            postScriptName += "-" + style;
        if (postScriptName.empty())
            postScriptName = "Font";
    }
    if (family.empty())
        family = wxString::FromAscii(postScriptName.c_str());
}

void PdfFontFace::ReadMetrics(FT_FaceRec_* face)
{
    const int upem = unitsPerEm;
    ascent = ToThousandths(face->ascender, upem);
    descent = ToThousandths(face->descender, upem);
    if (ascent <= 0)
        ascent = ToThousandths(face->bbox.yMax, upem);
    if (descent > 0)
        descent = -descent;
    underlinePosition = ToThousandths(face->underline_position, upem);
    underlineThickness = ToThousandths(face->underline_thickness, upem);
    if (underlineThickness <= 0)
        underlineThickness = 50;
    if (underlinePosition == 0)
        underlinePosition = -100;
    bbox[0] = ToThousandths(face->bbox.xMin, upem);
    bbox[1] = ToThousandths(face->bbox.yMin, upem);
    bbox[2] = ToThousandths(face->bbox.xMax, upem);
    bbox[3] = ToThousandths(face->bbox.yMax, upem);

    int weight = bold ? 700 : 400;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF) {
        if (os2->usWeightClass >= 100 && os2->usWeightClass <= 1000)
            weight = os2->usWeightClass;
        if (os2->version >= 2 && os2->sCapHeight > 0)
            capHeight = ToThousandths(os2->sCapHeight, upem);
        const int familyClass = (os2->sFamilyClass >> 8) & 0xFF;
        serif = (familyClass >= 1 && familyClass <= 5) || familyClass == 7;
    }
    if (const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST)))
        italicAngle = std::round(post->italicAngle / 65536.0 * 100.0) / 100.0;
    // The usual estimate of the dominant vertical stem from the weight class.
    stemV = static_cast<int>(std::lround(50 + std::pow(weight / 65.0, 2)));
}

// Code point → glyph, read once so lookups need no FreeType face.
void PdfFontFace::ReadCharacterMap(FT_FaceRec_* face)
{
    bmpGlyphs.assign(0x10000, 0);
    auto addMapping = [this](FT_ULong code, FT_UInt glyph) {
        if (glyph == 0 || glyph >= glyphCount || code > 0x10FFFF)
            return;
        if (code < 0x10000) {
            if (bmpGlyphs[code] == 0)
                bmpGlyphs[code] = static_cast<uint16_t>(glyph);
        } else {
            otherGlyphs.emplace(static_cast<char32_t>(code), glyph);
        }
    };
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0) {
        FT_UInt glyph = 0;
        for (FT_ULong code = FT_Get_First_Char(face, &glyph); glyph != 0; code = FT_Get_Next_Char(face, code, &glyph))
            addMapping(code, glyph);
    } else if (FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0) {
        // Symbol fonts map their glyphs at U+F000..U+F0FF; text usually uses the low byte.
        FT_UInt glyph = 0;
        for (FT_ULong code = FT_Get_First_Char(face, &glyph); glyph != 0; code = FT_Get_Next_Char(face, code, &glyph)) {
            addMapping(code, glyph);
            if (code >= 0xF020 && code <= 0xF0FF)
                addMapping(code - 0xF000, glyph);
        }
    }
}

// Advances straight from hmtx (unscaled, no outline loading), in thousandths; needs
// the character map for the advances by code point.
bool PdfFontFace::ReadAdvances(FT_FaceRec_* face)
{
    std::vector<FT_Fixed> raw(glyphCount, 0);
    if (FT_Get_Advances(face, 0, glyphCount, FT_LOAD_NO_SCALE, raw.data()) != 0)
        return false;
    advances.resize(glyphCount);
    rawAdvances.resize(glyphCount);
    for (uint32_t g = 0; g < glyphCount; ++g) {
        advances[g] = ToThousandths(raw[g], unitsPerEm);
        rawAdvances[g] = static_cast<int32_t>(raw[g]);
    }
    bmpAdvances.resize(0x10000);
    for (uint32_t c = 0; c < 0x10000; ++c)
        bmpAdvances[c] = advances[bmpGlyphs[c]];
    return true;
}

uint32_t PdfFontFace::GetGlyph(char32_t codePoint) const
{
    if (codePoint < 0x10000)
        return bmpGlyphs[codePoint];
    const auto it = otherGlyphs.find(codePoint);
    return it == otherGlyphs.end() ? 0 : it->second;
}

double PdfFontFace::GetGlyphAdvance(uint32_t glyph) const
{
    return glyph < advances.size() ? advances[glyph] : 0.0;
}

double PdfFontFace::GetStringWidth(const wxString& text) const
{
    // Called for every cell: no allocation; below the surrogates one table read per
    // character.
    const int32_t* direct = bmpAdvances.data();
    const int32_t* adv = advances.data();
    int64_t sum = 0;
#if wxUSE_UNICODE_WCHAR
    const wchar_t* p = text.wx_str();
    const size_t n = text.length();
    for (size_t i = 0; i < n; ++i) {
        char32_t c = static_cast<char32_t>(p[i]);
        if (c < 0xD800) {
            sum += direct[c];
            continue;
        }
        if (c < 0xDC00 && i + 1 < n) {
            const char32_t low = static_cast<char32_t>(p[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        sum += c < 0x10000 ? direct[c] : adv[GetGlyph(c)];
    }
#else
    for (wxString::const_iterator it = text.begin(); it != text.end(); ++it) {
        const char32_t c = static_cast<char32_t>(static_cast<wxUint32>((*it).GetValue()));
        sum += c < 0x10000 ? direct[c] : adv[GetGlyph(c)];
    }
#endif
    return static_cast<double>(sum);
}

int PdfFontFace::GetDescriptorFlags() const
{
    int flags = 0;
    if (fixedPitch)
        flags |= 1;
    if (serif)
        flags |= 2;
    flags |= latinText ? 32 : 4; // nonsymbolic when the standard Latin set is there
    if (italic || italicAngle != 0)
        flags |= 64;
    return flags;
}

PdfFontFace::~PdfFontFace()
{
    if (hbFont)
        hb_font_destroy(hbFont);
}

hb_font_t* PdfFontFace::GetHbFont() const
{
    std::call_once(hbOnce, [this] {
        if (!bytes || bytes->empty())
            return;
        // The blob borrows the bytes: the face keeps them alive as long as it lives.
        hb_blob_t* blob =
            hb_blob_create(reinterpret_cast<const char*>(bytes->data()), static_cast<unsigned>(bytes->size()),
                           HB_MEMORY_MODE_READONLY, nullptr, nullptr);
        hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(faceIndex));
        hb_blob_destroy(blob);
        hb_font_t* font = hb_font_create(face);
        hb_face_destroy(face);
        if (font == hb_font_get_empty()) {
            hb_font_destroy(font);
            return;
        }
        // Font units: no rounding of positions to a pixel grid, the same at every size.
        hb_font_set_scale(font, unitsPerEm, unitsPerEm);
        hb_ot_font_set_funcs(font);
        hb_font_make_immutable(font);
        hbFont = font;
    });
    return hbFont;
}

bool PdfFontFace::SpaceInSubstitution() const
{
    SpaceInPositioning();
    return spaceInGsub;
}

bool PdfFontFace::SpaceInPositioning() const
{
    std::call_once(spaceOnce, [this] {
        hb_font_t* font = GetHbFont();
        const uint32_t space = GetGlyph(U' ');
        if (!font || space == 0)
            return;
        hb_face_t* face = hb_font_get_face(font);
        hb_set_t* sets[4] = {hb_set_create(), hb_set_create(), hb_set_create(), hb_set_create()};
        auto search = [&](hb_tag_t table) {
            const unsigned count = hb_ot_layout_table_get_lookup_count(face, table);
            for (unsigned i = 0; i < count; ++i) {
                for (hb_set_t* set : sets)
                    hb_set_clear(set);
                hb_ot_layout_lookup_collect_glyphs(face, table, i, sets[0], sets[1], sets[2], sets[3]);
                for (hb_set_t* set : sets)
                    if (hb_set_has(set, space))
                        return true;
            }
            return false;
        };
        spaceInGsub = search(HB_OT_TAG_GSUB);
        spaceInGpos = search(HB_OT_TAG_GPOS);
        // A legacy 'kern' table is applied only when GPOS has no kerning; it may pair
        // anything with the space.
        if (!hb_ot_layout_has_positioning(face)) {
            hb_blob_t* kern = hb_face_reference_table(face, HB_TAG('k', 'e', 'r', 'n'));
            spaceInGpos = spaceInGpos || hb_blob_get_length(kern) > 0;
            hb_blob_destroy(kern);
        }
        for (hb_set_t* set : sets)
            hb_set_destroy(set);
    });
    return spaceInGpos;
}
