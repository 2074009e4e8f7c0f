#include "vdcommon/report/XsltResultTree.h"

#include "ReportTestSupport.h"

#include "vdcommon/printing/XMLHelpers.h"
#include "vdcommon/printing/XmlDocumentLoader.h"
#include "vdcommon/report/XsltInMemoryTransformer.h"

#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxslt/transform.h>
#include <libxslt/xsltutils.h>

#include <memory>
#include <random>
#include <stdexcept>
#include <string>

namespace {

struct Routes {
    std::string written; // the result written as text and loaded
    std::string made;    // made straight from the result, or why not
};

// The two ways from one transformation's result to the toolkit's tree.
Routes BothRoutes(const std::string& sheet, const std::string& source, std::size_t maxChildren = SIZE_MAX)
{
    XsltInMemoryTransformer::InitialiseLibraries();
    xsltStylesheetPtr style =
        xsltParseStylesheetDoc(xmlReadMemory(sheet.data(), static_cast<int>(sheet.size()), nullptr, nullptr, 0));
    xmlDocPtr doc = xmlReadMemory(source.data(), static_cast<int>(source.size()), nullptr, nullptr, XML_PARSE_HUGE);
    if (style == nullptr || doc == nullptr)
        throw std::runtime_error("test input does not parse");
    xmlDocPtr result = xsltApplyStylesheet(style, doc, nullptr);
    Routes routes;
    xmlChar* buffer = nullptr;
    int length = 0;
    wxXmlDocument loaded;
    XMLHelpers::XmlLoadError error;
    if (xsltSaveResultToString(&buffer, &length, result, style) == 0 && buffer != nullptr &&
        XMLHelpers::LoadXmlDocument(loaded, reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length),
                                    wxXMLDOC_NONE, error))
        routes.written = reporttest::Dump(loaded.GetRoot(), false);
    else
        routes.written = "<does not load>";
    xmlFree(buffer);
    try {
        const XMLHelpers::TreePtr tree(xsltresult::BuildTree(result, style, maxChildren));
        if (tree)
            routes.made = reporttest::Dump(tree.get(), false);
        else
            routes.made = "<refused>";
    } catch (const std::runtime_error&) {
        routes.made = "<does not load>";
    }
    xmlFreeDoc(result);
    xmlFreeDoc(doc);
    xsltFreeStylesheet(style);
    return routes;
}

std::string Sheet(const std::string& output, const std::string& body)
{
    return "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">" + output +
           "<xsl:template match=\"/\">" + body + "</xsl:template></xsl:stylesheet>";
}

const std::string utf8Output = "<xsl:output method=\"xml\" encoding=\"UTF-8\" indent=\"yes\"/>";
const std::string copyAll = "<xsl:copy-of select=\"node()\"/>";

} // namespace

