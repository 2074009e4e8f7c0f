#include "vdcommon/svg/SvgPainter.h"

#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfSvgSupport.h"
#include "vdcommon/svg/SvgResolver.h"

#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace svg {

namespace {

void Grow(double box[4], bool& any, double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    if (!any) {
        box[0] = box[2] = x;
        box[1] = box[3] = y;
        any = true;
        return;
    }
    box[0] = std::min(box[0], x);
    box[1] = std::min(box[1], y);
    box[2] = std::max(box[2], x);
    box[3] = std::max(box[3], y);
}

bool IsIdentity(const Matrix& m)
{
    return m.a == 1 && m.b == 0 && m.c == 0 && m.d == 1 && m.e == 0 && m.f == 0;
}

// Numbers separated by single spaces, each times `scale`.
template <typename Values>
void AppendNumbers(std::string& out, const Values& values, double scale = 1)
{
    bool first = true;
    for (double v : values) {
        if (!first)
            out += ' ';
        first = false;
        AppendNumber(out, v * scale);
    }
}

void AppendNumbers(std::string& out, std::initializer_list<double> values)
{
    AppendNumbers<std::initializer_list<double>>(out, values);
}

Matrix BoxMatrix(const double bbox[4])
{
    return {bbox[2] - bbox[0], 0, 0, bbox[3] - bbox[1], bbox[0], bbox[1]};
}

// Bounding box of what the node's children draw, their parent space mapped by `m`.
bool ChildrenBounds(const Node& node, const Matrix& m, double box[4])
{
    bool any = false;
    for (const auto& c : node.children) {
        double b[4];
        if (NodeBounds(*c, m, b)) {
            Grow(box, any, b[0], b[1]);
            Grow(box, any, b[2], b[3]);
        }
    }
    return any;
}

} // namespace

bool NodeBounds(const Node& node, const Matrix& m, double box[4])
{
    bool any = false;
    switch (node.kind) {
    case Node::Path:
        for (const PathSegment& s : node.path) {
            const int n = s.kind == PathSegment::Cubic ? 3 : s.kind == PathSegment::Close ? 0 : 1;
            for (int i = 0; i < n; ++i) {
                double x = s.v[i * 2], y = s.v[i * 2 + 1];
                m.Apply(x, y);
                Grow(box, any, x, y);
            }
        }
        break;
    case Node::Text:
        for (const TextRun& r : node.runs) {
            const double xs[2] = {r.x, r.x + r.width}, ys[2] = {r.y - r.fontSize * 0.8, r.y + r.fontSize * 0.2};
            for (double x0 : xs)
                for (double y0 : ys) {
                    double x = x0, y = y0;
                    m.Apply(x, y);
                    Grow(box, any, x, y);
                }
        }
        break;
    case Node::Image:
    case Node::Group: any = ChildrenBounds(node, m * node.transform, box); break;
    }
    return any;
}

Painter::Painter(PdfDocument& document, const Matrix& base) : doc(document), ctm(base)
{
    k = doc.GetScaleFactor();
}

void Painter::Flush()
{
    if (!out.empty()) {
        pdfsvg::Out(doc, out);
        out.clear();
    }
}

void Painter::Draw(const Node& root)
{
    out += "q ";
    EmitMatrix(ctm);
    PaintNode(root, 0);
    out += "Q\n";
    Flush();
}

void Painter::EmitMatrix(const Matrix& m)
{
    if (IsIdentity(m))
        return;
    const double v[6] = {m.a, m.b, m.c, m.d, m.e, m.f};
    for (double x : v) {
        AppendNumber(out, x, 6);
        out += ' ';
    }
    out += "cm\n";
}

