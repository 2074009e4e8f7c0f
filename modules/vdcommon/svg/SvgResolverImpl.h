#pragma once
// The resolver's working parts, shared by the files of the resolve stage: the style
// cascade (SvgStyleCascade.cpp), the element walk (SvgResolver.cpp), shapes and images
// (SvgShapes.cpp), paint servers (SvgPaintServers.cpp), clip paths, masks and markers
// (SvgClipsMarkers.cpp) and text layout (SvgTextLayout.cpp).
#include "vdcommon/svg/SvgLimits.h"
#include "vdcommon/svg/SvgResolver.h"

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace svg::resolve {

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

// A paint value ("none", "currentColor", a colour, "url(#id) [fallback]"); false when
// it cannot be read (`paint` is then unchanged).
bool ReadPaint(std::string_view text, PaintSpec& paint);
double Clamp01(double v);
// An opacity value: a number or a percentage.
bool ReadOpacity(std::string_view text, double& value);
// The element's "href", else its "xlink:href"; null when it has neither.
const std::string* Href(const Element& e);
// A nested viewport (svg, symbol, marker) clips its content to its box unless its
// overflow is visible.
void ClipToViewport(const Element& e, Node& group, double x, double y, double w, double h);
// The transform of the element's viewBox into the box (x, y, w, h), and the viewport
// its content measures percentages against (the viewBox, else the box).
Matrix ViewBoxFor(const Element& e, double x, double y, double w, double h, bool& hasViewBox);
Viewport InnerViewport(const Element& e, bool hasViewBox, double w, double h);

struct TextContent; // the characters of a text element, with their styles and positions

class Resolver
{
public:
    Resolver(const Document& doc, const FontServices& fonts) : doc(doc), fonts(fonts), limits(GetSvgLimits()) {}

    ResolveResult Run(double width, double height);

private:
    // ---- lengths and styles (SvgStyleCascade.cpp)
    double ToUser(const Length& l, int axis, const Style& style) const;
    double AttrLength(const Element& e, std::string_view name, int axis, const Style& style, double fallback) const;
    void ComputeStyle(const Element& e, const Style& parent, Style& style);
    double FontSize(std::string_view value, const Style& parent) const;
    // One declared property each; false when the property is not of their kind.
    static bool ApplyPaintProperty(std::string_view name, std::string_view v, Style& s);
    bool ApplyStrokeProperty(std::string_view name, std::string_view v, Style& s) const;
    bool ApplyTextProperty(std::string_view name, std::string_view v, const Style& parent, Style& s) const;
    // The computed style of `e` inherited through its ancestors in the document
    // (for elements used by reference: clip paths, masks, gradient stops).
    Style DocumentStyle(const Element& e);

    // ---- paint servers (SvgPaintServers.cpp)
    Paint MakePaint(const PaintSpec& paintSpec, double opacity, const Style& style, const Element* context);
    std::shared_ptr<const Gradient> GradientFor(const Element& e);
    void GradientGeometry(const Element& e, const std::vector<const Element*>& chain, Gradient& g) const;
    void GradientStops(const std::vector<const Element*>& chain, Gradient& g);
    std::shared_ptr<const Pattern> PatternFor(const Element& e, int depth);
    // `e` and the elements its href chain names that `accept` takes, nearest first.
    template <typename Accept>
    std::vector<const Element*> HrefChain(const Element& e, Accept accept) const;

    // ---- clip paths, masks and markers (SvgClipsMarkers.cpp)
    std::shared_ptr<const ClipPath> ClipFor(std::string_view reference, int depth);
    std::shared_ptr<const Mask> MaskFor(std::string_view reference, int depth);
    void AddMarkers(const Style& style, const Path& path, Node& group, int depth);
    std::unique_ptr<Node> MarkerAt(const Element& marker, const Style& style, double x, double y, double angle,
                                   int depth);

    // ---- the element walk (SvgResolver.cpp)
    void ResolveChildren(const Element& e, const Style& style, NodeList& out, int depth);
    void ResolveElement(const Element& e, const Style& parent, NodeList& out, int depth);
    void ResolveContainer(const Element& e, const Style& style, NodeList& out, int depth);
    void ResolveNestedSvg(const Element& e, const Style& style, NodeList& out, int depth);
    void ResolveShapeElement(const Element& e, const Style& style, NodeList& out, int depth);
    void ResolveUse(const Element& e, const Style& style, Node& group, int depth);
    // The children of a nested viewport (svg, symbol) at the box (x, y, w, h), under
    // its viewBox transform and clipped to the box; null when nothing is drawn.
    std::unique_ptr<Node> ViewportContent(const Element& e, const Style& style, double x, double y, double w, double h,
                                          int depth);
    void InstanceViewport(const Element& use, const Element& target, const Style& style, Node& group, int depth);
    // Wraps `node` into groups for the element's transform, opacity, clip and mask.
    std::unique_ptr<Node> Wrap(const Element& e, const Style& style, std::unique_ptr<Node> node, int depth,
                               const Matrix* extra = nullptr);

    // ---- shapes and images (SvgShapes.cpp)
    std::unique_ptr<Node> ResolveShape(const Element& e, const Style& style);
    bool ShapePath(const Element& e, const Style& style, Path& path);
    bool RectPath(const Element& e, const Style& style, Path& path) const;
    bool EllipsePath(const Element& e, const Style& style, Path& path) const;
    bool PointsPath(const Element& e, Path& path) const;
    // rx and ry of a rect or ellipse: one given stands for both, none gives 0.
    void Radii(const Element& e, const Style& style, double& rx, double& ry) const;
    std::unique_ptr<Node> ResolveImage(const Element& e, const Style& style);

    // ---- text (SvgTextLayout.cpp)
    void ResolveText(const Element& e, const Style& style, Node& node);
    void CollectText(const Element& textElement, TextContent& text);
    void LayOutText(const TextContent& text, Node& node);
    void PaintRun(const Style& st, const Element* context, TextRun& run);

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

} // namespace svg::resolve
