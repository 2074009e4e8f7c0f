#include "vdcommon/report/XsltInMemoryTransformer.h"

#include "ReportTestSupport.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxslt/transform.h>
#include <libxslt/xsltutils.h>

#include <wx/filename.h>
#include <wx/ffile.h>
#include <wx/log.h>
#include <wx/sstream.h>
#include <wx/utils.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

using reporttest::DataFile;
using reporttest::Dump;
using reporttest::TextById;

namespace {

const wxString projectXml = wxString::FromUTF8(
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<project name=\"Kläranlage Nord\" module=\"RO\" type=\"ROCC\" client=\"Stadtwerke\">\n"
    "  <design><value key=\"flow\" label=\"Feed flow\" amount=\"12.5\" unit=\"m3/h\" usunit=\"gpm\"/></design>\n"
    "</project>\n");

std::unique_ptr<wxXmlNode> RunSheet(const wxString& xml, const wxString& sheet, const wxString& units = "SI",
                                    const wxString& decsep = ".", int pageList = -1)
{
    XsltInMemoryTransformer transformer;
    return std::unique_ptr<wxXmlNode>(transformer.Transform(xml, sheet, units, decsep, pageList));
}

std::string FailureOf(const wxString& xml, const wxString& sheet, const wxString& units = "SI")
{
    try {
        RunSheet(xml, sheet, units);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "<no error>";
}

std::string Serialise(wxXmlNode* root)
{
    wxString text;
    wxStringOutputStream out(&text);
    wxXmlDocument doc;
    doc.SetRoot(new wxXmlNode(*root));
    doc.Save(out);
    return text.utf8_string();
}

// The serialised result, or the error message.
std::string OutcomeOf(const wxString& xml, const wxString& sheet)
{
    try {
        auto result = RunSheet(xml, sheet);
        return Serialise(result.get());
    } catch (const std::runtime_error& error) {
        return error.what();
    }
}

// Files of this process's tests, removed at exit.
wxString TempPath(const char* name)
{
    static const vdtest::TempDir dir("vd-xslt");
    return wxString::FromUTF8((dir / name).string());
}

void WriteFile(const wxString& path, const std::string& content)
{
    vdtest::WriteFile(path.utf8_string(), content);
}

std::string DumpOutcome(const std::string& source, const wxString& sheet)
{
    try {
        XsltInMemoryTransformer transformer;
        std::unique_ptr<wxXmlNode> result(transformer.TransformUtf8(source.c_str(), sheet, "SI", ".", -1));
        return Dump(result.get());
    } catch (const std::runtime_error& error) {
        return error.what();
    }
}

// The same transformation with the result loaded the way it always was: decoded
// into a wxString and read back through a string stream.
std::string TextRouteOutcome(const std::string& source, const wxString& sheet)
{
    xsltStylesheetPtr style = xsltParseStylesheetFile(reinterpret_cast<const xmlChar*>(sheet.utf8_string().c_str()));
    xmlDocPtr document = xmlReadDoc(reinterpret_cast<const xmlChar*>(source.c_str()), nullptr, nullptr,
                                    XML_PARSE_NOENT | XML_PARSE_NONET);
    const char* parameters[] = {"unitsystem", "'SI'", "decsep", "'.'", "pagelist", "-1", nullptr};
    xmlDocPtr result = xsltApplyStylesheet(style, document, parameters);
    xmlChar* buffer = nullptr;
    int length = 0;
    xsltSaveResultToString(&buffer, &length, result, style);
    std::string out = "Unable to load xml structure from xslt transformed buffer";
    {
        wxLogNull noLog;
        wxStringInputStream stream(wxString::FromUTF8(reinterpret_cast<const char*>(buffer)));
        wxXmlDocument loaded;
        if (loaded.Load(stream, "UTF-8", wxXMLDOC_NONE)) {
            out = Dump(loaded.GetRoot());
        }
    }
    xmlFree(buffer);
    xmlFreeDoc(result);
    xmlFreeDoc(document);
    xsltFreeStylesheet(style);
    return out;
}

std::string CopySheet(const char* encoding)
{
    return std::string("<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                       "<xsl:output method=\"xml\" indent=\"yes\" cdata-section-elements=\"code\" encoding=\"") +
           encoding +
           "\"/><xsl:template match=\"/\"><xsl:copy-of select=\"node()\"/></xsl:template>"
           "</xsl:stylesheet>";
}

} // namespace

TEST(XsltInMemoryTransformer, ResultTreeIsTheOneTheTextRouteLoads)
{
    // Content whose loading depends on details: entities, CDATA, comments and
    // processing instructions, namespaces, non-ASCII text, white space alone or
    // around text (the loader drops some of it), and text long enough to cross the
    // loader's read chunks, with multi-byte characters on the boundaries.
    std::string longText;
    for (int i = 0; i < 3000; ++i)
        longText += (i % 7 == 0 ? "\n   \n  " : " ") + std::string("Wert ") + std::to_string(i) +
                    " \xC3\xBC\xE2\x82\xAC\xF0\x9D\x84\x9E";
    const std::string source =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE doc [<!ENTITY plant \"Werk S\xC3\xBC\x64 &#38;amp; Co\">]>\n"
        "<?top before?><!-- top -->\n"
        "<doc xmlns=\"urn:default\" xmlns:m=\"urn:markup\" m:attr=\"a&#9;b&#10;c&#13;d &quot;q&quot; &lt;&gt;&amp;\">\n"
        "  <title>&plant; \xE2\x80\x94 \xF0\x9D\x84\x9E \xE2\x82\xAC</title>\n"
        "  <code xmlns=\"\">if (a &lt; b &amp;&amp; c &gt; d) ]]&gt; end</code>\n"
        "  <m:mixed>  lead <b>bold</b>   <i/>trail  </m:mixed>\n"
        "  <space>   </space><lines>\n   \n one\r\n  two&#13;\n\tthree</lines>\n"
        "  <!-- inner comment --><?pi data here?><empty></empty>\n"
        "  <long>" +
        longText +
        "</long><after>\xC3\xA4</after>\n"
        "</doc>\n";
    const wxString utf8Sheet = TempPath("copy-utf8.xsl");
    WriteFile(utf8Sheet, CopySheet("UTF-8"));
    const std::string expected = TextRouteOutcome(source, utf8Sheet);
    ASSERT_NE(expected.find("Wert 2999"), std::string::npos) << expected.substr(0, 2000);
    EXPECT_EQ(DumpOutcome(source, utf8Sheet), expected);
    EXPECT_EQ(DumpOutcome(source, DataFile("general_specification.xsl")),
              TextRouteOutcome(source, DataFile("general_specification.xsl")));

    // Output in another encoding is still read as UTF-8: non-ASCII text does not
    // load, plain ASCII does.
    const wxString latinSheet = TempPath("copy-latin1.xsl");
    WriteFile(latinSheet, CopySheet("ISO-8859-1"));
    EXPECT_EQ(DumpOutcome(source, latinSheet), "Unable to load xml structure from xslt transformed buffer");
    EXPECT_EQ(TextRouteOutcome(source, latinSheet), "Unable to load xml structure from xslt transformed buffer");
    const std::string ascii = "<doc a=\"x\">  <b>text</b>\n<c/></doc>";
    EXPECT_EQ(DumpOutcome(ascii, latinSheet), TextRouteOutcome(ascii, latinSheet));
    EXPECT_NE(DumpOutcome(ascii, latinSheet).find("text"), std::string::npos);
    wxRemoveFile(utf8Sheet);
    wxRemoveFile(latinSheet);
}

TEST(XsltInMemoryTransformer, ParametersReachTheStyleSheetAsLiteralsAndNumber)
{
    auto general = RunSheet(projectXml, DataFile("general_specification.xsl"), "SI", ",", -1);
    ASSERT_TRUE(general);
    EXPECT_EQ(general->GetName(), "report");
    EXPECT_EQ(TextById(general.get(), "unitsystem"), "SI");
    EXPECT_EQ(TextById(general.get(), "decsep"), ",");
    EXPECT_EQ(TextById(general.get(), "pagelist"), "-1");
    EXPECT_EQ(TextById(general.get(), "value-flow"), "12,50 m3/h");
    EXPECT_EQ(TextById(general.get(), "name"), "Kläranlage Nord");
    EXPECT_EQ(reporttest::CountElements(general.get(), "bookmark"), 1); // pagelist < 0

    // A report sheet selects its sections by the page-list number: 5 = summary + diagram.
    const wxString ro =
        "<ro><pass id=\"1\" recovery=\"74.25\"><stage id=\"1\" vessels=\"4\" elements=\"6\"/></pass></ro>";
    auto report = RunSheet(ro, DataFile("ro_report.xsl"), "US", ".", 5);
    EXPECT_EQ(report->GetAttribute("pagelist"), "5");
    EXPECT_EQ(report->GetAttribute("unitsystem"), "US");
    EXPECT_EQ(TextById(report.get(), "ro-recovery-1"), "74.3 %");
    EXPECT_EQ(TextById(report.get(), "ro-stage-1-1"), "<missing>");
    EXPECT_EQ(reporttest::CountElements(report.get(), "diagram"), 1);

    // The strings are values, never expressions: quotes and XPath arrive as text.
    for (const char* hostile :
         {"it's", "US' = 'US' and starts-with(string(document('/etc/passwd')),'r') and 'x", "\"", "concat('a','b')"}) {
        auto quoted = RunSheet(projectXml, DataFile("general_specification.xsl"), wxString::FromUTF8(hostile), ",", -1);
        ASSERT_TRUE(quoted) << hostile;
        EXPECT_EQ(TextById(quoted.get(), "unitsystem"), wxString::FromUTF8(hostile)) << hostile;
    }
}

TEST(XsltInMemoryTransformer, EveryFailureHasItsMessageInStepOrder)
{
    const wxString missing = DataFile("no_such_sheet.xsl");
    // The style sheet is compiled before the source text is looked at.
    EXPECT_EQ(FailureOf("<not-well-formed", missing), "Failed to parse XSLT stylesheet: " + missing.utf8_string());
    EXPECT_EQ(FailureOf(projectXml, DataFile("ReportTestSupport.h")).rfind("Failed to parse XSLT stylesheet: ", 0), 0u);
    EXPECT_EQ(FailureOf("<not-well-formed", DataFile("general_specification.xsl")), "Failed to parse XML document");
    EXPECT_EQ(FailureOf(projectXml, DataFile("empty_result.xsl")), "Failed to convert transformation result to string");
    EXPECT_EQ(FailureOf(projectXml, DataFile("text_output.xsl")),
              "Unable to load xml structure from xslt transformed buffer");
}

TEST(XsltInMemoryTransformer, ResultTreeOutlivesTheTransformer)
{
    wxXmlNode* root = nullptr;
    {
        XsltInMemoryTransformer transformer;
        root = transformer.Transform(projectXml, DataFile("general_specification.xsl"), "SI", ".", -1);
    }
    std::unique_ptr<wxXmlNode> owned(root);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetParent(), nullptr);
    EXPECT_EQ(TextById(root, "name"), "Kläranlage Nord");
}

TEST(XsltInMemoryTransformer, SourceDocumentCannotReachOutside)
{
    const wxString secretPath = TempPath("secret.txt");
    WriteFile(secretPath, "TOP-SECRET-CONTENT");
    const wxString dtdPath = TempPath("external.dtd");
    WriteFile(dtdPath, "<!ENTITY fromdtd \"DTD-CONTENT\">");
    const std::string secretUrl = "file://" + secretPath.utf8_string();

    // Internal entities are still substituted; a general entity naming a local
    // file is not loaded.
    const std::string source = "<!DOCTYPE project [\n"
                               "  <!ENTITY plant \"Werk &#x53;üd\">\n"
                               "  <!ENTITY secret SYSTEM \"" +
                               secretUrl +
                               "\">\n"
                               "]>\n"
                               "<project name=\"&plant;\"><a>&secret;</a></project>";
    auto result = RunSheet(wxString::FromUTF8(source), DataFile("copy_source.xsl"));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->GetAttribute("name"), wxString::FromUTF8("Werk Süd"));
    const std::string copied = Serialise(result.get());
    EXPECT_EQ(copied.find("TOP-SECRET"), std::string::npos) << copied;
    EXPECT_NE(copied.find("<a/>"), std::string::npos) << copied;

