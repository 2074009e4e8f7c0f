// PdfDocument: fonts, and text shaped into glyphs of them.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"
#include "pdf/PdfFontFace.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <algorithm>
#include <mutex>

using namespace vdpdf;

const GlyphInfo& FontEntry::Lookup(char32_t cp)
{
    GlyphInfo* info;
    if (cp < 0x800) {
        if (low.empty())
            low.resize(0x800);
        info = &low[cp];
    } else {
        info = &high[cp];
    }
    if (info->advance < 0) {
        info->glyph = font->GetGlyph(cp);
        info->advance = static_cast<float>(font->GetGlyphAdvance(info->glyph));
    }
    return *info;
}

bool FontEntry::MarkUsed(uint32_t glyph, const char32_t* text, size_t length)
{
    if (glyph >= usedFlag.size()) {
        usedFlag.resize(std::max<size_t>(glyph + 1, usedFlag.size() * 2), 0);
        used.resize(usedFlag.size(), 0);
    }
    if (!usedFlag[glyph]) {
        usedFlag[glyph] = 1;
        if (length == 1 && text[0] != 0)
            used[glyph] = text[0];
        else
            texts[glyph].assign(text, length);
        return true;
    }
    if (used[glyph] != 0)
        return length == 1 && used[glyph] == text[0];
    const auto it = texts.find(glyph);
    return it != texts.end() && it->second == std::u32string_view(text, length);
}

std::u32string FontEntry::TextOf(uint32_t glyph) const
{
    if (glyph >= usedFlag.size() || !usedFlag[glyph])
        return {};
    if (used[glyph] != 0)
        return std::u32string(1, used[glyph]);
    const auto it = texts.find(glyph);
    return it == texts.end() ? std::u32string() : it->second;
}

int PdfDocument::State::FontEntryFor(const std::shared_ptr<const PdfFont>& font)
{
    auto it = fontIndex.find(font.get());
    if (it != fontIndex.end())
        return it->second;
    auto entry = std::make_unique<FontEntry>();
    entry->font = font;
    entry->index = static_cast<int>(fonts.size()) + 1;
    int idx = static_cast<int>(fonts.size());
    fonts.push_back(std::move(entry));
    fontIndex.emplace(font.get(), idx);
    return idx;
}

FontEntry* PdfDocument::State::CurrentFont()
{
    if (curFont >= 0)
        return fonts[curFont].get();
    static bool reported = false;
    auto font = PdfFontManager::GetFontManager()->FindFont(fontFamily, fontStyle);
    if (!font)
        font = PdfFontManager::GetFontManager()->FindFont(wxEmptyString, wxEmptyString);
    if (!font) {
        if (!reported)
            wxLogError("PDF: no font is available; text is not drawn");
        reported = true;
        return nullptr;
    }
    curFont = FontEntryFor(font);
    return fonts[curFont].get();
}

void vdpdf::ToCodePoints(const wxString& text, std::u32string& out)
{
#if wxUSE_UNICODE_WCHAR
    if constexpr (sizeof(wchar_t) == 4) {
        out.assign(reinterpret_cast<const char32_t*>(text.wx_str()), text.length());
        return;
    }
#endif
    out.clear();
    for (wxUniChar c : text)
        out.push_back(static_cast<char32_t>(c.GetValue()));
}

namespace {

std::mutex defaultHandlerMutex;
std::function<void(char32_t, const wxString&)> defaultMissingHandler;

// Tells the document's handler (or the default one, or the debug log) once per
// document about each character no installed font has.
void ReportMissingCharacters(DocState& s)
{
    if (!s.line.missing)
        return;
    for (const ShapedGlyph& g : s.line.glyphs) {
        if (!(g.flags & ShapedGlyph::Missing))
            continue;
        const char32_t c = s.textScratch[g.clusterStart];
        if (!s.missingReported.insert(c).second)
            continue;
        const wxString message =
            wxString::Format(wxS("PDF: no installed font has the character U+%04X; it is drawn as a missing-glyph box"),
                             static_cast<unsigned>(c));
        std::function<void(char32_t, const wxString&)> handler = s.missingHandler;
        if (!handler) {
            std::lock_guard lock(defaultHandlerMutex);
            handler = defaultMissingHandler;
        }
        if (handler)
            handler(c, message);
        else
            wxLogDebug(message);
    }
}

} // namespace

double PdfDocument::State::TextWidth(const wxString& text)
{
    if (text.empty() || !CurrentFont())
        return 0;
    static const std::vector<std::pair<size_t, size_t>> noAliases;
    ToCodePoints(text, textScratch);
    return shaper->Shape(*this, curFont, textScratch, noAliases, nullptr) * fontSizePt / 1000.0 / k;
}

