// PdfDocument: the graphics state — what the content stream has been told (colours, line
// style, transparency, saved states) and the calls that change it — and the path
// operators the drawing calls share. Shapes, transforms, clipping, gradients and
// templates are in sibling files.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"
#include "pdf/PdfGraphicsSupport.h"

#include <wx/log.h>

#include <algorithm>
#include <cmath>

using namespace vdpdf;
using namespace vdpdf::gfx;

namespace {

void Colour(std::string& out, const PdfColour& c, bool stroke)
{
    if (c.Red() == c.Green() && c.Green() == c.Blue()) {
        AppendNumber(out, c.Red() / 255.0);
        out += stroke ? " G\n" : " g\n";
        return;
    }
    AppendNumber(out, c.Red() / 255.0);
    out += ' ';
    AppendNumber(out, c.Green() / 255.0);
    out += ' ';
    AppendNumber(out, c.Blue() / 255.0);
    out += stroke ? " RG\n" : " rg\n";
}

} // namespace

namespace vdpdf::gfx {

PdfColour Valid(const PdfColour& c)
{
    return c.IsValid() ? c : PdfColour();
}

bool AllFinite(std::initializer_list<double> values, const char* what)
{
    for (double v : values) {
        if (!std::isfinite(v)) {
            wxLogWarning("PDF: %s with a value that is not a finite number is ignored", what);
            return false;
        }
    }
    return true;
}

void PrepareStyle(DocState& s, int style)
{
    if (style == PdfStyle::Fill || style == PdfStyle::FillDraw)
        s.EmitFillColour();
    if (style != PdfStyle::Fill && style != PdfStyle::NoOp) {
        s.EmitDrawColour();
        s.EmitLineWidth();
        s.EmitLineStyle();
    }
}

void Point(DocState& s, std::string& out, double x, double y)
{
    AppendNumber(out, x * s.k);
    out += ' ';
    AppendNumber(out, y * s.k);
}

void Paint(DocState& s, int style, bool close)
{
    std::string& out = s.Out();
    if (s.ctx.clipPending) {
        out += close ? "h " : "";
        out += s.fillingRule == wxODDEVEN_RULE ? "W* n\n" : "W n\n";
        s.ctx.clipPending = false;
    } else {
        PrepareStyle(s, style);
        out += s.FillOp(style, close);
        out += '\n';
    }
    s.ctx.pathOpen = false;
}

void MoveToRaw(DocState& s, double x, double y)
{
    s.PathPoint(x, y);
    std::string& out = s.Out();
    Point(s, out, x, y);
    out += " m\n";
}

void LineToRaw(DocState& s, double x, double y)
{
    s.PathPoint(x, y);
    std::string& out = s.Out();
    Point(s, out, x, y);
    out += " l\n";
}

void CurveToRaw(DocState& s, double x1, double y1, double x2, double y2, double x3, double y3)
{
    s.PathPoint(x1, y1);
    s.PathPoint(x2, y2);
    s.PathPoint(x3, y3);
    std::string& out = s.Out();
    Point(s, out, x1, y1);
    out += ' ';
    Point(s, out, x2, y2);
    out += ' ';
    Point(s, out, x3, y3);
    out += " c\n";
}

} // namespace vdpdf::gfx

void Resources::Add(Kind kind, int id)
{
    const std::pair<Kind, int> entry{kind, id};
    if (!used.empty() && used.back() == entry)
        return;
    if (std::find(used.begin(), used.end(), entry) == used.end())
        used.push_back(entry);
}

bool Resources::Has(Kind kind) const
{
    return std::any_of(used.begin(), used.end(), [kind](const auto& entry) { return entry.first == kind; });
}

std::vector<int> Resources::Of(Kind kind) const
{
    std::vector<int> ids;
    for (const auto& [k, id] : used)
        if (k == kind)
            ids.push_back(id);
    return ids;
}

// ---- Stream state -----------------------------------------------------------------------

void PdfDocument::State::ResetStreamToDefaults()
{
    ctx.stream = StreamState();
    ctx.stream.known = true;
}

void PdfDocument::State::EmitDrawColour()
{
    if (!HasTarget() || ctx.stream.draw == g.draw)
        return;
    Colour(Out(), g.draw, true);
    ctx.stream.draw = g.draw;
}

