#pragma once
// Bed-expansion figures of a project, computed before the style sheets run: the
// project file names the resin and the backwash conditions, the numbers come from
// the master database's formula for that resin.
#include <wx/xml/xml.h>

#include <string>

namespace vdhost {

// Fills every <bedexpansion resin="KEY" velocity="V" temperature="T" [depth="D"]/>
// element below (and including) `tree`:
//   expansion="E"        per cent of the settled bed height, one decimal
//   expandedheight="H"   metres, two decimals (only with depth, the settled bed depth in m)
// V is the backwash velocity in m/h, T the water temperature in °C (default 20).
// Numbers are written with "." so the style sheets can format them.
// Throws ProjectFileError naming `origin` and the line for a missing or bad attribute,
// for a resin without formula, or when the master database is not open. Returns the
// number of elements filled.
int FillBedExpansionFigures(wxXmlNode* tree, const std::string& origin);

} // namespace vdhost