    // Neither is an external parameter entity nor an external DTD: their entity
    // stays undefined, and the run either fails or carries no trace of their text.
    const std::string withParameterEntity = "<!DOCTYPE project [ <!ENTITY % remote SYSTEM \"file://" +
                                            dtdPath.utf8_string() +
                                            "\"> %remote; ]>"
                                            "<project><b>&fromdtd;</b></project>";
    EXPECT_EQ(OutcomeOf(wxString::FromUTF8(withParameterEntity), DataFile("copy_source.xsl")).find("DTD-CONTENT"),
              std::string::npos);
    // An external DTD is not read: its entity stays undefined, and the run either
    // fails or carries no trace of the DTD's text.
    const std::string withDtd = "<!DOCTYPE project SYSTEM \"file://" + dtdPath.utf8_string() +
                                "\">"
                                "<project><b>&fromdtd;</b></project>";
    EXPECT_EQ(OutcomeOf(wxString::FromUTF8(withDtd), DataFile("copy_source.xsl")).find("DTD-CONTENT"),
              std::string::npos);

    // An external entity in an attribute is an error of its own.
    const std::string inAttribute = "<!DOCTYPE project [ <!ENTITY secret SYSTEM \"" + secretUrl +
                                    "\"> ]>"
                                    "<project name=\"[&secret;]\"/>";
    EXPECT_EQ(OutcomeOf(wxString::FromUTF8(inAttribute), DataFile("copy_source.xsl")), "Failed to parse XML document");

