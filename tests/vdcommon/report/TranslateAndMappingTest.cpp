#include "../printing/ReportTestSupport.h"
#include "ReportTestSupport.h"
#include "vdcommon/report/MapReplacementsXml.h"
#include "vdcommon/report/TranslateXmlNodes.h"
#include "vdcommon/report/WxXmlBackend.h"
#include "vdcommon/report/XmlNodeView.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

const std::vector<TranslationRule> reportRules = {{0, "msg", ""}, {1, "replacement", "value"}};

} // namespace

TEST(TranslateXmlNodes, TranslatesMessagesAndReplacementValuesInPlace)
{
    reporttest::TableCatalogue parser;
    parser.entries = {{"de|Flow", "Durchfluss"}, {"de|Prepared for", "Erstellt für"}, {"fr|Flow", "Débit"}};
    reporttest::Markup markup("<report><page/>"
                              "<cell><msg>Flow</msg></cell>"
                              "<group><group><msg>Unknown</msg></group></group>"
                              "<msg><b>Flow</b></msg>"
                              "<msg/>"
                              "<Msg>Flow</Msg>"
                              "<replacement value=\"Prepared for\" id=\"client\"/>"
                              "<replacement value=\"Nobody knows\" id=\"x\"/>"
                              "</report>");
    wxXmlNode* root = markup.Root();
    ASSERT_TRUE(root);
    TranslateXmlNodes(parser, "de", reportRules).Translate(root);
    // Unknown texts stay English; only a first text child counts; names are
    // case-sensitive; a translated attribute is re-added, so it is now the last one.
    EXPECT_EQ(reporttest::Saved(*root),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<report><page/><cell><msg>Durchfluss</msg></cell>"
              "<group><group><msg>Unknown</msg></group></group><msg><b>Flow</b></msg><msg/>"
              "<Msg>Flow</Msg><replacement id=\"client\" value=\"Erstellt f\xC3\xBCr\"/>"
              "<replacement value=\"Nobody knows\" id=\"x\"/></report>\n");

    // Only the node, its following siblings and their descendants are visited.
    reporttest::TableCatalogue counting;
    reporttest::Markup tree("<r><a><msg>one</msg></a><msg>two</msg><msg>three</msg></r>");
    TranslateXmlNodes(counting, "de", reportRules).Translate(tree.Root()->GetChildren()->GetNext());
    EXPECT_EQ(counting.asked.size(), 2u);
    TranslateXmlNodes(counting, "de", reportRules).Translate(nullptr);
    EXPECT_EQ(counting.asked.size(), 2u);

    reporttest::Markup failing("<r><msg>throw</msg></r>");
    EXPECT_THROW(TranslateXmlNodes(parser, "de", reportRules).Translate(failing.Root()), std::runtime_error);
}

TEST(TranslateXmlNodes, HandlesVeryDeepMarkup)
{
    reporttest::TableCatalogue parser;
    parser.entries = {{"de|deep", "tief"}};
    auto root = std::make_unique<wxXmlNode>(wxXML_ELEMENT_NODE, "r");
    wxXmlNode* current = root.get();
    for (int i = 0; i < 100000; ++i)
        current = new wxXmlNode(current, wxXML_ELEMENT_NODE, "g");
    auto* msg = new wxXmlNode(current, wxXML_ELEMENT_NODE, "msg");
    new wxXmlNode(msg, wxXML_TEXT_NODE, "text", "deep");
    TranslateXmlNodes(parser, "de", reportRules).Translate(root.get());
    EXPECT_EQ(msg->GetNodeContent(), "tief");
    // Take the chain apart from the bottom: the toolkit deletes recursively.
    while (current != root.get()) {
        wxXmlNode* parent = current->GetParent();
        parent->RemoveChild(current);
        delete current;
        current = parent;
    }
}

TEST(WxXmlBackend, ConvertsUtf8AndToleratesNullNodes)
{
    wxXmlNode root(wxXML_ELEMENT_NODE, "root");
    wxXmlNode* child = WxXmlBackend::AddChildWithAttribute(&root, "stufe", "name", "Größe");
    WxXmlBackend::AddAttribute(child, "einheit", "m³/h");
    WxXmlBackend::AddChild(&root, "second");
    EXPECT_EQ(WxXmlBackend::GetAttribute(child, "name", "-"), "Größe");
    EXPECT_EQ(WxXmlBackend::GetAttribute(child, "einheit", "-"), "m³/h");
    EXPECT_EQ(WxXmlBackend::GetAttribute(child, "missing", "-"), "-");
    EXPECT_EQ(WxXmlBackend::GetName(WxXmlBackend::GetNext(child)), "second");
    EXPECT_TRUE(WxXmlBackend::NameEquals(child, "stufe"));
    EXPECT_FALSE(WxXmlBackend::NameEquals(child, "Stufe"));
    WxXmlBackend::SetContent(child, "Wert ü");
    EXPECT_EQ(child->GetContent(), wxString::FromUTF8("Wert ü"));

    EXPECT_EQ(WxXmlBackend::AddChild(nullptr, "x"), nullptr);
    EXPECT_EQ(WxXmlBackend::AddChildWithAttribute(nullptr, "x", "a", "b"), nullptr);
    EXPECT_EQ(WxXmlBackend::GetAttribute(nullptr, "a", "default"), "default");
    EXPECT_EQ(WxXmlBackend::GetChildren(nullptr), nullptr);
    EXPECT_EQ(WxXmlBackend::GetName(nullptr), "");
    EXPECT_FALSE(WxXmlBackend::NameEquals(nullptr, ""));
    WxXmlBackend::AddAttribute(nullptr, "a", "b");
    WxXmlBackend::SetContent(nullptr, "c");
}

