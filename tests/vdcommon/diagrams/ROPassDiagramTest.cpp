#include "DiagramNodes.h"
#include "DiagramTestUtil.h"

#include "vdcommon/diagrams/ROPassDiagram.h"

#include <gtest/gtest.h>

#include <climits>

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

TEST(ROPassDiagram, ReportLayoutOnTheReportCanvas)
{
    ROPassDiagram diagram = FromXml({{"stage.count", "2"}});
    const auto dc = Render(diagram, 460, 180, false);
    EXPECT_EQ(diagram.GetGapX(), 8);
    EXPECT_EQ(diagram.GetGapY(), 12);
    EXPECT_EQ(diagram.GetPassState().passIndex, -1);

    // Canvas repainted white first, then the line pen: a butt-capped copy of the black pen.
    ASSERT_GE(dc->Calls().size(), 2u);
    EXPECT_EQ(dc->Calls()[0].op, "set_background");
    EXPECT_EQ(dc->Calls()[0].brushColour, *wxWHITE);
    EXPECT_EQ(dc->Calls()[1].op, "clear");

    // Stage 1 covers (50,12)-(130,36), stage 2 (138,48)-(218,72), outlined 2 wide.
    const DrawCall* s1 = dc->FindPolygon({{50, 12}, {130, 12}, {130, 36}});
    ASSERT_TRUE(s1);
    EXPECT_EQ(s1->brushColour, *wxCYAN);
    EXPECT_EQ(s1->penWidth, 2);
    EXPECT_EQ(s1->penColour, *wxBLACK);
    EXPECT_EQ(s1->penCap, wxCAP_ROUND);
    EXPECT_EQ(s1->penJoin, wxJOIN_BEVEL);
    const DrawCall* s1lower = dc->FindPolygon({{50, 12}, {50, 36}, {130, 36}});
    ASSERT_TRUE(s1lower);
    EXPECT_EQ(s1lower->brushColour, *wxBLUE);
    EXPECT_TRUE(dc->FindPolygon({{138, 48}, {218, 48}, {218, 72}}));
    EXPECT_EQ(StageCount(*dc), 2u);

    // Feed: pump centred at (30,24) radius 8, arrow tip at (49,24).
    const DrawCall* pump = dc->FindCircle({30, 24}, 8);
    ASSERT_TRUE(pump);
    EXPECT_EQ(pump->brushColour, *wxWHITE);
    EXPECT_EQ(pump->penCap, wxCAP_ROUND);
    EXPECT_TRUE(HasLine(*dc, 0, 24, 22, 24));
    EXPECT_TRUE(HasLine(*dc, 38, 24, 49, 24));
    EXPECT_TRUE(HasArrow(*dc, 49, 24, Arrow::Right));
    EXPECT_TRUE(HasLine(*dc, 28, 17, 37, 24)); // right chevron
    EXPECT_TRUE(HasLine(*dc, 28, 31, 37, 24));

    // Stage 1 permeate rises at x = 178 where the collector starts; no head on it.
    EXPECT_TRUE(HasLine(*dc, 178, 24, 178, 24));
    EXPECT_FALSE(HasArrow(*dc, 178, 25, Arrow::Up));
    EXPECT_TRUE(HasLine(*dc, 178, 24, 279, 24));
    EXPECT_TRUE(HasArrow(*dc, 279, 24, Arrow::Right));
    // Stage 2 permeate: riser at 266 with an up arrow into the collector.
    EXPECT_TRUE(HasLine(*dc, 266, 60, 266, 24));
    EXPECT_TRUE(HasArrow(*dc, 266, 25, Arrow::Up));

    // Interstage concentrate from stage 1 (x = 90) to stage 2 at level 60, no booster.
    EXPECT_TRUE(HasLine(*dc, 90, 37, 90, 60));
    EXPECT_TRUE(HasLine(*dc, 106, 60, 122, 60));
    EXPECT_TRUE(HasArrow(*dc, 137, 60, Arrow::Right));

    // Last-stage concentrate outlet without pass context: down to 87 + 18.
    EXPECT_TRUE(HasLine(*dc, 178, 73, 178, 105));
    EXPECT_TRUE(HasArrow(*dc, 178, 105, Arrow::Down));

    // Every line is drawn with a black pen; no text without labels.
    for (const DrawCall& c : dc->Calls("line"))
        EXPECT_EQ(c.penColour, *wxBLACK) << c.ToString();
    EXPECT_EQ(dc->Count("text"), 0u);
}

