// PdfDocument: set-up, pages, layout, fonts and text.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"
#include "pdf/PdfFontFace.h"

#include <fribidi.h>
#include <hb.h>
#include <linebreak.h>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/paper.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

using namespace vdpdf;

namespace {

struct PaperEntry {
    wxPaperSize id;
    double wPt, hPt;
};

constexpr double MmPt(double mm)
{
    return mm * 72.0 / 25.4;
}

// The common formats, so the layer needs no running toolkit for them.
// clang-format off
const PaperEntry kPapers[] = {
    {wxPAPER_A4, 595.28, 841.89},
    {wxPAPER_A3, MmPt(297), MmPt(420)},
    {wxPAPER_A5, MmPt(148), MmPt(210)},
    {wxPAPER_A2, MmPt(420), MmPt(594)},
    {wxPAPER_A6, MmPt(105), MmPt(148)},
    {wxPAPER_B4, MmPt(250), MmPt(354)},
    {wxPAPER_B5, MmPt(182), MmPt(257)},
    {wxPAPER_LETTER, 612, 792},
    {wxPAPER_LEGAL, 612, 1008},
    {wxPAPER_EXECUTIVE, 522, 756},
    {wxPAPER_TABLOID, 792, 1224},
    {wxPAPER_LEDGER, 1224, 792},
};
// clang-format on

double UnitFactor(const wxString& unit)
{
    wxString u = unit.Lower();
    if (u == "pt")
        return 1.0;
    if (u == "in")
        return 72.0;
    if (u == "cm")
        return 72.0 / 2.54;
    return 72.0 / 25.4;
}

} // namespace

// ---- State helpers ------------------------------------------------------------------

double PdfDocument::State::PageW() const
{
    if (!recording.empty())
        return templates[recording.back().id - 1]->wPt / k;
    return curWPt / k;
}

double PdfDocument::State::PageH() const
{
    if (!recording.empty())
        return templates[recording.back().id - 1]->hPt / k;
    return curHPt / k;
}

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

