// PdfDocument: transforms, clipping, gradients, templates and raw output.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"
#include "pdf/PdfGraphicsSupport.h"

#include <wx/log.h>

#include <algorithm>
#include <cmath>

using namespace vdpdf;
using namespace vdpdf::gfx;

namespace {

constexpr double kPi = 3.14159265358979323846;

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
    s.dash = std::string("?"); // a temporary: g++ 12 warns wrongly about the literal's copy
    s.gstate = -1;
    return s;
}

} // namespace

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
    s.Res().Add(Resources::Shading, id);
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
    s.Res().Add(Resources::Shading, id);
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
    s.Res().Add(Resources::Form, id);
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
