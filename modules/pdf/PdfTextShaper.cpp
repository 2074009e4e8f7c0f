// Shaping for the whole layer: a font for every character (fallback through
// fontconfig), the bidirectional order (fribidi), HarfBuzz runs, and the cache of
// shaped pieces that keeps repeated texts cheap.
#include "pdf/PdfDocumentImpl.h"
#include "pdf/PdfFontFace.h"

#include <fribidi.h>
#include <hb.h>

#include <algorithm>
#include <numeric>

using namespace vdpdf;

namespace {

// Shaped pieces kept per document before the cache starts afresh: enough for the
// words a report repeats, small beside a long report's pages (each page number is a
// new piece), bounded for documents of ever new texts.
constexpr size_t kMaxPieces = size_t{1} << 11;

bool IsMark(char32_t c)
{
    if (c < 0x300)
        return false;
    switch (hb_unicode_general_category(hb_unicode_funcs_get_default(), c)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK: return true;
    default: return false;
    }
}

bool IsBidiControl(char32_t c)
{
    return c == 0x200E || c == 0x200F || c == 0x061C || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// Joiners and selectors: set in the font of the character they modify.
bool FollowsNeighbour(char32_t c)
{
    return c == 0x200C || c == 0x200D || c == 0x034F || (c >= 0xFE00 && c <= 0xFE0F) ||
           (c >= 0xE0100 && c <= 0xE01EF) || IsBidiControl(c);
}

// Characters that may start a right-to-left run or change the embedding: only text
// with one of them goes through the bidirectional algorithm.
bool MayBeRightToLeft(char32_t c)
{
    return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) ||
           (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF) || IsBidiControl(c);
}

uint32_t ScriptOf(char32_t c)
{
    if (c < 0x80) {
        const char32_t lower = c | 0x20;
        return lower >= 'a' && lower <= 'z' ? HB_SCRIPT_LATIN : HB_SCRIPT_COMMON;
    }
    return hb_unicode_script(hb_unicode_funcs_get_default(), c);
}

bool IsNeutralScript(uint32_t script)
{
    return script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED || script == HB_SCRIPT_UNKNOWN;
}

bool Covers(FontEntry& entry, char32_t c)
{
    return entry.Lookup(c).glyph != 0;
}

} // namespace

TextShaper::TextShaper() : buffer(hb_buffer_create()) {}

TextShaper::~TextShaper()
{
    hb_buffer_destroy(static_cast<hb_buffer_t*>(buffer));
}

void TextShaper::SetKerning(bool on)
{
    kerning = on;
}

int TextShaper::FontFor(DocState& s, int baseFont, int previous, char32_t c)
{
    // Controls have no glyph anywhere; they stay in the run they are in.
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return previous >= 0 ? previous : baseFont;
    if (previous >= 0 && (FollowsNeighbour(c) || IsMark(c)) && (Covers(*s.fonts[previous], c) || FollowsNeighbour(c)))
        return previous;
    // Spaces and punctuation between fallback characters stay in the fallback run.
    if (previous >= 0 && previous != baseFont && IsNeutralScript(ScriptOf(c)) && Covers(*s.fonts[previous], c))
        return previous;
    if (Covers(*s.fonts[baseFont], c))
        return baseFont;
    if (previous >= 0 && previous != baseFont && Covers(*s.fonts[previous], c))
        return previous;
    const PdfFont& base = *s.fonts[baseFont]->font;
    const uint64_t key = uint64_t{ScriptOf(c)} << 2 | (base.IsBold() ? 1 : 0) | (base.IsItalic() ? 2 : 0);
    const auto known = fallbackByScript.find(key);
    if (known != fallbackByScript.end() && Covers(*s.fonts[known->second], c))
        return known->second;
    const auto font = PdfFontManager::GetFontManager()->FindFallbackFont(c, base.IsBold(), base.IsItalic());
    if (!font)
        return baseFont; // drawn as the missing glyph
    const int entry = s.FontEntryFor(font);
    fallbackByScript[key] = entry;
    return entry;
}

