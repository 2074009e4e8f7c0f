#include "vdcommon/report/ProjectDataToXmlConverter.h"

#include "ReportTestSupport.h"
#include "vdcommon/printing/XMLHelpers.h"
#include "vdcommon/report/XsltInMemoryTransformer.h"

#include <gtest/gtest.h>

#include <wx/sstream.h>

#include <clocale>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

using reporttest::DataDir;
using reporttest::Dump;
using reporttest::Element;
using reporttest::TextById;
using reporttest::TrackedNode;

namespace {

using Converter = ProjectDataToXmlConverter;

wxXmlNode* GeneralTree(std::atomic<bool>& deleted)
{
    auto* root = new TrackedNode("project", deleted);
    root->AddAttribute("name", wxString::FromUTF8("Wasserwerk Süd"));
    root->AddAttribute("module", "RO");
    root->AddAttribute("type", "RO");
    root->AddAttribute("client", "City");
    wxXmlNode* design = Element("design", {}, root);
    Element("value", {{"key", "flow"}, {"label", "Feed flow"}, {"amount", "12.5"}, {"unit", "m3/h"}, {"usunit", "gpm"}},
            design);
    return root;
}

wxXmlNode* RoTree(std::atomic<bool>& deleted)
{
    auto* root = new TrackedNode("ro", deleted);
    wxXmlNode* pass = Element("pass", {{"id", "1"}, {"recovery", "75"}}, root);
    Element("stage", {{"id", "1"}, {"vessels", "4"}, {"elements", "6"}}, pass);
    return root;
}

wxXmlNode* UfTree(std::atomic<bool>& deleted)
{
    auto* root = new TrackedNode("uf", deleted);
    root->AddAttribute("flux", "55.25");
    return root;
}

// Enough items for the slow sheet's quadratic comparison to take a while.
wxXmlNode* SlowTree(std::atomic<bool>& deleted)
{
    auto* root = new TrackedNode("slow", deleted);
    for (int i = 0; i < 1600; ++i)
        Element("item", {{"v", wxString::Format("%d", i % 800)}}, root);
    return root;
}

Converter::Input MakeInput(wxXmlNode* general)
{
    Converter::Input input;
    input.projectData = general;
    input.unitSystem = "SI";
    input.decimalSeparator = ",";
    input.styleSheetDirectory = DataDir();
    return input;
}

std::string FailureOf(const Converter& converter)
{
    try {
        converter.GetAsXml();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "<no error>";
}

// What wxXmlDocument::Save(stream, 2) writes, as the pipeline read it before it had
// a writer of its own; "<save failed>" when Save fails.
std::string SavedByToolkit(const wxXmlDocument& document)
{
    wxString text;
    wxStringOutputStream stream(&text, wxConvUTF8);
    if (!document.Save(stream, 2))
        return "<save failed>";
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return utf8.data() != nullptr ? utf8.data() : "";
}

std::string SavedByConverter(const wxXmlDocument& document)
{
    std::string text;
    return Converter::SerialiseToUtf8(document, text) ? text : "<save failed>";
}

wxXmlNode* Child(wxXmlNode* parent, wxXmlNodeType type, const wxString& name, const wxString& content = {})
{
    auto* node = new wxXmlNode(type, name, content);
    parent->AddChild(node);
    return node;
}

} // namespace

TEST(ProjectDataToXmlConverter, WritesProjectDataAsTheToolkitWriterDoes)
{
    wxXmlDocument document;
    auto* root = new wxXmlNode(wxXML_ELEMENT_NODE, "m:project");
    root->AddAttribute("xmlns:m", "urn:project");
    root->AddAttribute("name", wxString::FromUTF8("Stra\xC3\x9F\x65 \xE2\x82\xAC \xF0\x9D\x84\x9E <&> \"q\" 'a'"));
    root->AddAttribute("ws", "a\tb\nc\rd  ");
    root->AddAttribute("empty", "");
    document.SetRoot(root);
    wxXmlNode* mixed = Child(root, wxXML_ELEMENT_NODE, "mixed");
    Child(mixed, wxXML_TEXT_NODE, "text", "  lead <b> & \"q\"\t\r\n ");
    Child(Child(mixed, wxXML_ELEMENT_NODE, "b"), wxXML_TEXT_NODE, "text", "bold");
    Child(mixed, wxXML_TEXT_NODE, "text", "   ");
    Child(mixed, wxXML_CDATA_SECTION_NODE, "cdata", "a < b && c ]] >");
    Child(root, wxXML_TEXT_NODE, "text", "\n  \n");
    Child(root, wxXML_COMMENT_NODE, "comment", wxString::FromUTF8(" K\xC3\xBChlung - Hinweis "));
    Child(root, wxXML_PI_NODE, "target", "data=\"1\"");
    Child(root, wxXML_PI_NODE, "bare", "");
    Child(Child(root, wxXML_ELEMENT_NODE, "empty"), wxXML_ELEMENT_NODE, "m:inner")->AddAttribute("m:x", "1");
    const std::string written = SavedByConverter(document);
    EXPECT_EQ(written, SavedByToolkit(document));
    EXPECT_NE(written.find("&#xA;"), std::string::npos) << written;

    // Text the toolkit's converter may refuse or cut and node types it cannot write
    // take the toolkit's own way, with its outcome.
    for (const wxString& odd :
         {wxString("nul\0inside", 10), wxString(1, static_cast<wchar_t>(0xD800)),
          wxString(1, static_cast<wchar_t>(0xFFFE)), wxString(1, static_cast<wchar_t>(0x110000))}) {
        wxXmlDocument oddDocument;
        auto* oddRoot = new wxXmlNode(wxXML_ELEMENT_NODE, "p");
        oddDocument.SetRoot(oddRoot);
        oddRoot->AddAttribute("a", odd);
        Child(oddRoot, wxXML_TEXT_NODE, "text", odd);
        EXPECT_EQ(SavedByConverter(oddDocument), SavedByToolkit(oddDocument));
    }
    wxXmlDocument raw;
    raw.SetRoot(new wxXmlNode(wxXML_ELEMENT_NODE, "p"));
    Child(raw.GetRoot(), wxXML_TEXT_NODE, "text", "<b>as is</b>")->SetNoConversion(true);
    EXPECT_EQ(SavedByConverter(raw), SavedByToolkit(raw));
    EXPECT_EQ(SavedByConverter(wxXmlDocument()), "<save failed>");
}

TEST(ProjectDataToXmlConverter, MergeMovesTheSameNodesACopyWouldHold)
{
    const auto makeResults = [] {
        std::vector<std::unique_ptr<wxXmlNode>> results;
        for (int i = 0; i < 4; ++i) {
            auto root = std::make_unique<wxXmlNode>(wxXML_ELEMENT_NODE, wxString::Format("r%d", i), wxString(), 10 + i);
            root->AddAttribute("n", wxString::Format("%d", i));
            for (int k = 0; k < (i == 2 ? 0 : 2); ++k) {
                wxXmlNode* cell = Child(root.get(), wxXML_ELEMENT_NODE, wxString::Format("cell%d", k));
                cell->AddAttribute("id", wxString::Format("%d-%d", i, k));
                Child(cell, wxXML_TEXT_NODE, "text", "x")->SetNoConversion(k == 1);
            }
            results.push_back(std::move(root));
        }
        results.insert(results.begin() + 2, nullptr);
        return results;
    };
    auto copied = makeResults();
    std::vector<wxXmlNode*> roots;
    for (const auto& result : copied)
        roots.push_back(result.get());
    const XMLHelpers::TreePtr expected(XMLHelpers::MergeNodes(roots).release());

    auto moved = makeResults();
    const std::unique_ptr<wxXmlNode> merged = Converter::MergeResults(moved);
    ASSERT_TRUE(merged);
    EXPECT_EQ(Dump(merged.get()), Dump(expected.get()));
    for (const wxXmlNode* child = merged->GetChildren(); child != nullptr; child = child->GetNext())
        EXPECT_EQ(child->GetParent(), merged.get());
    for (std::size_t i = 1; i < moved.size(); ++i)
        EXPECT_TRUE(!moved[i] || moved[i]->GetChildren() == nullptr);

    std::vector<std::unique_ptr<wxXmlNode>> none;
    EXPECT_FALSE(Converter::MergeResults(none));
}

TEST(ProjectDataToXmlConverter, MergesGeneralThenMatchingReportsInInputOrder)
{
    std::atomic<bool> generalDeleted = false, roDeleted = false, ufDeleted = false, otherDeleted = false,
                      caseDeleted = false;
    Converter::Input input = MakeInput(GeneralTree(generalDeleted));
    auto* other = new TrackedNode("iex", otherDeleted);
    auto* wrongCase = new TrackedNode("ro", caseDeleted);
    input.reportData = {{RoTree(roDeleted), "RO"}, {other, "IEX"}, {UfTree(ufDeleted), "UF"}, {wrongCase, "ro-system"}};
    // Listed in another order than the data; the second "RO" and the names that
    // match no entry, or differ only in case, start nothing.
    const std::vector<Converter::ActiveReport> active = {
        {"UF", 1, "uf_report.xsl"},          {"RO", 5, "ro_report.xsl"},
        {"RO", 2, "no_such_sheet.xsl"},      {"RO-System", 1, "no_such_sheet.xsl"},
        {"Missing", 1, "no_such_sheet.xsl"},
    };

    auto merged = Converter(input, active).GetAsXml();
    ASSERT_TRUE(merged);
    EXPECT_EQ(merged->GetName(), "report");
    EXPECT_EQ(TextById(merged.get(), "pagelist"), "-1");
    EXPECT_EQ(TextById(merged.get(), "decsep"), ",");
    EXPECT_EQ(TextById(merged.get(), "value-flow"), "12,50 m3/h");
    EXPECT_EQ(TextById(merged.get(), "name"), "Wasserwerk Süd");
    // The report roots contribute only their children; RO ran with page list 5.
    EXPECT_EQ(reporttest::CountElements(merged.get(), "rosection"), 0);
    EXPECT_EQ(TextById(merged.get(), "ro-recovery-1"), "75,0 %");
    EXPECT_EQ(TextById(merged.get(), "ro-stage-1-1"), "<missing>");
    EXPECT_EQ(reporttest::CountElements(merged.get(), "diagram"), 1);
    EXPECT_EQ(TextById(merged.get(), "uf-flux"), "55,3 lmh");
    // In document order: general, then RO, then UF.
    const std::string order = Dump(merged.get());
    EXPECT_LT(order.find("id=[heading]"), order.find("id=[ro-summary]"));
    EXPECT_LT(order.find("id=[ro-summary]"), order.find("id=[uf-design]"));

    // Transformed trees are consumed; the others stay the host's.
    EXPECT_TRUE(generalDeleted);
    EXPECT_TRUE(roDeleted);
    EXPECT_TRUE(ufDeleted);
    EXPECT_FALSE(otherDeleted);
    EXPECT_FALSE(caseDeleted);
    delete other;
    delete wrongCase;
}

TEST(ProjectDataToXmlConverter, FailuresSurfaceInListOrderAfterEveryTaskEnded)
{
    // A null general tree fails at once, yet it wins over the later failure, and the
    // trees of the others are deleted by the time the converter goes.
    std::atomic<bool> slowDeleted = false, roDeleted = false;
    Converter::Input input = MakeInput(nullptr);
    input.reportData = {{SlowTree(slowDeleted), "Slow"}, {RoTree(roDeleted), "RO"}};
    {
        const Converter converter(input, {{"Slow", 1, "slow_report.xsl"}, {"RO", 1, "no_such_sheet.xsl"}});
        EXPECT_EQ(FailureOf(converter), "Unable to save project data structure to stream");
    }
    EXPECT_TRUE(slowDeleted);
    EXPECT_TRUE(roDeleted);

    // Otherwise the first failing report's own message, with the absolute path.
    std::atomic<bool> generalDeleted = false, ufDeleted = false;
    Converter::Input second = MakeInput(GeneralTree(generalDeleted));
    second.reportData = {{UfTree(ufDeleted), "UF"}};
    const std::string message = FailureOf(Converter(second, {{"UF", 1, "no_such_sheet.xsl"}}));
    EXPECT_EQ(message, "Failed to parse XSLT stylesheet: " + (DataDir() + "/no_such_sheet.xsl").utf8_string());
    EXPECT_TRUE(generalDeleted);
    EXPECT_TRUE(ufDeleted);
}

TEST(ProjectDataToXmlConverter, RestoresTheCallersLocale)
{
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr)
        GTEST_SKIP() << "C.UTF-8 locale not available";
    std::atomic<bool> deleted = false;
    Converter::Input input = MakeInput(GeneralTree(deleted));
    Converter(input, {}).GetAsXml();
    EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C.UTF-8");
    EXPECT_EQ(FailureOf(Converter(MakeInput(nullptr), {})), "Unable to save project data structure to stream");
    EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C.UTF-8");
    std::setlocale(LC_ALL, "C");
}

