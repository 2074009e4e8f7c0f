#pragma once
// Low-level drawing calls for vector-graphics converters (the SVG renderer): raw
// content with the resources it names, transparency groups, soft masks, shadings and
// a free page size. Everything drawn here goes into the current page or template.
#include "vdcommon/pdf/PdfDocument.h"

#include <string_view>
#include <utility>
#include <vector>

namespace pdfsvg {

// The size of pages added from now on, in points (ignored when not positive).
void SetPageSize(PdfDocument& document, double widthPt, double heightPt);

// Appends content-stream operators as they are; the document writes its own state
// again before its next drawing.
void Out(PdfDocument& document, std::string_view operators);

// An ExtGState with these constant alphas (0..1); returns its id, named /GS<id> in
// the content, and lists it in the current resources.
int AlphaState(PdfDocument& document, double strokeAlpha, double fillAlpha);

// An ExtGState whose soft mask is the luminosity of group `groupId` (see BeginGroup).
int SoftMaskState(PdfDocument& document, int groupId);

// A shading with colour stops (offsets 0..1, ascending, at least one): type 2 (axial,
// coords x1 y1 x2 y2) or 3 (radial, coords x1 y1 r1 x2 y2 r2), extended at both ends.
// Returns its id, named /Sh<id>, listed in the current resources; 0 on bad input.
int Shading(PdfDocument& document, int type, const std::vector<double>& coords,
            const std::vector<std::pair<double, PdfColour>>& stops);

// Records what is drawn until EndGroup into a transparency group whose coordinates
// are those of the place where it will be painted (no flip, no placement); `bbox` is
// x0 y0 x1 y1 in that space, in points. Returns the group's id (0 on failure).
int BeginGroup(PdfDocument& document, const double bbox[4]);
int EndGroup(PdfDocument& document);
// Paints group `groupId` with the current state (alpha, soft mask).
void PaintGroup(PdfDocument& document, int groupId);

} // namespace pdfsvg