void Painter::EmitPath(const Path& path, const Matrix* transform)
{
    auto point = [&](double x, double y) {
        if (transform)
            transform->Apply(x, y);
        AppendNumber(out, x);
        out += ' ';
        AppendNumber(out, y);
        out += ' ';
    };
    for (const PathSegment& s : path) {
        switch (s.kind) {
        case PathSegment::Move:
            point(s.v[0], s.v[1]);
            out += "m\n";
            break;
        case PathSegment::Line:
            point(s.v[0], s.v[1]);
            out += "l\n";
            break;
        case PathSegment::Cubic:
            point(s.v[0], s.v[1]);
            point(s.v[2], s.v[3]);
            point(s.v[4], s.v[5]);
            out += "c\n";
            break;
        case PathSegment::Close: out += "h\n"; break;
        }
    }
}

void Painter::EmitSoftMask(int group)
{
    out += "/GS" + std::to_string(pdfsvg::SoftMaskState(doc, group)) + " gs\n";
}

void Painter::SoftMaskFrom(const std::function<void()>& paint)
{
    const int group = BeginGroup();
    paint();
    EndGroup();
    EmitSoftMask(group);
}

void Painter::EmitColour(const Rgb& c, bool stroke)
{
    AppendNumber(out, c.r / 255.0, 4);
    out += ' ';
    AppendNumber(out, c.g / 255.0, 4);
    out += ' ';
    AppendNumber(out, c.b / 255.0, 4);
    out += stroke ? " RG\n" : " rg\n";
}

void Painter::EmitAlpha(double strokeAlpha, double fillAlpha)
{
    if (strokeAlpha >= 1 && fillAlpha >= 1)
        return;
    const int id = pdfsvg::AlphaState(doc, strokeAlpha, fillAlpha);
    if (id > 0) {
        out += "/GS";
        out += std::to_string(id);
        out += " gs\n";
    }
}

void Painter::EmitStrokeState(const Stroke& s, double scale)
{
    AppendNumber(out, s.width * scale);
    out += " w ";
    out += std::to_string(s.cap);
    out += " J ";
    out += std::to_string(s.join);
    out += " j ";
    AppendNumber(out, s.miterLimit);
    out += " M [";
    AppendNumbers(out, s.dash, scale);
    out += "] ";
    AppendNumber(out, s.dash.empty() ? 0 : s.dashOffset * scale);
    out += " d\n";
}

void Painter::VisibleBox(double box[4]) const
{
    const double w = doc.GetPageWidth() * k, h = doc.GetPageHeight() * k;
    const Matrix inv = ctm.Inverted();
    bool any = false;
    const double xs[2] = {-w * 0.5, w * 1.5}, ys[2] = {-h * 0.5, h * 1.5};
    for (double x0 : xs)
        for (double y0 : ys) {
            double x = x0, y = y0;
            inv.Apply(x, y);
            Grow(box, any, x, y);
        }
    if (!any)
        box[0] = box[1] = box[2] = box[3] = 0;
}

int Painter::BeginGroup()
{
    double box[4];
    VisibleBox(box);
    Flush();
    return pdfsvg::BeginGroup(doc, box);
}

int Painter::EndGroup()
{
    Flush();
    return pdfsvg::EndGroup(doc);
}

void Painter::PaintNode(const Node& node, int depth)
{
    switch (node.kind) {
    case Node::Path: PaintPath(node); return;
    case Node::Text: PaintText(node); return;
    case Node::Image: PaintImage(node); return;
    case Node::Group: break;
    }
    if (!node.transform.Invertible())
        return;
    if (node.clip && node.clip->children.empty())
        return; // a clip that clips everything away
    const Matrix saved = ctm;
    out += "q\n";
    EmitMatrix(node.transform);
    ctm = ctm * node.transform;
    double bbox[4] = {0, 0, 0, 0};
    const bool hasBox =
        ((node.clip && node.clip->objectBoundingBox) || node.mask) && ChildrenBounds(node, Matrix(), bbox);
    if (EmitClipAndMask(node, bbox, hasBox, depth)) {
        if (node.opacity < 1 || node.mask) {
            // Opacity and masks apply to the group's content as one picture.
            const int group = BeginGroup();
            PaintGroupContent(node, depth);
            EndGroup();
            if (node.opacity < 1)
                EmitAlpha(node.opacity, node.opacity);
            Flush();
            pdfsvg::PaintGroup(doc, group);
        } else {
            PaintGroupContent(node, depth);
        }
    }
    out += "Q\n";
    ctm = saved;
}