// A large tree is deleted while it is written: the result must be the one the text of
// an intact copy gives, and a tree the quick writer cannot write takes the toolkit's
// way with the same outcome.
TEST(ProjectDataToXmlConverter, LargeTreesGiveTheSameResultWhileTheyAreReleased)
{
    const auto bigTree = [](const wxString& odd) {
        auto* root = new wxXmlNode(wxXML_ELEMENT_NODE, "project");
        root->AddAttribute("name", wxString::FromUTF8("Gro\xC3\x9F <&> \"q\""));
        const wxString filler(wxString::FromUTF8("\xE2\x82\xAC <&> ") + wxString('x', 280));
        wxXmlNode* last = nullptr;
        // Well over the size from which trees are released (rows of about 300 bytes).
        for (int i = 0; i < 56000; ++i) {
            auto* row = new wxXmlNode(wxXML_ELEMENT_NODE, i % 7 == 0 ? "group" : "row");
            row->AddAttribute("id", wxString::Format("r%d", i));
            row->AddChild(new wxXmlNode(wxXML_TEXT_NODE, "text", filler + (i == 40000 ? odd : wxString())));
            if (i % 7 == 0) {
                Child(Child(row, wxXML_ELEMENT_NODE, "inner"), wxXML_ELEMENT_NODE, "leaf")->AddAttribute("v", "1");
                Child(row, wxXML_COMMENT_NODE, "comment", "c");
            }
            if (last != nullptr)
                root->InsertChildAfter(row, last);
            else
                root->AddChild(row);
            last = row;
        }
        return root;
    };
    const auto outcome = [](const std::function<wxXmlNode*()>& transform) {
        try {
            std::unique_ptr<wxXmlNode> result(transform());
            if (!result)
                return std::string("<no result>");
            wxXmlDocument document;
            document.SetRoot(result.release());
            return SavedByConverter(document);
        } catch (const std::exception&) {
            return std::string("<threw>");
        }
    };
    XsltInMemoryTransformer::InitialiseLibraries();
    const wxString sheet = reporttest::DataFile("copy_source.xsl");
    for (const wxString& odd : {wxString(), wxString("nul\0inside", 10)}) {
        SCOPED_TRACE(odd.length());
        const std::string released = outcome(
            [&] { return Converter::TransformTree(bigTree(odd), sheet, "SI", ".", -1, "cannot write").release(); });
        const std::string kept = outcome([&] {
            // The toolkit's own writer on an intact copy.
            wxXmlDocument copy;
            copy.SetRoot(bigTree(odd));
            return XsltInMemoryTransformer().TransformUtf8(SavedByToolkit(copy), sheet, "SI", ".", -1);
        });
        if (odd.empty()) {
            EXPECT_GT(kept.size(), std::size_t{16} << 20);
        }
        EXPECT_TRUE(released == kept) << released.substr(0, 200) << "\n" << kept.substr(0, 200);
    }
}
