#pragma once
// Resolve stage output: what the painter draws. No inheritance, no references and no
// relative units are left: every value is absolute, in the user units of the node's
// own coordinate system; `use`, `symbol` and nested `svg` are instanced as groups.
#include "vdcommon/svg/SvgValues.h"

#include <memory>
#include <string>
#include <vector>

namespace svg {

struct GradientStop {
    double offset = 0;
    Rgb colour;
    double opacity = 1;
};

struct Gradient {
    bool radial = false;
    bool userSpace = false; // userSpaceOnUse, else objectBoundingBox
    Matrix transform;       // gradientTransform
    enum Spread : uint8_t {
        Pad,
        Reflect,
        Repeat
    } spread = Pad;
    double x1 = 0, y1 = 0, x2 = 1, y2 = 0;                          // linear
    double cx = 0.5, cy = 0.5, r = 0.5, fx = 0.5, fy = 0.5, fr = 0; // radial
    std::vector<GradientStop> stops;
};

struct Node;

struct Pattern {
    bool objectBoundingBoxUnits = true;    // patternUnits
    bool objectBoundingBoxContent = false; // patternContentUnits
    Matrix transform;                      // patternTransform
    double x = 0, y = 0, width = 0, height = 0;
    bool hasViewBox = false;
    double viewBox[4] = {0, 0, 0, 0};
    std::string preserveAspectRatio;
    std::vector<std::unique_ptr<Node>> children;
};

struct Paint {
    enum Kind : uint8_t {
        None,
        Colour,
        Server
    } kind = None;
    Rgb colour;
    double opacity = 1; // the property's opacity times the colour's alpha
    std::shared_ptr<const Gradient> gradient;
    std::shared_ptr<const Pattern> pattern; // a Server paint has a gradient or a pattern
    // For a gradient or pattern: what to paint when it cannot apply (a bounding box without
    // area with objectBoundingBox units).
    bool hasFallback = false;
    Rgb fallbackColour;
    double fallbackOpacity = 1;
};

struct Stroke {
    Paint paint;
    double width = 1;
    int cap = 0, join = 0; // PDF numbers: butt/round/square, miter/round/bevel
    double miterLimit = 4;
    std::vector<double> dash;
    double dashOffset = 0;
};

using NodeList = std::vector<std::unique_ptr<Node>>;

struct ClipPath {
    bool objectBoundingBox = false;
    Matrix transform;
    NodeList children;                    // paths and texts; their fill rule is the clip rule
    std::shared_ptr<const ClipPath> clip; // clip-path on the clipPath element itself
};

struct Mask {
    bool objectBoundingBoxRegion = true;   // maskUnits
    bool objectBoundingBoxContent = false; // maskContentUnits
    double x = -0.1, y = -0.1, width = 1.2, height = 1.2;
    NodeList children;
    std::shared_ptr<const Mask> mask;
};

struct TextRun {
    std::string text;    // UTF-8
    double x = 0, y = 0; // baseline start after anchoring
    double rotate = 0;   // degrees, about (x, y)
    std::string family;  // a face the PDF layer knows
    std::string style;   // "", "B", "I", "BI"
    double fontSize = 16;
    Paint fill;
    bool hasStroke = false;
    Stroke stroke;
    bool underline = false, overline = false, lineThrough = false;
    double width = 0; // advance width of the run
};

struct Node {
    enum Kind : uint8_t {
        Group,
        Path,
        Text,
        Image
    } kind = Group;
    // Group
    Matrix transform;
    double opacity = 1;
    std::shared_ptr<const ClipPath> clip;
    std::shared_ptr<const Mask> mask;
    NodeList children;
    // Path
    svg::Path path;
    bool hasFill = false;
    Paint fill;
    bool evenOdd = false;
    bool hasStroke = false;
    Stroke stroke;
    // Text
    std::vector<TextRun> runs;
    // Image: the pixels' file or data, placed in (x, y, w, h); clipped to the viewport
    std::string imageData; // encoded bytes (PNG, JPEG, ...)
    double x = 0, y = 0, w = 0, h = 0;
    double clipX = 0, clipY = 0, clipW = 0, clipH = 0;
    bool clipImage = false;
};

// Bounding box of a path's points (control points included), false when empty.
bool PathBounds(const Path& path, double& x0, double& y0, double& x1, double& y1);

} // namespace svg
