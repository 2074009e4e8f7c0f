#pragma once
// Helpers the PDF layer's graphics source files share: writing points and path
// operators into the content stream and bringing the stream's state up to date.
#include "pdf/PdfDocumentImpl.h"

#include <initializer_list>
#include <string>

namespace vdpdf::gfx {

// The colour when it is valid, else black.
PdfColour Valid(const PdfColour& c);
// False, with a warning naming `what`, when any value is not a finite number.
bool AllFinite(std::initializer_list<double> values, const char* what);
// Brings the stream up to date for painting in `style`.
void PrepareStyle(DocState& s, int style);
// Writes a point (user units) in points.
void Point(DocState& s, std::string& out, double x, double y);
// Ends the current path: paints it in `style`, or makes it the clip when one is pending.
void Paint(DocState& s, int style, bool close);
// Path operators without checks; they keep the path's bounding box.
void MoveToRaw(DocState& s, double x, double y);
void LineToRaw(DocState& s, double x, double y);
void CurveToRaw(DocState& s, double x1, double y1, double x2, double y2, double x3, double y3);

} // namespace vdpdf::gfx