bool TextShaper::Itemize(DocState& s, int baseFont, std::u32string_view text,
                         const std::vector<std::pair<size_t, size_t>>& aliases)
{
    const size_t n = text.size();
    fontOf.resize(n);
    scriptOf.resize(n);
    runs.clear();
    bool bidi = false;
    int previous = -1;
    size_t nextAlias = 0;
    for (size_t i = 0; i < n; ++i) {
        const char32_t c = text[i];
        bidi = bidi || MayBeRightToLeft(c);
        scriptOf[i] = ScriptOf(c);
        while (nextAlias < aliases.size() && aliases[nextAlias].first + aliases[nextAlias].second <= i)
            ++nextAlias;
        if (nextAlias < aliases.size() && i >= aliases[nextAlias].first) {
            fontOf[i] = baseFont;
            previous = baseFont;
            continue;
        }
        fontOf[i] = FontFor(s, baseFont, previous, c);
        previous = fontOf[i];
    }

    // Neutral characters (spaces, digits, punctuation, marks) belong to the script
    // before them; leading ones to the first real script.
    uint32_t current = HB_SCRIPT_LATIN;
    for (size_t i = 0; i < n; ++i)
        if (!IsNeutralScript(scriptOf[i])) {
            current = scriptOf[i];
            break;
        }
    for (size_t i = 0; i < n; ++i) {
        if (IsNeutralScript(scriptOf[i]))
            scriptOf[i] = current;
        else
            current = scriptOf[i];
    }

    bool rightToLeft = false;
    levels.assign(n, 0);
    if (bidi) {
        bidiTypes.resize(n);
        bracketTypes.resize(n);
        const auto* str = reinterpret_cast<const FriBidiChar*>(text.data());
        fribidi_get_bidi_types(str, static_cast<FriBidiStrIndex>(n), bidiTypes.data());
        fribidi_get_bracket_types(str, static_cast<FriBidiStrIndex>(n), bidiTypes.data(), bracketTypes.data());
        FriBidiParType direction = FRIBIDI_PAR_ON;
        std::vector<FriBidiLevel> resolved(n, 0);
        if (fribidi_get_par_embedding_levels_ex(bidiTypes.data(), bracketTypes.data(), static_cast<FriBidiStrIndex>(n),
                                                &direction, resolved.data()) != 0) {
            for (size_t i = 0; i < n; ++i)
                levels[i] = static_cast<uint8_t>(std::max<FriBidiLevel>(resolved[i], 0));
            rightToLeft = FRIBIDI_IS_RTL(direction);
        }
    }

    nextAlias = 0;
    for (size_t i = 0; i < n;) {
        while (nextAlias < aliases.size() && aliases[nextAlias].first + aliases[nextAlias].second <= i)
            ++nextAlias;
        const bool alias = nextAlias < aliases.size() && i >= aliases[nextAlias].first;
        size_t end = alias ? aliases[nextAlias].first + aliases[nextAlias].second : i + 1;
        if (!alias) {
            const size_t limit = nextAlias < aliases.size() ? aliases[nextAlias].first : n;
            while (end < limit && fontOf[end] == fontOf[i] && scriptOf[end] == scriptOf[i] && levels[end] == levels[i])
                ++end;
        }
        end = std::min(end, n);
        runs.push_back({i, end, fontOf[i], scriptOf[i], levels[i], alias});
        i = end;
    }
    return rightToLeft;
}

const TextShaper::Piece& TextShaper::ShapePiece(DocState& s, int font, uint32_t script, bool rtl,
                                                std::u32string_view text, bool dropLast)
{
    key.clear();
    key.push_back(static_cast<char32_t>(font + 1));
    key.push_back(static_cast<char32_t>((rtl ? 1 : 0) | (kerning ? 2 : 0) | (dropLast ? 4 : 0)));
    key.push_back(static_cast<char32_t>(script));
    key.append(text);
    if (const auto it = pieces.find(key); it != pieces.end())
        return it->second;
    if (pieces.size() >= kMaxPieces)
        pieces.clear();
    Piece& piece = pieces[key];

    FontEntry& entry = *s.fonts[font];
    const auto* face = dynamic_cast<const PdfFontFace*>(entry.font.get());
    hb_font_t* hbFont = face ? face->GetHbFont() : nullptr;
    if (!hbFont) {
        PlainPiece(entry, font, text, dropLast, piece);
        return piece;
    }
    RunHarfBuzz(hbFont, script, rtl, text);
    ReadShapedGlyphs(*face, font, rtl, text, piece);
    FinishPiece(*face, text, dropLast, piece);
    return piece;
}

