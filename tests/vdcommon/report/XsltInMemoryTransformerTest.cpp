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

TEST(XsltInMemoryTransformer, EveryFailureHasItsMessageInStepOrder)
{
    const wxString missing = DataFile("no_such_sheet.xsl");
    // The style sheet is compiled before the source text is looked at.
    EXPECT_EQ(OutcomeOf("<not-well-formed", missing), "Failed to parse XSLT stylesheet: " + missing.utf8_string());
    EXPECT_EQ(OutcomeOf(projectXml, DataFile("ReportTestSupport.h")).rfind("Failed to parse XSLT stylesheet: ", 0), 0u);
    EXPECT_EQ(OutcomeOf("<not-well-formed", DataFile("general_specification.xsl")), "Failed to parse XML document");
    EXPECT_EQ(OutcomeOf(projectXml, DataFile("empty_result.xsl")), "Failed to convert transformation result to string");
    EXPECT_EQ(OutcomeOf(projectXml, DataFile("text_output.xsl")),
              "Unable to load xml structure from xslt transformed buffer");
}

TEST(XsltInMemoryTransformer, SourceDocumentCannotReachOutside)
{
    const wxString secretPath = TempPath("secret.txt");
    vdtest::WriteFile(secretPath.utf8_string(), "TOP-SECRET-CONTENT");
    const wxString dtdPath = TempPath("external.dtd");
    vdtest::WriteFile(dtdPath.utf8_string(), "<!ENTITY fromdtd \"DTD-CONTENT\">");
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
    const std::string copied = reporttest::Saved(*result);
    EXPECT_EQ(copied.find("TOP-SECRET"), std::string::npos) << copied;
    EXPECT_NE(copied.find("<a/>"), std::string::npos) << copied;

    // Nor an external parameter entity or an external DTD: their entity stays
    // undefined, and the run either fails or carries no trace of their text. An
    // external entity in an attribute is an error of its own.
    const std::string dtdUrl = "\"file://" + dtdPath.utf8_string() + "\"";
    for (const std::string& outside : {"<!DOCTYPE project [ <!ENTITY % remote SYSTEM " + dtdUrl + "> %remote; ]>",
                                       "<!DOCTYPE project SYSTEM " + dtdUrl + ">"}) {
        const std::string outcome =
            OutcomeOf(wxString::FromUTF8(outside + "<project><b>&fromdtd;</b></project>"), DataFile("copy_source.xsl"));
        EXPECT_EQ(outcome.find("DTD-CONTENT"), std::string::npos) << outside;
    }
    const std::string inAttribute =
        "<!DOCTYPE project [ <!ENTITY secret SYSTEM \"" + secretUrl + "\"> ]><project name=\"[&secret;]\"/>";
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
    EXPECT_EQ(OutcomeOf(wxString::FromUTF8(bomb), DataFile("general_specification.xsl")),
              "Failed to parse XML document");
    // A guard against a hang or an expansion to gigabytes, not a speed measurement.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(XsltInMemoryTransformer, StyleSheetMayReadButNotWrite)
{
    const wxString target = TempPath("written.xml");
    const wxString writer = "<project target=\"" + target + "\"/>";
    EXPECT_EQ(OutcomeOf(writer, DataFile("write_file.xsl")).rfind("XSLT transformation failed", 0), 0u);
    EXPECT_FALSE(wxFileExists(target));

    const wxString nested = TempPath("newdir") + "/sub/written.xml";
    EXPECT_EQ(OutcomeOf("<project target=\"" + nested + "\"/>", DataFile("write_file.xsl"))
                  .rfind("XSLT transformation failed", 0),
              0u);
    EXPECT_FALSE(wxDirExists(TempPath("newdir")));

    // Imports and document() read local files as before.
    const wxString readable = TempPath("readable.xml");
    vdtest::WriteFile(readable.utf8_string(), "<data value=\"read me\"/>");
    auto result = RunSheet("<project source=\"" + readable + "\"/>", DataFile("read_document.xsl"));
    EXPECT_EQ(TextById(result.get(), "imported"), "from import");
    EXPECT_EQ(TextById(result.get(), "read"), "read me");
    wxRemoveFile(readable);
}
