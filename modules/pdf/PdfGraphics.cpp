// PdfDocument: graphics state, paths and shapes, transforms, clipping, gradients,
// templates and raw output.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"

#include <wx/log.h>

#include <algorithm>
#include <cmath>

using namespace vdpdf;

namespace {

constexpr double kPi = 3.14159265358979323846;

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

PdfColour Valid(const PdfColour& c)
{
    return c.IsValid() ? c : PdfColour();
}

// A stream state no real value equals, so that everything is written again.
StreamState UnknownStream()
{
    StreamState s;
    s.known = false;
    s.draw = PdfColour(wxNullColour);
    s.fill = PdfColour(wxNullColour);
    s.lineWidthPt = -1;
    s.cap = -1;
    s.join = -1;
    s.dash = "?";
    s.gstate = -1;
    return s;
}

} // namespace

void Resources::Add(std::vector<int>& list, int id)
{
    if (!list.empty() && list.back() == id)
        return;
    if (std::find(list.begin(), list.end(), id) == list.end())
        list.push_back(id);
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
    Res().Add(Res().gstates, g.gstate);
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

namespace {

// Brings the stream up to date for painting in `style`.
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

// Bézier arcs of an ellipse centred at (x0, y0) (user units, y down), angles in
// radians anticlockwise as seen on the page, the ellipse turned by `rot`.
void ArcSegments(DocState& s, double x0, double y0, double rx, double ry, double rot, double a0, double a1, int nSeg,
                 bool moveFirst, bool lineFirst)
{
    const double sweep = a1 - a0;
    nSeg = std::max(nSeg, static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-9)));
    nSeg = std::clamp(nSeg, 1, 720);
    const double dt = sweep / nSeg;
    const double kappa = 4.0 / 3.0 * std::tan(dt / 4);
    const double cr = std::cos(rot), sr = std::sin(rot);
    // Local (u, v) with v up → page (x, y) with y down.
    auto map = [&](double u, double v, double& px, double& py) {
        px = x0 + u * cr - v * sr;
        py = y0 - (u * sr + v * cr);
    };
    double px, py;
    map(rx * std::cos(a0), ry * std::sin(a0), px, py);
    if (moveFirst)
        MoveToRaw(s, px, py);
    else if (lineFirst)
        LineToRaw(s, px, py);
    for (int i = 0; i < nSeg; ++i) {
        const double t0 = a0 + i * dt, t1 = t0 + dt;
        const double c0 = std::cos(t0), s0 = std::sin(t0), c1 = std::cos(t1), s1 = std::sin(t1);
        double x1, y1, x2, y2, x3, y3;
        map(rx * (c0 - kappa * s0), ry * (s0 + kappa * c0), x1, y1);
        map(rx * (c1 + kappa * s1), ry * (s1 - kappa * c1), x2, y2);
        map(rx * c1, ry * s1, x3, y3);
        CurveToRaw(s, x1, y1, x2, y2, x3, y3);
    }
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

} // namespace

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

// ---- Paths ------------------------------------------------------------------------------

void PdfDocument::MoveTo(double x, double y)
{
    x = Sane(x, "path x");
    y = Sane(y, "path y");
    if (!EnsureTarget(*this, *d))
        return;
    MoveToRaw(*d, x, y);
    d->x = x;
    d->y = y;
}

void PdfDocument::LineTo(double x, double y)
{
    x = Sane(x, "path x");
    y = Sane(y, "path y");
    if (!EnsureTarget(*this, *d))
        return;
    if (!d->ctx.pathOpen)
        MoveToRaw(*d, d->x, d->y);
    LineToRaw(*d, x, y);
    d->x = x;
    d->y = y;
}

void PdfDocument::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3)
{
    x1 = Sane(x1, "path x");
    y1 = Sane(y1, "path y");
    x2 = Sane(x2, "path x");
    y2 = Sane(y2, "path y");
    x3 = Sane(x3, "path x");
    y3 = Sane(y3, "path y");
    if (!EnsureTarget(*this, *d))
        return;
    if (!d->ctx.pathOpen)
        MoveToRaw(*d, d->x, d->y);
    CurveToRaw(*d, x1, y1, x2, y2, x3, y3);
    d->x = x3;
    d->y = y3;
}

