// Basic shapes as paths with their fill and stroke, and images carried in the document.
#include "vdcommon/svg/SvgResolverImpl.h"

#include <algorithm>
#include <fmt/format.h>

namespace svg::resolve {

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
    node->hasFill = node->fill.kind != Paint::None;
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

bool Resolver::ShapePath(const Element& e, const Style& style, Path& path)
{
    const std::string& tag = e.tag;
    if (tag == "path") {
        const std::string* d = e.Attribute("d");
        if (!d)
            return false;
        ParsePathData(*d, path, limits.maxPathNumbers);
        if (path.size() >= limits.maxPathNumbers / 2)
            Warn(fmt::format("SVG: path data longer than {} numbers is cut", limits.maxPathNumbers));
        return path.size() > 1;
    }
    if (tag == "rect")
        return RectPath(e, style, path);
    if (tag == "circle" || tag == "ellipse")
        return EllipsePath(e, style, path);
    if (tag == "line") {
        auto L = [&](std::string_view name, int axis) { return AttrLength(e, name, axis, style, 0); };
        path.push_back({PathSegment::Move, {L("x1", 0), L("y1", 1)}});
        path.push_back({PathSegment::Line, {L("x2", 0), L("y2", 1)}});
        return true;
    }
    return PointsPath(e, path); // polyline, polygon
}

void Resolver::Radii(const Element& e, const Style& style, double& rx, double& ry) const
{
    const std::string* rxs = e.Attribute("rx");
    const std::string* rys = e.Attribute("ry");
    Length tmp;
    const bool hasRx = rxs && ParseLength(*rxs, tmp) && tmp.value >= 0;
    const bool hasRy = rys && ParseLength(*rys, tmp) && tmp.value >= 0;
    rx = hasRx ? AttrLength(e, "rx", 0, style, 0) : 0;
    ry = hasRy ? AttrLength(e, "ry", 1, style, 0) : 0;
    if (hasRx && !hasRy)
        ry = rx;
    if (hasRy && !hasRx)
        rx = ry;
}

bool Resolver::RectPath(const Element& e, const Style& style, Path& path) const
{
    auto L = [&](std::string_view name, int axis) { return AttrLength(e, name, axis, style, 0); };
    const double x = L("x", 0), y = L("y", 1), w = L("width", 0), h = L("height", 1);
    if (!(w > 0) || !(h > 0))
        return false;
    double rx, ry;
    Radii(e, style, rx, ry);
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

bool Resolver::EllipsePath(const Element& e, const Style& style, Path& path) const
{
    const double cx = AttrLength(e, "cx", 0, style, 0), cy = AttrLength(e, "cy", 1, style, 0);
    double rx, ry;
    if (e.tag == "circle")
        rx = ry = AttrLength(e, "r", 2, style, 0);
    else
        Radii(e, style, rx, ry);
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

bool Resolver::PointsPath(const Element& e, Path& path) const
{
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
    if (e.tag == "polygon")
        path.push_back({PathSegment::Close, {}});
    return true;
}

// ---- Images -------------------------------------------------------------------------

namespace {

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

} // namespace

std::unique_ptr<Node> Resolver::ResolveImage(const Element& e, const Style& style)
{
    const std::string* href = Href(e);
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

} // namespace svg::resolve