TEST(ROPassDiagram, LabelsOnlyWhenAsked)
{
    ROPassDiagram diagram = FromXml({{"stage.count", "2"}});
    const auto dc = Render(diagram, 460, 180, true);
    const std::pair<const char*, wxPoint> expected[] = {
        {"feed", {10, 10}}, {"1", {42, 10}}, {"permeate", {219, 10}}, {"2", {134, 12}},
        {"4", {222, 48}},   {"3", {82, 39}}, {"5", {170, 75}},        {"concentrate", {180, 75}},
    };
    for (const auto& [text, at] : expected) {
        const DrawCall* call = dc->FindText(text);
        ASSERT_TRUE(call) << text;
        EXPECT_EQ(call->Points().front(), at) << text;
        EXPECT_EQ(call->fontPoints, 8);
    }
    EXPECT_EQ(dc->Count("text"), std::size(expected));

    ROPassDiagram withErd = FromXml({{"stage.count", "2"}, {"erd.type", "HT"}, {"erd.bp.stage", "2"}});
    const auto quiet = Render(withErd, 460, 180, false);
    ASSERT_EQ(quiet->Count("text"), 1u);
    EXPECT_EQ(quiet->Calls("text")[0].text, "ERD");
}

TEST(ROPassDiagram, TurbineErdCoupledToInterstageBooster)
{
    // Lower-case "no" is not "NO": a turbine-type device.
    ROPassDiagram diagram = FromXml({{"stage.count", "2"}, {"erd.type", "no"}, {"erd.bp.stage", "2"}});
    const PassState& pass = diagram.GetPassState();
    EXPECT_TRUE(pass.hasErd);
    EXPECT_FALSE(pass.isobaricErd);
    EXPECT_EQ(pass.erdStage, 1);
    EXPECT_TRUE(pass.stages[1].booster);

    const auto dc = Render(diagram, 460, 180, false);
    EXPECT_TRUE(dc->FindCircle({114, 60}, 8));   // booster in front of stage 2
    EXPECT_TRUE(HasLine(*dc, 178, 73, 178, 87)); // outlet stub without head
    EXPECT_FALSE(HasArrow(*dc, 178, 87, Arrow::Down));
    EXPECT_TRUE(HasLine(*dc, 178, 87, 122, 87));
    EXPECT_TRUE(dc->FindCircle({114, 87}, 8));
    EXPECT_TRUE(HasLine(*dc, 107, 87, 116, 80)); // left chevron of the device
    EXPECT_TRUE(HasLine(*dc, 106, 87, 101, 87));
    EXPECT_TRUE(HasLine(*dc, 101, 87, 101, 97)); // drain
    EXPECT_TRUE(HasArrow(*dc, 101, 98, Arrow::Down));

    const DrawCall* shaft = dc->FindLine({114, 79}, {114, 68});
    ASSERT_TRUE(shaft);
    EXPECT_EQ(shaft->penColour, wxGREY_PEN->GetColour());
    EXPECT_EQ(shaft->penStyle, wxPENSTYLE_LONG_DASH);
    const DrawCall* label = dc->FindText("ERD");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->Points().front(), wxPoint(96, 68)); // 3 chars x 5 wide in this DC
}

