#pragma once
#include "vdcommon/Export.h"
#include <wx/geometry.h>
#include <wx/graphics.h>

namespace drawUtilities {

// Appends the segment from -> to and an open arrowhead at `to`: two strokes of
// `length` at +/- angleDegrees to the segment. A segment without direction (from equal
// to to, or not finite) gets no head.
VDCOMMON_API void AddArrowToPath(wxGraphicsPath* path, const wxPoint2DDouble& from, const wxPoint2DDouble& to,
                                 double length, double angleDegrees);

} // namespace drawUtilities