void PdfDocument::ClosePath(int style)
{
    if (!d->HasTarget() || !d->ctx.pathOpen) {
        wxLogDebug("PDF: ClosePath without a path");
        return;
    }
    Paint(*d, style, true);
}

void PdfDocument::EndPath(int style)
{
    if (!d->HasTarget() || !d->ctx.pathOpen) {
        wxLogDebug("PDF: EndPath without a path");
        return;
    }
    Paint(*d, style, false);
}

// ---- Shapes ---------------------------------------------------------------------------------

void PdfDocument::Line(double x1, double y1, double x2, double y2)
{
    if (!AllFinite({x1, y1, x2, y2}, "a line") || !EnsureTarget(*this, *d))
        return;
    State& s = *d;
    PrepareStyle(s, PdfStyle::Draw);
    std::string& out = s.Out();
    Point(s, out, x1, y1);
    out += " m ";
    Point(s, out, x2, y2);
    out += " l S\n";
}

void PdfDocument::Rect(double x, double y, double w, double h, int style)
{
    if (!AllFinite({x, y, w, h}, "a rectangle") || !EnsureTarget(*this, *d))
        return;
    State& s = *d;
    PrepareStyle(s, style);
    std::string& out = s.Out();
    Point(s, out, x, y);
    out += ' ';
    Point(s, out, w, h);
    out += " re ";
    out += s.FillOp(style, false);
    out += '\n';
    s.ctx.pathOpen = false;
}

void PdfDocument::RoundedRect(double x, double y, double w, double h, double r, int corners, int style)
{
    if (!AllFinite({x, y, w, h, r}, "a rounded rectangle") || !EnsureTarget(*this, *d))
        return;
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    r = std::clamp(r, 0.0, std::min(w, h) / 2);
    if (r <= 0 || (corners & PdfCorner::All) == 0) {
        Rect(x, y, w, h, style);
        return;
    }
    State& s = *d;
    const double rtl = (corners & PdfCorner::TopLeft) ? r : 0;
    const double rtr = (corners & PdfCorner::TopRight) ? r : 0;
    const double rbl = (corners & PdfCorner::BottomLeft) ? r : 0;
    const double rbr = (corners & PdfCorner::BottomRight) ? r : 0;
    const double kap = 4.0 / 3.0 * (std::sqrt(2.0) - 1);
    const bool clip = s.ctx.clipPending;
    s.ctx.clipPending = false;
    MoveToRaw(s, x + rtl, y);
    LineToRaw(s, x + w - rtr, y);
    if (rtr > 0)
        CurveToRaw(s, x + w - rtr + rtr * kap, y, x + w, y + rtr - rtr * kap, x + w, y + rtr);
    LineToRaw(s, x + w, y + h - rbr);
    if (rbr > 0)
        CurveToRaw(s, x + w, y + h - rbr + rbr * kap, x + w - rbr + rbr * kap, y + h, x + w - rbr, y + h);
    LineToRaw(s, x + rbl, y + h);
    if (rbl > 0)
        CurveToRaw(s, x + rbl - rbl * kap, y + h, x, y + h - rbl + rbl * kap, x, y + h - rbl);
    LineToRaw(s, x, y + rtl);
    if (rtl > 0)
        CurveToRaw(s, x, y + rtl - rtl * kap, x + rtl - rtl * kap, y, x + rtl, y);
    Paint(s, style, true);
    s.ctx.clipPending = clip;
}

void PdfDocument::Circle(double x0, double y0, double r, double astart, double afinish, int style, int nSeg)
{
    Ellipse(x0, y0, r, r, 0, astart, afinish, style, nSeg, false);
}