TEST(ROPassDiagram, IsobaricErdReplacesFeedPump)
{
    ROPassDiagram diagram =
        FromXml({{"stage.count", "2"}, {"booster", "true"}, {"booster.stage", "1"}, {"erd.type", "ISOBARIC"}});
    const PassState& pass = diagram.GetPassState();
    EXPECT_TRUE(pass.isobaricErd);
    EXPECT_FALSE(pass.stages[0].booster); // cleared even though "booster.stage" named it

    const auto dc = Render(diagram, 460, 180, false);
    EXPECT_FALSE(dc->FindCircle({30, 24}, 8));
    EXPECT_TRUE(HasLine(*dc, 22, 24, 38, 24));
    EXPECT_TRUE(dc->FindCircle({23, 24}, 8)); // high-pressure pump of the device
    EXPECT_TRUE(HasLine(*dc, 178, 87, 31, 87));
    EXPECT_TRUE(HasArrow(*dc, 31, 87, Arrow::Left));
    for (auto [a, b] : {std::pair<wxPoint, wxPoint>{{31, 90}, {31, 78}},
                        {{31, 78}, {19, 78}},
                        {{19, 78}, {19, 90}},
                        {{19, 90}, {31, 90}},
                        {{31, 84}, {19, 84}},
                        {{19, 87}, {12, 87}},
                        {{12, 87}, {12, 98}},
                        {{19, 81}, {11, 81}},
                        {{11, 81}, {11, 24}},
                        {{37, 57}, {37, 24}},
                        {{37, 69}, {37, 81}},
                        {{37, 81}, {31, 81}}})
        EXPECT_TRUE(dc->FindLine(a, b)) << a.x << "," << a.y << " " << b.x << "," << b.y;
    EXPECT_TRUE(HasArrow(*dc, 12, 98, Arrow::Down));
    EXPECT_TRUE(HasArrow(*dc, 19, 81, Arrow::Right));
    EXPECT_TRUE(HasArrow(*dc, 37, 25, Arrow::Up));
    EXPECT_TRUE(dc->FindCircle({37, 63}, 6));  // circulation booster
    EXPECT_TRUE(HasLine(*dc, 32, 65, 37, 58)); // its chevron points up
    const DrawCall* label = dc->FindText("ERD");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->Points().front(), wxPoint(14, 48));

    // One stage: the outlet is lowered and joined to the real stage bottom.
    ROPassDiagram single = FromXml({{"stage.count", "1"}, {"erd.type", "ISOBARIC"}});
    const auto dc1 = Render(single, 460, 180, false);
    EXPECT_TRUE(HasLine(*dc1, 90, 73, 90, 87));
    EXPECT_TRUE(HasLine(*dc1, 90, 36, 90, 87));
}

TEST(ROPassDiagram, ClosedCircuitModes)
{
    const auto draw = [](DiagramMode mode) {
        ROPassDiagram diagram = FromXml({{"stage.count", "2"}}, true);
        diagram.SetPassIndex(1);
        diagram.SetIsClosedCircuit(true, mode);
        EXPECT_EQ(diagram.GetFeedFirstStage(), 60);
        auto dc = Render(diagram, 460, 180, false);
        EXPECT_EQ(diagram.GetGapX(), 4);
        return dc;
    };
    // xc = 194, yk = 87, offset 18: the outlet runs on to 105 without a head.
    const auto def = draw(DiagramMode::Default);
    EXPECT_TRUE(HasLine(*def, 194, 73, 194, 105));
    EXPECT_FALSE(HasArrow(*def, 194, 105, Arrow::Down));
    EXPECT_TRUE(HasLine(*def, 194, 105, 57, 105));
    EXPECT_TRUE(def->FindCircle({81, 105}, 8)); // circulation pump
    EXPECT_TRUE(HasLine(*def, 57, 105, 57, 24));
    EXPECT_TRUE(HasArrow(*def, 57, 25, Arrow::Up));
    EXPECT_TRUE(HasLine(*def, 57, 105, 57, 123));
    EXPECT_TRUE(HasArrow(*def, 57, 124, Arrow::Down));

    const auto cc = draw(DiagramMode::CC);
    EXPECT_TRUE(HasLine(*cc, 194, 105, 57, 105));
    EXPECT_TRUE(HasArrow(*cc, 57, 25, Arrow::Up));
    EXPECT_FALSE(HasLine(*cc, 57, 105, 57, 123));

    const auto pf = draw(DiagramMode::PF);
    EXPECT_FALSE(HasLine(*pf, 194, 105, 57, 105));
    EXPECT_FALSE(pf->FindCircle({81, 105}, 8));
    EXPECT_TRUE(HasLine(*pf, 194, 105, 194, 123));
    EXPECT_TRUE(HasArrow(*pf, 194, 124, Arrow::Down));

    // "diagram.mode" is read from the node.
    EXPECT_EQ(FromXml({{"diagram.mode", "PF"}}, true).GetDiagramMode(), DiagramMode::PF);
    EXPECT_EQ(FromXml({{"diagram.mode", "cc"}}, true).GetDiagramMode(), DiagramMode::Default);
}