// No HarfBuzz face: plain advances, one glyph per character.
void TextShaper::PlainPiece(FontEntry& entry, int font, std::u32string_view text, bool dropLast, Piece& piece)
{
    const size_t count = text.size() - (dropLast ? 1 : 0);
    for (uint32_t i = 0; i < count; ++i) {
        const GlyphInfo& gi = entry.Lookup(text[i]);
        ShapedGlyph g;
        g.font = font;
        g.glyph = gi.glyph;
        g.advance = gi.advance;
        g.clusterStart = i;
        g.clusterEnd = i + 1;
        g.flags = ShapedGlyph::FirstOfCluster |
                  (gi.glyph == 0 && text[i] >= 0x20 ? ShapedGlyph::Missing : ShapedGlyph::Plain);
        piece.width += g.advance;
        piece.glyphs.push_back(g);
    }
}

void TextShaper::RunHarfBuzz(hb_font_t* hbFont, uint32_t script, bool rtl, std::u32string_view text)
{
    auto* buf = static_cast<hb_buffer_t*>(buffer);
    hb_buffer_clear_contents(buf);
    hb_buffer_add_utf32(buf, reinterpret_cast<const uint32_t*>(text.data()), static_cast<int>(text.size()), 0,
                        static_cast<int>(text.size()));
    hb_buffer_set_direction(buf, rtl ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_set_script(buf, static_cast<hb_script_t>(script));
    hb_buffer_guess_segment_properties(buf);
    hb_buffer_set_flags(buf, HB_BUFFER_FLAG_REMOVE_DEFAULT_IGNORABLES);
    static const hb_feature_t noKerning{HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END};
    hb_shape(hbFont, buf, kerning ? nullptr : &noKerning, kerning ? 0 : 1);
}

// The glyphs HarfBuzz left in the buffer, in thousandths of the em, each with the
// characters of its cluster.
void TextShaper::ReadShapedGlyphs(const PdfFontFace& face, int font, bool rtl, std::u32string_view text, Piece& piece)
{
    auto* buf = static_cast<hb_buffer_t*>(buffer);
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buf, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buf, &count);
    starts.clear();
    for (unsigned k = 0; k < count; ++k)
        starts.push_back(infos[k].cluster);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    const double scale = 1000.0 / face.GetUnitsPerEm();
    piece.glyphs.resize(count);
    for (unsigned k = 0; k < count; ++k) {
        ShapedGlyph& g = piece.glyphs[k];
        const uint32_t cluster = infos[k].cluster;
        g.font = font;
        g.glyph = infos[k].codepoint;
        // The plain advance exactly as the font's widths say it (what a viewer moves
        // by), plus whatever shaping changed; positions need no adjustment then.
        const int32_t raw = face.GetRawAdvance(g.glyph);
        const double nominal = face.GetGlyphAdvance(g.glyph);
        g.advance = static_cast<float>(
            positions[k].x_advance == raw ? nominal : nominal + (positions[k].x_advance - raw) * scale);
        g.xOffset = static_cast<float>(positions[k].x_offset * scale);
        g.yOffset = static_cast<float>(positions[k].y_offset * scale);
        g.clusterStart = cluster;
        const auto next = std::upper_bound(starts.begin(), starts.end(), cluster);
        g.clusterEnd = next == starts.end() ? static_cast<uint32_t>(text.size()) : *next;
        // Right-to-left output runs backwards: a cluster's first glyph in logical
        // order is its last one here.
        const bool first =
            rtl ? (k + 1 == count || infos[k + 1].cluster != cluster) : (k == 0 || infos[k - 1].cluster != cluster);
        g.flags = first ? ShapedGlyph::FirstOfCluster : 0;
        if (g.glyph == 0 && cluster < text.size() && text[cluster] >= 0x20)
            g.flags |= ShapedGlyph::Missing;
    }
}

// The piece's width, and which of its glyphs are plain.
void TextShaper::FinishPiece(const PdfFontFace& face, std::u32string_view text, bool dropLast, Piece& piece)
{
    if (dropLast) {
        // The character shaped only for its effect on the one before it.
        const auto last = static_cast<uint32_t>(text.size() - 1);
        std::erase_if(piece.glyphs, [last](const ShapedGlyph& g) { return g.clusterStart >= last; });
    }
    for (ShapedGlyph& g : piece.glyphs) {
        piece.width += g.advance;
        if (g.clusterEnd == g.clusterStart + 1 && (g.flags & ShapedGlyph::FirstOfCluster) && g.xOffset == 0 &&
            g.yOffset == 0 && g.advance == static_cast<float>(face.GetGlyphAdvance(g.glyph)) &&
            !(g.flags & ShapedGlyph::Missing))
            g.flags |= ShapedGlyph::Plain;
    }
    // A glyph sharing its cluster with another is not plain.
    for (size_t k = 1; k < piece.glyphs.size(); ++k)
        if (piece.glyphs[k].clusterStart == piece.glyphs[k - 1].clusterStart) {
            piece.glyphs[k].flags &= static_cast<uint8_t>(~ShapedGlyph::Plain);
            piece.glyphs[k - 1].flags &= static_cast<uint8_t>(~ShapedGlyph::Plain);
        }
}

