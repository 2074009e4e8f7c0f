#include "vdcommon/svg/SvgResolver.h"
#include "vdcommon/svg/SvgLimits.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <map>
#include <set>
#include <unordered_map>

namespace svg {

namespace {

// A nested viewport (svg, symbol) clips its content to its box unless its overflow is
// visible.
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

constexpr double kPi = 3.14159265358979323846;

// A paint as specified: resolved against the element's colour and paint servers when used.
struct PaintSpec {
    enum Kind : uint8_t {
        None,
        Colour,
        CurrentColour,
        Url
    } kind = None;
    Rgb colour;
    double alpha = 1;
    std::string url;
    Kind fallbackKind = None; // for Url: what to use when the reference fails
    Rgb fallbackColour;
    double fallbackAlpha = 1;
    bool hasFallback = false;
};

// Computed values that are inherited.
struct Style {
    PaintSpec fill{PaintSpec::Colour, {0, 0, 0}, 1, {}, PaintSpec::None, {}, 1, false};
    PaintSpec stroke;
    double fillOpacity = 1, strokeOpacity = 1;
    bool evenOdd = false, clipEvenOdd = false;
    double strokeWidth = 1;
    int cap = 0, join = 0;
    double miterLimit = 4;
    std::vector<double> dash;
    double dashOffset = 0;
    Rgb colour{0, 0, 0};
    std::string fontFamily = "Noto Sans";
    double fontSize = 12;
    int fontWeight = 400;
    bool italic = false;
    int anchor = 0; // start, middle, end
    double letterSpacing = 0, wordSpacing = 0;
    bool preserveSpace = false;
    bool visible = true;
    // Not inherited, but kept here for the element being resolved.
    double opacity = 1;
    bool displayNone = false;
    int decoration = 0;     // 1 underline, 2 overline, 4 line-through
    std::string markers[3]; // marker-start, -mid, -end references (inherited)
};

struct Viewport {
    double width = 100, height = 100;
};

bool ReadPaint(std::string_view text, PaintSpec& paint)
{
    text = Trim(text);
    if (text == "none") {
        paint = PaintSpec();
        return true;
    }
    if (EqualsNoCase(text, "currentColor")) {
        paint = PaintSpec();
        paint.kind = PaintSpec::CurrentColour;
        return true;
    }
    if (text.rfind("url(", 0) == 0) {
        const size_t close = text.find(')');
        if (close == std::string_view::npos)
            return false;
        std::string_view ref = Trim(text.substr(4, close - 4));
        if (ref.size() >= 2 && (ref.front() == '"' || ref.front() == '\''))
            ref = ref.substr(1, ref.size() - 2);
        PaintSpec p;
        p.kind = PaintSpec::Url;
        p.url = std::string(ref.substr(ref.find('#') == std::string_view::npos ? 0 : ref.find('#') + 1));
        const std::string_view rest = Trim(text.substr(close + 1));
        if (!rest.empty()) {
            PaintSpec fallback;
            // A fallback that cannot be read makes the whole value invalid.
            if (!ReadPaint(rest, fallback) || fallback.kind == PaintSpec::Url)
                return false;
            p.hasFallback = true;
            p.fallbackKind = fallback.kind;
            p.fallbackColour = fallback.colour;
            p.fallbackAlpha = fallback.alpha;
        }
        paint = p;
        return true;
    }
    Rgb c;
    double a = 1;
    if (!ParseColour(text, c, a))
        return false;
    paint = PaintSpec();
    paint.kind = PaintSpec::Colour;
    paint.colour = c;
    paint.alpha = a;
    return true;
}

double Clamp01(double v)
{
    return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 1;
}

// An opacity value: a number or a percentage.
bool ReadOpacity(std::string_view text, double& value)
{
    Length l;
    if (!ParseLength(text, l) || (l.unit != Unit::None && l.unit != Unit::Percent))
        return false;
    value = Clamp01(l.unit == Unit::Percent ? l.value / 100 : l.value);
    return true;
}

std::string_view Lowered(std::string_view text, std::string& storage)
{
    storage.assign(Trim(text));
    for (char& c : storage)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return storage;
}

class Resolver
{
public:
    Resolver(const Document& doc, const FontServices& fonts) : doc(doc), fonts(fonts), limits(GetSvgLimits()) {}

    ResolveResult Run(double width, double height);

private:
    // ---- lengths
    double ToUser(const Length& l, int axis, const Style& style) const
    {
        switch (l.unit) {
        case Unit::None:
        case Unit::Px: return l.value;
        case Unit::Pt: return l.value * 4.0 / 3.0;
        case Unit::Pc: return l.value * 16;
        case Unit::Mm: return l.value * 96 / 25.4;
        case Unit::Cm: return l.value * 96 / 2.54;
        case Unit::In: return l.value * 96;
        case Unit::Em: return l.value * style.fontSize;
        case Unit::Ex: return l.value * style.fontSize / 2;
        case Unit::Percent: {
            const Viewport& vp = viewports.back();
            const double base = axis == 0   ? vp.width
                                : axis == 1 ? vp.height
                                            : std::sqrt((vp.width * vp.width + vp.height * vp.height) / 2);
            return l.value * base / 100;
        }
        }
        return l.value;
    }
    double AttrLength(const Element& e, std::string_view name, int axis, const Style& style, double fallback) const
    {
        const std::string* text = e.Attribute(name);
        Length l;
        if (!text || !ParseLength(*text, l))
            return fallback;
        return ToUser(l, axis, style);
    }

    void ComputeStyle(const Element& e, const Style& parent, Style& style);
    // The computed style of `e` inherited through its ancestors in the document
    // (for elements used by reference: clip paths, masks, gradient stops).
    Style DocumentStyle(const Element& e);
    Paint MakePaint(const PaintSpec& paintSpec, double opacity, const Style& style, const Element* context);
    std::shared_ptr<const Gradient> GradientFor(const Element& e);
    std::shared_ptr<const Pattern> PatternFor(const Element& e, int depth);
    std::shared_ptr<const ClipPath> ClipFor(std::string_view reference, int depth);
    std::shared_ptr<const Mask> MaskFor(std::string_view reference, int depth);

    void ResolveChildren(const Element& e, const Style& style, NodeList& out, int depth);
    void ResolveElement(const Element& e, const Style& parent, NodeList& out, int depth);
    std::unique_ptr<Node> ResolveShape(const Element& e, const Style& style);
    void AddMarkers(const Style& style, const Path& path, Node& group, int depth);
    bool ShapePath(const Element& e, const Style& style, Path& path);
    void ResolveUse(const Element& e, const Style& style, Node& group, int depth);
    void ResolveText(const Element& e, const Style& style, Node& node);
    std::unique_ptr<Node> ResolveImage(const Element& e, const Style& style);
    // Wraps `node` into groups for the element's transform, opacity, clip and mask.
    std::unique_ptr<Node> Wrap(const Element& e, const Style& style, std::unique_ptr<Node> node, int depth,
                               const Matrix* extra = nullptr);