void PdfDocument::Ellipse(double x0, double y0, double rx, double ry, double angle, double astart, double afinish,
                          int style, int nSeg, bool doSector)
{
    if (!AllFinite({x0, y0, rx, ry, angle, astart, afinish}, "an ellipse") || !EnsureTarget(*this, *d))
        return;
    if (rx == 0)
        return;
    if (ry == 0)
        ry = rx;
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    State& s = *d;
    const bool clip = s.ctx.clipPending;
    s.ctx.clipPending = false;
    double sweep = afinish - astart;
    const bool full = std::fabs(sweep) >= 360;
    if (full)
        sweep = sweep > 0 ? 360 : -360;
    if (sweep == 0)
        return;
    const double a0 = astart * kPi / 180, a1 = (astart + sweep) * kPi / 180, rot = angle * kPi / 180;
    if (doSector && !full) {
        MoveToRaw(s, x0, y0);
        ArcSegments(s, x0, y0, rx, ry, rot, a0, a1, std::max(nSeg, 1), false, true);
        Paint(s, style, true);
    } else {
        ArcSegments(s, x0, y0, rx, ry, rot, a0, a1, std::max(nSeg, 1), true, false);
        Paint(s, style, full);
    }
    s.ctx.clipPending = clip;
}

void PdfDocument::Curve(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3,
                        int style)
{
    if (!AllFinite({x0, y0, x1, y1, x2, y2, x3, y3}, "a curve") || !EnsureTarget(*this, *d))
        return;
    State& s = *d;
    const bool clip = s.ctx.clipPending;
    s.ctx.clipPending = false;
    MoveToRaw(s, x0, y0);
    CurveToRaw(s, x1, y1, x2, y2, x3, y3);
    Paint(s, style, false);
    s.ctx.clipPending = clip;
}

namespace {

void PolyShape(PdfDocument& doc, DocState& s, const std::vector<double>& x, const std::vector<double>& y, int style,
               bool close)
{
    const size_t n = std::min(x.size(), y.size());
    if (x.size() != y.size())
        wxLogDebug("PDF: polygon with %zu x and %zu y values; the extra ones are ignored", x.size(), y.size());
    if (n < 2 || !EnsureTarget(doc, s))
        return;
    const bool clip = s.ctx.clipPending;
    s.ctx.clipPending = false;
    MoveToRaw(s, Sane(x[0], "polygon x"), Sane(y[0], "polygon y"));
    for (size_t i = 1; i < n; ++i)
        LineToRaw(s, Sane(x[i], "polygon x"), Sane(y[i], "polygon y"));
    Paint(s, style, close);
    s.ctx.clipPending = clip;
}

} // namespace

void PdfDocument::Polygon(const std::vector<double>& x, const std::vector<double>& y, int style)
{
    PolyShape(*this, *d, x, y, style, true);
}

void PdfDocument::Polyline(const std::vector<double>& x, const std::vector<double>& y, int style)
{
    PolyShape(*this, *d, x, y, style, false);
}

// ---- Transforms and clipping ---------------------------------------------------------------

void PdfDocument::StartTransform()
{
    if (!EnsureTarget(*this, *d))
        return;
    d->PushState(false);
}

bool PdfDocument::StopTransform()
{
    if (!d->HasTarget() || d->ctx.stack.empty()) {
        wxLogWarning("PDF: StopTransform without a matching StartTransform is ignored");
        return false;
    }
    if (d->ctx.stack.back().clip)
        wxLogDebug("PDF: StopTransform ends a clipping region");
    return d->PopState();
}

void PdfDocument::Transform(double a, double b, double c, double dd, double e, double f)
{
    if (!AllFinite({a, b, c, dd, e, f}, "a transformation") || !EnsureTarget(*this, *d))
        return;
    if (a * dd - b * c == 0) {
        wxLogDebug("PDF: a transformation that collapses the drawing is ignored");
        return;
    }
    std::string& out = d->Out();
    for (double v : {a, b, c, dd, e, f}) {
        AppendNumber(out, v);
        out += ' ';
    }
    out += "cm\n";
}

void PdfDocument::Translate(double tx, double ty)
{
    Transform(1, 0, 0, 1, tx, ty);
}