double TextShaper::Shape(DocState& s, int baseFont, std::u32string_view text,
                         const std::vector<std::pair<size_t, size_t>>& aliases, ShapedLine* out)
{
    if (out) {
        out->glyphs.clear();
        out->width = 0;
        out->rightToLeft = false;
        out->plain = false;
        out->missing = false;
    }
    if (text.empty())
        return 0;
    // Most text is plain Latin the font has: one run, no analysis needed.
    bool plain = aliases.empty();
    FontEntry& base = *s.fonts[baseFont];
    for (size_t i = 0; i < text.size() && plain; ++i) {
        const char32_t c = text[i];
        plain = c >= 0x20 && c < 0x250 && (c < 0x7F || c >= 0xA0) && base.Lookup(c).glyph != 0;
    }
    if (plain)
        return ShapePlain(s, baseFont, text, out);
    const bool rightToLeft = Itemize(s, baseFont, text, aliases);
    OrderRuns();
    LineTotals line;
    for (const size_t r : order) {
        if (runs[r].alias)
            AddAliasRun(s, runs[r], text, line, out);
        else
            AddShapedRun(s, baseFont, runs[r], text, line, out);
    }
    if (out) {
        out->width = line.width;
        out->rightToLeft = rightToLeft;
        out->plain = line.plain;
        out->missing = line.missing;
    }
    return line.width;
}

// Visual order of the runs: from the highest level down to the lowest odd one, every
// sequence of runs at that level or above is reversed.
void TextShaper::OrderRuns()
{
    order.resize(runs.size());
    std::iota(order.begin(), order.end(), size_t{0});
    int highest = 0, lowestOdd = 255;
    for (const Run& run : runs) {
        highest = std::max(highest, run.level);
        if (run.level % 2 == 1)
            lowestOdd = std::min(lowestOdd, run.level);
    }
    for (int level = highest; level >= lowestOdd && level > 0; --level) {
        for (size_t i = 0; i < order.size();) {
            if (runs[order[i]].level < level) {
                ++i;
                continue;
            }
            size_t j = i;
            while (j < order.size() && runs[order[j]].level >= level)
                ++j;
            std::reverse(order.begin() + static_cast<std::ptrdiff_t>(i),
                         order.begin() + static_cast<std::ptrdiff_t>(j));
            i = j;
        }
    }
}

// Drawn glyph by glyph: the digits of the page count replace them later.
void TextShaper::AddAliasRun(DocState& s, const Run& run, std::u32string_view text, LineTotals& line, ShapedLine* out)
{
    FontEntry& entry = *s.fonts[run.font];
    for (size_t i = run.start; i < run.end; ++i) {
        const GlyphInfo& gi = entry.Lookup(text[i]);
        line.width += gi.advance;
        if (out) {
            ShapedGlyph g;
            g.font = run.font;
            g.glyph = gi.glyph;
            g.advance = gi.advance;
            g.clusterStart = static_cast<uint32_t>(i);
            g.clusterEnd = static_cast<uint32_t>(i + 1);
            g.flags = ShapedGlyph::FirstOfCluster | ShapedGlyph::Alias;
            out->glyphs.push_back(g);
            line.plain = false;
        }
    }
}