void PdfDocument::State::EmitFillColour()
{
    if (!HasTarget() || ctx.stream.fill == g.fill)
        return;
    Colour(Out(), g.fill, false);
    ctx.stream.fill = g.fill;
}

void PdfDocument::State::EmitLineWidth()
{
    if (!HasTarget())
        return;
    const double pt = g.lineWidth * k;
    if (ctx.stream.lineWidthPt == pt)
        return;
    std::string& out = Out();
    AppendNumber(out, pt);
    out += " w\n";
    ctx.stream.lineWidthPt = pt;
}

void PdfDocument::State::EmitLineStyle()
{
    if (!HasTarget())
        return;
    std::string& out = Out();
    if (ctx.stream.cap != g.cap) {
        AppendInt(out, g.cap);
        out += " J\n";
        ctx.stream.cap = g.cap;
    }
    if (ctx.stream.join != g.join) {
        AppendInt(out, g.join);
        out += " j\n";
        ctx.stream.join = g.join;
    }
    std::string dash = "[";
    for (size_t i = 0; i < g.dash.size(); ++i) {
        if (i)
            dash += ' ';
        AppendNumber(dash, g.dash[i] * k);
    }
    dash += "] ";
    AppendNumber(dash, g.dash.empty() ? 0 : g.phase * k);
    if (ctx.stream.dash != dash) {
        out += dash;
        out += " d\n";
        ctx.stream.dash = std::move(dash);
    }
}

void PdfDocument::State::EmitAlpha()
{
    if (!HasTarget() || g.gstate == 0 || ctx.stream.gstate == g.gstate)
        return;
    std::string& out = Out();
    out += "/GS";
    AppendInt(out, g.gstate);
    out += " gs\n";
    Res().Add(Resources::GState, g.gstate);
    ctx.stream.gstate = g.gstate;
}

void PdfDocument::State::EmitAll()
{
    EmitLineWidth();
    EmitLineStyle();
    EmitDrawColour();
    EmitFillColour();
    EmitAlpha();
}

void PdfDocument::State::PushState(bool clip)
{
    Out() += "q\n";
    ctx.stack.push_back({g, ctx.stream, clip});
}

bool PdfDocument::State::PopState()
{
    if (ctx.stack.empty())
        return false;
    if (ctx.pathOpen) {
        Out() += "n\n";
        ctx.pathOpen = false;
    }
    Out() += "Q\n";
    g = ctx.stack.back().g;
    ctx.stream = ctx.stack.back().s;
    ctx.stack.pop_back();
    return true;
}

void PdfDocument::State::CloseAllStates()
{
    while (!ctx.stack.empty())
        PopState();
    ctx.clipPending = false;
}

int PdfDocument::State::ExtGStateId(double lineAlpha, double fillAlpha, PdfBlendMode blend)
{
    for (size_t i = 0; i < extGStates.size(); ++i) {
        const ExtGState& e = extGStates[i];
        if (e.lineAlpha == lineAlpha && e.fillAlpha == fillAlpha && e.blend == blend && e.softMask == 0)
            return static_cast<int>(i) + 1;
    }
    extGStates.push_back({lineAlpha, fillAlpha, blend});
    return static_cast<int>(extGStates.size());
}

void PdfDocument::State::PathPoint(double px, double py)
{
    if (!ctx.pathOpen) {
        ctx.pathOpen = true;
        ctx.pathStart = Out().size();
        ctx.pathMinX = ctx.pathMaxX = px;
        ctx.pathMinY = ctx.pathMaxY = py;
        return;
    }
    ctx.pathMinX = std::min(ctx.pathMinX, px);
    ctx.pathMaxX = std::max(ctx.pathMaxX, px);
    ctx.pathMinY = std::min(ctx.pathMinY, py);
    ctx.pathMaxY = std::max(ctx.pathMaxY, py);
}

void PdfDocument::State::InsertAtPathStart(const std::string& text)
{
    std::string& out = Out();
    const size_t at = std::min(ctx.pathStart, out.size());
    out.insert(at, text);
    for (AliasSpot& spot : ctx.buffer->spots)
        if (spot.offset >= at)
            spot.offset += text.size();
}

std::string PdfDocument::State::FillOp(int style, bool close) const
{
    const bool evenOdd = fillingRule == wxODDEVEN_RULE;
    std::string op = close ? "h " : "";
    switch (style) {
    case PdfStyle::NoOp: op += "n"; break;
    case PdfStyle::Fill: op += evenOdd ? "f*" : "f"; break;
    case PdfStyle::FillDraw: op += evenOdd ? "B*" : "B"; break;
    default: op += "S"; break;
    }
    return op;
}

