#pragma once

#include <libxml/tree.h>
#include <libxslt/xsltInternals.h>

#include <cstddef>
#include <cstdint>

class wxXmlNode;

namespace xsltresult {

// The toolkit tree of the result's root element, made straight from libxml2's nodes:
// the same nodes, names, attributes in the same order and texts the loader would make
// of the result written as text (as the style sheet's output settings say), without
// writing and reading it. The loader's whitespace rule is kept: a text run of
// whitespace alone is dropped, and so is a run's leading whitespace up to the first
// piece the parser reports apart (a line end, an escaped character).
// Null when the text would load as something else or not at all — output other than
// XML in UTF-8, text written unescaped, entity references, comments or processing
// instructions the parser would read differently, unusual namespace names, no root
// or text beside it: the caller then takes the text route, with its errors. Throws
// std::runtime_error as loading the text would fail for characters XML does not
// allow and for elements nested deeper than the XML depth limit.
// Null as well once the root turns out to have more than `maxChildren` children (a
// large result, for which the caller prefers the written route).
wxXmlNode* BuildTree(xmlDocPtr result, xsltStylesheetPtr style, std::size_t maxChildren = SIZE_MAX);

} // namespace xsltresult
