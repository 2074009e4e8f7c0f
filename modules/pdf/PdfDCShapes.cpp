// PdfDC's device context: gradients, lines and shapes.
#include "pdf/PdfDCImpl.h"
#include "pdf/PdfGeometry.h"

#include "vdcommon/pdf/PdfDocument.h"

#include <wx/log.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

using namespace vdpdf::dc;

namespace {

// The x and the y coordinates of the points, for the document's polygon calls.
struct Coordinates {
    std::vector<double> xs, ys;

    explicit Coordinates(const Ring& ring)
    {
        xs.reserve(ring.size());
        ys.reserve(ring.size());
        for (const UserPoint& p : ring) {
            xs.push_back(p.x);
            ys.push_back(p.y);
        }
    }
};

Ring RectRing(const UserRect& r)
{
    return {{r.x, r.y}, {r.x + r.w, r.y}, {r.x + r.w, r.y + r.h}, {r.x, r.y + r.h}};
}

// Adds `points` points of an elliptic arc from `start` degrees, `steps` steps making
// `sweep` degrees (anticlockwise as seen with y down).
void AppendArc(Ring& ring, UserPoint centre, double rx, double ry, double start, double sweep, int steps, int points)
{
    for (int i = 0; i < points; ++i) {
        const double t = (start + sweep * i / steps) * kDegToRad;
        ring.push_back({centre.x + rx * std::cos(t), centre.y - ry * std::sin(t)});
    }
}

// The centre and radii of the ellipse inscribed in the box with corners a and b.
struct EllipseGeometry {
    UserPoint centre;
    double rx, ry;

    bool Drawable() const { return rx > 0 && ry > 0; }
};

EllipseGeometry Inscribed(UserPoint a, UserPoint b)
{
    return {{(a.x + b.x) / 2, (a.y + b.y) / 2}, std::fabs(b.x - a.x) / 2, std::fabs(b.y - a.y) / 2};
}

} // namespace

// ---- Pixels, flood fill, gradients ----------------------------------------------------------

bool PdfDCImpl::DoFloodFill(wxCoord, wxCoord, const wxColour&, wxFloodFillStyle)
{
    // A PDF has no pixels to fill from.
    return false;
}

bool PdfDCImpl::DoGetPixel(wxCoord, wxCoord, wxColour*) const
{
    return false;
}

void PdfDCImpl::DoGradientFillLinear(const wxRect& rect, const wxColour& initialColour, const wxColour& destColour,
                                     wxDirection nDirection)
{
    if (!HasTarget() || rect.GetWidth() <= 0 || rect.GetHeight() <= 0)
        return;
    const double l = rect.GetLeft(), t = rect.GetTop();
    const double r = l + rect.GetWidth(), b = t + rect.GetHeight();
    const double my = (t + b) / 2, mx = (l + r) / 2;
    // From the initial colour's side to the destination colour's side, in logical units.
    double x1 = l, y1 = my, x2 = r, y2 = my;
    switch (nDirection) {
    case wxWEST:
        x1 = r;
        x2 = l;
        break;
    case wxNORTH:
        x1 = x2 = mx;
        y1 = b;
        y2 = t;
        break;
    case wxSOUTH:
        x1 = x2 = mx;
        y1 = t;
        y2 = b;
        break;
    default: break;
    }
    const UserRect u = Between(ToUser(l, t), ToUser(r, b));
    if (u.w <= 0 || u.h <= 0)
        return;
    const UserPoint p1 = ToUser(x1, y1), p2 = ToUser(x2, y2);
    const int id = doc.AxialGradient(Opaque(initialColour), Opaque(destColour), (p1.x - u.x) / u.w, (p1.y - u.y) / u.h,
                                     (p2.x - u.x) / u.w, (p2.y - u.y) / u.h);
    if (id > 0)
        doc.SetFillGradient(u.x, u.y, u.w, u.h, id);
    CalcBoundingBox(rect);
}

