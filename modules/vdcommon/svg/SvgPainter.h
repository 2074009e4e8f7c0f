#pragma once
// Paint stage: draws a render tree into the current page (or template) of a PDF
// document: paths with their fills and strokes, gradients as shadings, group opacity
// and masks as transparency groups with soft masks, clip paths as clipping paths (or
// soft masks where a clipping path cannot say it), text through the document's own
// text calls, embedded images through its image call.
#include "vdcommon/svg/SvgRenderTree.h"

#include <functional>
#include <string>

class PdfDocument;

namespace svg {

class Painter
{
public:
    // `base` maps the tree's root user space onto the document's page space in
    // points, y down (the page's own coordinate system).
    Painter(PdfDocument& document, const Matrix& base);
    void Draw(const Node& root);

private:
    void Flush();
    void PaintNode(const Node& node, int depth);
    void PaintGroupContent(const Node& node, int depth);
    // Paints `children` (one level below `depth`) with `m` applied to the user space.
    void PaintChildrenIn(const NodeList& children, const Matrix& m, int depth);
    // Sets the node's clip path and mask; false when they leave nothing to draw.
    bool EmitClipAndMask(const Node& node, const double bbox[4], bool hasBox, int depth);
    void PaintPath(const Node& node);
    void PaintText(const Node& node);
    void PaintImage(const Node& node);
    void DrawRun(const TextRun& run, bool fill, bool stroke, const Rgb& fillColour, double fillAlpha,
                 const Rgb& strokeColour, double strokeAlpha);
    void EmitPath(const Path& path, const Matrix* transform = nullptr);
    void EmitMatrix(const Matrix& m);
    void EmitColour(const Rgb& c, bool stroke);
    void EmitStrokeState(const Stroke& stroke, double scale = 1);
    void EmitAlpha(double strokeAlpha, double fillAlpha);
    // Sets the soft mask recorded in transparency group `group`.
    void EmitSoftMask(int group);
    // Records what `paint` draws as a transparency group and sets it as the soft mask.
    void SoftMaskFrom(const std::function<void()>& paint);
    // Paints gradient `paint` over the current clip, for an object with bounding box bbox.
    bool EmitGradient(const svg::Paint& paint, const double bbox[4]);
    // Paints a gradient or pattern over `area` (user space) for an object whose
    // bounding box is bbox.
    bool EmitServer(const svg::Paint& paint, const double bbox[4], const double area[4]);
    bool PaintPattern(const Pattern& pattern, double opacity, const double bbox[4], const double area[4]);
    int ShadingFor(const Gradient& g, const Matrix& toGradient, bool opacity, bool& anyAlpha);
    void SpreadRange(const Gradient& g, const Matrix& toGradient, double& t0, double& t1) const;
    // Clip paths: true when it could be written as a clipping path (then it is).
    bool EmitSimpleClip(const ClipPath& clip, const double bbox[4]);
    void PaintClipMask(const ClipPath& clip, const double bbox[4], int depth);
    void PaintMask(const Mask& mask, const double bbox[4], int depth);
    // The area that can be seen, in the current user space (for group boxes).
    void VisibleBox(double box[4]) const;
    int BeginGroup();
    int EndGroup();

    PdfDocument& doc;
    std::string out;
    Matrix ctm;            // current user space → page points
    bool maskMode = false; // drawing a clip path's coverage: white, fill only
    double k = 1;
};

// Bounding box of what a node draws (fill geometry), in the node's parent space.
bool NodeBounds(const Node& node, const Matrix& m, double box[4]);

} // namespace svg
