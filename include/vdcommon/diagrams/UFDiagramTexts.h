#pragma once
#include "vdcommon/Export.h"
// Label texts of the UF report pictures, composed from a diagram node's "parameter"
// children. Kept apart from the rendering so the wording can be checked on its own.
#include <wx/string.h>
#include <wx/xml/xml.h>

#include <array>

namespace ufDiagramTexts {

// The text with report markup tags removed: "<" opens a tag, ">" closes it, both and
// everything between are dropped; an unclosed tag drops the rest.
VDCOMMON_API wxString StripMarkUp(const wxString& text);

// The active catalogue's translation of a chemical name given as a parameter value.
VDCOMMON_API wxString ChemicalName(const wxString& value);

// Feed text of the design picture (parameter "feed").
VDCOMMON_API wxString DesignFeedText(const wxXmlNode* node);
// Backwash text of the backwash picture (parameter "bw").
VDCOMMON_API wxString BackwashText(const wxXmlNode* node);
// t1..t10 of the overview graph.
VDCOMMON_API std::array<wxString, 10> OverviewTexts(const wxXmlNode* node);
// t1..t6 of the seawater overview graph.
VDCOMMON_API std::array<wxString, 6> SeawaterTexts(const wxXmlNode* node);

} // namespace ufDiagramTexts