bool Painter::EmitClipAndMask(const Node& node, const double bbox[4], bool hasBox, int depth)
{
    // Units of the bounding box need a box: without one nothing is drawn.
    if (node.clip && !EmitSimpleClip(*node.clip, bbox)) {
        if (node.clip->objectBoundingBox && !hasBox)
            return false;
        // The clip's coverage as a soft mask over the content.
        SoftMaskFrom([&] { PaintClipMask(*node.clip, bbox, depth); });
    }
    if (node.mask) {
        if (node.mask->objectBoundingBoxRegion && !hasBox)
            return false;
        SoftMaskFrom([&] { PaintMask(*node.mask, bbox, depth); });
    }
    return true;
}

void Painter::PaintGroupContent(const Node& node, int depth)
{
    for (const auto& c : node.children)
        PaintNode(*c, depth + 1);
}

bool Painter::EmitSimpleClip(const ClipPath& clip, const double bbox[4])
{
    if (clip.clip || clip.children.size() != 1)
        return false;
    const Node* child = clip.children.front().get();
    Matrix m = clip.transform;
    if (clip.objectBoundingBox)
        m = m * BoxMatrix(bbox);
    while (child->kind == Node::Group && !child->clip && !child->mask && child->children.size() == 1) {
        m = m * child->transform;
        child = child->children.front().get();
    }
    if (child->kind != Node::Path)
        return false;
    EmitPath(child->path, &m);
    out += child->evenOdd ? "W* n\n" : "W n\n";
    return true;
}

void Painter::PaintClipMask(const ClipPath& clip, const double bbox[4], int depth)
{
    const bool savedMode = maskMode;
    maskMode = true;
    out += "q\n";
    if (clip.clip) {
        // The clip path's own clip path limits its coverage.
        if (!EmitSimpleClip(*clip.clip, bbox))
            SoftMaskFrom([&] { PaintClipMask(*clip.clip, bbox, depth + 1); });
    }
    PaintChildrenIn(clip.children, clip.objectBoundingBox ? clip.transform * BoxMatrix(bbox) : clip.transform, depth);
    out += "Q\n";
    maskMode = savedMode;
}

void Painter::PaintChildrenIn(const NodeList& children, const Matrix& m, int depth)
{
    const Matrix saved = ctm;
    if (!IsIdentity(m)) {
        EmitMatrix(m);
        ctm = ctm * m;
    }
    for (const auto& c : children)
        PaintNode(*c, depth + 1);
    ctm = saved;
}

void Painter::PaintMask(const Mask& mask, const double bbox[4], int depth)
{
    const bool savedMode = maskMode;
    maskMode = false;
    out += "q\n";
    if (mask.mask)
        SoftMaskFrom([&] { PaintMask(*mask.mask, bbox, depth + 1); });
    double x = mask.x, y = mask.y, w = mask.width, h = mask.height;
    if (mask.objectBoundingBoxRegion) {
        x = bbox[0] + x * (bbox[2] - bbox[0]);
        y = bbox[1] + y * (bbox[3] - bbox[1]);
        w *= bbox[2] - bbox[0];
        h *= bbox[3] - bbox[1];
    }
    AppendNumbers(out, {x, y, w, h});
    out += " re W n\n";
    PaintChildrenIn(mask.children, mask.objectBoundingBoxContent ? BoxMatrix(bbox) : Matrix(), depth);
    out += "Q\n";
    maskMode = savedMode;
}

