#include "DiagramTestUtil.h"

#include "vdcommon/diagrams/ROOverviewDiagram.h"

#include <gtest/gtest.h>

using namespace vdtest;

namespace {

ROOverviewDiagram FromXml(const std::vector<Param>& params)
{
    const auto node = MakeDiagramNode(params);
    return ROOverviewDiagram(node.get());
}

wxPoint TextAt(const RecordingDC& dc, const wxString& text)
{
    const DrawCall* call = dc.FindText(text);
    return call ? call->Points().front() : wxPoint(-9999, -9999);
}

bool HasDot(const RecordingDC& dc, int x, int y)
{
    const DrawCall* c = dc.FindCircle({x, y}, 2);
    return c && c->brushColour == *wxBLACK;
}

} // namespace

// Two passes on the report canvas (540 x 200): yc = 70, pass 1 at x 110..190, pass 2
// at 350..430, both 40 high. Titles and identifiers are drawn whatever showLabels says.
TEST(ROOverviewDiagram, Drawings)
{
    struct Case {
        const char* name;
        std::vector<Param> params;
        Pieces pieces;
        std::vector<wxPoint> dots;
    };
    // Pieces: {lines}, {noLines}, {arrows}, {noArrows}, {circles}, {noCircles}, {texts}; then dots.
    // clang-format off
    const Case cases[] = {
        {"two passes", {{"pass.count", "2"}},
         {{{110, 50, 190, 90}, {0, 70, 110, 70}, {190, 70, 350, 70}, {430, 70, 510, 70}, {150, 90, 150, 150}}, {},
          {{{109, 70}, Arrow::Right}, {{349, 70}, Arrow::Right}, {{509, 70}, Arrow::Right}, {{150, 149}, Arrow::Down}},
          {}, {}, {},
          {{"Pass 1", {130, 34}}, {"Pass 2", {370, 34}}, {"F1.1", {40, 54}}, {"P1.1", {200, 54}}, {"F2.1", {280, 54}},
           {"P2.1", {440, 54}}, {"C1.1", {160, 105}}, {"C2.1", {400, 105}}}},
         {{50, 70}, {290, 70}, {150, 107}}},
        {"blending of pass 1: bypass over the box into its permeate", {{"permeate.blending", "true"}},
         {{{30, 70, 30, 20}, {30, 20, 230, 20}, {230, 20, 230, 70}}, {}, {{{230, 71}, Arrow::Down}}, {}, {}, {},
          {{"P1.3", {240, 40}}, {"P1.2", {240, 54}}}},
         {{230, 42}}},
        // Local concentrate recirculation of pass 1; pass-2 concentrate back into the feed
        // of pass 1 (no head on its outlet); split partial around pass 2 without blending;
        // pH dosing of pass 2.
        {"recirculation and bypass lines",
         {{"pass.count", "2"}, {"concentrate.recirculation.local", "true"},
          {"interpass.recirculation", "true", "pass", "2"}, {"split.partial", "true", "pass", "2"},
          {"adjust.ph", "true", "pass", "2"}, {"chemical", "NaOH", "pass", "2"}},
         {{{150, 120, 75, 120}, {75, 120, 75, 70}, {390, 150, 390, 160}, {390, 160, 65, 160}, {65, 160, 65, 70},
           {120, 50, 120, 20}, {120, 20, 470, 20}, {470, 20, 510, 20}, {280, 70, 280, 90}}, {},
          {{{75, 71}, Arrow::Up}, {{65, 71}, Arrow::Up}, {{509, 20}, Arrow::Right}}, {{{390, 149}, Arrow::Down}},
          {}, {}, {{"C1.2", {160, 131}}, {"C1.3", {85, 105}}, {"P2.3", {470, 28}}, {"NaOH", {266, 94}}}},
         {{150, 133}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ROOverviewDiagram diagram = FromXml(c.params);
        const auto dc = Render(diagram, 540, 200, false);
        ExpectPieces(*dc, c.pieces);
        for (const wxPoint& dot : c.dots)
            EXPECT_TRUE(HasDot(*dc, dot.x, dot.y)) << dot.x << "," << dot.y;
    }

    // The boxes' colours are checked on a real surface in DiagramRendersTest.
    ROOverviewDiagram two = FromXml({{"pass.count", "2"}});
    const auto dc = Render(two, 540, 200, false);
    EXPECT_FALSE(dc->FindText("F1.2"));
    EXPECT_FALSE(dc->FindText("P2.2"));
}

TEST(ROOverviewDiagram, DefaultConstructedDrawsFeedAndFirstPermeate)
{
    ROOverviewDiagram diagram;
    diagram.UpdatePermeateRecirculation(1, true);
    diagram.UpdatePhAdjust(1, true, "HCl");
    const auto dc = Render(diagram, 540, 200, true);
    EXPECT_EQ(dc->Count("rectangle"), 0u);
    ExpectPieces(*dc, {{{190, 70, 270, 70}, {40, 70, 40, 90}},
                       {},
                       {{{269, 70}, Arrow::Right}, {{40, 70}, Arrow::Up}},
                       {},
                       {},
                       {},
                       {{"F1.1", {40, 54}}, {"F1.2", {80, 54}}, {"HCl", {26, 94}}}});
    EXPECT_TRUE(dc->FindText("P1.1"));
    EXPECT_FALSE(dc->FindText("P1.2")); // only with one pass
}

TEST(ROOverviewDiagram, LabelOffsetMovesOnlyConcentrateAndThirdPermeate)
{
    ROOverviewDiagram xml = FromXml({{"permeate.blending", "true"}});
    ROOverviewDiagram host;
    host.SetPassCount(1);
    host.UpdatePermeateBlending(1, true);
    const auto a = Render(xml, 540, 200, false);
    const auto b = Render(host, 540, 200, false);
    for (const char* moved : {"C1.1", "P1.3"})
        EXPECT_EQ(TextAt(*a, moved).y - TextAt(*b, moved).y, 5) << moved;
    for (const char* fixed : {"F1.1", "P1.1", "P1.2", "Pass 1"})
        EXPECT_EQ(TextAt(*a, fixed), TextAt(*b, fixed)) << fixed;
}

TEST(ROOverviewDiagram, PassAttributeAndCountParsing)
{
    ROOverviewDiagram d = FromXml({{"permeate.blending", "true", "pass", "3"},
                                   {"partial", "true", "pass", "0"},
                                   {"split.partial", "true", "pass", "2a"},
                                   {"chemical", "HCl"},
                                   {"permeate.recirculation", "true", "pass", "2"},
                                   {"pass.count", "2x"}});
    const PassState& first = d.GetPassState(1);
    EXPECT_TRUE(first.permeateBlending);
    EXPECT_TRUE(first.partialPass2);
    EXPECT_TRUE(first.splitPartial);
    EXPECT_EQ(first.chemical, "HCl");
    EXPECT_TRUE(d.GetPassState(2).permeateRecirculation);
    EXPECT_FALSE(d.GetPassState(2).permeateBlending);
    EXPECT_EQ(d.GetPassCount(), 1); // unparsable count: the default of one pass

    // Counts outside the two passes of the picture.
    EXPECT_EQ(FromXml({{"pass.count", "7"}}).GetPassCount(), 2);
    EXPECT_EQ(FromXml({{"pass.count", "-1"}}).GetPassCount(), 0);
    ROOverviewDiagram many;
    many.SetPassCount(5);
    EXPECT_EQ(Render(many, 540, 200, false)->Count("rectangle"), 2u);
    many.SetPassCount(-3);
    EXPECT_EQ(Render(many, 540, 200, false)->Count("rectangle"), 0u);

    EXPECT_EQ(ROOverviewDiagram(nullptr).GetPassCount(), 0);
}

TEST(ROOverviewDiagram, InitializePassFromHost)
{
    ROOverviewDiagram diagram;
    ROOverviewInitConfig config;
    config.passCount = 3;
    config.interPassFlagA = true;
    config.interPassFlagB = true;
    config.permeateBlending = {false, true};
    config.phAdjust = {true};
    config.chemical = {"HCl"};
    diagram.InitializePass(config);
    EXPECT_EQ(diagram.GetPassCount(), 2);
    EXPECT_TRUE(diagram.GetPassState(1).interPassRecirculation);
    EXPECT_TRUE(diagram.GetPassState(2).permeateBlending);
    EXPECT_FALSE(diagram.GetPassState(1).permeateBlending);
    EXPECT_TRUE(diagram.GetPassState(1).phAdjust);
    EXPECT_FALSE(diagram.GetPassState(2).phAdjust); // beyond the list

    // One pass leaves the inter-pass flag alone.
    ROOverviewDiagram single;
    single.UpdateInterPassConcentrateRecirculation(1, true);
    config.passCount = 0;
    config.interPassFlagA = false;
    single.InitializePass(config);
    EXPECT_EQ(single.GetPassCount(), 1);
    EXPECT_TRUE(single.GetPassState(1).interPassRecirculation);

    // Pass numbers other than 1 and 2 address pass 1.
    single.UpdateSplitPartial(7, true);
    EXPECT_TRUE(single.GetPassState(1).splitPartial);
}
