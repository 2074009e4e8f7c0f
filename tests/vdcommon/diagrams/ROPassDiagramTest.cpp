#include "DiagramTestUtil.h"

#include "vdcommon/diagrams/ROPassDiagram.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

using namespace vdtest;

namespace {

ROPassDiagram FromXml(const std::vector<Param>& params, bool closedCircuit = false)
{
    const auto node = MakeDiagramNode(params);
    return ROPassDiagram(node.get(), closedCircuit);
}

// Number of stage symbols: each stage is one cyan and one blue triangle.
size_t StageCount(const RecordingDC& dc)
{
    size_t n = 0;
    for (const DrawCall& c : dc.Calls("polygon"))
        if (c.brushColour == *wxCYAN && c.args.size() == 6)
            ++n;
    return n;
}

} // namespace

// One configuration drawn on the report canvas (460 x 180, no labels) and the pieces
// it must and must not contain. Coordinates follow from the stage box (80 x 24 at
// (50, 12), the next one 88 right and 36 down) and the gaps between pipes.
struct Drawing {
    const char* name;
    std::vector<Param> params;
    int pass = 0;                            // SetPassIndex when non-zero
    std::optional<DiagramMode> circuit = {}; // closed circuit in this mode
    Pieces pieces = {};
};

void PrintTo(const Drawing& d, std::ostream* os)
{
    *os << d.name;
}

const std::vector<Param> kTwoStages = {{"stage.count", "2"}};

std::vector<Param> With(std::vector<Param> params)
{
    params.insert(params.begin(), kTwoStages.begin(), kTwoStages.end());
    return params;
}