void PdfDocument::Scale(double sxPercent, double syPercent)
{
    Transform(sxPercent / 100, 0, 0, syPercent / 100, 0, 0);
}

void PdfDocument::Scale(double sxPercent, double syPercent, double x, double y)
{
    const double sx = sxPercent / 100, sy = syPercent / 100;
    const double cx = x * d->k, cy = y * d->k;
    Transform(sx, 0, 0, sy, cx * (1 - sx), cy * (1 - sy));
}

void PdfDocument::Rotate(double angle, double x, double y)
{
    if (x < 0)
        x = d->x;
    if (y < 0)
        y = d->y;
    const double a = angle * kPi / 180;
    const double c = std::cos(a), s = std::sin(a);
    const double cx = x * d->k, cy = y * d->k;
    // Anticlockwise as seen on the page, whose y axis points down.
    Transform(c, -s, s, c, cx - cx * c - cy * s, cy + cx * s - cy * c);
}

void PdfDocument::ClippingPath()
{
    if (!EnsureTarget(*this, *d))
        return;
    State& s = *d;
    if (s.ctx.pathOpen) {
        // The save must come before the path's first operator.
        s.InsertAtPathStart("q\n");
        s.ctx.stack.push_back({s.g, s.ctx.stream, true});
    } else {
        s.PushState(true);
    }
    s.ctx.clipPending = true;
}

void PdfDocument::ClippingRect(double x, double y, double w, double h, bool outline)
{
    if (!AllFinite({x, y, w, h}, "a clipping rectangle") || !EnsureTarget(*this, *d))
        return;
    State& s = *d;
    s.PushState(true);
    if (outline)
        PrepareStyle(s, PdfStyle::Draw);
    std::string& out = s.Out();
    Point(s, out, x, y);
    out += ' ';
    Point(s, out, w, h);
    out += outline ? " re W S\n" : " re W n\n";
}

void PdfDocument::UnsetClipping()
{
    if (!d->HasTarget() || d->ctx.stack.empty()) {
        wxLogWarning("PDF: UnsetClipping without a clipping region is ignored");
        return;
    }
    d->ctx.clipPending = false;
    d->PopState();
}

// ---- Gradients ------------------------------------------------------------------------------

namespace {

int AddGradient(DocState& s, int type, std::vector<double> coords, std::vector<std::pair<double, PdfColour>> stops,
                double exponent)
{
    for (double c : coords) {
        if (!std::isfinite(c)) {
            wxLogWarning("PDF: gradient with coordinates that are not finite numbers");
            return 0;
        }
    }
    if (type == 3 && (coords[2] < 0 || coords[5] < 0)) {
        wxLogWarning("PDF: radial gradient with a negative radius");
        return 0;
    }
    if (stops.empty()) {
        wxLogWarning("PDF: gradient without colour stops");
        return 0;
    }
    if (stops.size() == 1)
        stops.push_back({1.0, stops[0].second});
    double last = 0;
    for (auto& [offset, colour] : stops) {
        offset = std::isfinite(offset) ? std::clamp(offset, 0.0, 1.0) : 0.0;
        offset = std::max(offset, last);
        last = offset;
        colour = Valid(colour);
    }
    if (!std::isfinite(exponent) || exponent <= 0)
        exponent = 1;
    Gradient g;
    g.type = type;
    g.coords = std::move(coords);
    g.stops = std::move(stops);
    g.exponent = exponent;
    s.gradients.push_back(std::move(g));
    return static_cast<int>(s.gradients.size());
}

bool ValidGradient(DocState& s, int id)
{
    if (id < 1 || id > static_cast<int>(s.gradients.size())) {
        wxLogWarning("PDF: gradient %d does not exist", id);
        return false;
    }
    return true;
}

void Matrix(std::string& out, double a, double b, double c, double d, double e, double f)
{
    for (double v : {a, b, c, d, e, f}) {
        AppendNumber(out, v);
        out += ' ';
    }
    out += "cm ";
}

} // namespace

