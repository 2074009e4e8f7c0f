// Reading rules of the markup attribute helpers, on real wxXmlNode trees.
#include <gtest/gtest.h>

#include "../report/ReportTestSupport.h"
#include "support/TestFiles.h"
#include "vdcommon/printing/XMLHelpers.h"

#include <wx/translation.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>

using namespace XMLHelpers;
using reporttest::Saved;

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

// An element with the given attributes; owned by the caller.
std::unique_ptr<wxXmlNode> Element(const wxString& name,
                                   std::initializer_list<std::pair<const char*, const char*>> attributes = {})
{
    auto node = std::make_unique<wxXmlNode>(wxXML_ELEMENT_NODE, name);
    for (const auto& [key, value] : attributes)
        node->AddAttribute(wxString::FromUTF8(key), wxString::FromUTF8(value));
    return node;
}

wxXmlNode* AddText(wxXmlNode* parent, const wxString& text, wxXmlNodeType type = wxXML_TEXT_NODE)
{
    auto* node = new wxXmlNode(type, wxEmptyString, text);
    parent->AddChild(node);
    return node;
}

wxXmlNode* AddElement(wxXmlNode* parent, const wxString& name)
{
    auto* node = new wxXmlNode(wxXML_ELEMENT_NODE, name);
    parent->AddChild(node);
    return node;
}

// A chain of `depth` nested elements below a root; delete it with DeleteTree.
wxXmlNode* DeepChain(int depth)
{
    auto* root = new wxXmlNode(wxXML_ELEMENT_NODE, wxS("deep"));
    wxXmlNode* current = root;
    for (int i = 0; i < depth; ++i)
        current = AddElement(current, wxS("n"));
    AddText(current, wxS("bottom"));
    return root;
}

} // namespace

TEST(XMLHelpers, StringAndLocalizedString)
{
    auto node = Element("cell", {{"text", "Total"}, {"empty", ""}});
    EXPECT_EQ(AttributeAsString(node.get(), "text", "x"), "Total");
    EXPECT_EQ(AttributeAsString(node.get(), "empty", "x"), "");
    EXPECT_EQ(AttributeAsString(node.get(), "missing", "x"), "x");
    EXPECT_EQ(AttributeAsString(node.get(), "TEXT", "x"), "x"); // names are case-sensitive

    ASSERT_EQ(wxTranslations::Get(), nullptr) << "another test left a catalogue behind";
    EXPECT_EQ(AttributeAsLocalizedString(node.get(), "text"), "Total");

    const vdtest::TempDir dir("xmlhelpers-mo");
    const auto catalogue = dir / "de" / "LC_MESSAGES" / "vdxmlhelperstest";
    vdtest::WriteFile(catalogue.string() + ".po", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                                                  "msgid \"Total\"\nmsgstr \"Summe \xC3\xBC\"\n");
    ASSERT_EQ(std::system(("msgfmt -o " + vdtest::ShellQuote(catalogue.string() + ".mo") + " " +
                           vdtest::ShellQuote(catalogue.string() + ".po"))
                              .c_str()),
              0);
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(wxString::FromUTF8(dir.Str()));
    auto* translations = new wxTranslations;
    wxTranslations::Set(translations);
    translations->SetLanguage(wxS("de"));
    EXPECT_TRUE(translations->AddCatalog(wxS("vdxmlhelperstest")));

    EXPECT_EQ(AttributeAsLocalizedString(node.get(), "text").utf8_string(), "Summe \xC3\xBC");
    // The catalogue's header is stored under the empty id; it is never a translation.
    EXPECT_EQ(AttributeAsLocalizedString(node.get(), "empty"), "");
    EXPECT_EQ(AttributeAsLocalizedString(node.get(), "missing"), "");

    wxTranslations::Set(nullptr);
}

