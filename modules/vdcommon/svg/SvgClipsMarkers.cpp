// Elements used by reference from another element's property: clip paths, masks and
// markers. Each is resolved anew for every use (a reference cycle is cut).
#include "vdcommon/svg/SvgResolverImpl.h"

#include <cmath>
#include <fmt/format.h>

namespace svg::resolve {

std::shared_ptr<const ClipPath> Resolver::ClipFor(std::string_view reference, int depth)
{
    std::string_view ref = Trim(reference);
    if (ref == "none" || ref.rfind("url(", 0) != 0)
        return nullptr;
    const size_t hash = ref.find('#'), close = ref.find(')');
    if (hash == std::string_view::npos || close == std::string_view::npos || close < hash)
        return nullptr;
    std::string_view id = Trim(ref.substr(hash + 1, close - hash - 1));
    if (!id.empty() && (id.back() == '"' || id.back() == '\''))
        id.remove_suffix(1);
    const Element* e = doc.FindById(id);
    auto invalid = std::make_shared<ClipPath>(); // clips everything away
    if (!e || e->tag != "clipPath" || depth > limits.maxDepth)
        return invalid;
    // A clip path that refers back to itself: the circular reference is ignored.
    if (instancing.count(e))
        return nullptr;
    instancing.insert(e);
    auto clip = std::make_shared<ClipPath>();
    if (const std::string* u = e->Attribute("clipPathUnits"))
        clip->objectBoundingBox = Trim(*u) == "objectBoundingBox";
    Matrix m;
    if (const std::string* t = e->Property("transform"))
        if (ParseTransform(*t, m))
            clip->transform = m;
    const Style style = DocumentStyle(*e);
    if (const std::string* cp = e->Property("clip-path"))
        clip->clip = ClipFor(*cp, depth + 1);
    const bool wasClip = clipMode;
    clipMode = true;
    static const std::set<std::string, std::less<>> kAllowed = {"rect",    "circle", "ellipse", "line", "polyline",
                                                                "polygon", "path",   "text",    "use"};
    for (const Element* c : e->children) {
        if (c->IsText() || !kAllowed.count(c->tag))
            continue;
        if (c->tag == "use") {
            // Only a use of a shape or text may be in a clip path.
            const std::string* href = Href(*c);
            const Element* target = href && !href->empty() ? doc.FindById(std::string_view(*href).substr(1)) : nullptr;
            if (!target || !kAllowed.count(target->tag) || target->tag == "use")
                continue;
        }
        ResolveElement(*c, style, clip->children, depth + 1);
    }
    clipMode = wasClip;
    instancing.erase(e);
    return clip;
}

std::shared_ptr<const Mask> Resolver::MaskFor(std::string_view reference, int depth)
{
    std::string_view ref = Trim(reference);
    const size_t hash = ref.find('#'), close = ref.find(')');
    if (ref.rfind("url(", 0) != 0 || hash == std::string_view::npos || close == std::string_view::npos)
        return nullptr;
    const Element* e = doc.FindById(Trim(ref.substr(hash + 1, close - hash - 1)));
    if (!e || e->tag != "mask" || instancing.count(e) || depth > limits.maxDepth)
        return nullptr;
    instancing.insert(e);
    auto mask = std::make_shared<Mask>();
    if (const std::string* u = e->Attribute("maskUnits"))
        mask->objectBoundingBoxRegion = Trim(*u) != "userSpaceOnUse";
    if (const std::string* u = e->Attribute("maskContentUnits"))
        mask->objectBoundingBoxContent = Trim(*u) == "objectBoundingBox";
    const Style style = DocumentStyle(*e);
    auto len = [&](std::string_view name, int axis, double fallbackFraction) {
        const std::string* v = e->Attribute(name);
        Length l;
        if (!v || !ParseLength(*v, l))
            l = {fallbackFraction * 100, Unit::Percent};
        if (mask->objectBoundingBoxRegion)
            return l.unit == Unit::Percent ? l.value / 100 : l.value;
        return ToUser(l, axis, style);
    };
    mask->x = len("x", 0, -0.1);
    mask->y = len("y", 1, -0.1);
    mask->width = len("width", 0, 1.2);
    mask->height = len("height", 1, 1.2);
    if (const std::string* m = e->Property("mask"))
        mask->mask = MaskFor(*m, depth + 1);
    ResolveChildren(*e, style, mask->children, depth + 1);
    instancing.erase(e);
    return mask;
}

namespace {

// A vertex of a path with the directions of the segments that come in and go out.
struct Vertex {
    double x, y;
    double inX = 0, inY = 0, outX = 0, outY = 0;
    bool hasIn = false, hasOut = false;
};

std::vector<Vertex> MarkerVertices(const Path& path)
{
    std::vector<Vertex> vertices;
    double sx = 0, sy = 0, cx = 0, cy = 0;
    auto segment = [&](double x0, double y0, double c1x, double c1y, double c2x, double c2y, double x, double y) {
        double ox = c1x - x0, oy = c1y - y0, ix = x - c2x, iy = y - c2y;
        if (ox == 0 && oy == 0)
            ox = c2x - x0, oy = c2y - y0;
        if (ox == 0 && oy == 0)
            ox = x - x0, oy = y - y0;
        if (ix == 0 && iy == 0)
            ix = x - c1x, iy = y - c1y;
        if (ix == 0 && iy == 0)
            ix = x - x0, iy = y - y0;
        if (!vertices.empty()) {
            vertices.back().outX = ox, vertices.back().outY = oy, vertices.back().hasOut = true;
        }
        Vertex v{x, y};
        v.inX = ix, v.inY = iy, v.hasIn = true;
        vertices.push_back(v);
    };
    for (const PathSegment& s : path) {
        switch (s.kind) {
        case PathSegment::Move:
            cx = sx = s.v[0];
            cy = sy = s.v[1];
            vertices.push_back({cx, cy});
            break;
        case PathSegment::Line:
            segment(cx, cy, cx, cy, s.v[0], s.v[1], s.v[0], s.v[1]);
            cx = s.v[0], cy = s.v[1];
            break;
        case PathSegment::Cubic:
            segment(cx, cy, s.v[0], s.v[1], s.v[2], s.v[3], s.v[4], s.v[5]);
            cx = s.v[4], cy = s.v[5];
            break;
        case PathSegment::Close:
            segment(cx, cy, cx, cy, sx, sy, sx, sy);
            cx = sx, cy = sy;
            break;
        }
    }
    return vertices;
}

// The marker's angle in degrees: a fixed one, or along the path (the bisector at a corner).
double MarkerAngle(const Element& marker, const Vertex& v, bool first)
{
    double angle = 0;
    const std::string* orient = marker.Attribute("orient");
    if (orient && (Trim(*orient) == "auto" || Trim(*orient) == "auto-start-reverse")) {
        const double in = v.hasIn ? std::atan2(v.inY, v.inX) : std::atan2(v.outY, v.outX);
        const double out = v.hasOut ? std::atan2(v.outY, v.outX) : in;
        double d = out - in;
        while (d > kPi)
            d -= 2 * kPi;
        while (d < -kPi)
            d += 2 * kPi;
        angle = (in + d / 2) * 180 / kPi;
        if (first && Trim(*orient) == "auto-start-reverse")
            angle += 180;
    } else if (orient) {
        ParseNumber(*orient, angle);
    }
    return angle;
}

} // namespace

void Resolver::AddMarkers(const Style& style, const Path& path, Node& group, int depth)
{
    const std::vector<Vertex> vertices = MarkerVertices(path);
    for (size_t i = 0; i < vertices.size(); ++i) {
        const int which = i == 0 ? 0 : i + 1 == vertices.size() ? 2 : 1;
        const std::string& reference = style.markers[which];
        const size_t hash = reference.find('#'), close = reference.find(')');
        if (reference.empty() || hash == std::string::npos || close == std::string::npos || close < hash)
            continue;
        const Element* m = doc.FindById(Trim(std::string_view(reference).substr(hash + 1, close - hash - 1)));
        if (!m || m->tag != "marker" || instancing.count(m))
            continue;
        if (++useExpansions > limits.maxUseExpansions) {
            Warn(fmt::format("SVG: more than {} use references; the rest is not drawn", limits.maxUseExpansions));
            return;
        }
        const Vertex& v = vertices[i];
        if (std::unique_ptr<Node> marker = MarkerAt(*m, style, v.x, v.y, MarkerAngle(*m, v, i == 0), depth))
            group.children.push_back(std::move(marker));
    }
}

std::unique_ptr<Node> Resolver::MarkerAt(const Element& m, const Style& style, double x, double y, double angle,
                                         int depth)
{
    const Style mstyle = DocumentStyle(m);
    const double mw = AttrLength(m, "markerWidth", 0, mstyle, 3), mh = AttrLength(m, "markerHeight", 1, mstyle, 3);
    if (!(mw > 0) || !(mh > 0))
        return nullptr;
    const std::string* units = m.Attribute("markerUnits");
    const double scale = units && Trim(*units) == "userSpaceOnUse" ? 1 : style.strokeWidth;
    bool hasViewBox = false;
    const Matrix vb = ViewBoxFor(m, 0, 0, mw, mh, hasViewBox);
    double rx = AttrLength(m, "refX", 0, mstyle, 0), ry = AttrLength(m, "refY", 1, mstyle, 0);
    vb.Apply(rx, ry);
    const double r = angle * kPi / 180;
    auto outer = std::make_unique<Node>();
    outer->transform = Matrix::Translate(x, y) * Matrix{std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0} *
                       Matrix::Scale(scale, scale) * Matrix::Translate(-rx, -ry);
    ClipToViewport(m, *outer, 0, 0, mw, mh);
    auto inner = std::make_unique<Node>();
    inner->transform = vb;
    instancing.insert(&m);
    viewports.push_back(InnerViewport(m, hasViewBox, mw, mh));
    ResolveChildren(m, mstyle, inner->children, depth + 1);
    viewports.pop_back();
    instancing.erase(&m);
    if (inner->children.empty())
        return nullptr;
    outer->children.push_back(std::move(inner));
    return outer;
}

} // namespace svg::resolve