namespace {

// The shading's axis (linear) or circles (radial) for the parameter range t0..t1.
std::vector<double> ShadingCoords(const Gradient& g, double t0, double t1)
{
    if (g.radial) {
        double fx = g.fx, fy = g.fy;
        // A focal point outside the end circle is moved onto it, as SVG 1.1 says.
        const double dx = fx - g.cx, dy = fy - g.cy, d = std::sqrt(dx * dx + dy * dy);
        if (d > g.r * 0.999 && d > 0) {
            fx = g.cx + dx * g.r * 0.999 / d;
            fy = g.cy + dy * g.r * 0.999 / d;
        }
        const double ex = fx + t1 * (g.cx - fx), ey = fy + t1 * (g.cy - fy);
        return {fx, fy, g.fr, ex, ey, g.fr + t1 * (g.r - g.fr)};
    }
    const double vx = g.x2 - g.x1, vy = g.y2 - g.y1;
    return {g.x1 + t0 * vx, g.y1 + t0 * vy, g.x1 + t1 * vx, g.y1 + t1 * vy};
}

} // namespace

void Painter::SpreadRange(const Gradient& g, const Matrix& toGradient, double& t0, double& t1) const
{
    t0 = 0;
    t1 = 1;
    if (g.spread != Gradient::Pad) {
        double box[4];
        VisibleBox(box);
        const Matrix inv = toGradient.Inverted();
        const double xs[2] = {box[0], box[2]}, ys[2] = {box[1], box[3]};
        double lo = 0, hi = 1;
        for (double x0 : xs)
            for (double y0 : ys) {
                double x = x0, y = y0;
                inv.Apply(x, y);
                double t;
                if (g.radial) {
                    const double dx = x - g.fx, dy = y - g.fy;
                    t = g.r > 0 ? std::sqrt(dx * dx + dy * dy) / g.r * 1.5 + 1 : 1;
                } else {
                    const double vx = g.x2 - g.x1, vy = g.y2 - g.y1, len = vx * vx + vy * vy;
                    t = len > 0 ? ((x - g.x1) * vx + (y - g.y1) * vy) / len : 0;
                }
                lo = std::min(lo, t);
                hi = std::max(hi, t);
            }
        t0 = g.radial ? 0 : std::floor(lo);
        t1 = std::ceil(hi);
        if (t1 - t0 > 200)
            t0 = 0, t1 = 1;
    }
}

int Painter::ShadingFor(const Gradient& g, const Matrix& toGradient, bool opacity, bool& anyAlpha)
{
    // The part of the gradient's parameter range the visible area needs, so that
    // reflect and repeat can be written as a pad gradient over several periods.
    double t0, t1;
    SpreadRange(g, toGradient, t0, t1);
    // Stops sharing the first or last offset: the pad colour beyond is the outermost
    // stop's, which the shading's own extension would not give.
    const bool hardEnds =
        g.spread == Gradient::Pad && g.stops.size() > 1 && !g.radial &&
        (g.stops[0].offset == g.stops[1].offset || g.stops.back().offset == g.stops[g.stops.size() - 2].offset);
    std::vector<std::pair<double, PdfColour>> stops;
    auto colourOf = [&](const GradientStop& s) {
        if (!opacity)
            return PdfColour(s.colour.r, s.colour.g, s.colour.b);
        const unsigned char grey = static_cast<unsigned char>(std::lround(s.opacity * 255));
        return PdfColour(grey, grey, grey);
    };
    if (hardEnds) {
        t0 = -1;
        t1 = 2;
        stops.emplace_back(0.0, colourOf(g.stops.front()));
    }
    const double span = t1 - t0;
    const std::vector<GradientStop>& used = g.stops;
    for (double p = hardEnds ? 0 : t0; p < (hardEnds ? 1 : t1); p += 1) {
        const bool mirrored = g.spread == Gradient::Reflect && static_cast<long long>(std::floor(p)) % 2 != 0;
        for (size_t i = 0; i < used.size(); ++i) {
            const GradientStop& s = used[mirrored ? used.size() - 1 - i : i];
            const double offset = mirrored ? 1 - s.offset : s.offset;
            const double at = (p - t0 + offset) / span;
            anyAlpha = anyAlpha || s.opacity < 1;
            stops.emplace_back(at, colourOf(s));
        }
    }
    if (hardEnds)
        stops.emplace_back(1.0, colourOf(g.stops.back()));
    return pdfsvg::Shading(doc, g.radial ? 3 : 2, ShadingCoords(g, t0, t1), stops);
}