int PdfDocument::AxialGradient(const PdfColour& c1, const PdfColour& c2, double x1, double y1, double x2, double y2,
                               double intexp)
{
    return AddGradient(*d, 2, {x1, y1, x2, y2}, {{0.0, c1}, {1.0, c2}}, intexp);
}

int PdfDocument::RadialGradient(const PdfColour& c1, const PdfColour& c2, double x1, double y1, double r1, double x2,
                                double y2, double r2, double intexp)
{
    return AddGradient(*d, 3, {x1, y1, r1, x2, y2, r2}, {{0.0, c1}, {1.0, c2}}, intexp);
}

int PdfDocument::AxialGradient(const std::vector<std::pair<double, PdfColour>>& stops, double x1, double y1, double x2,
                               double y2)
{
    return AddGradient(*d, 2, {x1, y1, x2, y2}, stops, 1);
}

int PdfDocument::RadialGradient(const std::vector<std::pair<double, PdfColour>>& stops, double x1, double y1, double r1,
                                double x2, double y2, double r2)
{
    return AddGradient(*d, 3, {x1, y1, r1, x2, y2, r2}, stops, 1);
}

void PdfDocument::SetFillGradient(double x, double y, double w, double h, int id)
{
    if (!ValidGradient(*d, id) || !AllFinite({x, y, w, h}, "a gradient rectangle") || !EnsureTarget(*this, *d))
        return;
    if (w == 0 || h == 0)
        return;
    State& s = *d;
    std::string& out = s.Out();
    out += "q ";
    Point(s, out, x, y);
    out += ' ';
    Point(s, out, w, h);
    out += " re W n ";
    Matrix(out, w * s.k, 0, 0, h * s.k, x * s.k, y * s.k);
    out += "/Sh";
    AppendInt(out, id);
    out += " sh Q\n";
    s.Res().Add(s.Res().shadings, id);
}

void PdfDocument::FillPathWithGradient(int id, PdfGradientUnits units, const std::array<double, 6>& matrix)
{
    State& s = *d;
    if (!s.HasTarget() || !s.ctx.pathOpen) {
        wxLogDebug("PDF: FillPathWithGradient without a path");
        return;
    }
    std::string& out = s.Out();
    const bool finite = std::all_of(matrix.begin(), matrix.end(), [](double v) { return std::isfinite(v); });
    const double bw = s.ctx.pathMaxX - s.ctx.pathMinX, bh = s.ctx.pathMaxY - s.ctx.pathMinY;
    const bool degenerate = units == PdfGradientUnits::BoundingBox && (bw <= 0 || bh <= 0);
    if (!ValidGradient(s, id) || !finite || degenerate || matrix[0] * matrix[3] - matrix[1] * matrix[2] == 0) {
        out += "n\n";
        s.ctx.pathOpen = false;
        return;
    }
    s.InsertAtPathStart("q\n");
    out += s.fillingRule == wxODDEVEN_RULE ? "W* n " : "W n ";
    if (units == PdfGradientUnits::BoundingBox)
        Matrix(out, bw * s.k, 0, 0, bh * s.k, s.ctx.pathMinX * s.k, s.ctx.pathMinY * s.k);
    else
        Matrix(out, s.k, 0, 0, s.k, 0, 0);
    if (matrix != std::array<double, 6>{1, 0, 0, 1, 0, 0})
        Matrix(out, matrix[0], matrix[1], matrix[2], matrix[3], matrix[4], matrix[5]);
    out += "/Sh";
    AppendInt(out, id);
    out += " sh Q\n";
    s.Res().Add(s.Res().shadings, id);
    s.ctx.pathOpen = false;
}

// ---- Templates ------------------------------------------------------------------------------