TEST(XsltResultTree, MadeTreeIsTheTreeTheWrittenResultLoadsAs)
{
    const struct {
        const char* name;
        std::string sheet;
        std::string source;
    } cases[] = {
        {"leading whitespace pieces", Sheet(utf8Output, copyAll),
         "<r><a>\n  line</a><b>   spaces</b><c> &lt;x&gt; &amp;</c><d> ]]x ]y</d><e>\t&#13;\n\tz</e>"
         "<f>  \xC3\xA9t\xC3\xA9</f><g>  \n  </g><h/><i>a<j/>  \n b  <k>c</k>\n</i></r>"},
        {"text nodes made one after another",
         Sheet(utf8Output, "<r><xsl:value-of select=\"' '\"/><xsl:text>&#10;  x</xsl:text><xsl:value-of "
                           "select=\"'y '\"/><q/><xsl:text>  </xsl:text><xsl:text>\n</xsl:text></r>"),
         "<x/>"},
        {"namespaces and attributes",
         Sheet("<xsl:output encoding=\"utf-8\"/>",
               "<m:r xmlns:m=\"urn:m\" xmlns=\"urn:d\" m:a=\"1\" b=\"&#10;&#9;&#13; &lt;&amp;&quot;'\"><c "
               "xml:lang=\"de\"/></m:r>"),
         "<x/>"},
        {"comments, instructions and sections",
         Sheet("<xsl:output encoding=\"UTF-8\" indent=\"no\" cdata-section-elements=\"code\"/>",
               "<r><xsl:comment> note&#13;&#10;two </xsl:comment><xsl:processing-instruction name=\"pi\">   "
               "data &#13;x</xsl:processing-instruction><code>a&#13;&#10;b ]] &lt;</code>  <code/>"
               "<xsl:copy-of select=\"*/node()\"/></r>"),
         "<s> lead<!-- c -->  \n  after<![CDATA[  c ]]>  tail</s>"},
    };
    for (const auto& c : cases) {
        const Routes routes = BothRoutes(c.sheet, c.source);
        EXPECT_NE(routes.made, "<refused>") << c.name;
        EXPECT_EQ(routes.made, routes.written) << c.name;
    }

    // Random texts of the characters the rule turns on, with and without indentation.
    // Short documents: the loader's block boundaries, which can cut a run's leading
    // whitespace differently, never fall inside them.
    std::mt19937 random(20261207);
    const char* const pieces[] = {" ", "  ", "\t", "\n",       "&#13;", "&lt;",      "&gt;",     "&amp;",
                                  "]", "]]", "a",  "\xC3\xA9", "<b/>",  "<b> x</b>", "<!--c-->", "<![CDATA[ d ]]>"};
    for (int round = 0; round < 300; ++round) {
        std::string source = "<r>";
        for (int i = std::uniform_int_distribution<int>(0, 12)(random); i > 0; --i)
            source += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
        source += "</r>";
        const std::string output = round % 2 == 0 ? utf8Output : "<xsl:output encoding=\"UTF-8\"/>";
        const Routes routes = BothRoutes(Sheet(output, copyAll), source);
        ASSERT_EQ(routes.made, routes.written) << source;
    }
}

TEST(XsltResultTree, OutputsTheTextWouldChangeTakeTheTextRoute)
{
    const struct {
        const char* name;
        std::string sheet;
    } refused[] = {
        {"text output", Sheet("<xsl:output method=\"text\"/>", "<r>x</r>")},
        {"html output by its root", Sheet("", "<html><p>x</p></html>")},
        {"another encoding", Sheet("<xsl:output encoding=\"ISO-8859-1\"/>", "<r>x</r>")},
        {"no encoding named", Sheet("", "<r>x</r>")},
        {"unescaped text",
         Sheet(utf8Output, "<r>x<xsl:text disable-output-escaping=\"yes\">&lt;b/&gt;</xsl:text></r>")},
        {"no root", Sheet(utf8Output, "<xsl:comment>c</xsl:comment>")},
        {"two roots", Sheet(utf8Output, "<r/><s/>")},
        {"text beside the root", Sheet(utf8Output, "<r/><xsl:text>x</xsl:text>")},
    };
    for (const auto& c : refused)
        EXPECT_EQ(BothRoutes(c.sheet, "<x/>").made, "<refused>") << c.name;
    // A root with more children than the caller wants made directly.
    EXPECT_EQ(BothRoutes(Sheet(utf8Output, "<r><a/><b/></r>"), "<x/>", 1).made, "<refused>");
    EXPECT_NE(BothRoutes(Sheet(utf8Output, "<r><a/><b/></r>"), "<x/>", 2).made, "<refused>");

    // What the loader refuses, the made tree refuses with the loader's message.
    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep += "<d>";
    for (int i = 0; i < 300; ++i)
        deep += "</d>";
    const Routes tooDeep = BothRoutes(Sheet(utf8Output, copyAll), deep);
    EXPECT_EQ(tooDeep.made, "<does not load>");
    EXPECT_EQ(tooDeep.written, "<does not load>");
}
