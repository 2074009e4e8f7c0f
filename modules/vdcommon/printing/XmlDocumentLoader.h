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

class wxInputStream;

namespace XMLHelpers {

// Replaces the document's content with the parsed bytes (UTF-8 or the encoding the
// text declares). Returns false, logs the parser's error like the toolkit does and
// leaves the document unchanged when the text is not well-formed. `flags` takes
// wxXMLDOC_NONE or wxXMLDOC_KEEP_WHITESPACE_NODES.
bool LoadXmlDocument(wxXmlDocument& document, const char* data, std::size_t size, int flags = wxXMLDOC_NONE);
bool LoadXmlDocument(wxXmlDocument& document, wxInputStream& stream, int flags = wxXMLDOC_NONE);

} // namespace XMLHelpers