bool Painter::EmitGradient(const svg::Paint& paint, const double bbox[4])
{
    const Gradient& g = *paint.gradient;
    Matrix m = g.transform;
    if (!g.userSpace) {
        if (!(bbox[2] - bbox[0] > 0) || !(bbox[3] - bbox[1] > 0))
            return false;
        m = BoxMatrix(bbox) * m;
    }
    if (!m.Invertible())
        return false;
    bool anyAlpha = false;
    const int shading = ShadingFor(g, m, false, anyAlpha);
    if (shading == 0)
        return false;
    if (anyAlpha) {
        // The stops' opacities as a grey shading: the soft mask of the colour one.
        SoftMaskFrom([&] {
            out += "q\n";
            EmitMatrix(m);
            bool unused = false;
            const int alphaShading = ShadingFor(g, m, true, unused);
            out += "/Sh" + std::to_string(alphaShading) + " sh\nQ\n";
        });
    }
    EmitAlpha(paint.opacity, paint.opacity);
    EmitMatrix(m);
    out += "/Sh" + std::to_string(shading) + " sh\n";
    return true;
}

namespace {

// A gradient in bounding-box units cannot apply to a box without area: the paint's
// fallback colour is used, or nothing.
svg::Paint Usable(const svg::Paint& paint, const double bbox[4])
{
    const bool boxUnits =
        paint.kind == svg::Paint::Server &&
        (paint.gradient ? !paint.gradient->userSpace : paint.pattern && paint.pattern->objectBoundingBoxUnits);
    if (!boxUnits || (bbox[2] - bbox[0] > 0 && bbox[3] - bbox[1] > 0))
        return paint;
    svg::Paint p;
    if (paint.hasFallback) {
        p.kind = svg::Paint::Colour;
        p.colour = paint.fallbackColour;
        p.opacity = paint.fallbackOpacity;
    }
    return p;
}

} // namespace

bool Painter::EmitServer(const svg::Paint& paint, const double bbox[4], const double area[4])
{
    if (paint.gradient)
        return EmitGradient(paint, bbox);
    if (paint.pattern)
        return PaintPattern(*paint.pattern, paint.opacity, bbox, area);
    return false;
}

bool Painter::PaintPattern(const Pattern& p, double opacity, const double bbox[4], const double area[4])
{
    const double bw = bbox[2] - bbox[0], bh = bbox[3] - bbox[1];
    double x = p.x, y = p.y, w = p.width, h = p.height;
    if (p.objectBoundingBoxUnits) {
        if (!(bw > 0) || !(bh > 0))
            return false;
        x = bbox[0] + x * bw;
        y = bbox[1] + y * bh;
        w *= bw;
        h *= bh;
    }
    if (!(w > 0) || !(h > 0) || !p.transform.Invertible())
        return false;
    // The tiles that cover the area, in the pattern's own space.
    const Matrix inv = p.transform.Inverted();
    double box[4];
    bool any = false;
    for (double ax : {area[0], area[2]})
        for (double ay : {area[1], area[3]}) {
            double px = ax, py = ay;
            inv.Apply(px, py);
            Grow(box, any, px, py);
        }
    const double i0 = std::floor((box[0] - x) / w), i1 = std::ceil((box[2] - x) / w);
    const double j0 = std::floor((box[1] - y) / h), j1 = std::ceil((box[3] - y) / h);
    // Tiles too small to matter would only cost time: a generous bound.
    if (!any || !((i1 - i0) * (j1 - j0) <= 20000))
        return false;
    Matrix content;
    if (p.hasViewBox)
        content =
            ViewBoxTransform(p.viewBox[0], p.viewBox[1], p.viewBox[2], p.viewBox[3], p.preserveAspectRatio, 0, 0, w, h);
    else if (p.objectBoundingBoxContent)
        content = Matrix::Scale(bw, bh);
    // One tile recorded once, clipped to its cell, painted at every cell.
    const Matrix saved = ctm;
    ctm = ctm * p.transform * Matrix::Translate(x, y) * content;
    Flush();
    const double tileBox[4] = {0, 0, w, h};
    const int tile = pdfsvg::BeginGroup(doc, tileBox);
    out += "0 0 ";
    AppendNumbers(out, {w, h});
    out += " re W n\n";
    EmitMatrix(content);
    const bool savedMode = maskMode;
    maskMode = false;
    for (const auto& c : p.children)
        PaintNode(*c, 1);
    maskMode = savedMode;
    EndGroup();
    ctm = saved;
    out += "q\n";
    EmitMatrix(p.transform);
    EmitAlpha(opacity, opacity);
    for (double i = i0; i < i1; ++i) {
        for (double j = j0; j < j1; ++j) {
            out += "q 1 0 0 1 ";
            AppendNumbers(out, {x + i * w, y + j * h});
            out += " cm\n";
            Flush();
            pdfsvg::PaintGroup(doc, tile);
            out += "Q\n";
        }
    }
    out += "Q\n";
    return true;
}