// Pieces: {lines}, {noLines}, {arrows}, {noArrows}, {circles}, {noCircles}.
// clang-format off
const Drawing kDrawings[] = {
    {"two stages: feed pump, interstage, permeate collector, outlet", kTwoStages, 0, {},
     {{{0, 24, 22, 24}, {38, 24, 49, 24}, {28, 17, 37, 24}, {28, 31, 37, 24}, {178, 24, 279, 24}, {266, 60, 266, 24},
       {90, 37, 90, 60}, {106, 60, 122, 60}, {178, 73, 178, 105}}, {},
      {{{49, 24}, Arrow::Right}, {{279, 24}, Arrow::Right}, {{266, 25}, Arrow::Up}, {{137, 60}, Arrow::Right},
       {{178, 105}, Arrow::Down}},
      {{{178, 25}, Arrow::Up}}, {{30, 24, 8}}}},
    {"turbine device coupled to the interstage booster (\"no\" is not \"NO\")",
     With({{"erd.type", "no"}, {"erd.bp.stage", "2"}}), 0, {},
     {{{178, 73, 178, 87}, {178, 87, 122, 87}, {107, 87, 116, 80}, {106, 87, 101, 87}, {101, 87, 101, 97}}, {},
      {{{101, 98}, Arrow::Down}}, {{{178, 87}, Arrow::Down}}, {{114, 60, 8}, {114, 87, 8}}}},
    {"isobaric device replaces the feed pump",
     With({{"booster", "true"}, {"booster.stage", "1"}, {"erd.type", "ISOBARIC"}}), 0, {},
     {{{22, 24, 38, 24}, {178, 87, 31, 87}, {31, 90, 31, 78}, {31, 78, 19, 78}, {19, 78, 19, 90}, {19, 90, 31, 90},
       {31, 84, 19, 84}, {19, 87, 12, 87}, {12, 87, 12, 98}, {19, 81, 11, 81}, {11, 81, 11, 24}, {37, 57, 37, 24},
       {37, 69, 37, 81}, {37, 81, 31, 81}, {32, 65, 37, 58}}, {},
      {{{31, 87}, Arrow::Left}, {{12, 98}, Arrow::Down}, {{19, 81}, Arrow::Right}, {{37, 25}, Arrow::Up}}, {},
      {{23, 24, 8}, {37, 63, 6}}, {{30, 24, 8}}}},
    {"isobaric device with one stage joins the lowered outlet",
     {{"stage.count", "1"}, {"erd.type", "ISOBARIC"}}, 0, {}, {{{90, 73, 90, 87}, {90, 36, 90, 87}}}},
    {"closed circuit, default mode: circulation pump and drain", kTwoStages, 1, DiagramMode::Default,
     {{{194, 73, 194, 105}, {194, 105, 57, 105}, {57, 105, 57, 24}, {57, 105, 57, 123}}, {},
      {{{57, 25}, Arrow::Up}, {{57, 124}, Arrow::Down}}, {{{194, 105}, Arrow::Down}}, {{81, 105, 8}}}},
    {"closed circuit, CC mode: no drain", kTwoStages, 1, DiagramMode::CC,
     {{{194, 105, 57, 105}}, {{57, 105, 57, 123}}, {{{57, 25}, Arrow::Up}}}},
    {"closed circuit, PF mode: plug flow to the drain", kTwoStages, 1, DiagramMode::PF,
     {{{194, 105, 194, 123}}, {{194, 105, 57, 105}}, {{{194, 124}, Arrow::Down}}, {}, {}, {{81, 105, 8}}}},
    {"first pass: local and inter-pass recirculation",
     With({{"recirculation.interpass", "true"}, {"recirculation.conc.local", "true"}}), 1, {},
     {{{178, 73, 178, 96}, {178, 105, 450, 105}, {178, 87, 17, 87}, {17, 87, 17, 24}, {178, 105, 7, 105},
       {7, 105, 7, 24}}, {},
      {{{178, 96}, Arrow::Down}, {{17, 25}, Arrow::Up}, {{7, 25}, Arrow::Up}}}},
    {"recirculation flags without pass context draw nothing",
     With({{"recirculation.interpass", "true"}, {"recirculation.conc.local", "true"}}), 0, {},
     {{}, {{178, 105, 450, 105}, {178, 87, 17, 87}}}},
    {"second pass: concentrate back to the first pass",
     With({{"recirculation.conc", "true"}, {"recirculation.interpass", "true"}, {"recirculation.conc.local", "true"}}),
     2, {},
     {{{178, 73, 178, 105}, {178, 105, 10, 105}, {178, 87, 17, 87}, {17, 87, 17, 24}}, {},
      {{{10, 105}, Arrow::Left}}, {{{178, 105}, Arrow::Down}}}},
    {"second pass with a turbine device: local return at the device level",
     With({{"recirculation.conc", "true"}, {"recirculation.conc.local", "true"}, {"erd.type", "HT"},
           {"erd.bp.stage", "1"}}), 2, {},
     {{{178, 105, 17, 105}, {178, 105, 38, 105}, {17, 105, 17, 115}}}},
    {"split partial without pass context starts at the left edge", With({{"split.partial", "true"}}), 0, {},
     {{{0, 1, 269, 1}, {269, 1, 279, 1}}, {}, {{{279, 1}, Arrow::Right}}}},
    {"split partial blended into the permeate", With({{"split.partial", "true"}, {"blending.perm", "true"}}), 0, {},
     {{{269, 1, 269, 24}}, {}, {{{269, 23}, Arrow::Down}}}},
    {"split partial of the first pass leaves behind the feed pump",
     With({{"split.partial", "true"}, {"blending.perm", "true"}}), 1, {},
     {{{66, 12, 66, 1}, {66, 1, 274, 1}}, {{0, 1, 269, 1}}}},
    {"permeate blending and recirculation", With({{"blending.perm", "true"}, {"recirculation.perm", "true"}}), 0, {},
     {{{7, 24, 7, 1}, {7, 1, 269, 1}, {269, 1, 269, 24}}, {}, {{{269, 23}, Arrow::Down}, {{7, 23}, Arrow::Down}}}},
    {"partial second pass bypasses the permeate", With({{"partial", "true"}}), 0, {},
     {{{7, 1, 269, 1}, {269, 1, 279, 1}}, {{269, 1, 269, 24}}}},
    {"no stage count: feed and outlet only", {}, 0, {}, {{{2, 1, 2, 33}}, {}, {{{49, 24}, Arrow::Right}}}},
};
// clang-format on

class ROPassDrawing : public ::testing::TestWithParam<Drawing>
{};

TEST_P(ROPassDrawing, HasItsPieces)
{
    const Drawing& d = GetParam();
    ROPassDiagram diagram = FromXml(d.params, d.circuit.has_value());
    if (d.pass != 0)
        diagram.SetPassIndex(d.pass);
    if (d.circuit)
        diagram.SetIsClosedCircuit(true, *d.circuit);
    const auto dc = Render(diagram, 460, 180, false);
    ExpectPieces(*dc, d.pieces);
    // Every pipe is black; no text but the device's name without labels.
    for (const DrawCall& c : dc->Calls("line")) {
        if (c.penStyle != wxPENSTYLE_LONG_DASH) {
            EXPECT_EQ(c.penColour, *wxBLACK) << c.ToString();
        }
    }
    for (const DrawCall& c : dc->Calls("text"))
        EXPECT_EQ(c.text, "ERD");
}

