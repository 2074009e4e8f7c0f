// PdfDocument: drawing text: cells, flowing text broken into lines, text at a point.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"

#include <fribidi.h>
#include <linebreak.h>

#include <wx/log.h>

#include <algorithm>
#include <mutex>

using namespace vdpdf;

namespace {

// The text colour as the fill colour, grey when it is one.
void AppendTextFill(std::string& out, const PdfColour& c)
{
    if (c.Red() == c.Green() && c.Green() == c.Blue()) {
        AppendNumber(out, c.Red() / 255.0);
        out += " g ";
    } else {
        AppendNumbers(out, {c.Red() / 255.0, c.Green() / 255.0, c.Blue() / 255.0});
        out += " rg ";
    }
}

// Opens a text object in font entry `font` with the baseline starting at (x, y),
// user units, in the page's y-down space.
void BeginText(DocState& s, std::string& out, const FontEntry& font, double x, double y)
{
    out += "BT /F";
    AppendInt(out, font.index);
    out += ' ';
    AppendNumber(out, s.fontSizePt);
    out += " Tf ";
    if (s.textRenderMode != 0) {
        AppendInt(out, s.textRenderMode);
        out += " Tr ";
    }
    out += "1 0 0 -1 ";
    AppendNumbers(out, {x * s.k, y * s.k});
    out += " Tm ";
}

// The underline of the text just drawn, `width` plus the spaces' share of `ws`.
void DrawUnderline(DocState& s, std::string& out, const FontEntry& font, double x, double y, double width, double ws)
{
    int spaces = 0;
    if (ws != 0)
        for (size_t i = 0; i + 1 < s.line.glyphs.size(); ++i)
            spaces += s.textScratch[s.line.glyphs[i].clusterStart] == U' ' &&
                      (s.line.glyphs[i].flags & ShapedGlyph::FirstOfCluster);
    const double fs = s.FontSize();
    const double up = font.font->GetUnderlinePosition();
    const double ut = font.font->GetUnderlineThickness();
    out += ' ';
    AppendNumbers(out, {x * s.k, (y - up / 1000.0 * fs) * s.k, (width + ws * spaces) * s.k, ut / 1000.0 * fs * s.k});
    out += " re f";
}

// Draws the encoded glyphs with the baseline starting at (x, y), user units.
// `width` is the text's width (user units) without justification.
void DrawEncoded(DocState& s, double x, double y, double width, double ws)
{
    std::string& out = s.Out();
    FontEntry* f = s.fonts[s.curFont].get();
    // The first glyph's font (a fallback font when the text starts with one).
    FontEntry* first = s.line.glyphs.empty() ? f : s.fonts[s.line.glyphs.front().font].get();
    s.Res().Add(Resources::Font, first->index);
    const bool wrap = !s.ctx.stream.known || s.ctx.stream.fill != s.g.text;
    if (wrap) {
        out += "q ";
        AppendTextFill(out, s.g.text);
    }
    BeginText(s, out, *first, x, y);
    s.WriteGlyphs(out, ws * s.k);
    if (s.textRenderMode != 0)
        out += " 0 Tr";
    out += " ET";
    s.DrawOutlineGlyphs(out, x, y);
    if (s.underline)
        DrawUnderline(s, out, *f, x, y, width, ws);
    out += wrap ? " Q\n" : "\n";
}

// The cell's background and full frame, as one rectangle.
void DrawCellBox(DocState& s, double w, double h, int border, bool fill)
{
    std::string& out = s.Out();
    const double k = s.k;
    if (fill)
        s.EmitFillColour();
    if (border == PdfBorder::Frame) {
        s.EmitDrawColour();
        s.EmitLineWidth();
    }
    AppendNumbers(out, {s.x * k, s.y * k, w * k, h * k});
    out += fill ? (border == PdfBorder::Frame ? " re B\n" : " re f\n") : " re S\n";
}

// Some sides of the cell's frame, each a line of its own.
void DrawCellSides(DocState& s, double w, double h, int border)
{
    std::string& out = s.Out();
    const double k = s.k;
    s.EmitDrawColour();
    s.EmitLineWidth();
    const double x1 = s.x * k, y1 = s.y * k, x2 = (s.x + w) * k, y2 = (s.y + h) * k;
    auto seg = [&](double ax, double ay, double bx, double by) {
        AppendNumbers(out, {ax, ay});
        out += " m ";
        AppendNumbers(out, {bx, by});
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
    border &= PdfBorder::Frame;
    if (fill || border == PdfBorder::Frame)
        DrawCellBox(s, w, h, border, fill);
    if (border != 0 && border != PdfBorder::Frame)
        DrawCellSides(s, w, h, border);
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

// The sides of the frame around a text of several lines that each line draws.
struct LineBorders {
    int sides = 0, top = 0, bottom = 0;
    explicit LineBorders(int border)
    {
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
    }
    int Of(size_t line, size_t count) const { return sides | (line == 0 ? top : 0) | (line + 1 == count ? bottom : 0); }
};

// For each line, whether its paragraph's first strong character is right-to-left.
std::vector<uint8_t> RightToLeftLines(const std::u32string& str, const std::vector<BrokenLine>& lines)
{
    std::vector<uint8_t> rightToLeft(lines.size(), 0);
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
    return rightToLeft;
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
    const LineBorders borders(border);
    // A paragraph whose first strong character is right-to-left is set from the
    // right, unless the caller chose an alignment (justify is the default).
    std::vector<uint8_t> rightToLeft(lines.size(), 0);
    if (align == PdfAlignJustify)
        rightToLeft = RightToLeftLines(str, lines);
    for (size_t n = 0; n < lines.size(); ++n) {
        const int b = borders.Of(n, lines.size());
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