// Every reader on the same texts: the integer readers take only a whole base-10 number
// (an int is clamped, never wrapped), the boolean only 1, the decimal reader any
// leading number, always finite.
TEST(XMLHelpers, NumbersReadByEveryKind)
{
    static_assert(sizeof(long) > sizeof(int), "the clamping rows need a 64-bit long");
    const struct {
        const char* text; // nullptr: no such attribute
        bool asBool;
        int asInt;
        long asLong;
        double asDouble;
    } cases[] = {
        {"1", true, 1, 1, 1},
        {"01", true, 1, 1, 1},
        {"true", false, 0, 0, 0},
        {"2", false, 2, 2, 2},
        {"-5", false, -5, -5, -5},
        {"12px", false, 0, 0, 12},
        {"12.75", false, 0, 0, 12.75},
        {"", false, 0, 0, 0},
        {nullptr, false, 0, 0, 0},
        {"99999999999", false, kIntMax, 99999999999L, 99999999999.0},
        {"-99999999999", false, kIntMin, -99999999999L, -99999999999.0},
        {"999999999999999999999999999", false, 0, 0, 1e27},
        {"1e300", false, 0, 0, 1e300},
        {"nan", false, 0, 0, 0},
        {"-inf", false, 0, 0, 0},
        {"1e999", false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(missing)");
        const auto node = c.text ? Element("cell", {{"v", c.text}}) : Element("cell");
        EXPECT_EQ(AttributeAsBool(node.get(), "v"), c.asBool);
        EXPECT_EQ(AttributeAsInt(node.get(), "v"), c.asInt);
        EXPECT_EQ(AttributeAsLong(node.get(), "v"), c.asLong);
        EXPECT_DOUBLE_EQ(AttributeAsDouble(node.get(), "v"), c.asDouble);
    }

    // A locale with a decimal comma must not change the reading.
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        std::printf("de_DE.UTF-8 not installed: decimal-comma locale not exercised\n");
    EXPECT_DOUBLE_EQ(AttributeAsDouble(Element("cell", {{"w", "12.75"}}).get(), "w"), 12.75);
    EXPECT_DOUBLE_EQ(AttributeAsDouble(Element("cell", {{"w", "1,5"}}).get(), "w"), 1.0);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(XMLHelpers, AlignmentAndBorder)
{
    const std::pair<const char*, PdfAlignment> alignments[] = {
        {"CENTER", PdfAlignCenter}, {"Right", PdfAlignRight}, {"justify", PdfAlignLeft}, {"centre", PdfAlignLeft}};
    for (const auto& [text, expected] : alignments)
        EXPECT_EQ(AttributeAsAlignment(Element("cell", {{"align", text}}).get()), expected) << text;
    EXPECT_EQ(AttributeAsAlignment(Element("cell").get()), PdfAlignLeft);

    const std::pair<const char*, int> borders[] = {{"tblr", 15}, {"1", 0}, {"lb", 9}, {"RRx", 2}};
    for (const auto& [text, expected] : borders)
        EXPECT_EQ(AttributeAsBorderType(Element("cell", {{"border", text}}).get()), expected) << text;
    EXPECT_EQ(AttributeAsBorderType(Element("cell").get()), 0);
}

TEST(XMLHelpers, PointsAreTruncatedAndClamped)
{
    const std::pair<wxString, wxString> xy{wxS("x"), wxS("y")};
    EXPECT_EQ(AttributePairAsPoint(Element("image", {{"y", "7.9"}}).get(), xy, wxPoint(30, 40)), wxPoint(30, 7));
    EXPECT_EQ(AttributePairAsPoint(Element("image", {{"x", "12.9"}, {"y", "-3.7"}}).get(), xy, wxPoint()),
              wxPoint(12, -3));
    EXPECT_EQ(AttributePairAsPoint(Element("image", {{"x", ""}}).get(), xy, wxPoint(30, 40)), wxPoint(0, 40));
    EXPECT_EQ(AttributePairAsPoint(Element("image", {{"w", "1e300"}, {"h", "-1e300"}}).get(), {wxS("w"), wxS("h")},
                                   wxPoint()),
              wxPoint(kIntMax, kIntMin));
    EXPECT_EQ(AttributePairAsPoint(Element("image", {{"x", "nan"}, {"y", "-nan"}}).get(), xy, wxPoint(1, 2)),
              wxPoint(0, 0));

    EXPECT_EQ(ToIntTruncated(std::nan(""), 17), 17);
    EXPECT_EQ(ToIntTruncated(2147483648.0), kIntMax);
    EXPECT_EQ(ToIntTruncated(-2147483648.9), kIntMin);
}

TEST(XMLHelpers, NodeContentAndMarkupStripping)
{
    EXPECT_EQ(GetNodeContent(nullptr), "");
    auto cell = Element("cell");
    AddText(cell.get(), wxS("Total"));
    EXPECT_EQ(GetNodeContent(cell.get()), "Total");

    // Elements before the text are skipped; text split by an element gives the first piece.
    auto mixed = Element("cell");
    AddText(AddElement(mixed.get(), wxS("b")), wxS("inner"));
    AddText(mixed.get(), wxS("<raw>"), wxXML_CDATA_SECTION_NODE);
    AddElement(mixed.get(), wxS("br"));
    AddText(mixed.get(), wxS("after"));
    EXPECT_EQ(GetNodeContent(mixed.get()), "<raw>");
    auto onlyElements = Element("cell");
    AddText(AddElement(onlyElements.get(), wxS("b")), wxS("inner"));
    EXPECT_EQ(GetNodeContent(onlyElements.get()), "");

    EXPECT_EQ(StringWithoutMarkUp(wxS("m<sup>3</sup>/h > 5")), "m3/h > 5");
    EXPECT_EQ(StringWithoutMarkUp(wxS("ab<c d")), "ab");
    EXPECT_EQ(StringWithoutMarkUp(wxString::FromUTF8("45 \xC2\xB0<i>C</i>")).utf8_string(), "45 \xC2\xB0"
                                                                                            "C");
}

TEST(XMLHelpers, MergeNodesCopiesFirstAndAppendsChildrenOfTheRest)
{
    auto first = Element("report", {{"lang", "en"}, {"v", "1"}});
    AddText(AddElement(first.get(), wxS("page")), wxS("one"));
    auto second = Element("general", {{"skip", "me"}});
    AddElement(second.get(), wxS("table"));
    AddText(second.get(), wxS("loose"));
    auto third = Element("ro");
    AddElement(AddElement(third.get(), wxS("notes")), wxS("item"));
    const std::string before = Saved(*first) + Saved(*second) + Saved(*third);

    auto merged = MergeNodes({first.get(), second.get(), nullptr, third.get()});
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(Saved(*merged), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<report lang=\"en\" "
                              "v=\"1\"><page>one</page><table/>loose<notes><item/></notes></report>\n");
    for (const wxXmlNode* c = merged->GetChildren(); c != nullptr; c = c->GetNext())
        EXPECT_EQ(c->GetParent(), merged.get());
    EXPECT_EQ(Saved(*first) + Saved(*second) + Saved(*third), before);

    EXPECT_EQ(MergeNodes({}), nullptr);
}

TEST(XMLHelpers, DeepTreesAreCopiedMergedAndDeletedWithoutRecursion)
{
    constexpr int depth = 100000;
    const TreePtr deep(DeepChain(depth));
    auto head = Element("report");

    std::unique_ptr<wxXmlNode> merged = MergeNodes({head.get(), deep.get()});
    std::unique_ptr<wxXmlNode> copy = DeepCopy(deep.get());
    int levels = 0;
    const wxXmlNode* node = merged.get();
    while (node->GetChildren() != nullptr && node->GetChildren()->GetType() == wxXML_ELEMENT_NODE) {
        node = node->GetChildren();
        ++levels;
    }
    EXPECT_EQ(levels, depth);
    EXPECT_EQ(GetNodeContent(node), "bottom");

    DeleteTree(merged.release());
    DeleteTree(copy.release());
    DeleteTree(nullptr);
}