void PdfDCImpl::DoGradientFillConcentric(const wxRect& rect, const wxColour& initialColour, const wxColour& destColour,
                                         const wxPoint& circleCenter)
{
    if (!HasTarget() || rect.GetWidth() <= 0 || rect.GetHeight() <= 0)
        return;
    const UserPoint a = ToUser(rect.GetLeft(), rect.GetTop());
    const UserPoint c = ToUser(static_cast<double>(rect.GetLeft()) + rect.GetWidth(),
                               static_cast<double>(rect.GetTop()) + rect.GetHeight());
    const UserPoint centre = ToUser(static_cast<double>(rect.GetLeft()) + circleCenter.x,
                                    static_cast<double>(rect.GetTop()) + circleCenter.y);
    // The toolkit's radius: half the shorter side; beyond it the destination colour.
    const double radius = LengthAvg(std::min(rect.GetWidth(), rect.GetHeight()) / 2.0);
    if (!(radius > 0))
        return;
    const int id = doc.RadialGradient(Opaque(initialColour), Opaque(destColour), centre.x, centre.y, 0, centre.x,
                                      centre.y, radius);
    if (id <= 0)
        return;
    doc.MoveTo(a.x, a.y);
    doc.LineTo(c.x, a.y);
    doc.LineTo(c.x, c.y);
    doc.LineTo(a.x, c.y);
    doc.LineTo(a.x, a.y);
    doc.FillPathWithGradient(id, PdfGradientUnits::UserSpace);
    CalcBoundingBox(rect);
}

// ---- Lines and polygons ---------------------------------------------------------------------

void PdfDCImpl::DoDrawPoint(wxCoord x, wxCoord y)
{
    if (!HasTarget() || !PenVisible())
        return;
    // A point is one pixel on a screen; here a square as wide as the pen, at least one
    // logical unit, over the pixel's place.
    const double side = std::max(m_pen.GetWidth(), 1);
    const double x0 = x + 0.5 - side / 2, y0 = y + 0.5 - side / 2;
    const UserRect r = ToUserRect(x0, y0, side, side);
    ApplyFill(m_pen.GetColour());
    doc.Rect(r.x, r.y, r.w, r.h, PdfStyle::Fill);
    CalcBoundingBox(x, y);
}

void PdfDCImpl::DoDrawLine(wxCoord x1, wxCoord y1, wxCoord x2, wxCoord y2)
{
    if (!HasTarget() || Prepare(true, false) == PdfStyle::NoOp)
        return;
    const UserPoint a = ToUser(x1, y1), b = ToUser(x2, y2);
    doc.Line(a.x, a.y, b.x, b.y);
    CalcBoundingBox(x1, y1, x2, y2);
}

void PdfDCImpl::DoCrossHair(wxCoord x, wxCoord y)
{
    if (!HasTarget() || Prepare(true, false) == PdfStyle::NoOp)
        return;
    const UserPoint p = ToUser(x, y);
    doc.Line(0, p.y, widthUser, p.y);
    doc.Line(p.x, 0, p.x, heightUser);
    CalcBoundingBox(x, y);
}

void PdfDCImpl::DoDrawLines(int n, const wxPoint points[], wxCoord xoffset, wxCoord yoffset)
{
    if (n < 2 || !points || !HasTarget() || Prepare(true, false) == PdfStyle::NoOp)
        return;
    const Coordinates line(ToUserPoints(n, points, xoffset, yoffset));
    doc.Polyline(line.xs, line.ys, PdfStyle::Draw);
}

void PdfDCImpl::DoDrawPolygon(int n, const wxPoint points[], wxCoord xoffset, wxCoord yoffset,
                              wxPolygonFillMode fillStyle)
{
    if (n < 2 || !points || !HasTarget())
        return;
    Rings rings;
    rings.push_back(ToUserPoints(n, points, xoffset, yoffset));
    const Coordinates polygon(rings[0]);
    doc.SetFillingRule(fillStyle == wxWINDING_RULE ? wxWINDING_RULE : wxODDEVEN_RULE);
    PaintShape(rings, [&](int style) { doc.Polygon(polygon.xs, polygon.ys, style); });
}