// Words (with the spaces after them) shaped on their own when the font's space takes
// no part in substitutions: words repeat far more often than whole texts. Where the
// space is kerned, the next word's first character is shaped along (and dropped), so
// the space's advance is the kerned one. Leaves the pieces in `bounds`; true when
// each is shaped with the next character.
bool TextShaper::SplitIntoPieces(DocState& s, const Run& run, std::u32string_view text)
{
    bounds.clear();
    FontEntry& entry = *s.fonts[run.font];
    if (entry.wordSplitting < 0) {
        const auto* face = dynamic_cast<const PdfFontFace*>(entry.font.get());
        entry.wordSplitting = !face || face->SpaceInSubstitution() ? 0 : face->SpaceInPositioning() ? 2 : 1;
    }
    bool split = false;
    for (size_t i = run.start; i + 1 < run.end && !split; ++i)
        split = text[i] == U' ';
    split = split && entry.wordSplitting > 0;
    size_t pieceStart = run.start;
    if (split) {
        for (size_t i = run.start; i + 1 < run.end; ++i)
            if (text[i] == U' ' && text[i + 1] != U' ' && !IsMark(text[i + 1])) {
                bounds.emplace_back(pieceStart, i + 1);
                pieceStart = i + 1;
            }
    }
    bounds.emplace_back(pieceStart, run.end);
    return split && entry.wordSplitting == 2;
}

void TextShaper::AddShapedRun(DocState& s, int baseFont, const Run& run, std::u32string_view text, LineTotals& line,
                              ShapedLine* out)
{
    const bool lookahead = SplitIntoPieces(s, run, text);
    const bool rtl = run.level % 2 == 1;
    if (rtl)
        std::reverse(bounds.begin(), bounds.end());
    for (const auto& [start, end] : bounds) {
        const bool withNext = lookahead && end < run.end;
        const Piece& piece =
            ShapePiece(s, run.font, run.script, rtl, text.substr(start, end - start + (withNext ? 1 : 0)), withNext);
        line.width += piece.width;
        if (!out)
            continue;
        const auto offset = static_cast<uint32_t>(start);
        const size_t first = out->glyphs.size();
        out->glyphs.insert(out->glyphs.end(), piece.glyphs.begin(), piece.glyphs.end());
        for (size_t k = first; k < out->glyphs.size(); ++k) {
            ShapedGlyph& g = out->glyphs[k];
            if (rtl)
                g.flags |= ShapedGlyph::RightToLeft;
            g.clusterStart += offset;
            g.clusterEnd += offset;
            line.plain = line.plain && (g.flags & ShapedGlyph::Plain) && g.font == baseFont && !rtl;
            line.missing = line.missing || (g.flags & ShapedGlyph::Missing);
        }
    }
}

double TextShaper::ShapePlain(DocState& s, int baseFont, std::u32string_view text, ShapedLine* out)
{
    // One left-to-right Latin run in the base font: its words, as in Shape, without
    // the analysis of runs and levels.
    FontEntry& entry = *s.fonts[baseFont];
    if (entry.wordSplitting < 0) {
        const auto* face = dynamic_cast<const PdfFontFace*>(entry.font.get());
        entry.wordSplitting = !face || face->SpaceInSubstitution() ? 0 : face->SpaceInPositioning() ? 2 : 1;
    }
    double width = 0;
    bool plainLine = true;
    const size_t n = text.size();
    auto piece = [&](size_t start, size_t end) {
        const bool withNext = entry.wordSplitting == 2 && end < n;
        const Piece& shaped = ShapePiece(s, baseFont, HB_SCRIPT_LATIN, false,
                                         text.substr(start, end - start + (withNext ? 1 : 0)), withNext);
        width += shaped.width;
        if (!out)
            return;
        const size_t first = out->glyphs.size();
        out->glyphs.insert(out->glyphs.end(), shaped.glyphs.begin(), shaped.glyphs.end());
        const auto offset = static_cast<uint32_t>(start);
        for (size_t k = first; k < out->glyphs.size(); ++k) {
            ShapedGlyph& g = out->glyphs[k];
            g.clusterStart += offset;
            g.clusterEnd += offset;
            plainLine = plainLine && (g.flags & ShapedGlyph::Plain);
        }
    };
    size_t start = 0;
    if (entry.wordSplitting > 0)
        for (size_t i = 0; i + 1 < n; ++i)
            if (text[i] == U' ' && text[i + 1] != U' ') {
                piece(start, i + 1);
                start = i + 1;
            }
    piece(start, n);
    if (out) {
        out->width = width;
        out->plain = plainLine;
    }
    return width;
}

void TextShaper::CharacterAdvances(DocState& s, int baseFont, std::u32string_view text, std::vector<float>& advances)
{
    static const std::vector<std::pair<size_t, size_t>> noAliases;
    advances.assign(text.size(), 0.0f);
    Shape(s, baseFont, text, noAliases, &lineScratch);
    for (const ShapedGlyph& g : lineScratch.glyphs)
        if (g.clusterStart < advances.size())
            advances[g.clusterStart] += g.advance;
}