// ---- Line and colour state --------------------------------------------------------------

void PdfDocument::SetLineWidth(double width)
{
    width = Sane(width, "line width");
    if (width < 0) {
        wxLogDebug("PDF: negative line width %g ignored", width);
        return;
    }
    d->g.lineWidth = width;
    d->EmitLineWidth();
}

double PdfDocument::GetLineWidth() const
{
    return d->g.lineWidth;
}

void PdfDocument::SetLineStyle(const PdfLineStyle& style)
{
    GraphicState& g = d->g;
    if (std::isfinite(style.GetWidth()) && style.GetWidth() >= 0)
        g.lineWidth = style.GetWidth();
    if (style.GetLineCap() >= 0 && style.GetLineCap() <= 2)
        g.cap = style.GetLineCap();
    if (style.GetLineJoin() >= 0 && style.GetLineJoin() <= 2)
        g.join = style.GetLineJoin();
    std::vector<double> dash = style.GetDash();
    bool usable = !dash.empty();
    bool anyPositive = false;
    for (double v : dash) {
        if (!std::isfinite(v) || v < 0)
            usable = false;
        anyPositive = anyPositive || v > 0;
    }
    if (!usable || !anyPositive) {
        if (!dash.empty())
            wxLogDebug("PDF: a dash pattern with negative, non-finite or only zero lengths draws solid");
        dash.clear();
    }
    g.dash = std::move(dash);
    g.phase = std::isfinite(style.GetPhase()) && style.GetPhase() > 0 ? style.GetPhase() : 0;
    g.draw = Valid(style.GetColour());
    d->EmitLineWidth();
    d->EmitLineStyle();
    d->EmitDrawColour();
}

const PdfLineStyle& PdfDocument::GetLineStyle() const
{
    const GraphicState& g = d->g;
    d->lineStyleCache = PdfLineStyle(g.lineWidth, g.cap, g.join, g.dash, g.phase, g.draw);
    return d->lineStyleCache;
}

void PdfDocument::SetDrawColour(const PdfColour& colour)
{
    d->g.draw = Valid(colour);
    d->EmitDrawColour();
}
void PdfDocument::SetDrawColour(unsigned char grey)
{
    SetDrawColour(PdfColour(grey));
}
void PdfDocument::SetDrawColour(unsigned char r, unsigned char g, unsigned char b)
{
    SetDrawColour(PdfColour(r, g, b));
}
const PdfColour& PdfDocument::GetDrawColour() const
{
    return d->g.draw;
}

void PdfDocument::SetFillColour(const PdfColour& colour)
{
    d->g.fill = Valid(colour);
    d->EmitFillColour();
}
void PdfDocument::SetFillColour(unsigned char grey)
{
    SetFillColour(PdfColour(grey));
}
void PdfDocument::SetFillColour(unsigned char r, unsigned char g, unsigned char b)
{
    SetFillColour(PdfColour(r, g, b));
}
const PdfColour& PdfDocument::GetFillColour() const
{
    return d->g.fill;
}

void PdfDocument::SetAlpha(double lineAlpha, double fillAlpha, PdfBlendMode blend)
{
    lineAlpha = std::clamp(Sane(lineAlpha, "line alpha"), 0.0, 1.0);
    fillAlpha = std::clamp(Sane(fillAlpha, "fill alpha"), 0.0, 1.0);
    // Kept to what the file will say, so equal requests share one object.
    lineAlpha = std::round(lineAlpha * 1000) / 1000;
    fillAlpha = std::round(fillAlpha * 1000) / 1000;
    d->g.lineAlpha = lineAlpha;
    d->g.fillAlpha = fillAlpha;
    d->g.blend = blend;
    d->g.gstate = d->ExtGStateId(lineAlpha, fillAlpha, blend);
    d->EmitAlpha();
}

void PdfDocument::SetFillingRule(int rule)
{
    if (rule == wxODDEVEN_RULE || rule == wxWINDING_RULE)
        d->fillingRule = rule;
    else
        wxLogDebug("PDF: unknown filling rule %d ignored", rule);
}

int PdfDocument::GetFillingRule() const
{
    return d->fillingRule;
}
