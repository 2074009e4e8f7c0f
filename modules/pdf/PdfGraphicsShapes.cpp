// PdfDocument: paths and shapes — lines, rectangles, ellipses and arcs, curves, polygons.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"
#include "pdf/PdfGeometry.h"
#include "pdf/PdfGraphicsSupport.h"

#include <wx/log.h>

#include <algorithm>
#include <cmath>

using namespace vdpdf;
using namespace vdpdf::gfx;

namespace {

constexpr double kPi = 3.14159265358979323846;

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

// A segment continues the open path, or starts one at the pen. False without a target.
bool ContinuePath(PdfDocument& doc, DocState& s)
{
    if (!EnsureTarget(doc, s))
        return false;
    if (!s.ctx.pathOpen)
        MoveToRaw(s, s.x, s.y);
    return true;
}

void FinishPath(DocState& s, int style, bool close, const char* call)
{
    if (!s.HasTarget() || !s.ctx.pathOpen) {
        wxLogDebug("PDF: %s without a path", call);
        return;
    }
    Paint(s, style, close);
}

} // namespace

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
    if (!ContinuePath(*this, *d))
        return;
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
    if (!ContinuePath(*this, *d))
        return;
    CurveToRaw(*d, x1, y1, x2, y2, x3, y3);
    d->x = x3;
    d->y = y3;
}

void PdfDocument::ClosePath(int style)
{
    FinishPath(*d, style, true, "ClosePath");
}

void PdfDocument::EndPath(int style)
{
    FinishPath(*d, style, false, "EndPath");
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
    NormaliseRect(x, y, w, h);
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
