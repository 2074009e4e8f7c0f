// Paint servers: a fill or stroke value made into a paint (colour, gradient or
// pattern), with `href` inheritance between servers of one kind.
#include "vdcommon/svg/SvgResolverImpl.h"

#include <algorithm>
#include <fmt/format.h>

namespace svg::resolve {

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
    // Where the server cannot be used: the fallback colour, or nothing.
    auto fallback = [&] {
        if (paintSpec.hasFallback)
            solid(paintSpec.fallbackKind, paintSpec.fallbackColour, paintSpec.fallbackAlpha);
        return p;
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
        p.pattern = PatternFor(*target, context ? context->depth : 0);
        return p.pattern ? server() : fallback();
    }
    if (!gradient) {
        if (!target && !paintSpec.hasFallback)
            Warn(fmt::format("SVG: paint server \"{}\" not found", paintSpec.url));
        return fallback();
    }
    if (gradient->stops.empty())
        return fallback();
    if (gradient->stops.size() == 1) {
        p.kind = Paint::Colour;
        p.colour = gradient->stops[0].colour;
        p.opacity = opacity * gradient->stops[0].opacity;
        return p;
    }
    p.gradient = gradient;
    return server();
}

template <typename Accept>
std::vector<const Element*> Resolver::HrefChain(const Element& e, Accept accept) const
{
    // A cycle or a long chain ends it.
    std::vector<const Element*> chain{&e};
    for (int i = 0; i < 32; ++i) {
        const std::string* href = Href(*chain.back());
        if (!href || href->empty() || (*href)[0] != '#')
            break;
        const Element* next = doc.FindById(std::string_view(*href).substr(1));
        if (!next || !accept(*next) || std::find(chain.begin(), chain.end(), next) != chain.end())
            break;
        chain.push_back(next);
    }
    return chain;
}

std::shared_ptr<const Gradient> Resolver::GradientFor(const Element& e)
{
    const auto cached = gradients.find(&e);
    if (cached != gradients.end())
        return cached->second;
    const std::vector<const Element*> chain =
        HrefChain(e, [](const Element& next) { return next.tag == "linearGradient" || next.tag == "radialGradient"; });
    auto g = std::make_shared<Gradient>();
    GradientGeometry(e, chain, *g);
    GradientStops(chain, *g);
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

void Resolver::GradientGeometry(const Element& e, const std::vector<const Element*>& chain, Gradient& g) const
{
    auto attr = [&](std::string_view name) -> const std::string* {
        for (const Element* link : chain) {
            // Geometry attributes only come from gradients of the same kind.
            const bool geometry = name != "gradientUnits" && name != "gradientTransform" && name != "spreadMethod";
            if (geometry && link->tag != e.tag)
                continue;
            if (const std::string* v = link->Attribute(name))
                return v;
        }
        return nullptr;
    };
    g.radial = e.tag == "radialGradient";
    if (const std::string* u = attr("gradientUnits"))
        g.userSpace = Trim(*u) == "userSpaceOnUse";
    if (const std::string* t = attr("gradientTransform")) {
        Matrix m;
        if (ParseTransform(*t, m))
            g.transform = m;
    }
    if (const std::string* sp = attr("spreadMethod")) {
        if (Trim(*sp) == "reflect")
            g.spread = Gradient::Reflect;
        else if (Trim(*sp) == "repeat")
            g.spread = Gradient::Repeat;
    }
    const Style initial;
    // Coordinates are fractions of the bounding box, or user units; defaults are given
    // as fractions.
    auto coord = [&](std::string_view name, int axis, double fallback) {
        const std::string* v = attr(name);
        Length l;
        if (!v || !ParseLength(*v, l))
            return fallback;
        if (!g.userSpace)
            return l.unit == Unit::Percent ? l.value / 100 : l.value;
        return ToUser(l, axis, initial);
    };
    auto fraction = [&](double f, int axis) {
        return g.userSpace ? ToUser({f * 100, Unit::Percent}, axis, initial) : f;
    };
    if (g.radial) {
        g.cx = coord("cx", 0, fraction(0.5, 0));
        g.cy = coord("cy", 1, fraction(0.5, 1));
        g.r = coord("r", 2, fraction(0.5, 2));
        g.fx = coord("fx", 0, g.cx);
        g.fy = coord("fy", 1, g.cy);
        g.fr = coord("fr", 2, 0);
    } else {
        g.x1 = coord("x1", 0, 0);
        g.y1 = coord("y1", 1, 0);
        g.x2 = coord("x2", 0, fraction(1, 0));
        g.y2 = coord("y2", 1, 0);
    }
}

void Resolver::GradientStops(const std::vector<const Element*>& chain, Gradient& g)
{
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
            if (!g.stops.empty())
                stop.offset = std::max(stop.offset, g.stops.back().offset);
            g.stops.push_back(stop);
        }
        if (any)
            break;
    }
}

std::shared_ptr<const Pattern> Resolver::PatternFor(const Element& e, int depth)
{
    if (instancing.count(&e) || depth > limits.maxDepth)
        return nullptr;
    // Attributes and children come from the nearest pattern of the chain that has them.
    const std::vector<const Element*> chain = HrefChain(e, [](const Element& next) { return next.tag == "pattern"; });
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
    const auto content = std::find_if(chain.begin(), chain.end(), [](const Element* p) {
        return std::any_of(p->children.begin(), p->children.end(), [](const Element* c) { return !c->IsText(); });
    });
    if (content == chain.end())
        return nullptr;
    instancing.insert(&e);
    const bool wasClip = clipMode;
    clipMode = false;
    ResolveChildren(**content, DocumentStyle(**content), pattern->children, depth + 1);
    clipMode = wasClip;
    instancing.erase(&e);
    return pattern;
}

} // namespace svg::resolve
