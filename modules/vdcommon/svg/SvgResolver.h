#pragma once
// Resolve stage: turns the parsed document into the render tree. The CSS cascade is
// done by the parse stage; here properties are inherited, lengths made absolute,
// `use`/`symbol`/nested `svg` instanced with their viewports, paint servers and clip
// paths looked up (with `href` inheritance), and text laid out into positioned runs.
#include "vdcommon/svg/SvgDocument.h"
#include "vdcommon/svg/SvgRenderTree.h"

#include <functional>
#include <string>
#include <vector>

namespace svg {

// What the resolver needs to know of fonts (the PDF layer answers it).
struct FontServices {
    // The family of text that names none (the initial value is the renderer's choice:
    // the host document's current family).
    std::string defaultFamily = "Arial";
    // The family (as the PDF layer names it) and style ("", "B", "I", "BI") to use for
    // a CSS family list, weight (100..900) and italic flag.
    std::function<std::pair<std::string, std::string>(const std::string& families, int weight, bool italic)> select;
    // Advance width of `text` in that face at `size` user units.
    std::function<double(const std::string& family, const std::string& style, double size, const std::string& text)>
        measure;
};

struct ResolveResult {
    std::unique_ptr<Node> root; // a group; null when nothing can be drawn
    double viewportWidth = 0, viewportHeight = 0;
    std::vector<std::string> warnings;
};

// Resolves `document` for a root viewport of width × height user units of the target
// (the root element's own size is fitted into it by its viewBox and
// preserveAspectRatio).
ResolveResult Resolve(const Document& document, double width, double height, const FontServices& fonts);

// The root element's own size in CSS pixels (width/height, else its viewBox, else
// 100 × 100).
void IntrinsicSize(const Element& root, double& width, double& height);

// preserveAspectRatio: the transform that fits view box (vx, vy, vw, vh) into the
// viewport (x, y, w, h).
Matrix ViewBoxTransform(double vx, double vy, double vw, double vh, std::string_view preserveAspectRatio, double x,
                        double y, double w, double h);

} // namespace svg
