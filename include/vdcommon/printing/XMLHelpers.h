#pragma once
#include "vdcommon/Export.h"
// Readers for the attributes and texts of report markup elements. Every reader has a
// fixed default and a fixed parsing rule; none of them fails, throws or logs: missing
// or malformed input yields the default. Stateless; safe on any thread for nodes that
// no other thread changes.
#include "vdcommon/pdf/PdfTypes.h"

#include <wx/gdicmn.h>
#include <wx/string.h>
#include <wx/xml/xml.h>

#include <memory>
#include <utility>
#include <vector>

namespace XMLHelpers {

// The attribute's text unchanged, or `defaultValue` when the attribute is absent.
VDCOMMON_API wxString AttributeAsString(const wxXmlNode* node, const wxString& name,
                                        const wxString& defaultValue = wxEmptyString);

// The attribute's text (default "") translated through the toolkit's current
// translation catalogue; the text itself when there is no catalogue or no entry.
VDCOMMON_API wxString AttributeAsLocalizedString(const wxXmlNode* node, const wxString& name);

// True only when the whole text is a base-10 integer equal to 1 ("1", "01");
// "true", "yes", "2", "" and an absent attribute are false.
VDCOMMON_API bool AttributeAsBool(const wxXmlNode* node, const wxString& name);

// The base-10 integer when the whole text is one, else 0 (absent: 0). A value outside
// the range of int is clamped to it.
VDCOMMON_API int AttributeAsInt(const wxXmlNode* node, const wxString& name);

// As AttributeAsInt, for long.
VDCOMMON_API long AttributeAsLong(const wxXmlNode* node, const wxString& name);

// The number read with the locale-independent rule of PdfUtility::String2Double
// ("." is the decimal separator); empty or absent text gives 0.0. The result is
// always finite: NaN gives 0.0, infinities are clamped to the largest finite value.
VDCOMMON_API double AttributeAsDouble(const wxXmlNode* node, const wxString& name);

// "align", compared lower-cased: "right" and "center" give those alignments, every
// other text (also absent) gives PdfAlignLeft.
VDCOMMON_API PdfAlignment AttributeAsAlignment(const wxXmlNode* node);

// "border": each of the letters L, R, T, B (any case, anywhere in the text) adds its
// PdfBorder flag; other characters are ignored; empty or absent gives 0.
VDCOMMON_API int AttributeAsBorderType(const wxXmlNode* node);

// Reads the x coordinate from `names.first` and the y coordinate from `names.second`,
// each defaulting to the matching coordinate of `defaultPoint`, as numbers truncated
// toward zero (clamped to the range of int; NaN gives 0). A present but empty
// attribute gives 0.
VDCOMMON_API wxPoint AttributePairAsPoint(const wxXmlNode* node, const std::pair<wxString, wxString>& names,
                                          const wxPoint& defaultPoint);

// The content of the first text or CDATA child of `node`; "" for a null node or when
// there is none.
VDCOMMON_API wxString GetNodeContent(const wxXmlNode* node);

// `text` with every <...> tag removed; an unclosed "<" drops the rest of the text,
// a ">" outside a tag stays.
VDCOMMON_API wxString StringWithoutMarkUp(const wxString& text);

// A new tree: a deep copy of nodes[0] with deep copies of the children of every further
// node appended in order. The inputs are not changed and stay the caller's. An empty
// list (or a null first node) gives null; null further nodes are skipped. The copy is
// made without recursion; to free a possibly deep result without recursion too, pass
// it to DeleteTree (or hold it in a TreePtr) instead of deleting it directly.
VDCOMMON_API std::unique_ptr<wxXmlNode> MergeNodes(const std::vector<wxXmlNode*>& nodes);

// Converts a number read from markup to int without undefined behaviour: truncated
// toward zero, clamped to the range of int, NaN gives `defaultValue`.
VDCOMMON_API int ToIntTruncated(double value, int defaultValue = 0);

// A deep copy of `node` and its whole subtree (attributes included), made without
// recursion so that arbitrarily deep trees are safe. Null gives null.
VDCOMMON_API std::unique_ptr<wxXmlNode> DeepCopy(const wxXmlNode* node);

// Deletes `node` and its whole subtree without recursion (wxXmlNode's own destructor
// recurses once per level). `node` must not be linked into another tree.
VDCOMMON_API void DeleteTree(wxXmlNode* node);

// Deleter for owning pointers to trees that may come from outside input.
struct VDCOMMON_API TreeDeleter {
    void operator()(wxXmlNode* node) const { DeleteTree(node); }
};
using TreePtr = std::unique_ptr<wxXmlNode, TreeDeleter>;

} // namespace XMLHelpers
