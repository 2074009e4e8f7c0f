#pragma once
// Reading XML text into a toolkit document in linear time.
//
// wxXmlDocument::Load re-copies a text node for every piece of character data the
// parser hands over (one piece per line and per 1 KB block), so a text of a few
// megabytes takes minutes to hours. This loader builds exactly the tree the toolkit
// builds — the same nodes, names, attributes, line numbers and the same whitespace
// rule (a text run whose first pieces are only whitespace loses those pieces, and is
// dropped when nothing else follows) — but collects each text run once.
#include <wx/xml/xml.h>

#include <cstddef>
#include <functional>
#include <string>

class wxInputStream;

namespace XMLHelpers {

// Replaces the document's content with the parsed bytes (UTF-8 or the encoding the
// text declares). Returns false, logs the parser's error like the toolkit does and
// leaves the document unchanged when the text is not well-formed. `flags` takes
// wxXMLDOC_NONE or wxXMLDOC_KEEP_WHITESPACE_NODES.
//
// Elements nested deeper than limits::Get().xmlDepth are refused like a syntax error:
// the toolkit's tree is copied, saved and freed by recursion, so a deeper tree could
// overflow the stack later. Text in an encoding the XML parser does not know itself
// (beyond UTF-8, UTF-16, ISO-8859-1, US-ASCII and single-byte code pages) is converted
// by libxml2 first.
bool LoadXmlDocument(wxXmlDocument& document, const char* data, std::size_t size, int flags = wxXMLDOC_NONE);
bool LoadXmlDocument(wxXmlDocument& document, wxInputStream& stream, int flags = wxXMLDOC_NONE);

// Why a text did not load: the line (1-based, 0 when unknown) and the parser's words.
struct XmlLoadError {
    int line = 0;
    std::string message;
};

// The same, without logging: the reason goes to `error`.
bool LoadXmlDocument(wxXmlDocument& document, const char* data, std::size_t size, int flags, XmlLoadError& error);

// Asked for every element with its depth (1: the root), name, attributes (name, value,
// ..., null) and line: false leaves the element out with all its content, so that parts
// a reader does not need never take memory.
using ElementFilter = std::function<bool(std::size_t depth, const char* name, const char** attributes, int line)>;

// From a stream, never holding the whole text; `unknownEncoding` is set (and false
// returned) for an encoding only libxml2 knows, which the memory overload handles.
// `filter` may be empty (keep everything).
bool LoadXmlDocument(wxXmlDocument& document, wxInputStream& stream, int flags, XmlLoadError& error,
                     bool& unknownEncoding, const ElementFilter& filter);

} // namespace XMLHelpers
