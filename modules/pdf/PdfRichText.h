#pragma once
// The markup tree the rich-text writer lays out. It is a small copy of the caller's XML
// with lower-case names and a bounded depth, so that everything walking it may recurse
// and nothing a caller hands over (however deep) can exhaust the stack.
#include <wx/string.h>

#include <memory>
#include <utility>
#include <vector>

class wxXmlNode;

namespace vdpdf::richtext {

// Elements nested deeper than this keep their text but lose their own formatting.
constexpr int kMaxDepth = 48;

struct Node {
    bool isText = false;
    wxString name;                                         // lower case; empty for text
    wxString text;                                         // text nodes only
    std::vector<std::pair<wxString, wxString>> attributes; // names lower case
    std::vector<Node> children;

    // The attribute's value, or `fallback` when the element does not have it.
    wxString Attr(const char* key, const wxString& fallback = wxString()) const;
    bool HasAttr(const char* key) const;
};

// Copies the children of `parent` into `root` (an element named "xml"). Returns true
// when elements were flattened because they were nested too deeply.
bool BuildTree(const wxXmlNode* parent, Node& root);

// Parses markup (the content of an implied root element). False, logged, when the text
// is not well-formed XML.
bool ParseMarkup(const wxString& markup, Node& root);

} // namespace vdpdf::richtext
