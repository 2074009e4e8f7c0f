// Computed styles: the declared properties of an element (the parse stage has done the
// CSS cascade) applied over its parent's computed values, lengths made absolute.
#include "vdcommon/svg/SvgResolverImpl.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace svg::resolve {

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

bool ReadOpacity(std::string_view text, double& value)
{
    Length l;
    if (!ParseLength(text, l) || (l.unit != Unit::None && l.unit != Unit::Percent))
        return false;
    value = Clamp01(l.unit == Unit::Percent ? l.value / 100 : l.value);
    return true;
}

double Resolver::ToUser(const Length& l, int axis, const Style& style) const
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

double Resolver::AttrLength(const Element& e, std::string_view name, int axis, const Style& style,
                            double fallback) const
{
    const std::string* text = e.Attribute(name);
    Length l;
    if (!text || !ParseLength(*text, l))
        return fallback;
    return ToUser(l, axis, style);
}

void Resolver::ComputeStyle(const Element& e, const Style& parent, Style& s)
{
    s = parent;
    s.opacity = 1;
    s.displayNone = false;
    // font-size first: em units of the other properties use it.
    if (const std::string* v = e.Property("font-size"); v && Trim(*v) != "inherit")
        s.fontSize = FontSize(*v, parent);
    for (const auto& [name, raw] : e.properties) {
        if (Trim(raw) == "inherit" || name == "font-size")
            continue; // the inherited value stays (non-inherited ones are reset above)
        const std::string_view v = Trim(raw);
        if (!ApplyPaintProperty(name, v, s) && !ApplyStrokeProperty(name, v, s))
            ApplyTextProperty(name, v, parent, s);
    }
    if (const std::string* space = e.Attribute("xml:space"))
        s.preserveSpace = *space == "preserve";
}

double Resolver::FontSize(std::string_view value, const Style& parent) const
{
    const std::string t = Lower(Trim(value));
    // Named sizes step by 1.2 around "medium", the initial size of 12.
    static const std::map<std::string, double, std::less<>> kNamed = {
        {"xx-small", 12 / 1.728}, {"x-small", 12 / 1.44}, {"small", 12 / 1.2},     {"medium", 12},
        {"large", 12 * 1.2},      {"x-large", 12 * 1.44}, {"xx-large", 12 * 1.728}};
    const auto named = kNamed.find(t);
    if (named != kNamed.end())
        return named->second;
    if (t == "larger")
        return parent.fontSize * 1.2;
    if (t == "smaller")
        return parent.fontSize / 1.2;
    Length l;
    if (!ParseLength(t, l))
        return parent.fontSize;
    double size;
    if (l.unit == Unit::Em)
        size = l.value * parent.fontSize;
    else if (l.unit == Unit::Ex)
        size = l.value * parent.fontSize / 2;
    else if (l.unit == Unit::Percent)
        size = l.value * parent.fontSize / 100;
    else
        size = ToUser(l, 2, parent);
    return size >= 0 ? size : parent.fontSize;
}

bool Resolver::ApplyPaintProperty(std::string_view name, std::string_view v, Style& s)
{
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
    } else if (name == "color") {
        Rgb c;
        double a = 1;
        if (ParseColour(v, c, a))
            s.colour = c;
    } else if (name == "display") {
        s.displayNone = v == "none";
    } else if (name == "visibility") {
        s.visible = v == "visible";
    } else {
        return false;
    }
    return true;
}

namespace {

// The index of `v` in `names`, or `current` when it is none of them.
int Keyword(std::string_view v, std::initializer_list<std::string_view> names, int current)
{
    int i = 0;
    for (std::string_view n : names) {
        if (v == n)
            return i;
        ++i;
    }
    return current;
}

} // namespace

bool Resolver::ApplyStrokeProperty(std::string_view name, std::string_view v, Style& s) const
{
    if (name == "stroke-width") {
        Length l;
        if (ParseLength(v, l) && l.value >= 0)
            s.strokeWidth = ToUser(l, 2, s);
    } else if (name == "stroke-linecap") {
        s.cap = Keyword(v, {"butt", "round", "square"}, s.cap);
    } else if (name == "stroke-linejoin") {
        if (v == "miter-clip" || v == "arcs")
            s.join = 0;
        else
            s.join = Keyword(v, {"miter", "round", "bevel"}, s.join);
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
    } else if (name == "marker") {
        s.markers[0] = s.markers[1] = s.markers[2] = std::string(v);
    } else if (name == "marker-start" || name == "marker-mid" || name == "marker-end") {
        s.markers[name == "marker-start" ? 0 : name == "marker-mid" ? 1 : 2] = std::string(v);
    } else {
        return false;
    }
    return true;
}

bool Resolver::ApplyTextProperty(std::string_view name, std::string_view v, const Style& parent, Style& s) const
{
    // letter-spacing, word-spacing: "normal" or a length.
    auto spacing = [&] {
        Length l;
        return v != "normal" && ParseLength(v, l) ? ToUser(l, 2, s) : 0;
    };
    if (name == "font-family") {
        s.fontFamily = std::string(v);
    } else if (name == "font-weight") {
        const std::string t = Lower(v);
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
        s.anchor = Keyword(v, {"start", "middle", "end"}, s.anchor);
    } else if (name == "letter-spacing") {
        s.letterSpacing = spacing();
    } else if (name == "word-spacing") {
        s.wordSpacing = spacing();
    } else if (name == "text-decoration") {
        // Draws on the text of the element that sets it and its descendants.
        if (v.find("underline") != std::string_view::npos)
            s.decoration |= 1;
        if (v.find("overline") != std::string_view::npos)
            s.decoration |= 2;
        if (v.find("line-through") != std::string_view::npos)
            s.decoration |= 4;
    } else if (name == "xml:space" || name == "white-space") {
        s.preserveSpace = v == "preserve" || v == "pre";
    } else {
        return false;
    }
    return true;
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

} // namespace svg::resolve
