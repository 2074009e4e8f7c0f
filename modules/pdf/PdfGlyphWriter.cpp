// PdfDocument: shaped glyphs into text-showing operators. Each glyph is written so
// that text extraction reads back the characters it stands for: through the font's
// own map where it can, a copy of the font where the glyph already stands for another
// text, an ActualText span or outlines with an invisible carrier glyph otherwise.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"
#include "pdf/PdfFontFace.h"

#include <hb.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace vdpdf;

namespace {

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

// The common case: one glyph per character in the current font, at the font's own
// advances, nothing to spread. One hex string, as without shaping. False (nothing
// written) when a glyph stands for another text already.
bool WritePlainGlyphs(DocState& s, std::string& out)
{
    const std::vector<ShapedGlyph>& glyphs = s.line.glyphs;
    const size_t n = glyphs.size();
    FontEntry& entry = *s.fonts[s.curFont];
    const size_t mark = out.size();
    out.resize(mark + 4 * n + 5);
    char* p = out.data() + mark;
    *p++ = '<';
    static const char hex[] = "0123456789ABCDEF";
    bool simple = true;
    for (size_t i = 0; i < n && simple; ++i) {
        const uint32_t g = glyphs[i].glyph;
        simple = entry.MarkUsed(g, s.textScratch[glyphs[i].clusterStart]);
        p[0] = hex[(g >> 12) & 15];
        p[1] = hex[(g >> 8) & 15];
        p[2] = hex[(g >> 4) & 15];
        p[3] = hex[g & 15];
        p += 4;
    }
    if (simple) {
        std::memcpy(p, "> Tj", 4);
        return true;
    }
    out.resize(mark);
    return false;
}

// Where each glyph goes, from the line's start (thousandths of the em): the shaped
// advances, the glyph's own offset and the justification `ws` after spaces.
void GlyphPositions(const DocState& s, double ws, std::vector<double>& xs)
{
    const std::vector<ShapedGlyph>& glyphs = s.line.glyphs;
    const size_t n = glyphs.size();
    xs.resize(n);
    double pen = 0;
    for (size_t i = 0; i < n; ++i) {
        xs[i] = pen + glyphs[i].xOffset;
        pen += glyphs[i].advance;
        if (ws != 0 && i + 1 < n && (glyphs[i].flags & ShapedGlyph::FirstOfCluster) &&
            s.textScratch[glyphs[i].clusterStart] == U' ')
            pen += ws;
    }
}

// The glyphs of one cluster in one font, or a run of page-count alias glyphs.
struct Unit {
    size_t begin, end;
};

// Clusters in the order they are written: visual, except that right-to-left runs are
// written in logical order (right to left), as text extraction reads glyphs in the
// order they are drawn.
std::vector<Unit> WritingOrder(const std::vector<ShapedGlyph>& glyphs)
{
    const size_t n = glyphs.size();
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
    return units;
}

// Builds the text-showing operators of a shaped line unit by unit: glyphs gathered
// into hex strings, with TJ arrays where the pen must move between them, font
// switches and rises in between.
class TextOperators
{
public:
    TextOperators(DocState& s, std::string& out, const std::vector<double>& xs)
        : s(s), out(out), xs(xs), glyphs(s.line.glyphs), font(glyphs.front().font)
    {}
    void WriteUnit(const Unit& unit);
    void Finish();

private:
    void Separate();
    void Close();
    void MoveTo(double x);
    void Put(const ShapedGlyph& g, double x);
    void SwitchTo(int entry);
    void OpenActualText(std::u32string_view text, const char* after);
    void WriteAlias(const Unit& unit);
    void WriteSingle(const Unit& unit, std::u32string_view text);
    bool WriteByCharacters(const Unit& unit, std::u32string_view text);
    void WriteOutlined(const Unit& unit, std::u32string_view text);