void Painter::PaintPath(const Node& node)
{
    double bbox[4] = {0, 0, 0, 0};
    PathBounds(node.path, bbox[0], bbox[1], bbox[2], bbox[3]);
    if (maskMode) {
        out += "1 g\n";
        EmitPath(node.path);
        out += node.evenOdd ? "f*\n" : "f\n";
        return;
    }
    const svg::Paint fill = Usable(node.fill, bbox);
    if (node.hasFill) {
        if (fill.kind == Paint::Colour && fill.opacity > 0) {
            out += "q\n";
            EmitColour(fill.colour, false);
            EmitAlpha(1, fill.opacity);
            EmitPath(node.path);
            out += node.evenOdd ? "f*\nQ\n" : "f\nQ\n";
        } else if (fill.kind == Paint::Server) {
            out += "q\n";
            EmitPath(node.path);
            out += node.evenOdd ? "W* n\n" : "W n\n";
            EmitServer(fill, bbox, bbox);
            out += "Q\n";
        }
    }
    if (node.hasStroke) {
        Stroke s = node.stroke;
        s.paint = Usable(s.paint, bbox);
        if (s.paint.kind == Paint::Colour && s.paint.opacity > 0) {
            out += "q\n";
            EmitStrokeState(s);
            EmitColour(s.paint.colour, true);
            EmitAlpha(s.paint.opacity, 1);
            EmitPath(node.path);
            out += "S\nQ\n";
        } else if (s.paint.kind == Paint::Server) {
            // The stroke's coverage as a soft mask over the gradient.
            const int group = BeginGroup();
            EmitStrokeState(s);
            out += "1 G\n";
            EmitPath(node.path);
            out += "S\n";
            EndGroup();
            out += "q\n";
            EmitSoftMask(group);
            const double grow = s.width * std::max(s.miterLimit, 1.0);
            const double area[4] = {bbox[0] - grow, bbox[1] - grow, bbox[2] + grow, bbox[3] + grow};
            EmitServer(s.paint, bbox, area);
            out += "Q\n";
        }
    }
}

void Painter::PaintImage(const Node& node)
{
    wxMemoryInputStream in(node.imageData.data(), node.imageData.size());
    wxImage image;
    {
        wxLogNull quiet;
        if (!image.LoadFile(in, wxBITMAP_TYPE_ANY) || !image.IsOk())
            return;
    }
    out += "q\n";
    if (node.clipImage) {
        AppendNumbers(out, {node.clipX, node.clipY, node.clipW, node.clipH});
        out += " re W n\n";
    }
    if (k != 1)
        EmitMatrix(Matrix::Scale(1 / k, 1 / k));
    Flush();
    // The document stores identical pixels once, whatever the name.
    doc.Image(wxString::Format(wxS("svg-image-%zu"), std::hash<std::string>()(node.imageData)), image, node.x, node.y,
              node.w, node.h);
    out += "Q\n";
}