    wxRemoveFile(secretPath);
    wxRemoveFile(dtdPath);
}

TEST(XsltInMemoryTransformer, EntityExpansionBombFailsFast)
{
    std::string bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    std::string previous = "lol";
    for (int level = 1; level <= 10; ++level) {
        const std::string name = "lol" + std::to_string(level);
        bomb += "<!ENTITY " + name + " \"";
        for (int i = 0; i < 10; ++i)
            bomb += "&" + previous + ";";
        bomb += "\">\n";
        previous = name;
    }
    bomb += "]>\n<project name=\"&" + previous + ";\" module=\"RO\" client=\"x\"/>";

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FailureOf(wxString::FromUTF8(bomb), DataFile("general_specification.xsl")),
              "Failed to parse XML document");
    // A guard against a hang or an expansion to gigabytes, not a speed measurement.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(XsltInMemoryTransformer, StyleSheetMayReadButNotWrite)
{
    const wxString target = TempPath("written.xml");
    const wxString writer = "<project target=\"" + target + "\"/>";
    EXPECT_EQ(FailureOf(writer, DataFile("write_file.xsl")).rfind("XSLT transformation failed", 0), 0u);
    EXPECT_FALSE(wxFileExists(target));

    const wxString nested = TempPath("newdir") + "/sub/written.xml";
    EXPECT_EQ(FailureOf("<project target=\"" + nested + "\"/>", DataFile("write_file.xsl"))
                  .rfind("XSLT transformation failed", 0),
              0u);
    EXPECT_FALSE(wxDirExists(TempPath("newdir")));

    // Imports and document() read local files as before.
    const wxString readable = TempPath("readable.xml");
    WriteFile(readable, "<data value=\"read me\"/>");
    auto result = RunSheet("<project source=\"" + readable + "\"/>", DataFile("read_document.xsl"));
    EXPECT_EQ(TextById(result.get(), "imported"), "from import");
    EXPECT_EQ(TextById(result.get(), "read"), "read me");
    wxRemoveFile(readable);
}