    DocState& s;
    std::string& out;
    const std::vector<double>& xs;
    const std::vector<ShapedGlyph>& glyphs;
    int font;         // the font entry in effect
    double penAt = 0; // where the viewer's pen is (thousandths)
    double rise = 0;
    std::string seg; // the text operation being built
    bool open = false, inHex = false, numbers = false;
};

void TextOperators::Separate()
{
    if (!out.empty() && out.back() != ' ')
        out += ' ';
}

// Ends the text operation being built: a Tj of one string, or a TJ with moves.
void TextOperators::Close()
{
    if (!open)
        return;
    if (seg.empty()) {
        open = false;
        return;
    }
    if (inHex)
        seg += '>';
    Separate();
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
}

// Moves the pen to `x` (within the text operation being built).
void TextOperators::MoveTo(double x)
{
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
}

// Writes the glyph at `x`.
void TextOperators::Put(const ShapedGlyph& g, double x)
{
    if (std::fabs(g.yOffset - rise) >= 0.0005) {
        Close();
        rise = g.yOffset;
        Separate();
        AppendNumber(out, rise * s.fontSizePt / 1000.0);
        out += " Ts";
    }
    MoveTo(x);
    if (!inHex) {
        if (!seg.empty())
            seg += ' ';
        seg += '<';
        inHex = true;
    }
    AppendGlyphHex(seg, g.glyph);
    penAt = x + s.fonts[g.font]->font->GetGlyphAdvance(g.glyph);
}

void TextOperators::SwitchTo(int entry)
{
    if (entry == font)
        return;
    Close();
    s.SwitchFont(out, font = entry);
}

void TextOperators::OpenActualText(std::u32string_view text, const char* after)
{
    out += "/Span << /ActualText ";
    out += Utf16HexString(text);
    out += after;
}

void TextOperators::WriteUnit(const Unit& unit)
{
    const ShapedGlyph& first = glyphs[unit.begin];
    SwitchTo(first.font);
    if (first.flags & ShapedGlyph::Alias) {
        WriteAlias(unit);
        return;
    }
    const size_t textEnd = std::min<size_t>(first.clusterEnd, s.textScratch.size());
    const std::u32string_view text(s.textScratch.data() + first.clusterStart, textEnd - first.clusterStart);
    if (unit.end - unit.begin == 1)
        WriteSingle(unit, text);
    else if (!WriteByCharacters(unit, text))
        WriteOutlined(unit, text);
}

void TextOperators::Finish()
{
    Close();
    if (rise != 0)
        out += " 0 Ts";
}

// Hex digits of their own, which the page count replaces at close. Where they follow
// the text before them with no gap, they continue its string: some readers split a
// word at every text-showing operator ("3/" "7").
void TextOperators::WriteAlias(const Unit& unit)
{
    FontEntry& entry = *s.fonts[font];
    const double move = xs[unit.begin] - penAt;
    Close();
    static constexpr std::string_view kShow = "> Tj";
    if (std::fabs(move) < 0.0005 && out.ends_with(kShow)) {
        out.resize(out.size() - kShow.size());
    } else {
        if (std::fabs(move) >= 0.0005) {
            Separate();
            out += '[';
            AppendNumber(out, -move, 3);
            out += "] TJ";
        }
        Separate();
        out += '<';
    }
    AliasSpot spot;
    spot.offset = out.size();
    spot.length = (unit.end - unit.begin) * 4;
    spot.font = font;
    s.ctx.buffer->spots.push_back(spot);
    penAt = xs[unit.begin];
    for (size_t a = unit.begin; a < unit.end; ++a) {
        AppendGlyphHex(out, glyphs[a].glyph);
        entry.MarkUsed(glyphs[a].glyph, s.textScratch[glyphs[a].clusterStart]);
        penAt += entry.font->GetGlyphAdvance(glyphs[a].glyph);
    }
    out += "> Tj";
}

// One glyph for the cluster's characters (one, or a ligature's several). A glyph
// standing for another text already is written from a copy of the font, whose map
// can say this text.
void TextOperators::WriteSingle(const Unit& unit, std::u32string_view text)
{
    const int carrier = s.EntryForText(font, glyphs[unit.begin].glyph, text);
    const bool actualText = carrier < 0;
    if (!actualText)
        SwitchTo(carrier);
    if (actualText) {
        Close();
        Separate();
        OpenActualText(text, " >> BDC");
    }
    Put(glyphs[unit.begin], xs[unit.begin]);
    if (actualText) {
        Close();
        out += " EMC";
    }
}

// Several glyphs. Usually each is the font's own glyph for one of the characters, in
// their order (a base and its marks): then each glyph stands for its character (and
// any character the font has no glyph of goes with the glyph before it). False
// (nothing written) when the glyphs do not map to the characters so.
bool TextOperators::WriteByCharacters(const Unit& unit, std::u32string_view text)
{
    const size_t count = unit.end - unit.begin;
    FontEntry& entry = *s.fonts[font];
    // Each character to the glyph the font maps it to, in the visual order of the
    // glyphs (right-to-left clusters read backwards).
    const bool rtl = (glyphs[unit.begin].flags & ShapedGlyph::RightToLeft) != 0;
    std::vector<std::u32string> texts(count);
    size_t next = 0; // the next glyph (in reading order) a character may take
    for (size_t c = 0; c < text.size(); ++c) {
        const uint32_t nominal = entry.Lookup(text[c]).glyph;
        const size_t k = rtl ? count - 1 - next : next;
        if (next < count && nominal != 0 && glyphs[unit.begin + k].glyph == nominal) {
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
        entries[k] = s.EntryForText(font, glyphs[unit.begin + k].glyph, texts[k]);
        if (entries[k] < 0)
            return false;
    }
    // Written in reading order, as extractors read the order of drawing.
    for (size_t r = 0; r < count; ++r) {
        const size_t k = rtl ? count - 1 - r : r;
        SwitchTo(entries[k]);
        Put(glyphs[unit.begin + k], xs[unit.begin + k]);
    }
    return true;
}

// A reordered vowel, a decomposed one, a glyph for several characters among others: no
// order of glyphs reads back as the characters in every extractor. They are drawn as
// outlines, and one invisible glyph stretched over the cluster carries its text.
void TextOperators::WriteOutlined(const Unit& unit, std::u32string_view text)
{
    const PdfFont& face = *s.fonts[font]->font;
    double left = xs[unit.begin], right = left;
    size_t widest = unit.begin;
    for (size_t k = unit.begin; k < unit.end; ++k) {
        const double advance = face.GetGlyphAdvance(glyphs[k].glyph);
        s.outlineGlyphs.push_back(
            {font, glyphs[k].glyph, xs[k] * s.fontSizePt / 1000.0, glyphs[k].yOffset * s.fontSizePt / 1000.0});
        left = std::min(left, xs[k] - glyphs[k].xOffset);
        right = std::max(right, xs[k] - glyphs[k].xOffset + glyphs[k].advance);
        if (advance > face.GetGlyphAdvance(glyphs[widest].glyph))
            widest = k;
    }
    const ShapedGlyph& carrierGlyph = glyphs[widest];
    const int carrier = s.EntryForText(font, carrierGlyph.glyph, text);
    const bool actualText = carrier < 0;
    if (!actualText)
        SwitchTo(carrier);
    // The move to the cluster's left edge, at the normal scale.
    MoveTo(left);
    Close();
    const double plain = face.GetGlyphAdvance(carrierGlyph.glyph);
    const double stretch = plain > 0 ? (right - left) / plain * 100.0 : 100.0;
    Separate();
    if (actualText)
        OpenActualText(text, " >> BDC ");
    out += "3 Tr ";
    AppendNumber(out, stretch);
    out += " Tz <";
    AppendGlyphHex(out, carrierGlyph.glyph);
    out += "> Tj 100 Tz ";
    AppendInt(out, s.textRenderMode);
    out += " Tr";
    if (actualText)
        out += " EMC";
    penAt = plain > 0 ? right : left;
}

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

} // namespace

void PdfDocument::State::SwitchFont(std::string& out, int font)
{
    Res().Add(Resources::Font, fonts[font]->index);
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

void PdfDocument::State::WriteGlyphs(std::string& out, double wsPt)
{
    outlineGlyphs.clear();
    if (line.glyphs.empty()) {
        out += "<> Tj";
        return;
    }
    const double ws = wsPt * 1000.0 / fontSizePt; // thousandths of the em
    if (ws == 0 && line.plain && WritePlainGlyphs(*this, out))
        return;
    GlyphPositions(*this, ws, xScratch);
    TextOperators operators(*this, out, xScratch);
    for (const Unit& unit : WritingOrder(line.glyphs))
        operators.WriteUnit(unit);
    operators.Finish();
}

void PdfDocument::State::DrawOutlineGlyphs(std::string& out, double x, double y)
{
    for (const auto& o : outlineGlyphs) {
        const PdfFont& font = *fonts[o.font]->font;
        auto [it, added] = glyphFormIds.emplace(std::make_pair(&font, o.glyph), 0);
        if (added) {
            glyphForms.push_back(GlyphOutline(font, o.glyph));
            it->second = static_cast<int>(glyphForms.size());
        }
        if (glyphForms[it->second - 1].empty())
            continue;
        Res().Add(Resources::GlyphForm, it->second);
        // The form is in thousandths of the em, y up: scaled to the size and turned
        // into the page's y-down space at the glyph's origin.
        const double scale = fontSizePt / 1000.0;
        out += " q ";
        AppendNumber(out, scale, 5);
        out += " 0 0 ";
        AppendNumber(out, -scale, 5);
        out += ' ';
        AppendNumbers(out, {x * k + o.xPt, y * k - o.yPt});
        out += " cm /GL";
        AppendInt(out, it->second);
        out += " Do Q";
    }
}