void Painter::DrawRun(const TextRun& run, bool fill, bool stroke, const Rgb& fillColour, double fillAlpha,
                      const Rgb& strokeColour, double strokeAlpha)
{
    out += "q\n";
    if (run.rotate != 0) {
        const double r = run.rotate * 3.14159265358979323846 / 180;
        EmitMatrix(Matrix::Translate(run.x, run.y) * Matrix{std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0} *
                   Matrix::Translate(-run.x, -run.y));
    }
    // The document's text calls work in its user unit: one SVG unit is 1/k of them.
    if (k != 1)
        EmitMatrix(Matrix::Scale(1 / k, 1 / k));
    if (stroke) {
        EmitColour(strokeColour, true);
        EmitStrokeState(run.stroke, k);
    }
    EmitAlpha(stroke ? strokeAlpha : 1, fill ? fillAlpha : 1);
    Flush();
    doc.SetFont(wxString::FromUTF8(run.family), wxString::FromUTF8(run.style), run.fontSize * k);
    doc.SetTextColour(fillColour.r, fillColour.g, fillColour.b);
    doc.SetTextRenderMode(fill && stroke ? 2 : stroke ? 1 : 0);
    doc.Text(run.x, run.y, wxString::FromUTF8(run.text));
    doc.SetTextRenderMode(0);
    if (fill && (run.underline || run.overline || run.lineThrough)) {
        const double t = run.fontSize / 14;
        auto line = [&](double y) {
            AppendNumbers(out, {run.x * k, (y - t / 2) * k, run.width * k, t * k});
            out += " re f\n";
        };
        EmitColour(fillColour, false);
        if (run.underline)
            line(run.y + run.fontSize * 0.1);
        if (run.overline)
            line(run.y - run.fontSize * 0.73);
        if (run.lineThrough)
            line(run.y - run.fontSize * 0.3);
    }
    out += "Q\n";
}

void Painter::PaintText(const Node& node)
{
    double bbox[4] = {0, 0, 0, 0};
    NodeBounds(node, Matrix(), bbox);
    const Rgb white{255, 255, 255};
    for (const TextRun& run : node.runs) {
        if (maskMode) {
            if (run.fill.kind != Paint::None)
                DrawRun(run, true, false, white, 1, white, 1);
            continue;
        }
        const svg::Paint fill = Usable(run.fill, bbox);
        Stroke strokeCopy = run.stroke;
        strokeCopy.paint = Usable(run.stroke.paint, bbox);
        const svg::Paint& stroke = strokeCopy.paint;
        const bool solidFill = fill.kind == Paint::Colour && fill.opacity > 0;
        const bool solidStroke = run.hasStroke && stroke.kind == Paint::Colour && stroke.opacity > 0;
        // Fill first, then stroke, as the standard paints them; solid paints go
        // straight into the text operators, paint servers through the glyphs'
        // coverage as a soft mask.
        const bool together = solidFill && solidStroke;
        if (together)
            DrawRun(run, true, true, fill.colour, fill.opacity, stroke.colour, stroke.opacity);
        for (int part = 0; part < 2 && !together; ++part) {
            const svg::Paint& paint = part == 0 ? fill : stroke;
            if (part == 1 && !run.hasStroke)
                continue;
            if (part == 0 ? solidFill : solidStroke) {
                DrawRun(run, part == 0, part == 1, fill.colour, fill.opacity, stroke.colour, stroke.opacity);
                continue;
            }
            if (paint.kind != Paint::Server)
                continue;
            const int group = BeginGroup();
            DrawRun(run, part == 0, part == 1, white, 1, white, 1);
            EndGroup();
            out += "q\n";
            EmitSoftMask(group);
            const double grow = run.fontSize + run.stroke.width;
            const double area[4] = {bbox[0] - grow, bbox[1] - grow, bbox[2] + grow, bbox[3] + grow};
            EmitServer(paint, bbox, area);
            out += "Q\n";
        }
    }
}

} // namespace svg
