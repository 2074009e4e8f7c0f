// Resolve stage: the element walk. Each element's computed style decides whether and
// how it is drawn; containers, nested viewports and `use` instances become groups.
#include "vdcommon/svg/SvgResolverImpl.h"

#include <fmt/format.h>

namespace svg {

namespace resolve {

const std::string* Href(const Element& e)
{
    const std::string* href = e.Attribute("href");
    return href ? href : e.Attribute("xlink:href");
}

void ClipToViewport(const Element& e, Node& group, double x, double y, double w, double h)
{
    const std::string* overflow = e.Property("overflow");
    if (overflow && (Trim(*overflow) == "visible" || Trim(*overflow) == "auto"))
        return;
    auto clip = std::make_shared<ClipPath>();
    auto rect = std::make_unique<Node>();
    rect->kind = Node::Path;
    rect->hasFill = true;
    rect->path = {{PathSegment::Move, {x, y}},
                  {PathSegment::Line, {x + w, y}},
                  {PathSegment::Line, {x + w, y + h}},
                  {PathSegment::Line, {x, y + h}},
                  {PathSegment::Close, {}}};
    clip->children.push_back(std::move(rect));
    group.clip = clip;
}

Matrix ViewBoxFor(const Element& e, double x, double y, double w, double h, bool& hasViewBox)
{
    hasViewBox = false;
    const std::string* vb = e.Attribute("viewBox");
    std::vector<double> v;
    if (!vb || !ParseNumberList(*vb, v) || v.size() != 4 || !(v[2] > 0) || !(v[3] > 0))
        return Matrix::Translate(x, y);
    hasViewBox = true;
    const std::string* par = e.Attribute("preserveAspectRatio");
    return ViewBoxTransform(v[0], v[1], v[2], v[3], par ? std::string_view(*par) : std::string_view(), x, y, w, h);
}

Viewport InnerViewport(const Element& e, bool hasViewBox, double w, double h)
{
    if (!hasViewBox)
        return {w, h};
    std::vector<double> vb;
    ParseNumberList(*e.Attribute("viewBox"), vb);
    return {vb[2], vb[3]};
}

ResolveResult Resolver::Run(double width, double height)
{
    ResolveResult result;
    const Element* root = doc.Root();
    if (!root || root->tag != "svg")
        return result;
    double iw = 0, ih = 0;
    IntrinsicSize(*root, iw, ih);
    result.viewportWidth = iw;
    result.viewportHeight = ih;
    if (!(width > 0) || !(height > 0)) {
        width = iw;
        height = ih;
    }
    Style base;
    if (!fonts.defaultFamily.empty())
        base.fontFamily = fonts.defaultFamily;
    Style style;
    ComputeStyle(*root, base, style);
    bool hasViewBox = false;
    Matrix m = ViewBoxFor(*root, 0, 0, width, height, hasViewBox);
    if (!hasViewBox) {
        // Without a viewBox the graphic's own size is scaled onto the target.
        m = Matrix::Scale(width / iw, height / ih);
    }
    viewports.push_back(InnerViewport(*root, hasViewBox, iw, ih));
    auto group = std::make_unique<Node>();
    group->transform = m;
    if (!style.displayNone)
        ResolveChildren(*root, style, group->children, 0);
    // The root's own opacity, clip and mask apply (its transform does not, as SVG 1.1).
    group->opacity = style.opacity;
    if (const std::string* cp = root->Property("clip-path"))
        group->clip = ClipFor(*cp, 0);
    if (const std::string* mk = root->Property("mask"))
        group->mask = MaskFor(*mk, 0);
    result.root = std::move(group);
    result.warnings = std::move(warnings);
    return result;
}

void Resolver::ResolveChildren(const Element& e, const Style& style, NodeList& out, int depth)
{
    for (const Element* c : e.children)
        if (!c->IsText())
            ResolveElement(*c, style, out, depth + 1);
}

namespace {

// Conditional attributes: a feature list or language we cannot promise is not drawn.
bool Excluded(const Element& e)
{
    return e.Attribute("requiredExtensions") ||
           (e.Attribute("systemLanguage") && *e.Attribute("systemLanguage") != "en");
}

bool IsShape(const std::string& tag)
{
    return tag == "rect" || tag == "circle" || tag == "ellipse" || tag == "line" || tag == "polyline" ||
           tag == "polygon" || tag == "path";
}

} // namespace

void Resolver::ResolveElement(const Element& e, const Style& parent, NodeList& out, int depth)
{
    if (depth > limits.maxDepth) {
        Warn(fmt::format("SVG: elements nested deeper than {} are not drawn", limits.maxDepth));
        return;
    }
    if (Excluded(e))
        return;
    Style style;
    ComputeStyle(e, parent, style);
    if (style.displayNone)
        return;
    const std::string& tag = e.tag;
    if (tag == "g" || tag == "a" || (tag == "switch" && !clipMode)) {
        ResolveContainer(e, style, out, depth);
    } else if (tag == "svg") {
        ResolveNestedSvg(e, style, out, depth);
    } else if (tag == "use") {
        auto group = std::make_unique<Node>();
        ResolveUse(e, style, *group, depth);
        if (group->children.empty())
            return;
        const double x = AttrLength(e, "x", 0, style, 0), y = AttrLength(e, "y", 1, style, 0);
        const Matrix offset = Matrix::Translate(x, y);
        out.push_back(Wrap(e, style, std::move(group), depth, &offset));
    } else if (tag == "text") {
        auto node = std::make_unique<Node>();
        node->kind = Node::Text;
        ResolveText(e, style, *node);
        if (!node->runs.empty())
            out.push_back(Wrap(e, style, std::move(node), depth));
    } else if (tag == "image") {
        if (clipMode || !style.visible)
            return;
        if (std::unique_ptr<Node> node = ResolveImage(e, style))
            out.push_back(Wrap(e, style, std::move(node), depth));
    } else if (IsShape(tag)) {
        ResolveShapeElement(e, style, out, depth);
    }
}

void Resolver::ResolveContainer(const Element& e, const Style& style, NodeList& out, int depth)
{
    if (clipMode)
        return;
    auto group = std::make_unique<Node>();
    if (e.tag == "switch") {
        // The first child whose conditions hold.
        for (const Element* c : e.children) {
            if (c->IsText() || Excluded(*c))
                continue;
            ResolveElement(*c, style, group->children, depth + 1);
            break;
        }
    } else {
        ResolveChildren(e, style, group->children, depth);
    }
    if (!group->children.empty())
        out.push_back(Wrap(e, style, std::move(group), depth));
}

void Resolver::ResolveNestedSvg(const Element& e, const Style& style, NodeList& out, int depth)
{
    if (clipMode)
        return;
    const double x = AttrLength(e, "x", 0, style, 0), y = AttrLength(e, "y", 1, style, 0);
    const double w = AttrLength(e, "width", 0, style, viewports.back().width);
    const double h = AttrLength(e, "height", 1, style, viewports.back().height);
    if (!(w > 0) || !(h > 0))
        return;
    if (std::unique_ptr<Node> group = ViewportContent(e, style, x, y, w, h, depth))
        out.push_back(Wrap(e, style, std::move(group), depth));
}

std::unique_ptr<Node> Resolver::ViewportContent(const Element& e, const Style& style, double x, double y, double w,
                                                double h, int depth)
{
    bool hasViewBox = false;
    const Matrix m = ViewBoxFor(e, x, y, w, h, hasViewBox);
    viewports.push_back(InnerViewport(e, hasViewBox, w, h));
    auto content = std::make_unique<Node>();
    content->transform = m;
    ResolveChildren(e, style, content->children, depth);
    viewports.pop_back();
    if (content->children.empty())
        return nullptr;
    auto clipped = std::make_unique<Node>();
    ClipToViewport(e, *clipped, x, y, w, h);
    clipped->children.push_back(std::move(content));
    return clipped;
}

void Resolver::ResolveShapeElement(const Element& e, const Style& style, NodeList& out, int depth)
{
    if (!style.visible)
        return;
    std::unique_ptr<Node> node = ResolveShape(e, style);
    if (!node)
        return;
    const std::string& tag = e.tag;
    if (!clipMode && (tag == "path" || tag == "line" || tag == "polyline" || tag == "polygon") &&
        (!style.markers[0].empty() || !style.markers[1].empty() || !style.markers[2].empty())) {
        // The shape and its markers are one group (for opacity, clip and mask).
        auto group = std::make_unique<Node>();
        const Path path = node->path;
        group->children.push_back(std::move(node));
        AddMarkers(style, path, *group, depth);
        node = std::move(group);
    }
    out.push_back(Wrap(e, style, std::move(node), depth));
}

void Resolver::ResolveUse(const Element& e, const Style& style, Node& group, int depth)
{
    const std::string* href = Href(e);
    if (!href || href->size() < 2 || (*href)[0] != '#')
        return;
    const Element* target = doc.FindById(std::string_view(*href).substr(1));
    if (!target)
        return;
    // A reference to itself or an ancestor would never end.
    for (const Element* p = &e; p; p = p->parent)
        if (p == target)
            return;
    if (instancing.count(target) || instancing.count(&e))
        return;
    if (++useExpansions > limits.maxUseExpansions) {
        Warn(fmt::format("SVG: more than {} use references; the rest is not drawn", limits.maxUseExpansions));
        return;
    }
    instancing.insert(&e);
    if (target->tag == "symbol" || target->tag == "svg")
        InstanceViewport(e, *target, style, group, depth);
    else
        ResolveElement(*target, style, group.children, depth + 1);
    instancing.erase(&e);
}

void Resolver::InstanceViewport(const Element& e, const Element& target, const Style& style, Node& group, int depth)
{
    const bool isSymbol = target.tag == "symbol";
    Style inner;
    ComputeStyle(target, style, inner);
    if (inner.displayNone && !isSymbol)
        return;
    // The use's width and height override the target's.
    double w = AttrLength(e, "width", 0, style, -1), h = AttrLength(e, "height", 1, style, -1);
    const double tx = AttrLength(target, "x", 0, inner, 0), ty = AttrLength(target, "y", 1, inner, 0);
    if (w < 0)
        w = AttrLength(target, "width", 0, inner, viewports.back().width);
    if (h < 0)
        h = AttrLength(target, "height", 1, inner, viewports.back().height);
    if (!(w > 0 && h > 0))
        return;
    std::unique_ptr<Node> clipped = ViewportContent(target, inner, tx, ty, w, h, depth + 1);
    if (!clipped)
        return;
    if (isSymbol)
        group.children.push_back(std::move(clipped));
    else // the referenced svg's own transform, opacity, clip and mask apply
        group.children.push_back(Wrap(target, inner, std::move(clipped), depth + 1));
}

std::unique_ptr<Node> Resolver::Wrap(const Element& e, const Style& style, std::unique_ptr<Node> node, int depth,
                                     const Matrix* extra)
{
    Matrix transform;
    if (const std::string* t = e.Property("transform")) {
        Matrix m;
        if (ParseTransform(*t, m))
            transform = m;
    }
    if (extra)
        transform = transform * *extra;
    std::shared_ptr<const ClipPath> clip;
    std::shared_ptr<const Mask> mask;
    if (const std::string* cp = e.Property("clip-path"))
        clip = ClipFor(*cp, depth);
    if (!clipMode)
        if (const std::string* m = e.Property("mask"))
            mask = MaskFor(*m, depth);
    const double opacity = clipMode ? 1 : style.opacity;
    const bool identity = transform.a == 1 && transform.b == 0 && transform.c == 0 && transform.d == 1 &&
                          transform.e == 0 && transform.f == 0;
    if (identity && opacity == 1 && !clip && !mask)
        return node;
    if (node->kind == Node::Group && node->opacity == 1 && !node->clip && !node->mask) {
        node->transform = transform * node->transform;
        node->opacity = opacity;
        node->clip = clip;
        node->mask = mask;
        return node;
    }
    auto group = std::make_unique<Node>();
    group->transform = transform;
    group->opacity = opacity;
    group->clip = clip;
    group->mask = mask;
    group->children.push_back(std::move(node));
    return group;
}

} // namespace resolve

bool PathBounds(const Path& path, double& x0, double& y0, double& x1, double& y1)
{
    bool any = false;
    for (const PathSegment& s : path) {
        const int n = s.kind == PathSegment::Cubic ? 3 : s.kind == PathSegment::Close ? 0 : 1;
        for (int i = 0; i < n; ++i) {
            const double x = s.v[i * 2], y = s.v[i * 2 + 1];
            if (!any) {
                x0 = x1 = x;
                y0 = y1 = y;
                any = true;
            } else {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        }
    }
    return any;
}

Matrix ViewBoxTransform(double vx, double vy, double vw, double vh, std::string_view par, double x, double y, double w,
                        double h)
{
    par = Trim(par);
    if (par.rfind("defer", 0) == 0)
        par = Trim(par.substr(5));
    std::string_view align = par.substr(0, par.find_first_of(" \t\n"));
    const bool slice = par.find("slice") != std::string_view::npos;
    if (align.empty())
        align = "xMidYMid";
    double sx = w / vw, sy = h / vh;
    if (align == "none")
        return Matrix::Translate(x, y) * Matrix::Scale(sx, sy) * Matrix::Translate(-vx, -vy);
    const double s = slice ? std::max(sx, sy) : std::min(sx, sy);
    double tx = x - vx * s, ty = y - vy * s;
    const double extraX = w - vw * s, extraY = h - vh * s;
    if (align.find("xMid") != std::string_view::npos)
        tx += extraX / 2;
    else if (align.find("xMax") != std::string_view::npos)
        tx += extraX;
    if (align.find("YMid") != std::string_view::npos)
        ty += extraY / 2;
    else if (align.find("YMax") != std::string_view::npos)
        ty += extraY;
    return {s, 0, 0, s, tx, ty};
}

void IntrinsicSize(const Element& root, double& width, double& height)
{
    std::vector<double> vb;
    const std::string* vbText = root.Attribute("viewBox");
    const bool hasViewBox = vbText && ParseNumberList(*vbText, vb) && vb.size() == 4 && vb[2] > 0 && vb[3] > 0;
    auto length = [&](std::string_view name, double& out) {
        const std::string* t = root.Attribute(name);
        Length l;
        if (!t || !ParseLength(*t, l) || l.unit == Unit::Percent || !(l.value > 0))
            return false;
        const double f = l.unit == Unit::Pt   ? 4.0 / 3
                         : l.unit == Unit::Pc ? 16
                         : l.unit == Unit::Mm ? 96 / 25.4
                         : l.unit == Unit::Cm ? 96 / 2.54
                         : l.unit == Unit::In ? 96
                         : l.unit == Unit::Em ? 16
                         : l.unit == Unit::Ex ? 8
                                              : 1;
        out = l.value * f;
        return true;
    };
    const bool hasW = length("width", width), hasH = length("height", height);
    if (hasW && hasH)
        return;
    if (hasViewBox) {
        if (hasW)
            height = width * vb[3] / vb[2];
        else if (hasH)
            width = height * vb[2] / vb[3];
        else
            width = vb[2], height = vb[3];
        return;
    }
    if (!hasW)
        width = 100;
    if (!hasH)
        height = 100;
}

ResolveResult Resolve(const Document& document, double width, double height, const FontServices& fonts)
{
    resolve::Resolver resolver(document, fonts);
    return resolver.Run(width, height);
}

} // namespace svg