int PdfDocument::BeginTemplate(double x, double y, double w, double h)
{
    if (d->closed) {
        wxLogWarning("PDF: BeginTemplate after the document was closed is ignored");
        return 0;
    }
    x = Sane(x, "template x");
    y = Sane(y, "template y");
    w = Sane(w, "template width");
    h = Sane(h, "template height");
    State& s = *d;
    if (w <= 0)
        w = s.PageW();
    if (h <= 0)
        h = s.PageH();
    auto tpl = std::make_unique<Template>();
    tpl->xPt = x * s.k;
    tpl->yPt = y * s.k;
    tpl->wPt = w * s.k;
    tpl->hPt = h * s.k;
    s.templates.push_back(std::move(tpl));
    const int id = static_cast<int>(s.templates.size());

    TemplateFrame frame;
    frame.id = id;
    frame.outer = std::move(s.ctx);
    frame.g = s.g;
    frame.x = s.x;
    frame.y = s.y;
    frame.autoPageBreak = s.autoPageBreak;
    s.recording.push_back(std::move(frame));

    Template& t = *s.templates.back();
    s.ctx = DrawContext();
    s.ctx.buffer = &t.content;
    s.ctx.stream = UnknownStream();
    s.autoPageBreak = false;
    std::string& out = s.Out();
    // The form's y-down system in points, with the recorded area's corner at its origin.
    out += "1 0 0 -1 ";
    AppendNumber(out, -t.xPt);
    out += ' ';
    AppendNumber(out, t.hPt + t.yPt);
    out += " cm\n";
    s.EmitAll();
    return id;
}

int PdfDocument::EndTemplate()
{
    State& s = *d;
    if (s.recording.empty()) {
        wxLogWarning("PDF: EndTemplate without BeginTemplate is ignored");
        return 0;
    }
    if (s.ctx.pathOpen)
        s.Out() += "n\n";
    s.ctx.pathOpen = false;
    s.CloseAllStates();
    TemplateFrame frame = std::move(s.recording.back());
    s.recording.pop_back();
    Template& t = *s.templates[frame.id - 1];
    s.FinishBuffer(t.content);
    t.done = true;
    s.ctx = std::move(frame.outer);
    s.g = frame.g;
    s.x = frame.x;
    s.y = frame.y;
    s.autoPageBreak = frame.autoPageBreak;
    return frame.id;
}

void PdfDocument::UseTemplate(int id, double x, double y, double w, double h)
{
    State& s = *d;
    if (id < 1 || id > static_cast<int>(s.templates.size()) || !s.templates[id - 1]->done) {
        wxLogWarning("PDF: template %d does not exist or is still being recorded", id);
        return;
    }
    const Template& t = *s.templates[id - 1];
    if (t.wPt <= 0 || t.hPt <= 0) {
        wxLogWarning("PDF: template %d has no area", id);
        return;
    }
    x = Sane(x, "template x");
    y = Sane(y, "template y");
    w = Sane(w, "template width");
    h = Sane(h, "template height");
    if (x < 0)
        x = s.x;
    if (y < 0)
        y = s.y;
    const double w0 = t.wPt / s.k, h0 = t.hPt / s.k;
    if (w <= 0 && h <= 0) {
        w = w0;
        h = h0;
    } else if (w <= 0) {
        w = h * w0 / h0;
    } else if (h <= 0) {
        h = w * h0 / w0;
    }
    if (!EnsureTarget(*this, s))
        return;
    std::string& out = s.Out();
    out += "q ";
    Matrix(out, w * s.k / t.wPt, 0, 0, -h * s.k / t.hPt, x * s.k, (y + h) * s.k);
    out += "/TPL";
    AppendInt(out, id);
    out += " Do Q\n";
    s.Res().Add(s.Res().forms, id);
}

bool PdfDocument::GetTemplateSize(int id, double& w, double& h) const
{
    if (id < 1 || id > static_cast<int>(d->templates.size()))
        return false;
    w = d->templates[id - 1]->wPt / d->k;
    h = d->templates[id - 1]->hPt / d->k;
    return true;
}

bool PdfDocument::IsRecordingTemplate() const
{
    return !d->recording.empty();
}

void PdfDocument::OutAscii(const wxString& text, bool newline)
{
    if (!EnsureTarget(*this, *d))
        return;
    std::string& out = d->Out();
    out += text.utf8_string();
    if (newline)
        out += '\n';
    // The caller may have changed anything; write the state again when next needed.
    d->ctx.stream = UnknownStream();
}