TEST(ROPassDiagram, FirstPassRecirculationGroups)
{
    ROPassDiagram diagram =
        FromXml({{"stage.count", "2"}, {"recirculation.interpass", "true"}, {"recirculation.conc.local", "true"}});
    diagram.SetPassIndex(1);
    const auto dc = Render(diagram, 460, 180, false);
    EXPECT_TRUE(HasLine(*dc, 178, 73, 178, 96)); // half offset with a head
    EXPECT_TRUE(HasArrow(*dc, 178, 96, Arrow::Down));
    EXPECT_TRUE(HasLine(*dc, 178, 105, 450, 105)); // returning second-pass concentrate
    EXPECT_TRUE(HasLine(*dc, 178, 87, 17, 87));    // local recirculation
    EXPECT_TRUE(HasLine(*dc, 17, 87, 17, 24));
    EXPECT_TRUE(HasArrow(*dc, 17, 25, Arrow::Up));
    EXPECT_TRUE(HasLine(*dc, 178, 105, 7, 105)); // inter-pass return into the feed
    EXPECT_TRUE(HasLine(*dc, 7, 105, 7, 24));
    EXPECT_TRUE(HasArrow(*dc, 7, 25, Arrow::Up));

    // Without pass context (XML) none of the first-pass groups is drawn.
    ROPassDiagram none =
        FromXml({{"stage.count", "2"}, {"recirculation.interpass", "true"}, {"recirculation.conc.local", "true"}});
    const auto dcNone = Render(none, 460, 180, false);
    EXPECT_FALSE(HasLine(*dcNone, 178, 105, 450, 105));
    EXPECT_FALSE(HasLine(*dcNone, 178, 87, 17, 87));
}

TEST(ROPassDiagram, SecondPassRecirculationGroups)
{
    ROPassDiagram diagram = FromXml({{"stage.count", "2"},
                                     {"recirculation.conc", "true"},
                                     {"recirculation.interpass", "true"},
                                     {"recirculation.conc.local", "true"}});
    diagram.SetPassIndex(2);
    const auto dc = Render(diagram, 460, 180, false);
    EXPECT_TRUE(HasLine(*dc, 178, 73, 178, 105));
    EXPECT_FALSE(HasArrow(*dc, 178, 105, Arrow::Down));
    EXPECT_TRUE(HasLine(*dc, 178, 105, 10, 105)); // back to the first pass
    EXPECT_TRUE(HasArrow(*dc, 10, 105, Arrow::Left));
    EXPECT_TRUE(HasLine(*dc, 178, 87, 17, 87));
    EXPECT_TRUE(HasLine(*dc, 17, 87, 17, 24));

    // With a turbine device the local return leaves at the device level and so does the
    // device itself.
    ROPassDiagram erd = FromXml({{"stage.count", "2"},
                                 {"recirculation.conc", "true"},
                                 {"recirculation.conc.local", "true"},
                                 {"erd.type", "HT"},
                                 {"erd.bp.stage", "1"}});
    erd.SetPassIndex(2);
    const auto dcErd = Render(erd, 460, 180, false);
    EXPECT_TRUE(HasLine(*dcErd, 178, 105, 17, 105));
    EXPECT_TRUE(HasLine(*dcErd, 178, 105, 38, 105)); // device line at 87 + 18
    EXPECT_TRUE(HasLine(*dcErd, 17, 105, 17, 115));  // drain moved to the return line
}

TEST(ROPassDiagram, PermeateRecirculationAndBypassLines)
{
    // Split partial without pass context starts at the left edge.
    ROPassDiagram split = FromXml({{"stage.count", "2"}, {"split.partial", "true"}});
    auto dc = Render(split, 460, 180, false);
    EXPECT_TRUE(HasLine(*dc, 0, 1, 269, 1));
    EXPECT_TRUE(HasLine(*dc, 269, 1, 279, 1));
    EXPECT_TRUE(HasArrow(*dc, 279, 1, Arrow::Right));

    split.UpdatePermeateBlending(true);
    dc = Render(split, 460, 180, false);
    EXPECT_TRUE(HasLine(*dc, 269, 1, 269, 24));
    EXPECT_TRUE(HasArrow(*dc, 269, 23, Arrow::Down));

    split.SetPassIndex(1); // first pass: bypass taken behind the feed pump
    dc = Render(split, 460, 180, false);
    EXPECT_TRUE(HasLine(*dc, 66, 12, 66, 1));
    EXPECT_TRUE(HasLine(*dc, 66, 1, 274, 1));
    EXPECT_FALSE(HasLine(*dc, 0, 1, 269, 1));

    ROPassDiagram blend = FromXml({{"stage.count", "2"}, {"blending.perm", "true"}, {"recirculation.perm", "true"}});
    dc = Render(blend, 460, 180, false);
    EXPECT_TRUE(HasLine(*dc, 7, 24, 7, 1));
    EXPECT_TRUE(HasLine(*dc, 7, 1, 269, 1));
    EXPECT_TRUE(HasLine(*dc, 269, 1, 269, 24));
    EXPECT_TRUE(HasArrow(*dc, 269, 23, Arrow::Down));
    EXPECT_TRUE(HasArrow(*dc, 7, 23, Arrow::Down));

    ROPassDiagram partial = FromXml({{"stage.count", "2"}, {"partial", "true"}});
    dc = Render(partial, 460, 180, false);
    EXPECT_TRUE(HasLine(*dc, 7, 1, 269, 1));
    EXPECT_FALSE(HasLine(*dc, 269, 1, 269, 24));
    EXPECT_TRUE(HasLine(*dc, 269, 1, 279, 1));

    ROPassDiagram plain = FromXml({{"stage.count", "2"}});
    dc = Render(plain, 460, 180, false);
    EXPECT_FALSE(HasLine(*dc, 7, 24, 7, 1));
}