void PdfDCImpl::DoDrawPolyPolygon(int n, const int count[], const wxPoint points[], wxCoord xoffset, wxCoord yoffset,
                                  wxPolygonFillMode fillStyle)
{
    if (n <= 0 || !count || !points || !HasTarget())
        return;
    Rings rings;
    int at = 0;
    for (int i = 0; i < n; ++i) {
        const int c = count[i];
        if (c < 0 || c > INT_MAX - at) {
            wxLogDebug("PdfDC: poly-polygon with a bad point count %d", c);
            return;
        }
        Ring ring = ToUserPoints(c, points + at, xoffset, yoffset);
        at += c;
        if (ring.size() >= 2)
            rings.push_back(std::move(ring));
    }
    if (rings.empty())
        return;
    doc.SetFillingRule(fillStyle == wxWINDING_RULE ? wxWINDING_RULE : wxODDEVEN_RULE);
    // One path for the fill, so the filling rule sees every ring; outlines ring by ring.
    FillThenStroke(
        rings,
        [&] {
            TraceRings(rings, 0);
            doc.EndPath(PdfStyle::Fill);
        },
        [&] {
            for (const auto& ring : rings) {
                const Coordinates outline(ring);
                doc.Polygon(outline.xs, outline.ys, PdfStyle::Draw);
            }
        });
}

// ---- Rectangles, ellipses and arcs ----------------------------------------------------------

void PdfDCImpl::DoDrawRectangle(wxCoord x, wxCoord y, wxCoord width, wxCoord height)
{
    double lx = x, ly = y, lw = width, lh = height;
    vdpdf::NormaliseRect(lx, ly, lw, lh);
    if (lw == 0 || lh == 0 || !HasTarget())
        return;
    const UserRect u = ToUserRect(lx, ly, lw, lh);
    PaintShape({RectRing(u)}, [&](int style) { doc.Rect(u.x, u.y, u.w, u.h, style); });
    CalcBoundingBox(ToInt(lx), ToInt(ly), ToInt(lx + lw), ToInt(ly + lh));
}

void PdfDCImpl::DoDrawRoundedRectangle(wxCoord x, wxCoord y, wxCoord width, wxCoord height, double radius)
{
    double lx = x, ly = y, lw = width, lh = height;
    vdpdf::NormaliseRect(lx, ly, lw, lh);
    if (lw == 0 || lh == 0 || !HasTarget())
        return;
    radius = Clean(radius);
    // A negative radius is a proportion of the shorter side.
    if (radius < 0)
        radius = -radius * std::min(lw, lh);
    const UserRect u = ToUserRect(lx, ly, lw, lh);
    const double ur = std::min({std::min(LengthX(radius), LengthY(radius)), u.w / 2, u.h / 2});
    Rings rings(1);
    if (ur > 0) {
        // The outline for hatching: quarter circles of 8 steps at the corners.
        const UserPoint centres[4] = {{u.x + u.w - ur, u.y + ur},
                                      {u.x + ur, u.y + ur},
                                      {u.x + ur, u.y + u.h - ur},
                                      {u.x + u.w - ur, u.y + u.h - ur}};
        for (int q = 0; q < 4; ++q)
            AppendArc(rings[0], centres[q], ur, ur, q * 90, 90, 8, 9);
    } else {
        rings[0] = RectRing(u);
    }
    PaintShape(rings, [&](int style) { doc.RoundedRect(u.x, u.y, u.w, u.h, ur, PdfCorner::All, style); });
    CalcBoundingBox(ToInt(lx), ToInt(ly), ToInt(lx + lw), ToInt(ly + lh));
}