    const Document& doc;
    const FontServices& fonts;
    const SvgLimits& limits;
    std::vector<Viewport> viewports;
    std::set<const Element*> instancing; // use/clip/mask references being resolved (cycles)
    long useExpansions = 0;
    bool clipMode = false; // resolving clipPath children: fill only, clip-rule
    std::unordered_map<const Element*, std::shared_ptr<const Gradient>> gradients;
    std::set<std::string> warned;
    std::vector<std::string> warnings;
    void Warn(const std::string& line)
    {
        if (warned.insert(line).second)
            warnings.push_back(line);
    }
};

void Resolver::ComputeStyle(const Element& e, const Style& parent, Style& s)
{
    s = parent;
    s.opacity = 1;
    s.displayNone = false;
    // text-decoration draws on the text of the element that sets it and its descendants.
    std::string lower;
    // font-size first: em units of the other properties use it.
    auto value = [&](std::string_view name) -> const std::string* {
        const std::string* v = e.Property(name);
        if (v && Trim(*v) == "inherit")
            return nullptr; // the inherited value stays (non-inherited ones are reset below)
        return v;
    };
    if (const std::string* v = value("font-size")) {
        Length l;
        std::string_view t = Lowered(*v, lower);
        // Named sizes step by 1.2 around "medium", the initial size of 12.
        static const std::map<std::string, double, std::less<>> kNamed = {
            {"xx-small", 12 / 1.728}, {"x-small", 12 / 1.44}, {"small", 12 / 1.2},     {"medium", 12},
            {"large", 12 * 1.2},      {"x-large", 12 * 1.44}, {"xx-large", 12 * 1.728}};
        const auto named = kNamed.find(t);
        if (named != kNamed.end()) {
            s.fontSize = named->second;
        } else if (t == "larger") {
            s.fontSize = parent.fontSize * 1.2;
        } else if (t == "smaller") {
            s.fontSize = parent.fontSize / 1.2;
        } else if (ParseLength(t, l)) {
            if (l.unit == Unit::Em)
                s.fontSize = l.value * parent.fontSize;
            else if (l.unit == Unit::Ex)
                s.fontSize = l.value * parent.fontSize / 2;
            else if (l.unit == Unit::Percent)
                s.fontSize = l.value * parent.fontSize / 100;
            else
                s.fontSize = ToUser(l, 2, parent);
            if (!(s.fontSize >= 0))
                s.fontSize = parent.fontSize;
        }
    }
    for (const auto& [name, raw] : e.properties) {
        if (Trim(raw) == "inherit" || name == "font-size")
            continue;
        const std::string_view v = Trim(raw);
        if (name == "fill") {
            ReadPaint(v, s.fill);
        } else if (name == "stroke") {
            ReadPaint(v, s.stroke);
        } else if (name == "fill-opacity") {
            ReadOpacity(v, s.fillOpacity);
        } else if (name == "stroke-opacity") {
            ReadOpacity(v, s.strokeOpacity);
        } else if (name == "opacity") {
            ReadOpacity(v, s.opacity);
        } else if (name == "fill-rule") {
            if (v == "evenodd" || v == "nonzero")
                s.evenOdd = v == "evenodd";
        } else if (name == "clip-rule") {
            if (v == "evenodd" || v == "nonzero")
                s.clipEvenOdd = v == "evenodd";
        } else if (name == "stroke-width") {
            Length l;
            if (ParseLength(v, l) && l.value >= 0)
                s.strokeWidth = ToUser(l, 2, s);
        } else if (name == "stroke-linecap") {
            if (v == "butt")
                s.cap = 0;
            else if (v == "round")
                s.cap = 1;
            else if (v == "square")
                s.cap = 2;
        } else if (name == "stroke-linejoin") {
            if (v == "miter" || v == "miter-clip" || v == "arcs")
                s.join = 0;
            else if (v == "round")
                s.join = 1;
            else if (v == "bevel")
                s.join = 2;
        } else if (name == "stroke-miterlimit") {
            double m = 0;
            if (ParseNumber(v, m) && m >= 1)
                s.miterLimit = m;
        } else if (name == "stroke-dasharray") {
            std::vector<Length> list;
            s.dash.clear();
            if (v != "none" && ParseLengthList(v, list)) {
                double sum = 0;
                bool negative = false;
                for (const Length& l : list) {
                    const double d = ToUser(l, 2, s);
                    negative = negative || d < 0;
                    sum += d;
                    s.dash.push_back(d);
                }
                if (negative || !(sum > 0))
                    s.dash.clear();
                else if (s.dash.size() % 2 == 1)
                    s.dash.insert(s.dash.end(), s.dash.begin(), s.dash.end());
            }
        } else if (name == "stroke-dashoffset") {
            Length l;
            if (ParseLength(v, l))
                s.dashOffset = ToUser(l, 2, s);
        } else if (name == "color") {
            Rgb c;
            double a = 1;
            if (ParseColour(v, c, a))
                s.colour = c;
        } else if (name == "display") {
            s.displayNone = v == "none";
        } else if (name == "visibility") {
            s.visible = v == "visible";
        } else if (name == "font-family") {
            s.fontFamily = std::string(v);
        } else if (name == "font-weight") {
            std::string_view t = Lowered(v, lower);
            double w = 0;
            if (t == "normal")
                s.fontWeight = 400;
            else if (t == "bold")
                s.fontWeight = 700;
            else if (t == "bolder")
                s.fontWeight = parent.fontWeight < 350 ? 400 : parent.fontWeight < 550 ? 700 : 900;
            else if (t == "lighter")
                s.fontWeight = parent.fontWeight < 550 ? 100 : parent.fontWeight < 750 ? 400 : 700;
            else if (ParseNumber(t, w) && w >= 1 && w <= 1000)
                s.fontWeight = static_cast<int>(w);
        } else if (name == "font-style") {
            s.italic = v == "italic" || v == "oblique";
        } else if (name == "text-anchor") {
            if (v == "start")
                s.anchor = 0;
            else if (v == "middle")
                s.anchor = 1;
            else if (v == "end")
                s.anchor = 2;
        } else if (name == "letter-spacing") {
            Length l;
            s.letterSpacing = v != "normal" && ParseLength(v, l) ? ToUser(l, 2, s) : 0;
        } else if (name == "word-spacing") {
            Length l;
            s.wordSpacing = v != "normal" && ParseLength(v, l) ? ToUser(l, 2, s) : 0;
        } else if (name == "text-decoration") {
            if (v.find("underline") != std::string_view::npos)
                s.decoration |= 1;
            if (v.find("overline") != std::string_view::npos)
                s.decoration |= 2;
            if (v.find("line-through") != std::string_view::npos)
                s.decoration |= 4;
        } else if (name == "marker") {
            s.markers[0] = s.markers[1] = s.markers[2] = std::string(v);
        } else if (name == "marker-start" || name == "marker-mid" || name == "marker-end") {
            s.markers[name == "marker-start" ? 0 : name == "marker-mid" ? 1 : 2] = std::string(v);
        } else if (name == "xml:space" || name == "white-space") {
            s.preserveSpace = v == "preserve" || v == "pre";
        }
    }
    if (const std::string* space = e.Attribute("xml:space"))
        s.preserveSpace = *space == "preserve";
}

Style Resolver::DocumentStyle(const Element& e)
{
    std::vector<const Element*> chain;
    for (const Element* p = &e; p && chain.size() < 4096; p = p->parent)
        chain.push_back(p);
    Style style;
    if (!fonts.defaultFamily.empty())
        style.fontFamily = fonts.defaultFamily;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        Style next;
        ComputeStyle(**it, style, next);
        style = next;
    }
    return style;
}

Paint Resolver::MakePaint(const PaintSpec& paintSpec, double opacity, const Style& style, const Element* context)
{
    Paint p;
    auto solid = [&](PaintSpec::Kind kind, Rgb colour, double alpha) {
        if (kind == PaintSpec::None)
            return;
        p.kind = Paint::Colour;
        p.colour = kind == PaintSpec::CurrentColour ? style.colour : colour;
        p.opacity = opacity * (kind == PaintSpec::CurrentColour ? 1 : alpha);
    };
    if (paintSpec.kind != PaintSpec::Url) {
        solid(paintSpec.kind, paintSpec.colour, paintSpec.alpha);
        return p;
    }
    const Element* target = doc.FindById(paintSpec.url);
    std::shared_ptr<const Gradient> gradient;
    if (target && (target->tag == "linearGradient" || target->tag == "radialGradient"))
        gradient = GradientFor(*target);
    // A paint server, with the colour a viewer uses where it cannot draw the server.
    auto server = [&] {
        p.kind = Paint::Server;
        p.opacity = opacity;
        if (paintSpec.hasFallback && paintSpec.fallbackKind != PaintSpec::None) {
            const bool current = paintSpec.fallbackKind == PaintSpec::CurrentColour;
            p.hasFallback = true;
            p.fallbackColour = current ? style.colour : paintSpec.fallbackColour;
            p.fallbackOpacity = opacity * (current ? 1 : paintSpec.fallbackAlpha);
        }
        return p;
    };
    if (target && target->tag == "pattern") {
        std::shared_ptr<const Pattern> pattern = PatternFor(*target, context ? context->depth : 0);
        if (!pattern) {
            if (paintSpec.hasFallback)
                solid(paintSpec.fallbackKind, paintSpec.fallbackColour, paintSpec.fallbackAlpha);
            return p;
        }
        p.pattern = pattern;
        return server();
    }
    if (!gradient) {
        if (paintSpec.hasFallback)
            solid(paintSpec.fallbackKind, paintSpec.fallbackColour, paintSpec.fallbackAlpha);
        else if (!target)
            Warn(fmt::format("SVG: paint server \"{}\" not found", paintSpec.url));
        return p;
    }
    if (gradient->stops.empty()) {
        if (paintSpec.hasFallback)
            solid(paintSpec.fallbackKind, paintSpec.fallbackColour, paintSpec.fallbackAlpha);
        return p;
    }
    if (gradient->stops.size() == 1) {
        p.kind = Paint::Colour;
        p.colour = gradient->stops[0].colour;
        p.opacity = opacity * gradient->stops[0].opacity;
        return p;
    }
    p.gradient = gradient;
    return server();
}

std::shared_ptr<const Gradient> Resolver::GradientFor(const Element& e)
{
    const auto cached = gradients.find(&e);
    if (cached != gradients.end())
        return cached->second;
    // The href chain, nearest first; a cycle or a long chain ends it.
    std::vector<const Element*> chain{&e};
    for (int i = 0; i < 32; ++i) {
        const Element* last = chain.back();
        const std::string* href = last->Attribute("href");
        if (!href)
            href = last->Attribute("xlink:href");
        if (!href || href->empty() || (*href)[0] != '#')
            break;
        const Element* next = doc.FindById(std::string_view(*href).substr(1));
        if (!next || (next->tag != "linearGradient" && next->tag != "radialGradient") ||
            std::find(chain.begin(), chain.end(), next) != chain.end())
            break;
        chain.push_back(next);
    }
    auto attr = [&](std::string_view name) -> const std::string* {
        for (const Element* g : chain) {
            // Geometry attributes only come from gradients of the same kind.
            const bool geometry = name != "gradientUnits" && name != "gradientTransform" && name != "spreadMethod";
            if (geometry && g->tag != e.tag)
                continue;
            if (const std::string* v = g->Attribute(name))
                return v;
        }
        return nullptr;
    };
    auto g = std::make_shared<Gradient>();
    g->radial = e.tag == "radialGradient";
    if (const std::string* u = attr("gradientUnits"))
        g->userSpace = Trim(*u) == "userSpaceOnUse";
    if (const std::string* t = attr("gradientTransform")) {
        Matrix m;
        if (ParseTransform(*t, m))
            g->transform = m;
    }
    if (const std::string* sp = attr("spreadMethod")) {
        if (Trim(*sp) == "reflect")
            g->spread = Gradient::Reflect;
        else if (Trim(*sp) == "repeat")
            g->spread = Gradient::Repeat;
    }
    Style dummy;
    auto coord = [&](std::string_view name, int axis, double fallback) {
        const std::string* v = attr(name);
        Length l;
        if (!v || !ParseLength(*v, l))
            return fallback;
        if (!g->userSpace)
            return l.unit == Unit::Percent ? l.value / 100 : l.value;
        return ToUser(l, axis, dummy);
    };
    const double full = g->userSpace ? 1 : 1; // defaults below are fractions or percents
    (void)full;
    if (g->radial) {
        Length half{50, Unit::Percent};
        const double d = g->userSpace ? ToUser(half, 0, dummy) : 0.5;
        const double dy = g->userSpace ? ToUser(half, 1, dummy) : 0.5;
        const double dr = g->userSpace ? ToUser(half, 2, dummy) : 0.5;
        g->cx = coord("cx", 0, d);
        g->cy = coord("cy", 1, dy);
        g->r = coord("r", 2, dr);
        g->fx = coord("fx", 0, g->cx);
        g->fy = coord("fy", 1, g->cy);
        g->fr = coord("fr", 2, 0);
    } else {
        g->x1 = coord("x1", 0, 0);
        g->y1 = coord("y1", 1, 0);
        g->x2 = coord("x2", 0, g->userSpace ? ToUser({100, Unit::Percent}, 0, dummy) : 1);
        g->y2 = coord("y2", 1, 0);
    }
    // Stops come from the nearest gradient in the chain that has any.
    for (const Element* c : chain) {
        bool any = false;
        for (const Element* s : c->children) {
            if (s->tag != "stop")
                continue;
            any = true;
            GradientStop stop;
            if (const std::string* o = s->Attribute("offset")) {
                Length l;
                if (ParseLength(*o, l) && (l.unit == Unit::None || l.unit == Unit::Percent))
                    stop.offset = Clamp01(l.unit == Unit::Percent ? l.value / 100 : l.value);
            }
            Rgb colour{0, 0, 0};
            double alpha = 1, opacity = 1;
            const Style stopStyle = DocumentStyle(*s);
            if (const std::string* sc = s->Property("stop-color")) {
                const std::string_view v = Trim(*sc);
                if (EqualsNoCase(v, "currentColor"))
                    colour = stopStyle.colour;
                else if (!ParseColour(v, colour, alpha))
                    colour = {0, 0, 0}, alpha = 1;
            }
            if (const std::string* so = s->Property("stop-opacity"))
                ReadOpacity(*so, opacity);
            stop.colour = colour;
            stop.opacity = alpha * opacity;
            if (!g->stops.empty())
                stop.offset = std::max(stop.offset, g->stops.back().offset);
            g->stops.push_back(stop);
        }
        if (any)
            break;
    }
    if (g->radial && !(g->r > 0) && !g->stops.empty()) {
        // A zero radius paints the last stop's colour.
        const GradientStop last = g->stops.back();
        g->stops = {last};
    }
    if (!g->radial && g->x1 == g->x2 && g->y1 == g->y2 && !g->stops.empty()) {
        // A zero-length vector paints the last stop's colour.
        const GradientStop last = g->stops.back();
        g->stops = {last};
    }
    gradients[&e] = g;
    return g;
}

std::shared_ptr<const Pattern> Resolver::PatternFor(const Element& e, int depth)
{
    if (instancing.count(&e) || depth > limits.maxDepth)
        return nullptr;
    // The href chain: attributes and children come from the nearest pattern that has them.
    std::vector<const Element*> chain{&e};
    for (int i = 0; i < 32; ++i) {
        const std::string* href = chain.back()->Attribute("href");
        if (!href)
            href = chain.back()->Attribute("xlink:href");
        if (!href || href->empty() || (*href)[0] != '#')
            break;
        const Element* next = doc.FindById(std::string_view(*href).substr(1));
        if (!next || next->tag != "pattern" || std::find(chain.begin(), chain.end(), next) != chain.end())
            break;
        chain.push_back(next);
    }
    auto attr = [&](std::string_view name) -> const std::string* {
        for (const Element* p : chain)
            if (const std::string* v = p->Attribute(name))
                return v;
        return nullptr;
    };
    auto pattern = std::make_shared<Pattern>();
    if (const std::string* u = attr("patternUnits"))
        pattern->objectBoundingBoxUnits = Trim(*u) != "userSpaceOnUse";
    if (const std::string* u = attr("patternContentUnits"))
        pattern->objectBoundingBoxContent = Trim(*u) == "objectBoundingBox";
    if (const std::string* t = attr("patternTransform")) {
        Matrix m;
        if (ParseTransform(*t, m))
            pattern->transform = m;
    }
    Style style = DocumentStyle(e);
    auto coord = [&](std::string_view name, int axis) {
        const std::string* v = attr(name);
        Length l;
        if (!v || !ParseLength(*v, l))
            return 0.0;
        if (pattern->objectBoundingBoxUnits)
            return l.unit == Unit::Percent ? l.value / 100 : l.value;
        return ToUser(l, axis, style);
    };
    pattern->x = coord("x", 0);
    pattern->y = coord("y", 1);
    pattern->width = coord("width", 0);
    pattern->height = coord("height", 1);
    if (!(pattern->width > 0) || !(pattern->height > 0))
        return nullptr;
    if (const std::string* vb = attr("viewBox")) {
        std::vector<double> v;
        if (ParseNumberList(*vb, v) && v.size() == 4 && v[2] > 0 && v[3] > 0) {
            pattern->hasViewBox = true;
            std::copy(v.begin(), v.end(), pattern->viewBox);
        }
    }
    if (const std::string* par = attr("preserveAspectRatio"))
        pattern->preserveAspectRatio = *par;
    const Element* content = nullptr;
    for (const Element* p : chain) {
        for (const Element* c : p->children)
            if (!c->IsText())
                content = p;
        if (content)
            break;
    }
    if (!content)
        return nullptr;
    instancing.insert(&e);
    const bool wasClip = clipMode;
    clipMode = false;
    ResolveChildren(*content, DocumentStyle(*content), pattern->children, depth + 1);
    clipMode = wasClip;
    instancing.erase(&e);
    return pattern;
}

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
    for (const Element* c : e->children) {
        static const std::set<std::string, std::less<>> kAllowed = {"rect",    "circle", "ellipse", "line", "polyline",
                                                                    "polygon", "path",   "text",    "use"};
        if (c->IsText() || !kAllowed.count(c->tag))
            continue;
        if (c->tag == "use") {
            // Only a use of a shape or text may be in a clip path.
            const std::string* href = c->Attribute("href");
            if (!href)
                href = c->Attribute("xlink:href");
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

void Resolver::ResolveChildren(const Element& e, const Style& style, NodeList& out, int depth)
{
    for (const Element* c : e.children)
        if (!c->IsText())
            ResolveElement(*c, style, out, depth + 1);
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

void Resolver::ResolveElement(const Element& e, const Style& parent, NodeList& out, int depth)
{
    if (depth > limits.maxDepth) {
        Warn(fmt::format("SVG: elements nested deeper than {} are not drawn", limits.maxDepth));
        return;
    }
    // Conditional attributes: a feature list or language we cannot promise is not drawn.
    if (e.Attribute("requiredExtensions") || (e.Attribute("systemLanguage") && *e.Attribute("systemLanguage") != "en"))
        return;
    Style style;
    ComputeStyle(e, parent, style);
    if (style.displayNone)
        return;
    const std::string& tag = e.tag;
    if (tag == "g" || tag == "a" || (tag == "switch" && !clipMode)) {
        if (clipMode)
            return;
        auto group = std::make_unique<Node>();
        if (tag == "switch") {
            for (const Element* c : e.children) {
                if (c->IsText() || c->Attribute("requiredExtensions") ||
                    (c->Attribute("systemLanguage") && *c->Attribute("systemLanguage") != "en"))
                    continue;
                ResolveElement(*c, style, group->children, depth + 1);
                break;
            }
        } else {
            ResolveChildren(e, style, group->children, depth);
        }
        if (!group->children.empty())
            out.push_back(Wrap(e, style, std::move(group), depth));
        return;
    }
    if (tag == "svg") {
        if (clipMode)
            return;
        const double x = AttrLength(e, "x", 0, style, 0), y = AttrLength(e, "y", 1, style, 0);
        const double w = AttrLength(e, "width", 0, style, viewports.back().width);
        const double h = AttrLength(e, "height", 1, style, viewports.back().height);
        if (!(w > 0) || !(h > 0))
            return;
        bool hasViewBox = false;
        const Matrix m = ViewBoxFor(e, x, y, w, h, hasViewBox);
        std::vector<double> vb;
        if (hasViewBox)
            ParseNumberList(*e.Attribute("viewBox"), vb);
        viewports.push_back({hasViewBox ? vb[2] : w, hasViewBox ? vb[3] : h});
        auto inner = std::make_unique<Node>();
        inner->transform = m;
        ResolveChildren(e, style, inner->children, depth);
        viewports.pop_back();
        if (inner->children.empty())
            return;
        auto group = std::make_unique<Node>();
        ClipToViewport(e, *group, x, y, w, h);
        group->children.push_back(std::move(inner));
        out.push_back(Wrap(e, style, std::move(group), depth));
        return;
    }
    if (tag == "use") {
        auto group = std::make_unique<Node>();
        ResolveUse(e, style, *group, depth);
        if (group->children.empty())
            return;
        const double x = AttrLength(e, "x", 0, style, 0), y = AttrLength(e, "y", 1, style, 0);
        const Matrix offset = Matrix::Translate(x, y);
        out.push_back(Wrap(e, style, std::move(group), depth, &offset));
        return;
    }
    if (tag == "text") {
        auto node = std::make_unique<Node>();
        node->kind = Node::Text;
        ResolveText(e, style, *node);
        if (!node->runs.empty())
            out.push_back(Wrap(e, style, std::move(node), depth));
        return;
    }
    if (tag == "image") {
        if (clipMode || !style.visible)
            return;
        std::unique_ptr<Node> node = ResolveImage(e, style);
        if (node)
            out.push_back(Wrap(e, style, std::move(node), depth));
        return;
    }
    if (tag == "rect" || tag == "circle" || tag == "ellipse" || tag == "line" || tag == "polyline" ||
        tag == "polygon" || tag == "path") {
        if (!style.visible)
            return;
        std::unique_ptr<Node> node = ResolveShape(e, style);
        if (!node)
            return;
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
}

void Resolver::ResolveUse(const Element& e, const Style& style, Node& group, int depth)
{
    const std::string* href = e.Attribute("href");
    if (!href)
        href = e.Attribute("xlink:href");
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
    if (target->tag == "symbol" || target->tag == "svg") {
        const bool isSymbol = target->tag == "symbol";
        Style inner;
        ComputeStyle(*target, style, inner);
        if (!inner.displayNone || isSymbol) {
            double w = AttrLength(e, "width", 0, style, -1), h = AttrLength(e, "height", 1, style, -1);
            const double tx = isSymbol ? AttrLength(*target, "x", 0, inner, 0) : AttrLength(*target, "x", 0, inner, 0);
            const double ty = isSymbol ? AttrLength(*target, "y", 1, inner, 0) : AttrLength(*target, "y", 1, inner, 0);
            if (w < 0)
                w = AttrLength(*target, "width", 0, inner, viewports.back().width);
            if (h < 0)
                h = AttrLength(*target, "height", 1, inner, viewports.back().height);
            if (w > 0 && h > 0) {
                bool hasViewBox = false;
                const Matrix m = ViewBoxFor(*target, tx, ty, w, h, hasViewBox);
                std::vector<double> vb;
                if (hasViewBox)
                    ParseNumberList(*target->Attribute("viewBox"), vb);
                viewports.push_back({hasViewBox ? vb[2] : w, hasViewBox ? vb[3] : h});
                auto content = std::make_unique<Node>();
                content->transform = m;
                ResolveChildren(*target, inner, content->children, depth + 1);
                viewports.pop_back();
                if (!content->children.empty()) {
                    auto clipped = std::make_unique<Node>();
                    ClipToViewport(*target, *clipped, tx, ty, w, h);
                    clipped->children.push_back(std::move(content));
                    NodeList tmp;
                    tmp.push_back(std::move(clipped));
                    if (isSymbol) {
                        group.children = std::move(tmp);
                    } else {
                        // The referenced svg's own transform, opacity, clip and mask apply.
                        group.children.push_back(Wrap(*target, inner, std::move(tmp.front()), depth + 1));
                    }
                }
            }
        }
    } else {
        ResolveElement(*target, style, group.children, depth + 1);
    }
    instancing.erase(&e);
}

bool Resolver::ShapePath(const Element& e, const Style& style, Path& path)
{
    const std::string& tag = e.tag;
    auto L = [&](std::string_view name, int axis) { return AttrLength(e, name, axis, style, 0); };
    if (tag == "path") {
        const std::string* d = e.Attribute("d");
        if (!d)
            return false;
        ParsePathData(*d, path, limits.maxPathNumbers);
        if (path.size() >= limits.maxPathNumbers / 2)
            Warn(fmt::format("SVG: path data longer than {} numbers is cut", limits.maxPathNumbers));
        return path.size() > 1;
    }
    if (tag == "rect") {
        const double x = L("x", 0), y = L("y", 1), w = L("width", 0), h = L("height", 1);
        if (!(w > 0) || !(h > 0))
            return false;
        const std::string* rxs = e.Attribute("rx");
        const std::string* rys = e.Attribute("ry");
        Length tmp;
        const bool hasRx = rxs && ParseLength(*rxs, tmp) && tmp.value >= 0;
        const bool hasRy = rys && ParseLength(*rys, tmp) && tmp.value >= 0;
        double rx = hasRx ? L("rx", 0) : 0, ry = hasRy ? L("ry", 1) : 0;
        if (hasRx && !hasRy)
            ry = rx;
        if (hasRy && !hasRx)
            rx = ry;
        rx = std::min(rx, w / 2);
        ry = std::min(ry, h / 2);
        if (rx > 0 && ry > 0) {
            path.push_back({PathSegment::Move, {x + rx, y}});
            path.push_back({PathSegment::Line, {x + w - rx, y}});
            AppendArc(path, x + w - rx, y, rx, ry, 0, false, true, x + w, y + ry);
            path.push_back({PathSegment::Line, {x + w, y + h - ry}});
            AppendArc(path, x + w, y + h - ry, rx, ry, 0, false, true, x + w - rx, y + h);
            path.push_back({PathSegment::Line, {x + rx, y + h}});
            AppendArc(path, x + rx, y + h, rx, ry, 0, false, true, x, y + h - ry);
            path.push_back({PathSegment::Line, {x, y + ry}});
            AppendArc(path, x, y + ry, rx, ry, 0, false, true, x + rx, y);
        } else {
            path.push_back({PathSegment::Move, {x, y}});
            path.push_back({PathSegment::Line, {x + w, y}});
            path.push_back({PathSegment::Line, {x + w, y + h}});
            path.push_back({PathSegment::Line, {x, y + h}});
        }
        path.push_back({PathSegment::Close, {}});
        return true;
    }
    if (tag == "circle" || tag == "ellipse") {
        const double cx = L("cx", 0), cy = L("cy", 1);
        double rx, ry;
        if (tag == "circle") {
            rx = ry = L("r", 2);
        } else {
            Length tmp;
            const std::string* rxs = e.Attribute("rx");
            const std::string* rys = e.Attribute("ry");
            const bool hasRx = rxs && ParseLength(*rxs, tmp) && tmp.value >= 0;
            const bool hasRy = rys && ParseLength(*rys, tmp) && tmp.value >= 0;
            rx = hasRx ? L("rx", 0) : 0;
            ry = hasRy ? L("ry", 1) : 0;
            if (hasRx && !hasRy)
                ry = rx;
            if (hasRy && !hasRx)
                rx = ry;
        }
        if (!(rx > 0) || !(ry > 0))
            return false;
        // Clockwise from 3 o'clock, as the standard draws it (dashes start there).
        path.push_back({PathSegment::Move, {cx + rx, cy}});
        AppendArc(path, cx + rx, cy, rx, ry, 0, false, true, cx, cy + ry);
        AppendArc(path, cx, cy + ry, rx, ry, 0, false, true, cx - rx, cy);
        AppendArc(path, cx - rx, cy, rx, ry, 0, false, true, cx, cy - ry);
        AppendArc(path, cx, cy - ry, rx, ry, 0, false, true, cx + rx, cy);
        path.push_back({PathSegment::Close, {}});
        return true;
    }
    if (tag == "line") {
        path.push_back({PathSegment::Move, {L("x1", 0), L("y1", 1)}});
        path.push_back({PathSegment::Line, {L("x2", 0), L("y2", 1)}});
        return true;
    }
    // polyline, polygon
    const std::string* points = e.Attribute("points");
    if (!points)
        return false;
    std::vector<double> v;
    ParseNumberList(*points, v, limits.maxPathNumbers);
    if (v.size() % 2)
        v.pop_back();
    if (v.size() < 4)
        return false;
    for (size_t i = 0; i < v.size(); i += 2)
        path.push_back({i == 0 ? PathSegment::Move : PathSegment::Line, {v[i], v[i + 1]}});
    if (tag == "polygon")
        path.push_back({PathSegment::Close, {}});
    return true;
}

void Resolver::AddMarkers(const Style& style, const Path& path, Node& group, int depth)
{
    // Vertices with the directions of the segments that come in and go out.
    struct Vertex {
        double x, y;
        double inX = 0, inY = 0, outX = 0, outY = 0;
        bool hasIn = false, hasOut = false;
    };
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
    if (vertices.empty())
        return;
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
        const Style mstyle = DocumentStyle(*m);
        // Orientation: a fixed angle, or along the path (the bisector at a corner).
        double angle = 0;
        const std::string* orient = m->Attribute("orient");
        if (orient && (Trim(*orient) == "auto" || Trim(*orient) == "auto-start-reverse")) {
            const double in = v.hasIn ? std::atan2(v.inY, v.inX) : std::atan2(v.outY, v.outX);
            const double out = v.hasOut ? std::atan2(v.outY, v.outX) : in;
            double d = out - in;
            while (d > kPi)
                d -= 2 * kPi;
            while (d < -kPi)
                d += 2 * kPi;
            angle = (in + d / 2) * 180 / kPi;
            if (i == 0 && Trim(*orient) == "auto-start-reverse")
                angle += 180;
        } else if (orient) {
            ParseNumber(*orient, angle);
        }
        const double mw = AttrLength(*m, "markerWidth", 0, mstyle, 3),
                     mh = AttrLength(*m, "markerHeight", 1, mstyle, 3);
        if (!(mw > 0) || !(mh > 0))
            continue;
        const std::string* units = m->Attribute("markerUnits");
        const double scale = units && Trim(*units) == "userSpaceOnUse" ? 1 : style.strokeWidth;
        bool hasViewBox = false;
        const Matrix vb = ViewBoxFor(*m, 0, 0, mw, mh, hasViewBox);
        double rx = AttrLength(*m, "refX", 0, mstyle, 0), ry = AttrLength(*m, "refY", 1, mstyle, 0);
        vb.Apply(rx, ry);
        const double r = angle * kPi / 180;
        auto outer = std::make_unique<Node>();
        outer->transform = Matrix::Translate(v.x, v.y) *
                           Matrix{std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0} *
                           Matrix::Scale(scale, scale) * Matrix::Translate(-rx, -ry);
        const std::string* overflow = m->Property("overflow");
        if (!overflow || (Trim(*overflow) != "visible" && Trim(*overflow) != "auto")) {
            auto clip = std::make_shared<ClipPath>();
            auto rect = std::make_unique<Node>();
            rect->kind = Node::Path;
            rect->hasFill = true;
            rect->path = {{PathSegment::Move, {0, 0}},
                          {PathSegment::Line, {mw, 0}},
                          {PathSegment::Line, {mw, mh}},
                          {PathSegment::Line, {0, mh}},
                          {PathSegment::Close, {}}};
            clip->children.push_back(std::move(rect));
            outer->clip = clip;
        }
        auto inner = std::make_unique<Node>();
        inner->transform = vb;
        instancing.insert(m);
        std::vector<double> box;
        if (hasViewBox)
            ParseNumberList(*m->Attribute("viewBox"), box);
        viewports.push_back({hasViewBox ? box[2] : mw, hasViewBox ? box[3] : mh});
        ResolveChildren(*m, mstyle, inner->children, depth + 1);
        viewports.pop_back();
        instancing.erase(m);
        if (inner->children.empty())
            continue;
        outer->children.push_back(std::move(inner));
        group.children.push_back(std::move(outer));
    }
}

std::unique_ptr<Node> Resolver::ResolveShape(const Element& e, const Style& style)
{
    auto node = std::make_unique<Node>();
    node->kind = Node::Path;
    if (!ShapePath(e, style, node->path))
        return nullptr;
    if (clipMode) {
        node->hasFill = true;
        node->fill.kind = Paint::Colour;
        node->evenOdd = style.clipEvenOdd;
        return node;
    }
    node->fill = MakePaint(style.fill, style.fillOpacity, style, &e);
    node->hasFill = node->fill.kind != Paint::None && e.tag != "line" && e.tag != "polyline"
                        ? true
                        : node->fill.kind != Paint::None;
    node->evenOdd = style.evenOdd;
    node->stroke.paint = MakePaint(style.stroke, style.strokeOpacity, style, &e);
    node->hasStroke = node->stroke.paint.kind != Paint::None && style.strokeWidth > 0;
    // Dashes of zero length with butt caps draw nothing at all (not even joins).
    bool visibleDash = style.dash.empty() || style.cap != 0;
    for (size_t i = 0; i < style.dash.size() && !visibleDash; i += 2)
        visibleDash = style.dash[i] > 0;
    node->hasStroke = node->hasStroke && visibleDash;
    node->stroke.width = style.strokeWidth;
    node->stroke.cap = style.cap;
    node->stroke.join = style.join;
    node->stroke.miterLimit = style.miterLimit;
    node->stroke.dash = style.dash;
    node->stroke.dashOffset = style.dashOffset;
    if (!node->hasFill && !node->hasStroke)
        return nullptr;
    return node;
}

// ---- Images -------------------------------------------------------------------------

std::string DecodeBase64(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 3 / 4);
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        int d;
        if (c >= 'A' && c <= 'Z')
            d = c - 'A';
        else if (c >= 'a' && c <= 'z')
            d = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            d = c - '0' + 52;
        else if (c == '+' || c == '-')
            d = 62;
        else if (c == '/' || c == '_')
            d = 63;
        else
            continue;
        value = (value << 6) | static_cast<unsigned>(d);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return out;
}

// Width and height from a PNG or JPEG header, without decoding; false for others.
bool ImageSize(const std::string& data, double& width, double& height)
{
    auto u8 = [&](size_t i) { return static_cast<unsigned char>(data[i]); };
    if (data.size() >= 24 && data.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
        width = (u8(16) << 24) | (u8(17) << 16) | (u8(18) << 8) | u8(19);
        height = (u8(20) << 24) | (u8(21) << 16) | (u8(22) << 8) | u8(23);
        return width > 0 && height > 0;
    }
    if (data.size() >= 4 && u8(0) == 0xFF && u8(1) == 0xD8) {
        size_t pos = 2;
        while (pos + 9 < data.size()) {
            if (u8(pos) != 0xFF)
                return false;
            const unsigned marker = u8(pos + 1);
            const size_t length = (u8(pos + 2) << 8) | u8(pos + 3);
            if ((marker >= 0xC0 && marker <= 0xCF) && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
                height = (u8(pos + 5) << 8) | u8(pos + 6);
                width = (u8(pos + 7) << 8) | u8(pos + 8);
                return width > 0 && height > 0;
            }
            pos += 2 + length;
        }
    }
    return false;
}

std::unique_ptr<Node> Resolver::ResolveImage(const Element& e, const Style& style)
{
    const std::string* href = e.Attribute("href");
    if (!href)
        href = e.Attribute("xlink:href");
    // Only images carried in the document itself: a graphic never reads other files.
    if (!href || href->rfind("data:", 0) != 0) {
        if (href)
            Warn("SVG: images outside the document are not drawn");
        return nullptr;
    }
    const size_t comma = href->find(',');
    if (comma == std::string::npos || href->substr(0, comma).find(";base64") == std::string::npos)
        return nullptr;
    auto node = std::make_unique<Node>();
    node->kind = Node::Image;
    node->imageData = DecodeBase64(std::string_view(*href).substr(comma + 1));
    double iw = 0, ih = 0;
    if (!ImageSize(node->imageData, iw, ih))
        return nullptr;
    if (iw * ih > static_cast<double>(limits.maxImagePixels)) {
        Warn(fmt::format("SVG: an image of more than {} pixels is not drawn", limits.maxImagePixels));
        return nullptr;
    }
    const double x = AttrLength(e, "x", 0, style, 0), y = AttrLength(e, "y", 1, style, 0);
    double w = AttrLength(e, "width", 0, style, -1), h = AttrLength(e, "height", 1, style, -1);
    if (w < 0 && h < 0)
        w = iw, h = ih;
    else if (w < 0)
        w = h * iw / ih;
    else if (h < 0)
        h = w * ih / iw;
    if (!(w > 0) || !(h > 0))
        return nullptr;
    const std::string* par = e.Attribute("preserveAspectRatio");
    const Matrix m = ViewBoxTransform(0, 0, iw, ih, par ? std::string_view(*par) : std::string_view(), x, y, w, h);
    node->x = m.e;
    node->y = m.f;
    node->w = iw * m.a;
    node->h = ih * m.d;
    node->clipImage = true;
    node->clipX = x;
    node->clipY = y;
    node->clipW = w;
    node->clipH = h;
    return node;
}

// ---- Text ---------------------------------------------------------------------------

std::u32string Decode(std::string_view s)
{
    std::u32string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k < n && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += static_cast<size_t>(n);
    }
    return out;
}

void Encode(char32_t cp, std::string& out)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Characters are kept small (a text node may hold millions); the few that carry
// their own position keep it aside.
struct TextPosition {
    bool hasX = false, hasY = false, hasRotate = false;
    double x = 0, y = 0, dx = 0, dy = 0, rotate = 0;
};

struct TextChar {
    char32_t cp;
    uint32_t style;        // index into the styles list
    int32_t position = -1; // index into the positions list, -1: none
};

void Resolver::ResolveText(const Element& textElement, const Style& textStyle, Node& node)
{
    std::vector<TextChar> chars;
    std::vector<TextPosition> positions;
    const TextPosition noPosition;
    auto at = [&](const TextChar& ch) -> const TextPosition& {
        return ch.position < 0 ? noPosition : positions[static_cast<size_t>(ch.position)];
    };
    std::vector<Style> styles;
    std::vector<const Element*> styleElements;
    // Position lists, applied after collecting: outer elements first, inner ones win.
    struct Lists {
        size_t start, end;
        int depth;
        std::vector<double> x, y, dx, dy, rotate;
    };
    std::vector<Lists> lists;
    bool lastWasSpace = true; // collapses spaces across spans
    auto readList = [&](const Element& e, std::string_view name, int axis, const Style& st) {
        std::vector<double> out;
        std::vector<Length> ls;
        if (const std::string* v = e.Attribute(name)) {
            if (name == "rotate") {
                // Angles are plain numbers; anything else makes the list invalid.
                if (!ParseNumberList(*v, out))
                    out.clear();
            } else if (ParseLengthList(*v, ls)) {
                for (const Length& l : ls)
                    out.push_back(ToUser(l, axis, st));
            }
        }
        return out;
    };
    struct Frame {
        const Element* e;
        size_t styleIndex;
        size_t listIndex;
        size_t child;
    };
    styles.push_back(textStyle);
    styleElements.push_back(&textElement);
    std::vector<Frame> stack;
    auto enter = [&](const Element& e, size_t styleIndex, int depth) {
        Lists l;
        l.start = chars.size();
        l.end = chars.size();
        l.depth = depth;
        const Style& st = styles[styleIndex];
        l.x = readList(e, "x", 0, st);
        l.y = readList(e, "y", 1, st);
        l.dx = readList(e, "dx", 0, st);
        l.dy = readList(e, "dy", 1, st);
        l.rotate = readList(e, "rotate", 2, st);
        lists.push_back(std::move(l));
        stack.push_back({&e, styleIndex, lists.size() - 1, 0});
    };
    enter(textElement, 0, 0);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.child >= f.e->children.size()) {
            lists[f.listIndex].end = chars.size();
            stack.pop_back();
            continue;
        }
        const Element* c = f.e->children[f.child++];
        const size_t styleIndex = f.styleIndex;
        const Style& st = styles[styleIndex];
        if (c->IsText()) {
            for (char32_t cp : Decode(c->text)) {
                if (st.preserveSpace) {
                    if (cp == '\n' || cp == '\r' || cp == '\t')
                        cp = ' ';
                } else {
                    if (cp == '\n' || cp == '\r')
                        continue;
                    if (cp == '\t')
                        cp = ' ';
                    if (cp == ' ' && lastWasSpace)
                        continue;
                }
                lastWasSpace = cp == ' ';
                chars.push_back({cp, static_cast<uint32_t>(styleIndex), -1});
            }
            continue;
        }
        if ((c->tag != "tspan" && c->tag != "a") || stack.size() > 64)
            continue;
        Style childStyle;
        ComputeStyle(*c, st, childStyle);
        if (childStyle.displayNone)
            continue;
        styles.push_back(childStyle);
        styleElements.push_back(c);
        enter(*c, styles.size() - 1, static_cast<int>(stack.size()));
    }
    // Trailing space of the whole text goes (leading ones were never added).
    if (!textStyle.preserveSpace)
        while (!chars.empty() && chars.back().cp == ' ')
            chars.pop_back();
    if (chars.empty())
        return;
    std::stable_sort(lists.begin(), lists.end(), [](const Lists& a, const Lists& b) { return a.depth < b.depth; });
    for (const Lists& l : lists) {
        for (size_t i = l.start, k = 0; i < l.end && i < chars.size(); ++i, ++k) {
            if (k >= l.x.size() && k >= l.y.size() && k >= l.dx.size() && k >= l.dy.size() && l.rotate.empty())
                break;
            TextChar& c = chars[i];
            if (c.position < 0) {
                c.position = static_cast<int32_t>(positions.size());
                positions.emplace_back();
            }
            TextPosition& ch = positions[static_cast<size_t>(c.position)];
            if (k < l.x.size())
                ch.hasX = true, ch.x = l.x[k];
            if (k < l.y.size())
                ch.hasY = true, ch.y = l.y[k];
            if (k < l.dx.size())
                ch.dx = l.dx[k];
            if (k < l.dy.size())
                ch.dy = l.dy[k];
            if (!l.rotate.empty())
                ch.hasRotate = true, ch.rotate = l.rotate[std::min(k, l.rotate.size() - 1)];
        }
    }
    // Faces per style.
    struct Face {
        std::string family, style;
    };
    std::vector<Face> faces;
    for (const Style& st : styles) {
        auto [family, styleName] = fonts.select ? fonts.select(st.fontFamily, st.fontWeight, st.italic)
                                                : std::pair<std::string, std::string>{st.fontFamily, ""};
        faces.push_back({family, styleName});
    }
    // Lay out: runs of characters that share a style and have no own position.
    double penX = 0, penY = 0;
    size_t chunkStart = node.runs.size();
    int chunkAnchor = styles[chars[0].style].anchor;
    auto closeChunk = [&](size_t end) {
        if (chunkStart >= end)
            return;
        if (chunkAnchor != 0) {
            double minX = node.runs[chunkStart].x, maxX = minX;
            for (size_t i = chunkStart; i < end; ++i) {
                minX = std::min(minX, node.runs[i].x);
                maxX = std::max(maxX, node.runs[i].x + node.runs[i].width);
            }
            const double shift = (maxX - minX) * (chunkAnchor == 1 ? 0.5 : 1.0);
            for (size_t i = chunkStart; i < end; ++i)
                node.runs[i].x -= shift;
        }
    };
    for (size_t i = 0; i < chars.size();) {
        const TextChar& firstChar = chars[i];
        const TextPosition& first = at(firstChar);
        if (first.hasX || first.hasY) {
            if (i > 0) {
                closeChunk(node.runs.size());
                chunkStart = node.runs.size();
                chunkAnchor = styles[firstChar.style].anchor;
            }
        }
        if (first.hasX)
            penX = first.x;
        if (first.hasY)
            penY = first.y;
        penX += first.dx;
        penY += first.dy;
        const Style& st = styles[firstChar.style];
        const bool perChar = st.letterSpacing != 0 || st.wordSpacing != 0 || first.hasRotate;
        size_t j = i + 1;
        if (!perChar)
            while (j < chars.size() && chars[j].style == firstChar.style && chars[j].position < 0)
                ++j;
        TextRun run;
        for (size_t k = i; k < j; ++k)
            Encode(chars[k].cp, run.text);
        run.family = faces[firstChar.style].family;
        run.style = faces[firstChar.style].style;
        run.fontSize = st.fontSize;
        run.x = penX;
        run.y = penY;
        run.rotate = first.hasRotate ? first.rotate : 0;
        run.width = fonts.measure ? fonts.measure(run.family, run.style, run.fontSize, run.text) : 0;
        // The pair across the run's end keeps its kerning when the next run continues
        // in the same face and size (spans, per-character positions).
        if (fonts.measure && j < chars.size() && !at(chars[j]).hasX && !at(chars[j]).hasY &&
            faces[chars[j].style].family == run.family && faces[chars[j].style].style == run.style &&
            styles[chars[j].style].fontSize == run.fontSize) {
            std::string last, next;
            Encode(chars[j - 1].cp, last);
            Encode(chars[j].cp, next);
            run.width += fonts.measure(run.family, run.style, run.fontSize, last + next) -
                         fonts.measure(run.family, run.style, run.fontSize, last) -
                         fonts.measure(run.family, run.style, run.fontSize, next);
        }
        if (perChar) {
            run.width += st.letterSpacing;
            if (firstChar.cp == ' ')
                run.width += st.wordSpacing;
        }
        run.fill = MakePaint(st.fill, st.fillOpacity, st, styleElements[firstChar.style]);
        if (clipMode) {
            run.fill = Paint();
            run.fill.kind = Paint::Colour;
        }
        run.stroke.paint =
            clipMode ? Paint() : MakePaint(st.stroke, st.strokeOpacity, st, styleElements[firstChar.style]);
        run.hasStroke = run.stroke.paint.kind != Paint::None && st.strokeWidth > 0;
        run.stroke.width = st.strokeWidth;
        run.stroke.cap = st.cap;
        run.stroke.join = st.join;
        run.stroke.miterLimit = st.miterLimit;
        run.stroke.dash = st.dash;
        run.stroke.dashOffset = st.dashOffset;
        run.underline = st.decoration & 1;
        run.overline = st.decoration & 2;
        run.lineThrough = st.decoration & 4;
        penX += run.width;
        if (st.visible && run.fontSize > 0)
            node.runs.push_back(std::move(run));
        i = j;
    }
    closeChunk(node.runs.size());
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
    std::vector<double> vb;
    if (hasViewBox) {
        ParseNumberList(*root->Attribute("viewBox"), vb);
        viewports.push_back({vb[2], vb[3]});
    } else {
        // Without a viewBox the graphic's own size is scaled onto the target.
        m = Matrix::Scale(width / iw, height / ih);
        viewports.push_back({iw, ih});
    }
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

} // namespace

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
    Resolver resolver(document, fonts);
    return resolver.Run(width, height);
}

} // namespace svg
