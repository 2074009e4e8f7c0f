#include "vdcommon/report/XsltInMemoryTransformer.h"

#include "ReportTestSupport.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <wx/filename.h>
#include <wx/sstream.h>
#include <wx/utils.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

using reporttest::DataFile;
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

// The serialised result, or the error message.
std::string OutcomeOf(const wxString& xml, const wxString& sheet)
{
    try {
        auto result = RunSheet(xml, sheet);
        return result ? reporttest::Saved(*result) : "<no result>";
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

std::string CopySheet(const char* encoding)
{
    return std::string("<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                       "<xsl:output method=\"xml\" indent=\"yes\" cdata-section-elements=\"code\" encoding=\"") +
           encoding +
           "\"/><xsl:template match=\"/\"><xsl:copy-of select=\"node()\"/></xsl:template>"
           "</xsl:stylesheet>";
}

} // namespace

TEST(XsltInMemoryTransformer, ResultIsReadAsUtf8WhateverItsDeclaredEncoding)
{
    // A CDATA section in the output; crossing the loader's read chunks is checked with
    // the loader itself in the printing tests.
    const std::string text = " Wert \xC3\xBC\xE2\x82\xAC\xF0\x9D\x84\x9E";
    const std::string source = "<doc><code>if (a &lt; b) end</code><long>" + text + "</long></doc>";
    const wxString utf8Sheet = TempPath("copy-utf8.xsl");
    vdtest::WriteFile(utf8Sheet.utf8_string(), CopySheet("UTF-8"));
    const std::string loaded = OutcomeOf(wxString::FromUTF8(source), utf8Sheet);
    EXPECT_NE(loaded.find("<long>" + text + "</long>"), std::string::npos) << loaded.substr(0, 500);
    EXPECT_NE(loaded.find("<![CDATA[if (a < b) end]]>"), std::string::npos) << loaded.substr(0, 500);

    // Output in another encoding is still read as UTF-8: non-ASCII text does not load.
    const wxString latinSheet = TempPath("copy-latin1.xsl");
    vdtest::WriteFile(latinSheet.utf8_string(), CopySheet("ISO-8859-1"));
    EXPECT_EQ(OutcomeOf(wxString::FromUTF8(source), latinSheet),
              "Unable to load xml structure from xslt transformed buffer");
}

TEST(XsltInMemoryTransformer, ParametersReachTheStyleSheetAsLiteralsAndNumber)
{
    // The result tree outlives its transformer (RunSheet's is gone by now).
    auto general = RunSheet(projectXml, DataFile("general_specification.xsl"), "SI", ",", -1);
    ASSERT_TRUE(general);
    EXPECT_EQ(general->GetParent(), nullptr);
    EXPECT_EQ(TextById(general.get(), "name"), "Kläranlage Nord");
    EXPECT_EQ(reporttest::CountElements(general.get(), "bookmark"), 1); // pagelist < 0

    // The strings are values, never expressions: quotes and XPath arrive as text.
    for (const char* hostile :
         {"it's", "US' = 'US' and starts-with(string(document('/etc/passwd')),'r') and 'x", "\"", "concat('a','b')"}) {
        auto quoted = RunSheet(projectXml, DataFile("general_specification.xsl"), wxString::FromUTF8(hostile), ",", -1);
        ASSERT_TRUE(quoted) << hostile;
        EXPECT_EQ(TextById(quoted.get(), "unitsystem"), wxString::FromUTF8(hostile)) << hostile;
    }
}

// Every refused input with its message ("..." ends a prefix; empty: any outcome). No
// outcome may carry a text from outside the source, nor may a file be written.
TEST(XsltInMemoryTransformer, RefusedInputsGiveTheirMessageAndLeakNothing)
{
    const wxString secretPath = TempPath("secret.txt"), dtdPath = TempPath("external.dtd");
    vdtest::WriteFile(secretPath.utf8_string(), "TOP-SECRET-CONTENT");
    vdtest::WriteFile(dtdPath.utf8_string(), "<!ENTITY fromdtd \"DTD-CONTENT\">");
    const std::string secret = "\"file://" + secretPath.utf8_string() + "\"";
    const std::string dtd = "\"file://" + dtdPath.utf8_string() + "\"";
    const wxString written = TempPath("written.xml"), nested = TempPath("newdir") + "/sub/written.xml";
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

    const wxString missing = DataFile("no_such_sheet.xsl"), general = DataFile("general_specification.xsl");
    const wxString copy = DataFile("copy_source.xsl"), writer = DataFile("write_file.xsl");
    const std::string project = projectXml.utf8_string(), notParsed = "Failed to parse XML document";
    const struct {
        std::string source;
        wxString sheet;
        std::string outcome;
    } cases[] = {
        // The style sheet is compiled before the source text is looked at.
        {"<not-well-formed", missing, "Failed to parse XSLT stylesheet: " + missing.utf8_string()},
        {project, DataFile("ReportTestSupport.h"), "Failed to parse XSLT stylesheet: ..."},
        {"<not-well-formed", general, notParsed},
        {project, DataFile("empty_result.xsl"), "Failed to convert transformation result to string"},
        {project, DataFile("text_output.xsl"), "Unable to load xml structure from xslt transformed buffer"},
        // External parameter entities and DTDs stay unread: their entity is undefined.
        {"<!DOCTYPE project [ <!ENTITY % remote SYSTEM " + dtd + "> %remote; ]><project><b>&fromdtd;</b></project>",
         copy, ""},
        {"<!DOCTYPE project SYSTEM " + dtd + "><project><b>&fromdtd;</b></project>", copy, ""},
        {"<!DOCTYPE project [ <!ENTITY secret SYSTEM " + secret + "> ]><project name=\"[&secret;]\"/>", copy,
         notParsed},
        {bomb, general, notParsed},
        {"<project target=\"" + written.utf8_string() + "\"/>", writer, "XSLT transformation failed..."},
        {"<project target=\"" + nested.utf8_string() + "\"/>", writer, "XSLT transformation failed..."},
    };
    const auto start = std::chrono::steady_clock::now();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source.substr(0, 100));
        const std::string outcome = OutcomeOf(wxString::FromUTF8(c.source), c.sheet);
        if (c.outcome.ends_with("...")) {
            EXPECT_EQ(outcome.rfind(c.outcome.substr(0, c.outcome.size() - 3), 0), 0u) << outcome;
        } else if (!c.outcome.empty()) {
            EXPECT_EQ(outcome, c.outcome);
        }
        for (const char* outside : {"TOP-SECRET", "DTD-CONTENT"})
            EXPECT_EQ(outcome.find(outside), std::string::npos) << outcome;
    }
    // A guard against a hang or an entity expansion to gigabytes, not a speed measurement.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(wxFileExists(written));
    EXPECT_FALSE(wxDirExists(TempPath("newdir")));
    wxRemoveFile(secretPath);
    wxRemoveFile(dtdPath);
}