void PdfDCImpl::DoDrawEllipse(wxCoord x, wxCoord y, wxCoord width, wxCoord height)
{
    if (width == 0 || height == 0 || !HasTarget())
        return;
    const double lx = x, ly = y, lw = width, lh = height;
    const EllipseGeometry e = Inscribed(ToUser(lx, ly), ToUser(lx + lw, ly + lh));
    if (!e.Drawable())
        return;
    Rings rings(1);
    AppendArc(rings[0], e.centre, e.rx, e.ry, 0, 360, 72, 72);
    PaintShape(rings, [&](int style) { doc.Ellipse(e.centre.x, e.centre.y, e.rx, e.ry, 0, 0, 360, style); });
    CalcBoundingBox(x, y, ToInt(lx + lw), ToInt(ly + lh));
}

void PdfDCImpl::DoDrawArc(wxCoord x1, wxCoord y1, wxCoord x2, wxCoord y2, wxCoord xc, wxCoord yc)
{
    if (!HasTarget())
        return;
    const double dx1 = static_cast<double>(x1) - xc, dy1 = static_cast<double>(y1) - yc;
    const double dx2 = static_cast<double>(x2) - xc, dy2 = static_cast<double>(y2) - yc;
    const double radius = std::hypot(dx1, dy1);
    if (!(radius > 0))
        return;
    // Logical angles, anticlockwise as seen with y down; the arc runs anticlockwise
    // from the start to the end point, a full circle when they coincide.
    const double a1 = std::atan2(-dy1, dx1) / kDegToRad;
    const double a2 = std::atan2(-dy2, dx2) / kDegToRad;
    double sweep = a2 - a1;
    if (x1 == x2 && y1 == y2)
        sweep = 360;
    else if (sweep <= 0)
        sweep += 360;
    // The same arc after the mapping (which may mirror or stretch it).
    const double start = SeenAngle(dx1, -dy1) / kDegToRad;
    const double sweepDevice = FlipsOrientation() ? -sweep : sweep;
    const UserPoint c = ToUser(xc, yc);
    const double rx = LengthX(radius), ry = LengthY(radius);
    Rings rings(1);
    rings[0].push_back(c);
    AppendArc(rings[0], c, rx, ry, start, sweepDevice, 72, 73);
    PaintShape(rings, [&](int style) {
        doc.Ellipse(c.x, c.y, rx, ry, 0, start, start + sweepDevice, style, 8, std::fabs(sweep) < 360);
    });
    CalcBoundingBox(ToInt(xc - radius), ToInt(yc - radius), ToInt(xc + radius), ToInt(yc + radius));
}

void PdfDCImpl::DoDrawEllipticArc(wxCoord x, wxCoord y, wxCoord w, wxCoord h, double sa, double ea)
{
    if (!HasTarget() || w == 0 || h == 0)
        return;
    if (!std::isfinite(sa) || !std::isfinite(ea)) {
        wxLogDebug("PdfDC: elliptic arc with angles that are not finite numbers ignored");
        return;
    }
    const double lx = x, ly = y, lw = w, lh = h;
    const EllipseGeometry e = Inscribed(ToUser(lx, ly), ToUser(lx + lw, ly + lh));
    if (!e.Drawable())
        return;
    double sweep = ea - sa; // negative: clockwise
    const bool full = sweep == 0 || std::fabs(sweep) >= 360;
    if (full)
        sweep = 360;
    const double start = SeenAngle(std::cos(sa * kDegToRad), std::sin(sa * kDegToRad)) / kDegToRad;
    const double sweepDevice = FlipsOrientation() ? -sweep : sweep;
    const double end = start + sweepDevice;
    Rings rings(1);
    if (!full)
        rings[0].push_back(e.centre);
    AppendArc(rings[0], e.centre, e.rx, e.ry, start, sweepDevice, 72, 73);
    // The brush fills the pie; the pen draws the arc only.
    FillThenStroke(
        rings, [&] { doc.Ellipse(e.centre.x, e.centre.y, e.rx, e.ry, 0, start, end, PdfStyle::Fill, 8, !full); },
        [&] { doc.Ellipse(e.centre.x, e.centre.y, e.rx, e.ry, 0, start, end, PdfStyle::Draw, 8, false); });
    CalcBoundingBox(x, y, ToInt(lx + lw), ToInt(ly + lh));
}