namespace {

// A plant with a top-level detail, a liquid, two steps (one with a component),
// step filters (one referring to a top-level filter), compartments and components.
const char* const plantXml = R"(<view>
  <details>
    <detail class="Flow" name="Rate" value="12.3456" unit="m3/h"/>
    <detail name="Rate" value="99"/>
    <detail class="Plant" name="Label" value="abc" unit="n/a"/>
    <detail class="Plant" name="Dash" value="7.25" unit="-"/>
  </details>
  <liquids>
    <liquid id="07"><details><detail class="T" name="Temp" value="1"/></details></liquid>
    <liquid id="7"><details><detail class="T" name="Temp" value="25.04" unit="°C"/></details></liquid>
  </liquids>
  <steps>
    <step id="1">
      <details><detail class="S" name="Name" value="Cation"/></details>
      <components><component id="4"><details><detail class="C" name="Load" value="0.125"/></details></component></components>
      <filters>
        <filter id="2" refid="3"><details><detail class="F" name="Area" value="own"/></details></filter>
        <filter id="5" refid="x"><details><detail class="F" name="Area" value="5.5"/></details>
          <compartments><compartment id="1">
            <details><detail class="K" name="Height" value="1500"/></details>
            <components><component id="9"><details><detail class="R" name="Resin" value="A-200"/></details></component></components>
          </compartment></compartments>
        </filter>
      </filters>
    </step>
  </steps>
  <filters>
    <filter id="3"><details><detail class="F" name="Area" value="3.14159" unit="m2"/></details></filter>
  </filters>
</view>)";

DBObjects::TextToDetailMapping Detail(const std::string& reference, int liquid, int step, int filter, int compartment,
                                      int component, int precision = 6, bool withUnit = false,
                                      const std::string& type = "T_DETAIL")
{
    DBObjects::TextToDetailMapping mapping;
    mapping.mappingType = type;
    mapping.text = reference;
    mapping.liquidId = liquid;
    mapping.stepId = step;
    mapping.filterId = filter;
    mapping.compartmentId = compartment;
    mapping.componentId = component;
    mapping.precision = precision;
    mapping.withUnit = withUnit;
    return mapping;
}

} // namespace

TEST(FillMapping, ResolvesDetailsThroughThePlantTree)
{
    reporttest::Markup markup(plantXml);
    wxXmlNode* plant = markup.Root();
    ASSERT_TRUE(plant);
    std::vector<DBObjects::TextToDetailMapping> mappings = {
        Detail("Flow/Rate", -1, -1, -1, -1, -1, 3),                            // 0: top level, 12.3
        Detail("Flow/Rate", -1, -1, -1, -1, -1, 3, true),                      // 1: with unit
        Detail("Rate", -1, -1, -1, -1, -1),                                    // 2: no class part
        Detail("Plant/Label", -1, -1, -1, -1, -1, 2, true),                    // 3: not a number, unit n/a
        Detail("Plant/Dash", -1, -1, -1, -1, -1, 6, true),                     // 4: unit "-"
        Detail("T/Temp", 7, 1, 2, 1, 1, 3, true),                              // 5: liquid 7, not 07; others ignored
        Detail("S/Name", -1, 1, -1, 1, -1),                                    // 6: step details; compartment ignored
        Detail("C/Load", -1, 1, -1, -1, 4),                                    // 7: step component
        Detail("F/Area", -1, 1, 2, -1, -1, 3, true),                           // 8: refid 3 -> top-level filter
        Detail("F/Area", -1, 1, 5, -1, -1),                                    // 9: refid not a number -> own filter
        Detail("K/Height", -1, 1, 5, 1, -1),                                   // 10: compartment
        Detail("R/Resin", -1, 1, 5, 1, 9),                                     // 11: compartment component
        Detail("F/Area", -1, -1, 2, -1, -1),                                   // 12: no step but a filter: nothing
        Detail("T/Temp", 8, -1, -1, -1, -1),                                   // 13: unknown liquid: nothing
        Detail("Flow/Rate", -1, -1, -1, -1, -1, 3, false, "T_OTHER"),          // 14: left alone
        Detail("Flow/Rate", -1, -1, -1, -1, -1, 4, false, "T_DETAIL_REPLACE"), // 15
        Detail("Nope/Nope", -1, -1, -1, -1, -1, 4, false, "T_DETAIL_REPLACE"), // 16: replace("")
    };
    const std::string treeBefore = reporttest::Saved(*plant);

    vdMapReplacementsXml::FillMapping(XmlNodeView<WxXmlBackend>(plant), mappings,
                                      [](const std::string& value) { return "[" + value + "]"; });

    const std::vector<std::string> expected = {
        "12.3", "12.3 m3/h", "99",    "abc", "7.25", "25 °C",     "Cation",  "0.125", "3.14 m2",
        "5.5",  "1500",      "A-200", "",    "",     "Flow/Rate", "[12.35]", "[]",
    };
    ASSERT_EQ(mappings.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(mappings[i].text, expected[i]) << "mapping " << i;
    EXPECT_EQ(reporttest::Saved(*plant), treeBefore);

    // Without a tree nothing resolves.
    std::vector<DBObjects::TextToDetailMapping> lone = {Detail("Flow/Rate", -1, -1, -1, -1, -1)};
    vdMapReplacementsXml::FillMapping(XmlNodeView<WxXmlBackend>(), lone, {});
    EXPECT_EQ(lone[0].text, "");
}