TEST(XsltInMemoryTransformer, SourceEntitiesAndStyleSheetReadsStayLocal)
{
    // Internal entities are substituted; a general entity naming a local file is not loaded.
    const wxString secretPath = TempPath("secret-element.txt");
    vdtest::WriteFile(secretPath.utf8_string(), "TOP-SECRET-CONTENT");
    const std::string source = "<!DOCTYPE project [\n  <!ENTITY plant \"Werk &#x53;üd\">\n  <!ENTITY secret SYSTEM "
                               "\"file://" +
                               secretPath.utf8_string() +
                               "\">\n]>\n<project name=\"&plant;\"><a>&secret;</a></project>";
    auto result = RunSheet(wxString::FromUTF8(source), DataFile("copy_source.xsl"));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->GetAttribute("name"), wxString::FromUTF8("Werk Süd"));
    const std::string copied = reporttest::Saved(*result);
    EXPECT_EQ(copied.find("TOP-SECRET"), std::string::npos) << copied;
    EXPECT_NE(copied.find("<a/>"), std::string::npos) << copied;
    wxRemoveFile(secretPath);

    // Imports and document() read local files as before.
    const wxString readable = TempPath("readable.xml");
    vdtest::WriteFile(readable.utf8_string(), "<data value=\"read me\"/>");
    auto read = RunSheet("<project source=\"" + readable + "\"/>", DataFile("read_document.xsl"));
    EXPECT_EQ(TextById(read.get(), "imported"), "from import");
    EXPECT_EQ(TextById(read.get(), "read"), "read me");
    wxRemoveFile(readable);
}