TEST(ROPassDiagram, ThrottlesFromMaskAndBoosters)
{
    ROPassDiagram diagram = FromXml({{"stage.count", "2"},
                                     {"throttling.perm", "true"},
                                     {"throttling.stages", "2"},
                                     {"booster", "True"},
                                     {"booster.stage", "2"},
                                     {"booster2", "true"},
                                     {"booster2.stage", "2"}});
    const PassState& pass = diagram.GetPassState();
    EXPECT_FALSE(pass.stages[0].throttle);
    EXPECT_TRUE(pass.stages[1].throttle);
    EXPECT_TRUE(pass.stages[1].booster); // from "booster2"; "True" is not "true"

    const auto dc = Render(diagram, 460, 180, false);
    const DrawCall* throttle = dc->FindPolygon({{232, 55}, {232, 65}, {252, 55}, {252, 65}});
    ASSERT_TRUE(throttle);
    EXPECT_EQ(throttle->brushColour, *wxWHITE);
    EXPECT_TRUE(HasLine(*dc, 144, 24, 164, 24)); // stage 1 without throttle

    // Mask ignored without "throttling.perm".
    EXPECT_FALSE(FromXml({{"stage.count", "2"}, {"throttling.stages", "3"}}).GetPassState().stages[0].throttle);
}

TEST(ROPassDiagram, NoStageCountDrawsFeedAndOutletOnly)
{
    ROPassDiagram diagram = FromXml({});
    const auto dc = Render(diagram, 460, 180, true);
    EXPECT_EQ(StageCount(*dc), 0u);
    EXPECT_TRUE(HasArrow(*dc, 49, 24, Arrow::Right));
    EXPECT_FALSE(dc->FindText("permeate"));
    EXPECT_TRUE(HasLine(*dc, 2, 1, 2, 33)); // outlet at the n = 0 position
    EXPECT_TRUE(dc->FindText("concentrate"));
}

TEST(ROPassDiagram, ReadingParameters)
{
    // Null node: constructed defaults.
    ROPassDiagram none(nullptr, true);
    EXPECT_EQ(none.GetPassState().passIndex, 0);
    EXPECT_EQ(none.GetFeedFirstStage(), 70);
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
    EXPECT_EQ(diagram.GetStageWidth(), 80);
    EXPECT_EQ(diagram.GetStageHeight(), 24);
    EXPECT_EQ(diagram.GetMarginTop(), 12);

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
    EXPECT_EQ(pass.chemical, "NaOH");
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

    config.erdType = "ib";
    diagram.InitializePass(config);
    EXPECT_FALSE(diagram.GetPassState().hasErd);
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
    EXPECT_EQ(host.GetPassState().passIndex, INT_MIN);

    // Extreme canvas sizes and settings are drawn without overflow.
    host.SetStageWidth(INT_MAX);
    host.UpdateStageCount(4);
    const auto dc = Render(host, INT_MIN, INT_MAX, true);
    EXPECT_GT(dc->Count("line"), 0u);
}

TEST(ROPassDiagram, CopiesOwnTheirPassRecords)
{
    ROPassDiagram original = FromXml({{"stage.count", "2"}});
    ROPassDiagram copy(original);
    copy.UpdateStageCount(4);
    copy.UpdatePermeateBlending(true);
    EXPECT_EQ(original.GetPassState().stageCount, 2);
    EXPECT_FALSE(original.GetPassState().permeateBlending);

    ROPassDiagram assigned;
    assigned = original;
    original.UpdateStageBooster(1, true);
    EXPECT_FALSE(assigned.GetPassState().stages[1].booster);
    EXPECT_EQ(assigned.GetPassState().stageCount, 2);
    EXPECT_EQ(assigned.FormatLabel(-12), "-12");
}
