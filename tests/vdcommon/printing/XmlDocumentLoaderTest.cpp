// The linear loader must build the very tree the toolkit's loader builds, quirks
// included, since the report engine and the markup translation read those trees.
#include "vdcommon/printing/XMLHelpers.h"
#include "vdcommon/printing/XmlDocumentLoader.h"
#include "vdcommon/utilities/Limits.h"

#include "../report/ReportTestSupport.h"

#include <fmt/format.h>

#include <wx/log.h>
#include <wx/mstream.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The declaration, then every node with everything a reader of the tree can see.
std::string Describe(const wxXmlDocument& doc)
{
    return "version=" + doc.GetVersion().utf8_string() + " encoding=" + doc.GetFileEncoding().utf8_string() +
           " doctype=" + doc.GetDoctype().GetRootName().utf8_string() + "\n" + reporttest::Dump(doc.GetDocumentNode());
}

std::string ByToolkit(const std::string& xml, int flags)
{
    wxLogNull quiet;
    wxMemoryInputStream in(xml.data(), xml.size());
    wxXmlDocument doc;
    return doc.Load(in, wxS("UTF-8"), flags) ? Describe(doc) : "error";
}

std::string ByLoader(const std::string& xml, int flags)
{
    wxLogNull quiet;
    wxXmlDocument doc;
    return XMLHelpers::LoadXmlDocument(doc, xml.data(), xml.size(), flags) ? Describe(doc) : "error";
}

} // namespace

TEST(XmlDocumentLoader, BuildsTheToolkitsTree)
{
    const std::string blockSpanning = "<a>" + std::string(1500, ' ') + "x" + std::string(3000, '\n') + "y</a>";
    std::string multiByte = "<a>";
    for (int i = 0; i < 3000; ++i) // multi-byte characters across the read blocks
        multiByte += std::to_string(i) + " \xC3\xBC\xE2\x82\xAC\xF0\x9D\x84\x9E" + (i % 7 ? "" : "\n  \n");
    const std::vector<std::string> texts = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<report>\n  <cell width=\"10\">\n    Feed flow\n  "
        "</cell>\n</report>\n",
        "<a>\n  Hello <b/>\n tail &amp; more &lt;x&gt; &#x41;&#66;\n</a>",
        "<a>  <![CDATA[ raw <b> ]]>  after\n<!-- note --><?pi some data?>text</a>",
        "<!-- before --><?xml-stylesheet href=\"s.xsl\"?><a/><!-- after -->",
        "<!DOCTYPE a [<!ENTITY e \"expanded\">]><a>&e; and text</a>",
        "<?xml version='1.1' encoding='ISO-8859-1'?><a t='\xe4'>\xfc\xdf</a>",
        "<a x=\"1\" y='2' z=\"&quot;&#10;\">Ünïcödé 水処理 😀</a>",
        "<a>\r\n\r\n<b>\t</b>\r\n</a>",
        "<ns:a xmlns:ns=\"urn:x\"><ns:b ns:c=\"d\"/></ns:a>",
        blockSpanning,
        multiByte + "</a>",
        "<a><b>unclosed</a>",
        "",
        "<a>\xff\xfe</a>",
        "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\x80 \xe4</a>",
    };
    for (const std::string& text : texts) {
        for (int flags : {wxXMLDOC_NONE, wxXMLDOC_KEEP_WHITESPACE_NODES})
            EXPECT_EQ(ByLoader(text, flags), ByToolkit(text, flags)) << text.substr(0, 80);
    }
}

TEST(XmlDocumentLoader, LoadsLongTextsAndDeepTreesWhole)
{
    const std::string big(8u << 20, 'z');
    wxXmlDocument doc;
    ASSERT_TRUE(XMLHelpers::LoadXmlDocument(doc, ("<a>" + big + "</a>").c_str(), big.size() + 7));
    EXPECT_EQ(doc.GetRoot()->GetNodeContent().size(), big.size());

    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<g>";
    for (int i = 0; i < 100000; ++i)
        deep += "</g>";
    wxXmlDocument nested;
    {
        // Beyond the nesting limit the text is refused with the reason and its line.
        XMLHelpers::XmlLoadError error;
        EXPECT_FALSE(XMLHelpers::LoadXmlDocument(nested, deep.data(), deep.size(), wxXMLDOC_NONE, error));
        EXPECT_EQ(error.message, fmt::format("elements nested deeper than {} levels", limits::kDefaultXmlDepth));
        EXPECT_EQ(error.line, 1);
        // A host that raises the limit gets the whole tree, freed without recursion.
        limits::Limits raised = limits::Get();
        raised.xmlDepth = 200000;
        const limits::ScopedLimits scoped(raised);
        ASSERT_TRUE(XMLHelpers::LoadXmlDocument(nested, deep.data(), deep.size()));
    }
    // The deep tree must be freed without the toolkit's recursive destructor.
    XMLHelpers::DeleteTree(nested.DetachDocumentNode());
    // A wide encoding the parser does not know: the converter table is built without
    // reading past its input (the toolkit's own loader over-reads there).
    const std::string wide = "<?xml version=\"1.0\" encoding=\"UTF16\"?><a>x</a>";
    wxLogNull quiet;
    wxXmlDocument unknown;
    XMLHelpers::LoadXmlDocument(unknown, wide.data(), wide.size());

    // A failed load keeps what the document held.
    EXPECT_FALSE(XMLHelpers::LoadXmlDocument(doc, "<broken", 7));
    EXPECT_EQ(doc.GetRoot()->GetName(), "a");
}
