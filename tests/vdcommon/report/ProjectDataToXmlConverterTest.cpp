#include "vdcommon/report/ProjectDataToXmlConverter.h"

#include "ReportTestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <stdexcept>
#include <string>

using reporttest::DataDir;
using reporttest::FindById;
using reporttest::TextById;
using reporttest::TrackedNode;

namespace {

using Converter = ProjectDataToXmlConverter;

wxXmlNode* AddElement(wxXmlNode* parent, const wxString& name,
                      std::initializer_list<std::pair<const char*, wxString>> attributes)
{
    auto* node = new wxXmlNode(parent, wxXML_ELEMENT_NODE, name);
    for (const auto& [key, value] : attributes)
        node->AddAttribute(key, value);
    return node;
}

wxXmlNode* GeneralTree(std::atomic<bool>& deleted)
{
    auto* root = new TrackedNode("project", deleted);
    root->AddAttribute("name", wxString::FromUTF8("Wasserwerk Süd"));
    root->AddAttribute("module", "RO");
    root->AddAttribute("type", "RO");
    root->AddAttribute("client", "City");
    wxXmlNode* design = AddElement(root, "design", {});
    AddElement(design, "value", {{"key", "flow"}, {"label", "Feed flow"}, {"amount", "12.5"}, {"unit", "m3/h"}, {"usunit", "gpm"}});
    return root;
}

wxXmlNode* RoTree(std::atomic<bool>& deleted)
{
    auto* root = new TrackedNode("ro", deleted);
    wxXmlNode* pass = AddElement(root, "pass", {{"id", "1"}, {"recovery", "75"}});
    AddElement(pass, "stage", {{"id", "1"}, {"vessels", "4"}, {"elements", "6"}});
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
        AddElement(root, "item", {{"v", wxString::Format("%d", i % 800)}});
    return root;
}

// Position of the element with this id among the merged root's children.
int ChildIndex(const wxXmlNode* root, const wxString& id)
{
    int index = 0;
    for (const wxXmlNode* child = root->GetChildren(); child != nullptr; child = child->GetNext(), ++index) {
        if (FindById(child, id) == child || (child->GetChildren() && FindById(child->GetChildren(), id)))
            return index;
    }
    return -1;
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

} // namespace

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
        {"UF", 1, "uf_report.xsl"},
        {"RO", 5, "ro_report.xsl"},
        {"RO", 2, "no_such_sheet.xsl"},
        {"RO-System", 1, "no_such_sheet.xsl"},
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
    EXPECT_LT(ChildIndex(merged.get(), "heading"), ChildIndex(merged.get(), "ro-summary"));
    EXPECT_LT(ChildIndex(merged.get(), "ro-summary"), ChildIndex(merged.get(), "uf-design"));

    // Transformed trees are consumed; the others stay the host's.
    EXPECT_TRUE(generalDeleted);
    EXPECT_TRUE(roDeleted);
    EXPECT_TRUE(ufDeleted);
    EXPECT_FALSE(otherDeleted);
    EXPECT_FALSE(caseDeleted);
    delete other;
    delete wrongCase;
}

TEST(ProjectDataToXmlConverter, OrderDoesNotDependOnWhichTaskFinishesFirst)
{
    std::atomic<bool> generalDeleted = false, slowDeleted = false, ufDeleted = false;
    Converter::Input input = MakeInput(GeneralTree(generalDeleted));
    input.reportData = {{SlowTree(slowDeleted), "Slow"}, {UfTree(ufDeleted), "UF"}};
    auto merged = Converter(input, {{"UF", 1, "uf_report.xsl"}, {"Slow", 1, "slow_report.xsl"}}).GetAsXml();
    EXPECT_EQ(TextById(merged.get(), "slow-count"), "800");
    EXPECT_LT(ChildIndex(merged.get(), "heading"), ChildIndex(merged.get(), "slow-count"));
    EXPECT_LT(ChildIndex(merged.get(), "slow-count"), ChildIndex(merged.get(), "uf-design"));
}

TEST(ProjectDataToXmlConverter, WithoutReportsTheResultIsTheGeneralSpecificationAlone)
{
    std::atomic<bool> deletedA = false, deletedB = false, entryDeleted = false;
    Converter::Input alone = MakeInput(GeneralTree(deletedA));
    auto expected = Converter(alone, {}).GetAsXml();

    Converter::Input unmatched = MakeInput(GeneralTree(deletedB));
    auto* entry = new TrackedNode("ro", entryDeleted);
    unmatched.reportData = {{entry, "RO"}};
    auto merged = Converter(unmatched, {{"UF", 1, "uf_report.xsl"}}).GetAsXml();

    EXPECT_EQ(reporttest::CountElements(merged.get(), "cell"), reporttest::CountElements(expected.get(), "cell"));
    EXPECT_EQ(TextById(merged.get(), "name"), "Wasserwerk Süd");
    EXPECT_FALSE(entryDeleted);
    delete entry;
}

TEST(ProjectDataToXmlConverter, FailuresSurfaceInListOrderAfterEveryTaskEnded)
{
    // A null general tree fails at once, yet the error leaves only after the slow
    // report has finished (its tree is gone) and it wins over the later failure.
    std::atomic<bool> slowDeleted = false, roDeleted = false;
    Converter::Input input = MakeInput(nullptr);
    input.reportData = {{SlowTree(slowDeleted), "Slow"}, {RoTree(roDeleted), "RO"}};
    Converter converter(input, {{"Slow", 1, "slow_report.xsl"}, {"RO", 1, "no_such_sheet.xsl"}});
    EXPECT_EQ(FailureOf(converter), "Unable to save project data structure to stream");
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