INSTANTIATE_TEST_SUITE_P(Configurations, ROPassDrawing, ::testing::ValuesIn(kDrawings),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(ROPassDiagram, StageSymbolsAndLabels)
{
    ROPassDiagram diagram = FromXml(kTwoStages);
    const auto dc = Render(diagram, 460, 180, true);
    // The stages' colours are checked on a real surface in DiagramRendersTest.
    EXPECT_TRUE(dc->FindPolygon({{138, 48}, {218, 48}, {218, 72}}));
    EXPECT_EQ(StageCount(*dc), 2u);

    const char* const expected[] = {"feed", "1", "permeate", "2", "4", "3", "5", "concentrate"};
    for (const char* text : expected)
        EXPECT_TRUE(dc->FindText(text)) << text;
    EXPECT_EQ(dc->Count("text"), std::size(expected));

    // The turbine device: a grey dashed shaft to its booster, named beside it.
    ROPassDiagram erd = FromXml(With({{"erd.type", "HT"}, {"erd.bp.stage", "2"}}));
    const auto dcErd = Render(erd, 460, 180, false);
    const DrawCall* shaft = dcErd->FindLine({114, 79}, {114, 68});
    ASSERT_TRUE(shaft);
    EXPECT_EQ(shaft->penStyle, wxPENSTYLE_LONG_DASH);
    EXPECT_TRUE(dcErd->FindText("ERD"));
}

TEST(ROPassDiagram, ThrottlesFromMaskAndBoosters)
{
    ROPassDiagram diagram = FromXml(With({{"throttling.perm", "true"},
                                          {"throttling.stages", "2"},
                                          {"booster", "True"},
                                          {"booster.stage", "2"},
                                          {"booster2", "true"},
                                          {"booster2.stage", "2"}}));
    const PassState& pass = diagram.GetPassState();
    EXPECT_FALSE(pass.stages[0].throttle);
    EXPECT_TRUE(pass.stages[1].throttle);
    EXPECT_TRUE(pass.stages[1].booster); // from "booster2"; "True" is not "true"

    const auto dc = Render(diagram, 460, 180, false);
    EXPECT_TRUE(dc->FindPolygon({{232, 55}, {232, 65}, {252, 55}, {252, 65}}));
    EXPECT_TRUE(dc->FindLine({144, 24}, {164, 24})); // stage 1 without throttle
    // Mask ignored without "throttling.perm".
    EXPECT_FALSE(FromXml({{"stage.count", "2"}, {"throttling.stages", "3"}}).GetPassState().stages[0].throttle);
    // "diagram.mode" is read from the node, in capitals only.
    EXPECT_EQ(FromXml({{"diagram.mode", "PF"}}, true).GetDiagramMode(), DiagramMode::PF);
    EXPECT_EQ(FromXml({{"diagram.mode", "cc"}}, true).GetDiagramMode(), DiagramMode::Default);
}

TEST(ROPassDiagram, ReadingParameters)
{
    // Null node: constructed defaults.
    ROPassDiagram none(nullptr, true);
    EXPECT_FALSE(none.IsClosedCircuit());

    auto node = MakeDiagramNode({{"stage.count", " +3abc"},
                                 {"Stage.count", "1"},
                                 {"blending.perm", "true"},
                                 {"blending.perm", "false"},
                                 {"partial", "true"}});
    node->AddChild(new wxXmlNode(wxXML_ELEMENT_NODE, "param")); // not a parameter
    ROPassDiagram diagram(node.get(), false);
    const PassState& pass = diagram.GetPassState();
    EXPECT_EQ(pass.stageCount, 3);
    EXPECT_FALSE(pass.permeateBlending); // the later parameter wins
    EXPECT_TRUE(pass.partialPass2);

    // Create on a filled diagram adds booster flags and overwrites the rest.
    diagram.UpdateStageBooster(3, true);
    const auto again = MakeDiagramNode({{"stage.count", "1"}});
    diagram.Create(again.get(), false);
    EXPECT_TRUE(diagram.GetPassState().stages[3].booster);
    EXPECT_FALSE(diagram.GetPassState().partialPass2);
}

TEST(ROPassDiagram, InitializePassFromHost)
{
    ROPassDiagram diagram;
    ROPassInitConfig config;
    config.passNumber = 2;
    config.stageCount = 0;
    config.erdType = "BP";
    config.boosterStage = 1;
    config.secondBooster = true;
    config.secondBoosterStage = 2;
    config.throttling = true;
    config.throttleValues = {1.5};
    config.passCount = 2;
    config.interPassFlagA = true;
    config.interPassFlagB = true;
    config.phAdjust = true;
    config.chemical = "NaOH";
    diagram.InitializePass(config);
    PassState pass = diagram.GetPassState();
    EXPECT_EQ(pass.passIndex, 1);
    EXPECT_EQ(pass.stageCount, 1);
    EXPECT_TRUE(pass.stages[1].booster); // "BP" with stage 1 means stage 2
    EXPECT_TRUE(pass.stages[2].booster); // second not above the first: next stage
    EXPECT_TRUE(pass.stages[0].throttle);
    EXPECT_TRUE(pass.interPassRecirculation);
    EXPECT_FALSE(pass.hasErd);
    const auto dc = Render(diagram, 460, 180, false);
    EXPECT_EQ(StageCount(*dc), 1u);

    config.stageCount = 3;
    config.throttleValues = {1.0, 0.0};
    config.erdType = "HT";
    config.erdBoosterStage = 0;
    config.passCount = 1;
    diagram.InitializePass(config);
    pass = diagram.GetPassState();
    EXPECT_TRUE(pass.stages[0].throttle);
    EXPECT_FALSE(pass.stages[1].throttle); // exactly 0.0
    EXPECT_FALSE(pass.stages[2].throttle); // beyond the list
    EXPECT_TRUE(pass.hasErd);
    EXPECT_EQ(pass.erdStage, 0); // coupled to the feed-pump position
    EXPECT_TRUE(pass.stages[0].booster);
    EXPECT_FALSE(pass.stages[1].booster); // boosters of the previous call are gone
    EXPECT_FALSE(pass.interPassRecirculation);

    config.erdType = "IB";
    diagram.InitializePass(config);
    EXPECT_TRUE(diagram.GetPassState().isobaricErd);
    EXPECT_FALSE(diagram.GetPassState().stages[0].booster);
}

TEST(ROPassDiagram, StageNumbersOutsideTheFourStagesNeverIndexOut)
{
    ROPassDiagram many = FromXml({{"stage.count", "9"},
                                  {"throttling.perm", "true"},
                                  {"throttling.stages", "-1"},
                                  {"booster", "true"},
                                  {"booster.stage", "7"},
                                  {"booster2", "true"},
                                  {"booster2.stage", "-2147483648"},
                                  {"erd.type", "HT"}});
    EXPECT_EQ(many.GetPassState().stageCount, 4);
    EXPECT_EQ(many.GetPassState().erdStage, 0); // "erd.bp.stage" absent
    for (const StageFlags& s : many.GetPassState().stages) {
        EXPECT_TRUE(s.throttle);
        EXPECT_FALSE(s.booster);
    }
    EXPECT_EQ(StageCount(*Render(many, 460, 180, true)), 4u);

    EXPECT_EQ(FromXml({{"stage.count", "-3"}}).GetPassState().stageCount, 0);
    EXPECT_EQ(FromXml({{"stage.count", "99999999999999999999"}}).GetPassState().stageCount, 4);
    EXPECT_EQ(FromXml({{"erd.type", "HT"}, {"erd.bp.stage", "5"}}).GetPassState().erdStage, 0);

    ROPassDiagram host;
    ROPassInitConfig config;
    config.stageCount = 10;
    config.erdType = "BP";
    config.boosterStage = 4;
    config.secondBooster = true; // would be stage 5
    host.InitializePass(config);
    EXPECT_EQ(host.GetPassState().stageCount, 4);
    EXPECT_TRUE(host.GetPassState().stages[3].booster);
    config.boosterStage = INT_MAX;
    host.InitializePass(config);
    EXPECT_FALSE(host.GetPassState().stages[3].booster);
    config.erdType = "HT";
    config.erdBoosterStage = 9;
    host.InitializePass(config);
    EXPECT_TRUE(host.GetPassState().hasErd);
    EXPECT_EQ(host.GetPassState().erdStage, 0);

    host.UpdateStageCount(100);
    EXPECT_EQ(host.GetPassState().stageCount, 4);
    host.UpdateStageCount(-1);
    EXPECT_EQ(host.GetPassState().stageCount, 0);
    host.UpdateStage(-1, true, true);
    host.UpdateStage(4, true, true);
    host.UpdateStageThrottle(INT_MAX, true);
    host.UpdateERD(true, 7, false);
    EXPECT_EQ(host.GetPassState().erdStage, 0);
    host.UpdateERD(true, 2, false);
    EXPECT_EQ(host.GetPassState().erdStage, 2);
    EXPECT_TRUE(host.GetPassState().stages[2].booster);
    host.UpdateERD(true, 2, true);
    EXPECT_FALSE(host.GetPassState().stages[2].booster);
    host.SetPassIndex(INT_MIN);

    // Extreme canvas sizes and settings are drawn without overflow.
    host.SetStageWidth(INT_MAX);
    host.UpdateStageCount(4);
    const auto dc = Render(host, INT_MIN, INT_MAX, true);
    EXPECT_GT(dc->Count("line"), 0u);
}