double PdfDocument::State::Encode(const wxString& text)
{
    line.glyphs.clear();
    line.width = 0;
    aliasScratch.clear();
    if (!CurrentFont())
        return 0;
    ToCodePoints(text, textScratch);
    if (!aliasNbPages.empty()) {
        std::u32string alias;
        ToCodePoints(aliasNbPages, alias);
        size_t pos = 0;
        while ((pos = textScratch.find(alias, pos)) != std::u32string::npos) {
            aliasScratch.emplace_back(pos, alias.size());
            pos += alias.size();
        }
    }
    shaper->Shape(*this, curFont, textScratch, aliasScratch, &line);
    ReportMissingCharacters(*this);
    return line.width * fontSizePt / 1000.0 / k;
}

bool PdfDocument::AddFont(const wxString& family, const wxString& style, const wxString& file)
{
    PdfFontManager* fm = PdfFontManager::GetFontManager();
    if (!file.empty()) {
        wxString path = file;
        if (!wxFileExists(path)) {
            for (const wxString& dir : fm->GetSearchPaths()) {
                wxFileName candidate(dir, file);
                if (candidate.FileExists()) {
                    path = candidate.GetFullPath();
                    break;
                }
            }
        }
        wxString st;
        for (wxUniChar c : style.Upper())
            if (c == 'B' || c == 'I')
                st += c;
        if (st == "IB")
            st = "BI";
        if (!fm->RegisterFontAs(path, family, st)) {
            wxLogError("PDF: cannot register the font file '%s'", file);
            return false;
        }
        d->fontLookup.clear();
    }
    if (!fm->FindFont(family, style)) {
        wxLogError("PDF: font family '%s' style '%s' is not available", family, style);
        return false;
    }
    return true;
}

bool PdfDocument::AddFontCJK(const wxString& family)
{
    if (!PdfFontManager::GetFontManager()->FindFont(family)) {
        wxLogError("PDF: CJK font family '%s' is not available", family);
        return false;
    }
    return true;
}

bool PdfDocument::SetFont(const wxString& family, const wxString& style, double size)
{
    wxString st;
    bool underline = false;
    if (!pdffont::ParseStyle(style, st, &underline)) {
        wxLogError("PDF: unknown font style '%s'", style);
        return false;
    }
    const wxString& fam = family.empty() ? d->fontFamily : family;
    if (d->curFont >= 0 && fam == d->fontFamily && st == d->fontStyle) {
        // The face in use already: only size and underline change.
        d->underline = underline;
        size = Sane(size, "font size");
        if (size > 0)
            d->fontSizePt = size;
        return true;
    }
    auto key = std::make_pair(fam.Lower(), st);
    auto it = d->fontLookup.find(key);
    std::shared_ptr<const PdfFont> font;
    if (it != d->fontLookup.end()) {
        font = it->second;
    } else {
        font = PdfFontManager::GetFontManager()->FindFont(fam, st);
        d->fontLookup.emplace(key, font);
    }
    if (!font) {
        wxLogError("PDF: font family '%s' style '%s' is not available", fam, st);
        return false;
    }
    d->curFont = d->FontEntryFor(font);
    d->fontFamily = wxString(fam);
    d->fontStyle = st;
    d->underline = underline;
    size = Sane(size, "font size");
    if (size > 0)
        d->fontSizePt = size;
    return true;
}

void PdfDocument::SetFontSize(double size)
{
    size = Sane(size, "font size");
    if (size > 0)
        d->fontSizePt = size;
}

double PdfDocument::GetFontSize() const
{
    return d->fontSizePt;
}
const wxString& PdfDocument::GetFontFamily() const
{
    return d->fontFamily;
}
wxString PdfDocument::GetFontStyle() const
{
    return d->fontStyle + (d->underline ? "U" : "");
}

std::shared_ptr<const PdfFont> PdfDocument::GetCurrentFont() const
{
    return d->curFont >= 0 ? d->fonts[d->curFont]->font : nullptr;
}

double PdfDocument::GetStringWidth(const wxString& text) const
{
    return d->TextWidth(text);
}

void PdfDocument::SetKerning(bool kerning)
{
    d->shaper->SetKerning(kerning);
}
bool PdfDocument::GetKerning() const
{
    return d->shaper->GetKerning();
}
void PdfDocument::SetMissingCharacterHandler(MissingCharacterHandler handler)
{
    d->missingHandler = std::move(handler);
}

void PdfDocument::SetDefaultMissingCharacterHandler(MissingCharacterHandler handler)
{
    std::lock_guard lock(defaultHandlerMutex);
    defaultMissingHandler = std::move(handler);
}

double PdfDocument::GetFontAscent() const
{
    FontEntry* f = d->CurrentFont();
    return f ? f->font->GetAscent() * d->fontSizePt / 1000.0 / d->k : 0;
}

double PdfDocument::GetFontDescent() const
{
    FontEntry* f = d->CurrentFont();
    return f ? -f->font->GetDescent() * d->fontSizePt / 1000.0 / d->k : 0;
}