namespace {

void ToCodePoints(const wxString& text, std::u32string& out)
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

std::mutex defaultHandlerMutex;
std::function<void(char32_t, const wxString&)> defaultMissingHandler;

// UTF-16BE hex digits with a byte-order mark: an ActualText string.
std::string Utf16HexString(std::u32string_view text)
{
    std::string out = "<FEFF";
    auto unit = [&out](unsigned u) {
        static const char* digits = "0123456789ABCDEF";
        for (int shift = 12; shift >= 0; shift -= 4)
            out += digits[(u >> shift) & 0xF];
    };
    for (const char32_t c : text) {
        if (c >= 0x10000 && c <= 0x10FFFF) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else if (c < 0xD800 || (c > 0xDFFF && c < 0x10000)) {
            unit(c);
        }
    }
    return out + ">";
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
    for (const ShapedGlyph& g : line.glyphs) {
        if (!line.missing)
            break;
        if (!(g.flags & ShapedGlyph::Missing))
            continue;
        const char32_t c = textScratch[g.clusterStart];
        if (!missingReported.insert(c).second)
            continue;
        const wxString message =
            wxString::Format(wxS("PDF: no installed font has the character U+%04X; it is drawn as a missing-glyph box"),
                             static_cast<unsigned>(c));
        std::function<void(char32_t, const wxString&)> handler = missingHandler;
        if (!handler) {
            std::lock_guard lock(defaultHandlerMutex);
            handler = defaultMissingHandler;
        }
        if (handler)
            handler(c, message);
        else
            wxLogDebug(message);
    }
    return line.width * fontSizePt / 1000.0 / k;
}

void PdfDocument::State::SwitchFont(std::string& out, int font)
{
    Res().Add(Res().fonts, fonts[font]->index);
    if (!out.empty() && out.back() != ' ')
        out += ' ';
    out += "/F";
    AppendInt(out, fonts[font]->index);
    out += ' ';
    AppendNumber(out, fontSizePt);
    out += " Tf";
}

int PdfDocument::State::EntryForText(int font, uint32_t glyph, std::u32string_view text)
{
    // Copies of a face, each with its own map; a few are plenty (a glyph that stands
    // for many different texts is left to an ActualText span).
    constexpr int kMaxCopies = 8;
    for (int copy = 0; copy <= kMaxCopies; ++copy) {
        if (fonts[font]->MarkUsed(glyph, text.data(), text.size()))
            return font;
        if (fonts[font]->alternate < 0) {
            auto entry = std::make_unique<FontEntry>();
            entry->font = fonts[font]->font;
            entry->index = static_cast<int>(fonts.size()) + 1;
            fonts[font]->alternate = static_cast<int>(fonts.size());
            fonts.push_back(std::move(entry));
        }
        font = fonts[font]->alternate;
    }
    return -1;
}

template <typename SwitchTo, typename Put>
bool PdfDocument::State::WriteClusterByCharacters(size_t begin, size_t end, std::u32string_view text, int font,
                                                  SwitchTo switchTo, Put put, const std::vector<double>& xs)
{
    const std::vector<ShapedGlyph>& glyphs = line.glyphs;
    const size_t count = end - begin;
    FontEntry& entry = *fonts[font];
    // Each character to the glyph the font maps it to, in the visual order of the
    // glyphs (right-to-left clusters read backwards).
    const bool rtl = (glyphs[begin].flags & ShapedGlyph::RightToLeft) != 0;
    std::vector<std::u32string> texts(count);
    size_t next = 0; // the next glyph (in reading order) a character may take
    for (size_t c = 0; c < text.size(); ++c) {
        const uint32_t nominal = entry.Lookup(text[c]).glyph;
        const size_t k = rtl ? count - 1 - next : next;
        if (next < count && nominal != 0 && glyphs[begin + k].glyph == nominal) {
            texts[k] += text[c];
            ++next;
        } else if (next > 0) {
            texts[rtl ? count - next : next - 1] += text[c]; // with the glyph before it
        } else {
            return false;
        }
    }
    if (next != count)
        return false; // a glyph for no character of its own
    std::vector<int> entries(count);
    for (size_t k = 0; k < count; ++k) {
        entries[k] = EntryForText(font, glyphs[begin + k].glyph, texts[k]);
        if (entries[k] < 0)
            return false;
    }
    // Written in reading order, as extractors read the order of drawing.
    for (size_t r = 0; r < count; ++r) {
        const size_t k = rtl ? count - 1 - r : r;
        switchTo(entries[k]);
        put(glyphs[begin + k], xs[begin + k]);
    }
    return true;
}

void PdfDocument::State::WriteGlyphs(std::string& out, double wsPt)
{
    const std::vector<ShapedGlyph>& glyphs = line.glyphs;
    const size_t n = glyphs.size();
    outlineGlyphs.clear();
    if (n == 0) {
        out += "<> Tj";
        return;
    }
    const double ws = wsPt * 1000.0 / fontSizePt; // thousandths of the em

    // The common case first: one glyph per character in the current font, at the
    // font's own advances, nothing to spread. One hex string, as without shaping.
    bool simple = ws == 0 && line.plain;
    if (simple) {
        FontEntry& entry = *fonts[curFont];
        const size_t mark = out.size();
        out.resize(mark + 4 * n + 5);
        char* p = out.data() + mark;
        *p++ = '<';
        static const char hex[] = "0123456789ABCDEF";
        for (size_t i = 0; i < n && simple; ++i) {
            const uint32_t g = glyphs[i].glyph;
            simple = entry.MarkUsed(g, textScratch[glyphs[i].clusterStart]);
            p[0] = hex[(g >> 12) & 15];
            p[1] = hex[(g >> 8) & 15];
            p[2] = hex[(g >> 4) & 15];
            p[3] = hex[g & 15];
            p += 4;
        }
        if (simple) {
            std::memcpy(p, "> Tj", 4);
            return;
        }
        out.resize(mark); // a glyph standing for another text: the full way
    }

    // Where each glyph goes, from the line's start (thousandths): the shaped
    // advances, the glyph's own offset and the justification after spaces.
    std::vector<double>& xs = xScratch;
    xs.resize(n);
    double pen = 0;
    for (size_t i = 0; i < n; ++i) {
        xs[i] = pen + glyphs[i].xOffset;
        pen += glyphs[i].advance;
        if (ws != 0 && i + 1 < n && (glyphs[i].flags & ShapedGlyph::FirstOfCluster) &&
            textScratch[glyphs[i].clusterStart] == U' ')
            pen += ws;
    }

    // Clusters in the order they are written: visual, except that right-to-left
    // runs are written in logical order (right to left), as text extraction reads
    // glyphs in the order they are drawn.
    struct Unit {
        size_t begin, end;
    };
    std::vector<Unit> units;
    for (size_t i = 0; i < n;) {
        size_t end = i + 1;
        const bool alias = glyphs[i].flags & ShapedGlyph::Alias;
        while (end < n && !alias && glyphs[end].clusterStart == glyphs[i].clusterStart &&
               glyphs[end].font == glyphs[i].font && !(glyphs[end].flags & ShapedGlyph::Alias))
            ++end;
        if (alias)
            while (end < n && (glyphs[end].flags & ShapedGlyph::Alias) && glyphs[end].font == glyphs[i].font)
                ++end;
        units.push_back({i, end});
        i = end;
    }
    for (size_t u = 0; u < units.size();) {
        if (!(glyphs[units[u].begin].flags & ShapedGlyph::RightToLeft)) {
            ++u;
            continue;
        }
        size_t v = u;
        while (v < units.size() && (glyphs[units[v].begin].flags & ShapedGlyph::RightToLeft))
            ++v;
        std::reverse(units.begin() + static_cast<std::ptrdiff_t>(u), units.begin() + static_cast<std::ptrdiff_t>(v));
        u = v;
    }

    int font = glyphs[0].font;
    double penAt = 0; // where the viewer's pen is (thousandths)
    double rise = 0;
    std::string seg;
    bool open = false, inHex = false, numbers = false;
    auto separate = [&out] {
        if (!out.empty() && out.back() != ' ')
            out += ' ';
    };
    auto close = [&] {
        if (!open)
            return;
        if (seg.empty()) {
            open = false;
            return;
        }
        if (inHex)
            seg += '>';
        separate();
        if (numbers) {
            out += '[';
            out += seg;
            out += "] TJ";
        } else {
            out += seg;
            out += " Tj";
        }
        seg.clear();
        open = inHex = numbers = false;
    };
    // Moves the pen to `x` (within the text operation being built).
    auto moveTo = [&](double x) {
        open = true;
        const double move = x - penAt;
        if (std::fabs(move) >= 0.0005) {
            if (inHex) {
                seg += "> ";
                inHex = false;
            } else if (!seg.empty()) {
                seg += ' ';
            }
            AppendNumber(seg, -move, 3);
            numbers = true;
        }
        penAt = x;
    };
    // Writes the glyph at `x`.
    auto put = [&](const ShapedGlyph& g, double x) {
        if (std::fabs(g.yOffset - rise) >= 0.0005) {
            close();
            rise = g.yOffset;
            separate();
            AppendNumber(out, rise * fontSizePt / 1000.0);
            out += " Ts";
        }
        moveTo(x);
        if (!inHex) {
            if (!seg.empty())
                seg += ' ';
            seg += '<';
            inHex = true;
        }
        AppendGlyphHex(seg, g.glyph);
        penAt = x + fonts[g.font]->font->GetGlyphAdvance(g.glyph);
    };

    for (const Unit& unit : units) {
        const ShapedGlyph& first = glyphs[unit.begin];
        if (first.font != font) {
            close();
            SwitchFont(out, font = first.font);
        }
        FontEntry& entry = *fonts[first.font];

        if (first.flags & ShapedGlyph::Alias) {
            // Hex digits of their own, which the page count replaces at close. Where
            // they follow the text before them with no gap, they continue its string:
            // some readers split a word at every text-showing operator ("3/" "7").
            const double move = xs[unit.begin] - penAt;
            close();
            static constexpr std::string_view kShow = "> Tj";
            if (std::fabs(move) < 0.0005 && out.ends_with(kShow)) {
                out.resize(out.size() - kShow.size());
            } else {
                if (std::fabs(move) >= 0.0005) {
                    separate();
                    out += '[';
                    AppendNumber(out, -move, 3);
                    out += "] TJ";
                }
                separate();
                out += '<';
            }
            AliasSpot spot;
            spot.offset = out.size();
            spot.length = (unit.end - unit.begin) * 4;
            spot.font = font;
            ctx.buffer->spots.push_back(spot);
            penAt = xs[unit.begin];
            for (size_t a = unit.begin; a < unit.end; ++a) {
                AppendGlyphHex(out, glyphs[a].glyph);
                entry.MarkUsed(glyphs[a].glyph, textScratch[glyphs[a].clusterStart]);
                penAt += entry.font->GetGlyphAdvance(glyphs[a].glyph);
            }
            out += "> Tj";
            continue;
        }

        const size_t count = unit.end - unit.begin;
        const size_t textEnd = std::min<size_t>(first.clusterEnd, textScratch.size());
        const std::u32string_view text(textScratch.data() + first.clusterStart, textEnd - first.clusterStart);
        if (count == 1) {
            // One glyph for the cluster's characters (one, or a ligature's several).
            // A glyph standing for another text already is written from a copy of
            // the font, whose map can say this text.
            const int carrier = EntryForText(font, first.glyph, text);
            bool actualText = carrier < 0;
            if (!actualText && carrier != font) {
                close();
                SwitchFont(out, font = carrier);
            }
            if (actualText) {
                close();
                separate();
                out += "/Span << /ActualText ";
                out += Utf16HexString(text);
                out += " >> BDC";
            }
            put(first, xs[unit.begin]);
            if (actualText) {
                close();
                out += " EMC";
            }
            continue;
        }

        // Several glyphs. Usually each is the font's own glyph for one of the
        // characters, in their order (a base and its marks): then each glyph stands
        // for its character (and any character the font has no glyph of goes with
        // the glyph before it).
        if (WriteClusterByCharacters(
                unit.begin, unit.end, text, font,
                [&](int f) {
                    if (f != font) {
                        close();
                        SwitchFont(out, font = f);
                    }
                },
                put, xs)) {
            continue;
        }

        // A reordered vowel, a decomposed one, a glyph for several characters among
        // others: no order of glyphs reads back as the characters in every extractor. They
        // are drawn as outlines, and one invisible glyph stretched over the cluster
        // carries its text.
        double left = xs[unit.begin], right = left;
        size_t widest = unit.begin;
        for (size_t k = unit.begin; k < unit.end; ++k) {
            const double advance = entry.font->GetGlyphAdvance(glyphs[k].glyph);
            outlineGlyphs.push_back(
                {font, glyphs[k].glyph, xs[k] * fontSizePt / 1000.0, glyphs[k].yOffset * fontSizePt / 1000.0});
            left = std::min(left, xs[k] - glyphs[k].xOffset);
            right = std::max(right, xs[k] - glyphs[k].xOffset + glyphs[k].advance);
            if (advance > entry.font->GetGlyphAdvance(glyphs[widest].glyph))
                widest = k;
        }
        const ShapedGlyph& carrierGlyph = glyphs[widest];
        const int carrier = EntryForText(font, carrierGlyph.glyph, text);
        const bool actualText = carrier < 0;
        if (!actualText && carrier != font) {
            close();
            SwitchFont(out, font = carrier);
        }
        // The move to the cluster's left edge, at the normal scale.
        moveTo(left);
        close();
        const double plain = entry.font->GetGlyphAdvance(carrierGlyph.glyph);
        const double stretch = plain > 0 ? (right - left) / plain * 100.0 : 100.0;
        separate();
        if (actualText) {
            out += "/Span << /ActualText ";
            out += Utf16HexString(text);
            out += " >> BDC ";
        }
        out += "3 Tr ";
        AppendNumber(out, stretch);
        out += " Tz <";
        AppendGlyphHex(out, carrierGlyph.glyph);
        out += "> Tj 100 Tz ";
        AppendInt(out, textRenderMode);
        out += " Tr";
        if (actualText)
            out += " EMC";
        penAt = plain > 0 ? right : left;
    }
    close();
    if (rise != 0)
        out += " 0 Ts";
}

// ---- Construction -------------------------------------------------------------------

PdfDocument::PdfDocument(int orientation, const wxString& unit, wxPaperSize paperSize) : d(std::make_unique<State>())
{
    d->k = UnitFactor(unit);
    bool found = false;
    for (const auto& p : kPapers) {
        if (p.id == paperSize) {
            d->defWPt = p.wPt;
            d->defHPt = p.hPt;
            found = true;
            break;
        }
    }
    if (!found && paperSize != wxPAPER_NONE && wxThePrintPaperDatabase) {
        wxSize s = wxThePrintPaperDatabase->GetSize(paperSize); // tenths of a millimetre
        if (s.x > 0 && s.y > 0) {
            d->defWPt = MmPt(s.x / 10.0);
            d->defHPt = MmPt(s.y / 10.0);
            found = true;
        }
    }
    if (!found)
        wxLogDebug("PDF: unknown paper size %d, A4 is used", static_cast<int>(paperSize));
    d->defOrientation = orientation == wxPORTRAIT ? wxPORTRAIT : wxLANDSCAPE;
    d->curOrientation = d->defOrientation;
    d->curWPt = d->defOrientation == wxPORTRAIT ? d->defWPt : d->defHPt;
    d->curHPt = d->defOrientation == wxPORTRAIT ? d->defHPt : d->defWPt;

    const double mm = 72.0 / 25.4 / d->k; // one millimetre in user units
    d->lMargin = d->tMargin = d->rMargin = 10 * mm;
    d->cMargin = 1 * mm;
    d->g.lineWidth = 0.2 * mm;
    d->autoPageBreak = true;
    d->bMargin = 20 * mm;
    d->x = d->lMargin;
    d->y = d->tMargin;
}

PdfDocument::~PdfDocument() = default;

void PdfDocument::ChangeUnit(const wxString& unit)
{
    d->k = UnitFactor(unit);
}

// ---- Pages ------------------------------------------------------------------------

bool PdfDocument::AcceptPageBreak()
{
    return d->autoPageBreak;
}

int PdfDocument::PageNo() const
{
    return static_cast<int>(d->pages.size());
}

int PdfDocument::GetPageCount() const
{
    return static_cast<int>(d->pages.size());
}

void PdfDocument::AliasNbPages(const wxString& alias)
{
    d->aliasNbPages = alias;
}

namespace {

void EndPage(DocState& s)
{
    if (!s.pageOpen)
        return;
    if (s.ctx.pathOpen) {
        s.Out() += "n\n";
        s.ctx.pathOpen = false;
    }
    s.CloseAllStates();
    s.FinishBuffer(s.pages.back()->content);
    s.ctx = DrawContext();
    s.pageOpen = false;
}

void BeginPage(DocState& s, int orientation)
{
    int o = orientation < 0 ? s.defOrientation : (orientation == wxPORTRAIT ? wxPORTRAIT : wxLANDSCAPE);
    s.curOrientation = o;
    s.curWPt = o == wxPORTRAIT ? s.defWPt : s.defHPt;
    s.curHPt = o == wxPORTRAIT ? s.defHPt : s.defWPt;
    auto page = std::make_unique<Page>();
    page->wPt = s.curWPt;
    page->hPt = s.curHPt;
    s.pages.push_back(std::move(page));
    s.pageOpen = true;
    s.ctx = DrawContext();
    s.ctx.buffer = &s.pages.back()->content;
    if (s.deflater && s.spareContent.capacity() == 0)
        s.spareContent = s.deflater->TakeSpare();
    s.ctx.buffer->data.swap(s.spareContent);
    s.ctx.buffer->data.reserve(4096);
    s.x = s.lMargin;
    s.y = s.tMargin;
    // Dashes, caps, joins and transparency start afresh on every page.
    s.g.cap = 0;
    s.g.join = 0;
    s.g.dash.clear();
    s.g.phase = 0;
    s.g.gstate = 0;
    s.g.lineAlpha = s.g.fillAlpha = 1;
    s.g.blend = PdfBlendMode::Normal;
    s.ResetStreamToDefaults();
    std::string& out = s.Out();
    // The page's own y-down system in points.
    out += "1 0 0 -1 0 ";
    AppendNumber(out, s.curHPt);
    out += " cm\n";
    s.EmitAll();
}

} // namespace

void PdfDocument::AddPage(int orientation, bool withHeaderFooter)
{
    if (d->closed) {
        wxLogWarning("PDF: AddPage after the document was closed is ignored");
        return;
    }
    if (!d->recording.empty()) {
        wxLogWarning("PDF: AddPage while a template is being recorded is ignored");
        return;
    }
    const wxString family = d->fontFamily;
    const wxString style = d->fontStyle;
    const bool underline = d->underline;
    const int font = d->curFont;
    const double size = d->fontSizePt;
    const double lw = d->g.lineWidth;
    const PdfColour draw = d->g.draw, fill = d->g.fill, text = d->g.text;
    const double ws = d->ws;
    d->ws = 0;

    if (d->pageOpen) {
        if (withHeaderFooter) {
            d->inFooter = true;
            Footer();
            d->inFooter = false;
        }
        EndPage(*d);
    }
    BeginPage(*d, orientation);

    auto restore = [&] {
        d->fontFamily = family;
        d->fontStyle = style;
        d->underline = underline;
        d->curFont = font;
        d->fontSizePt = size;
        if (d->g.lineWidth != lw) {
            d->g.lineWidth = lw;
            d->EmitLineWidth();
        }
        if (d->g.draw != draw) {
            d->g.draw = draw;
            d->EmitDrawColour();
        }
        if (d->g.fill != fill) {
            d->g.fill = fill;
            d->EmitFillColour();
        }
        d->g.text = text;
    };
    restore();
    if (withHeaderFooter) {
        d->inHeader = true;
        Header();
        d->inHeader = false;
        restore();
    }
    d->ws = ws;
}

bool PdfDocument::IsInFooter() const
{
    return d->inFooter;
}

// ---- Margins and geometry --------------------------------------------------------------

void PdfDocument::SetMargins(double left, double top, double right)
{
    d->lMargin = Sane(left, "left margin");
    d->tMargin = Sane(top, "top margin");
    right = Sane(right, "right margin");
    d->rMargin = right < 0 ? d->lMargin : right;
}

void PdfDocument::SetLeftMargin(double margin)
{
    d->lMargin = Sane(margin, "left margin");
    if (d->x < d->lMargin)
        d->x = d->lMargin;
}

void PdfDocument::SetTopMargin(double margin)
{
    d->tMargin = Sane(margin, "top margin");
}
void PdfDocument::SetRightMargin(double margin)
{
    d->rMargin = Sane(margin, "right margin");
}
double PdfDocument::GetLeftMargin() const
{
    return d->lMargin;
}
double PdfDocument::GetTopMargin() const
{
    return d->tMargin;
}
double PdfDocument::GetRightMargin() const
{
    return d->rMargin;
}
double PdfDocument::GetBreakMargin() const
{
    return d->bMargin;
}
void PdfDocument::SetCellMargin(double margin)
{
    d->cMargin = Sane(margin, "cell margin");
}
double PdfDocument::GetCellMargin() const
{
    return d->cMargin;
}

void PdfDocument::SetAutoPageBreak(bool autoPageBreak, double margin)
{
    d->autoPageBreak = autoPageBreak;
    d->bMargin = Sane(margin, "bottom margin");
}

bool PdfDocument::GetAutoPageBreak() const
{
    return d->autoPageBreak;
}
double PdfDocument::GetPageWidth() const
{
    return d->PageW();
}
double PdfDocument::GetPageHeight() const
{
    return d->PageH();
}
double PdfDocument::GetScaleFactor() const
{
    return d->k;
}
void PdfDocument::SetLineHeight(double height)
{
    d->lasth = Sane(height, "line height");
}
double PdfDocument::GetLineHeight() const
{
    return d->lasth;
}

double PdfDocument::GetX() const
{
    return d->x;
}
double PdfDocument::GetY() const
{
    return d->y;
}

void PdfDocument::SetX(double x)
{
    x = Sane(x, "x");
    d->x = x >= 0 ? x : d->PageW() + x;
}

void PdfDocument::SetY(double y)
{
    y = Sane(y, "y");
    d->x = d->lMargin;
    d->y = y >= 0 ? y : d->PageH() + y;
}

void PdfDocument::SetXY(double x, double y)
{
    SetY(y);
    SetX(x);
}

void PdfDocument::Ln(double h)
{
    h = Sane(h, "line feed");
    d->x = d->lMargin;
    d->y += h < 0 ? d->lasth : h;
}

// ---- Metadata ---------------------------------------------------------------------------

void PdfDocument::SetAuthor(const wxString& author)
{
    d->author = author;
}
void PdfDocument::SetTitle(const wxString& title)
{
    d->title = title;
}
void PdfDocument::SetCreator(const wxString& creator)
{
    d->creator = creator;
}
void PdfDocument::SetSubject(const wxString& subject)
{
    d->subject = subject;
}
void PdfDocument::SetKeywords(const wxString& keywords)
{
    d->keywords = keywords;
}
const wxString& PdfDocument::GetAuthor() const
{
    return d->author;
}
const wxString& PdfDocument::GetTitle() const
{
    return d->title;
}
const wxString& PdfDocument::GetCreator() const
{
    return d->creator;
}
void PdfDocument::SetCompression(bool compress)
{
    d->compress = compress;
}
bool PdfDocument::GetCompression() const
{
    return d->compress;
}

// ---- Fonts --------------------------------------------------------------------------------

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
    bool bold = false, italic = false, underline = false, badStyle = false;
    for (wxUniChar c : style) {
        switch (static_cast<wchar_t>(c.GetValue())) {
        case 'b':
        case 'B': bold = true; break;
        case 'i':
        case 'I': italic = true; break;
        case 'u':
        case 'U': underline = true; break;
        case ' ': break;
        default: badStyle = true;
        }
    }
    if (badStyle) {
        wxLogError("PDF: unknown font style '%s'", style);
        return false;
    }
    const wxString st = bold ? (italic ? "BI" : "B") : (italic ? "I" : "");
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

// ---- Text ---------------------------------------------------------------------------------

bool vdpdf::EnsureTarget(PdfDocument& doc, DocState& s)
{
    if (s.closed)
        return false;
    if (!s.HasTarget()) {
        wxLogDebug("PDF: drawing before the first page opens one");
        doc.AddPage();
    }
    return s.HasTarget();
}

namespace {

// A glyph's outline as a filled path in thousandths of the em, y up.
std::string GlyphOutline(const PdfFont& font, uint32_t glyph)
{
    std::string out;
    const auto* face = dynamic_cast<const PdfFontFace*>(&font);
    hb_font_t* hbFont = face ? face->GetHbFont() : nullptr;
    if (!hbFont)
        return out;
    struct Pen {
        std::string path;
        double scale;
        float lastX = 0, lastY = 0;
        void Point(float px, float py)
        {
            AppendNumber(path, px * scale, 2);
            path += ' ';
            AppendNumber(path, py * scale, 2);
        }
        // Ends a segment at (tx, ty) with the path operator `op`.
        void EndAt(float tx, float ty, const char* op)
        {
            Point(tx, ty);
            path += op;
            lastX = tx;
            lastY = ty;
        }
    } pen{std::string(), 1000.0 / face->GetUnitsPerEm()};
    static hb_draw_funcs_t* funcs = [] {
        hb_draw_funcs_t* f = hb_draw_funcs_create();
        hb_draw_funcs_set_move_to_func(
            f,
            [](hb_draw_funcs_t*, void* data, hb_draw_state_t*, float tx, float ty, void*) {
                static_cast<Pen*>(data)->EndAt(tx, ty, " m ");
            },
            nullptr, nullptr);
        hb_draw_funcs_set_line_to_func(
            f,
            [](hb_draw_funcs_t*, void* data, hb_draw_state_t*, float tx, float ty, void*) {
                static_cast<Pen*>(data)->EndAt(tx, ty, " l ");
            },
            nullptr, nullptr);
        hb_draw_funcs_set_quadratic_to_func(
            f,
            [](hb_draw_funcs_t*, void* data, hb_draw_state_t*, float cx, float cy, float tx, float ty, void*) {
                auto* p = static_cast<Pen*>(data);
                // The quadratic as the cubic PDF paths know.
                p->Point(p->lastX + 2.0f / 3 * (cx - p->lastX), p->lastY + 2.0f / 3 * (cy - p->lastY));
                p->path += ' ';
                p->Point(tx + 2.0f / 3 * (cx - tx), ty + 2.0f / 3 * (cy - ty));
                p->path += ' ';
                p->EndAt(tx, ty, " c ");
            },
            nullptr, nullptr);
        hb_draw_funcs_set_cubic_to_func(
            f,
            [](hb_draw_funcs_t*, void* data, hb_draw_state_t*, float c1x, float c1y, float c2x, float c2y, float tx,
               float ty, void*) {
                auto* p = static_cast<Pen*>(data);
                p->Point(c1x, c1y);
                p->path += ' ';
                p->Point(c2x, c2y);
                p->path += ' ';
                p->EndAt(tx, ty, " c ");
            },
            nullptr, nullptr);
        hb_draw_funcs_set_close_path_func(
            f, [](hb_draw_funcs_t*, void* data, hb_draw_state_t*, void*) { static_cast<Pen*>(data)->path += "h "; },
            nullptr, nullptr);
        hb_draw_funcs_make_immutable(f);
        return f;
    }();
    hb_font_get_glyph_shape(hbFont, glyph, funcs, &pen);
    if (!pen.path.empty())
        out = pen.path + "f";
    return out;
}

// Draws the encoded glyphs with the baseline starting at (x, y), user units.
// `width` is the text's width (user units) without justification.
void DrawEncoded(DocState& s, double x, double y, double width, double ws)
{
    std::string& out = s.Out();
    FontEntry* f = s.fonts[s.curFont].get();
    // The first glyph's font (a fallback font when the text starts with one).
    FontEntry* first = s.line.glyphs.empty() ? f : s.fonts[s.line.glyphs.front().font].get();
    s.Res().Add(s.Res().fonts, first->index);
    const bool wrap = !s.ctx.stream.known || s.ctx.stream.fill != s.g.text;
    if (wrap) {
        const PdfColour& c = s.g.text;
        out += "q ";
        if (c.Red() == c.Green() && c.Green() == c.Blue()) {
            AppendNumber(out, c.Red() / 255.0);
            out += " g ";
        } else {
            AppendNumber(out, c.Red() / 255.0);
            out += ' ';
            AppendNumber(out, c.Green() / 255.0);
            out += ' ';
            AppendNumber(out, c.Blue() / 255.0);
            out += " rg ";
        }
    }
    out += "BT /F";
    AppendInt(out, first->index);
    out += ' ';
    AppendNumber(out, s.fontSizePt);
    out += " Tf ";
    if (s.textRenderMode != 0) {
        AppendInt(out, s.textRenderMode);
        out += " Tr ";
    }
    out += "1 0 0 -1 ";
    s.Pt(out, x);
    out += ' ';
    s.Pt(out, y);
    out += " Tm ";
    s.WriteGlyphs(out, ws * s.k);
    if (s.textRenderMode != 0)
        out += " 0 Tr";
    out += " ET";
    for (const auto& o : s.outlineGlyphs) {
        const PdfFont& font = *s.fonts[o.font]->font;
        auto [it, added] = s.glyphFormIds.emplace(std::make_pair(&font, o.glyph), 0);
        if (added) {
            s.glyphForms.push_back(GlyphOutline(font, o.glyph));
            it->second = static_cast<int>(s.glyphForms.size());
        }
        if (s.glyphForms[it->second - 1].empty())
            continue;
        s.Res().Add(s.Res().glyphForms, it->second);
        // The form is in thousandths of the em, y up: scaled to the size and turned
        // into the page's y-down space at the glyph's origin.
        const double scale = s.fontSizePt / 1000.0;
        out += " q ";
        AppendNumber(out, scale, 5);
        out += " 0 0 ";
        AppendNumber(out, -scale, 5);
        out += ' ';
        AppendNumber(out, x * s.k + o.xPt);
        out += ' ';
        AppendNumber(out, y * s.k - o.yPt);
        out += " cm /GL";
        AppendInt(out, it->second);
        out += " Do Q";
    }
    if (s.underline) {
        int spaces = 0;
        if (ws != 0)
            for (size_t i = 0; i + 1 < s.line.glyphs.size(); ++i)
                spaces += s.textScratch[s.line.glyphs[i].clusterStart] == U' ' &&
                          (s.line.glyphs[i].flags & ShapedGlyph::FirstOfCluster);
        const double fs = s.FontSize();
        const double up = f->font->GetUnderlinePosition();
        const double ut = f->font->GetUnderlineThickness();
        out += ' ';
        s.Pt(out, x);
        out += ' ';
        s.Pt(out, y - up / 1000.0 * fs);
        out += ' ';
        s.Pt(out, width + ws * spaces);
        out += ' ';
        s.Pt(out, ut / 1000.0 * fs);
        out += " re f";
    }
    out += wrap ? " Q\n" : "\n";
}

} // namespace

void PdfDocument::Cell(double w, double h, const wxString& text, int border, int ln, int align, bool fill,
                       const PdfLink& link)
{
    w = Sane(w, "cell width");
    h = Sane(h, "cell height");
    if (!EnsureTarget(*this, *d))
        return;
    State& s = *d;
    if (s.y + h > s.PageH() - s.bMargin && !s.inFooter && s.recording.empty() && AcceptPageBreak()) {
        const double x = s.x;
        AddPage(s.curOrientation);
        s.x = x;
    }
    if (w == 0)
        w = s.PageW() - s.rMargin - s.x;
    const double k = s.k;
    std::string& out = s.Out();
    border &= PdfBorder::Frame;
    if (fill || border == PdfBorder::Frame) {
        if (fill)
            s.EmitFillColour();
        if (border == PdfBorder::Frame) {
            s.EmitDrawColour();
            s.EmitLineWidth();
        }
        AppendNumber(out, s.x * k);
        out += ' ';
        AppendNumber(out, s.y * k);
        out += ' ';
        AppendNumber(out, w * k);
        out += ' ';
        AppendNumber(out, h * k);
        out += fill ? (border == PdfBorder::Frame ? " re B\n" : " re f\n") : " re S\n";
    }
    if (border != 0 && border != PdfBorder::Frame) {
        s.EmitDrawColour();
        s.EmitLineWidth();
        const double x1 = s.x * k, y1 = s.y * k, x2 = (s.x + w) * k, y2 = (s.y + h) * k;
        auto seg = [&](double ax, double ay, double bx, double by) {
            AppendNumber(out, ax);
            out += ' ';
            AppendNumber(out, ay);
            out += " m ";
            AppendNumber(out, bx);
            out += ' ';
            AppendNumber(out, by);
            out += " l ";
        };
        if (border & PdfBorder::Left)
            seg(x1, y1, x1, y2);
        if (border & PdfBorder::Top)
            seg(x1, y1, x2, y1);
        if (border & PdfBorder::Right)
            seg(x2, y1, x2, y2);
        if (border & PdfBorder::Bottom)
            seg(x1, y2, x2, y2);
        out += "S\n";
    }
    if (!text.empty() && s.CurrentFont()) {
        const double width = s.Encode(text);
        double dx;
        if (align == PdfAlignRight)
            dx = w - s.cMargin - width;
        else if (align == PdfAlignCenter)
            dx = (w - width) / 2;
        else
            dx = s.cMargin;
        DrawEncoded(s, s.x + dx, s.y + 0.5 * h + 0.3 * s.FontSize(), width, align == PdfAlignJustify ? s.ws : 0);
        if (link.IsValid())
            Link(s.x + dx, s.y + 0.5 * h - 0.5 * s.FontSize(), width, s.FontSize(), link);
    }
    s.lasth = h;
    if (ln > 0) {
        s.y += h;
        if (ln == 1)
            s.x = s.lMargin;
    } else {
        s.x += w;
    }
}

void vdpdf::PrepareLineBreaking()
{
    static std::once_flag ready;
    std::call_once(ready, [] { init_linebreak(); });
}

namespace {

// Where lines may break after each character, by the Unicode line-breaking rules
// (between ideographs, after spaces and hyphens, never before closing punctuation).
void BreakOpportunities(std::u32string_view text, std::vector<char>& breaks)
{
    PrepareLineBreaking();
    breaks.assign(text.size(), LINEBREAK_NOBREAK);
    if (!text.empty())
        set_linebreaks_utf32(reinterpret_cast<const utf32_t*>(text.data()), text.size(), nullptr, breaks.data());
}

bool IsRightToLeftParagraph(std::u32string_view text)
{
    for (const char32_t c : text) {
        const FriBidiCharType type = fribidi_get_bidi_type(c);
        if (FRIBIDI_IS_STRONG(type) && FRIBIDI_IS_LETTER(type))
            return FRIBIDI_IS_RTL(type);
    }
    return false;
}

// One line of broken text: characters [start, end), without the spaces at an automatic break.
struct BrokenLine {
    size_t start = 0, end = 0;
    bool automatic = false; // broken for width (not by "\n" or the end)
};

// Greedy breaking of `text` at its break opportunities. `advances` in user units per
// character (a cluster's on its first character). `width(n)` is the room of line n;
// `moveOn(n)` says whether a word too wide for line n may go to the next line whole
// instead of being cut (a line that does not start at the margin).
template <typename Width, typename MoveOn>
std::vector<BrokenLine> BreakLines(std::u32string_view text, const std::vector<float>& advances,
                                   const std::vector<char>& breaks, Width width, MoveOn moveOn)
{
    std::vector<BrokenLine> lines;
    const size_t n = text.size();
    size_t i = 0, start = 0;
    long opportunity = -1; // last character a break may follow
    double used = 0;
    auto trimmed = [&](size_t end) {
        while (end > start && text[end - 1] == U' ')
            --end;
        return end;
    };
    while (i < n) {
        const char32_t c = text[i];
        if (c == U'\n') {
            lines.push_back({start, i, false});
            start = ++i;
            opportunity = -1;
            used = 0;
            continue;
        }
        used += advances[i];
        // Spaces hang past the edge; anything else that passes it breaks the line.
        if (c != U' ' && used > width(lines.size())) {
            if (opportunity >= 0) {
                lines.push_back({start, trimmed(static_cast<size_t>(opportunity) + 1), true});
                i = static_cast<size_t>(opportunity) + 1;
            } else if (moveOn(lines.size())) {
                lines.push_back({start, start, true});
                i = start;
            } else {
                if (i == start)
                    ++i; // at least one character per line
                lines.push_back({start, i, true});
            }
            start = i;
            opportunity = -1;
            used = 0;
            continue;
        }
        if (breaks[i] == LINEBREAK_ALLOWBREAK)
            opportunity = static_cast<long>(i);
        ++i;
    }
    lines.push_back({start, n, false});
    return lines;
}

// The shaped advance of every character in user units, and where lines may break.
void MeasureForBreaking(DocState& s, const std::u32string& str, std::vector<float>& advances, std::vector<char>& breaks)
{
    if (s.CurrentFont()) {
        s.shaper->CharacterAdvances(s, s.curFont, str, advances);
        const double scale = s.fontSizePt / 1000.0 / s.k;
        for (float& a : advances)
            a = static_cast<float>(a * scale);
    } else {
        advances.assign(str.size(), 0.0f);
    }
    BreakOpportunities(str, breaks);
}

} // namespace

int PdfDocument::MultiCell(double w, double h, const wxString& text, int border, int align, bool fill, int maxline)
{
    w = Sane(w, "cell width");
    h = Sane(h, "cell height");
    if (!EnsureTarget(*this, *d))
        return 0;
    State& s = *d;
    if (w == 0)
        w = s.PageW() - s.rMargin - s.x;
    const double wmax = w - 2 * s.cMargin;
    std::u32string str;
    ToCodePoints(text, str);
    std::erase(str, U'\r');
    if (!str.empty() && str.back() == U'\n')
        str.pop_back();

    std::vector<float> advances;
    std::vector<char> breaks;
    MeasureForBreaking(s, str, advances, breaks);
    std::vector<BrokenLine> lines = BreakLines(
        str, advances, breaks, [wmax](size_t) { return wmax; }, [](size_t) { return false; });

    if (maxline > 0 && lines.size() > static_cast<size_t>(maxline))
        lines.resize(maxline);
    int sides, top, bottom;
    border &= PdfBorder::Frame;
    if (border == PdfBorder::Frame) {
        sides = PdfBorder::Left | PdfBorder::Right;
        top = PdfBorder::Top;
        bottom = PdfBorder::Bottom;
    } else {
        sides = border & (PdfBorder::Left | PdfBorder::Right);
        top = border & PdfBorder::Top;
        bottom = border & PdfBorder::Bottom;
    }
    // A paragraph whose first strong character is right-to-left is set from the
    // right, unless the caller chose an alignment (justify is the default).
    std::vector<uint8_t> rightToLeft(lines.size(), 0);
    if (align == PdfAlignJustify) {
        size_t paragraphStart = 0;
        bool rtl = false;
        for (size_t n = 0; n < lines.size(); ++n) {
            if (n == 0 || lines[n].start > paragraphStart) {
                const size_t from = n == 0 ? 0 : lines[n].start;
                if (n == 0 || (from > 0 && str[from - 1] == U'\n')) {
                    const size_t stop = str.find(U'\n', from);
                    rtl = IsRightToLeftParagraph(std::u32string_view(str).substr(
                        from, stop == std::u32string::npos ? std::u32string::npos : stop - from));
                    paragraphStart = from;
                }
            }
            rightToLeft[n] = rtl;
        }
    }
    for (size_t n = 0; n < lines.size(); ++n) {
        const int b = sides | (n == 0 ? top : 0) | (n + 1 == lines.size() ? bottom : 0);
        const std::u32string_view piece =
            std::u32string_view(str).substr(lines[n].start, lines[n].end - lines[n].start);
        wxString lineText;
        for (const char32_t c : piece)
            lineText += wxUniChar(static_cast<wxUint32>(c));
        int lineAlign = align;
        s.ws = 0;
        if (align == PdfAlignJustify && lines[n].automatic) {
            const long spaces = std::count(piece.begin(), piece.end(), U' ');
            if (spaces > 0)
                s.ws = (wmax - s.TextWidth(lineText)) / static_cast<double>(spaces);
        }
        if (rightToLeft[n] && s.ws == 0)
            lineAlign = PdfAlignRight;
        Cell(w, h, lineText, b, 2, lineAlign, fill);
        s.ws = 0;
    }
    s.x = s.lMargin;
    return static_cast<int>(lines.size());
}

void PdfDocument::Write(double h, const wxString& text, const PdfLink& link)
{
    h = Sane(h, "line height");
    if (!EnsureTarget(*this, *d))
        return;
    State& s = *d;
    const double savedMargin = s.cMargin;
    s.cMargin = 0;
    std::u32string str;
    ToCodePoints(text, str);
    std::erase(str, U'\r');
    std::vector<float> advances;
    std::vector<char> breaks;
    MeasureForBreaking(s, str, advances, breaks);
    // The first line runs from the pen, the others from the left margin.
    const double firstWidth = s.PageW() - s.rMargin - s.x;
    const double fullWidth = s.PageW() - s.rMargin - s.lMargin;
    const bool penInside = s.x > s.lMargin;
    const std::vector<BrokenLine> lines = BreakLines(
        str, advances, breaks, [&](size_t n) { return n == 0 ? firstWidth : fullWidth; },
        [penInside](size_t n) { return n == 0 && penInside; });
    for (size_t n = 0; n < lines.size(); ++n) {
        wxString lineText;
        double width = 0;
        for (size_t i = lines[n].start; i < lines[n].end; ++i) {
            lineText += wxUniChar(static_cast<wxUint32>(str[i]));
            width += advances[i];
        }
        const double room = s.PageW() - s.rMargin - s.x;
        if (n + 1 < lines.size()) {
            if (!lineText.empty())
                Cell(room, h, lineText, 0, 2, PdfAlignLeft, false, link);
            else
                s.y += h;
            s.x = s.lMargin;
        } else if (!lineText.empty()) {
            Cell(width, h, lineText, 0, 0, PdfAlignLeft, false, link);
        }
    }
    s.cMargin = savedMargin;
}

void PdfDocument::Text(double x, double y, const wxString& text)
{
    x = Sane(x, "text x");
    y = Sane(y, "text y");
    if (text.empty() || !EnsureTarget(*this, *d) || !d->CurrentFont())
        return;
    const double width = d->Encode(text);
    DrawEncoded(*d, x, y, width, 0);
}

void PdfDocument::RotatedText(double x, double y, const wxString& text, double angle)
{
    angle = Sane(angle, "text angle");
    if (angle == 0) {
        Text(x, y, text);
        return;
    }
    x = Sane(x, "text x");
    y = Sane(y, "text y");
    if (text.empty() || !EnsureTarget(*this, *d) || !d->CurrentFont())
        return;
    StartTransform();
    Rotate(angle, x, y);
    Text(x, y, text);
    StopTransform();
}

void PdfDocument::SetTextColour(const PdfColour& colour)
{
    d->g.text = colour;
}
void PdfDocument::SetTextColour(unsigned char grey)
{
    d->g.text = PdfColour(grey);
}
void PdfDocument::SetTextColour(unsigned char r, unsigned char g, unsigned char b)
{
    d->g.text = PdfColour(r, g, b);
}
const PdfColour& PdfDocument::GetTextColour() const
{
    return d->g.text;
}

void PdfDocument::SetTextRenderMode(int mode)
{
    if (mode < 0 || mode > 3) {
        wxLogDebug("PDF: text render mode %d is not known; fill is used", mode);
        mode = 0;
    }
    d->textRenderMode = mode;
}

int PdfDocument::GetTextRenderMode() const
{
    return d->textRenderMode;
}
void PdfDocument::SetMessageTranslateMode(bool translate)
{
    d->translateMessages = translate;
}
bool PdfDocument::GetMessageTranslateMode() const
{
    return d->translateMessages;
}

// ---- Outline and links --------------------------------------------------------------------

void PdfDocument::Bookmark(const wxString& text, int level, double y)
{
    y = Sane(y, "bookmark y");
    if (y < 0)
        y = d->y;
    int maxLevel = d->outline.empty() ? 0 : d->outline.back().level + 1;
    level = std::clamp(level, 0, maxLevel);
    OutlineItem item;
    item.text = text;
    item.level = level;
    item.page = std::max(1, PageNo());
    item.yPt = y * d->k;
    d->outline.push_back(item);
}

int PdfDocument::AddLink()
{
    d->links.emplace_back();
    return static_cast<int>(d->links.size());
}

bool PdfDocument::SetLink(int link, double y, int page)
{
    if (link < 1 || link > static_cast<int>(d->links.size())) {
        wxLogDebug("PDF: SetLink for unknown link %d", link);
        return false;
    }
    y = Sane(y, "link y");
    if (y < 0)
        y = d->y;
    if (page < 0)
        page = PageNo();
    if (page < 1 || page > PageNo()) {
        wxLogDebug("PDF: SetLink to page %d that does not exist", page);
        return false;
    }
    d->links[link - 1].page = page;
    d->links[link - 1].yPt = y * d->k;
    return true;
}

void PdfDocument::Link(double x, double y, double w, double h, const PdfLink& link)
{
    if (!link.IsValid())
        return;
    if (!d->recording.empty() || !d->pageOpen) {
        wxLogDebug("PDF: a link outside a page (e.g. in a template) is ignored");
        return;
    }
    const double k = d->k, H = d->curHPt;
    x = Sane(x, "link x");
    y = Sane(y, "link y");
    w = Sane(w, "link width");
    h = Sane(h, "link height");
    Annotation a{x * k, H - (y + h) * k, (x + w) * k, H - y * k, link};
    if (a.x1 > a.x2)
        std::swap(a.x1, a.x2);
    if (a.y1 > a.y2)
        std::swap(a.y1, a.y2);
    d->pages.back()->annots.push_back(a);
}
