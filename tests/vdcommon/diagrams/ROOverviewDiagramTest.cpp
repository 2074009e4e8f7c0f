#include "DiagramNodes.h"
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

TEST(ROOverviewDiagram, TwoPassesOnTheReportCanvas)
{
    ROOverviewDiagram diagram = FromXml({{"pass.count", "2"}});
    const auto dc = Render(diagram, 540, 200, false);

    // yc = 70; pass 1 at x 110..190, pass 2 at 350..430, both 40 high.
    const auto rects = dc->Calls("rectangle");
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].args, (std::vector<int>{110, 50, 80, 40}));
    EXPECT_EQ(rects[1].args, (std::vector<int>{350, 50, 80, 40}));
    EXPECT_EQ(rects[0].penWidth, 2);
    EXPECT_EQ(rects[0].penColour, *wxBLACK);
    EXPECT_EQ(rects[0].brushStyle, wxBRUSHSTYLE_TRANSPARENT);
    EXPECT_TRUE(HasLine(*dc, 110, 50, 190, 90)); // diagonal

    // The coloured halves are outlined with the white stock pen.
    const DrawCall* upper = dc->FindPolygon({{110, 50}, {190, 50}, {190, 90}});
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->brushColour, *wxCYAN);
    EXPECT_EQ(upper->penColour, *wxWHITE);
    const DrawCall* lower = dc->FindPolygon({{350, 50}, {350, 90}, {430, 90}});
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->brushColour, *wxBLUE);

    // Titles and identifiers are drawn whatever showLabels says.
    EXPECT_EQ(TextAt(*dc, "Pass 1"), wxPoint(130, 34));
    EXPECT_EQ(TextAt(*dc, "Pass 2"), wxPoint(370, 34));
    EXPECT_EQ(TextAt(*dc, "F1.1"), wxPoint(40, 54));
    EXPECT_EQ(TextAt(*dc, "P1.1"), wxPoint(200, 54));
    EXPECT_EQ(TextAt(*dc, "F2.1"), wxPoint(280, 54));
    EXPECT_EQ(TextAt(*dc, "P2.1"), wxPoint(440, 54));
    EXPECT_EQ(TextAt(*dc, "C1.1"), wxPoint(160, 105));
    EXPECT_EQ(TextAt(*dc, "C2.1"), wxPoint(400, 105));
    EXPECT_TRUE(HasDot(*dc, 50, 70));
    EXPECT_TRUE(HasDot(*dc, 290, 70));
    EXPECT_TRUE(HasDot(*dc, 150, 107));

    // Feed and the pass-1 permeate, whose head touches pass 2's left edge.
    EXPECT_TRUE(HasLine(*dc, 0, 70, 110, 70));
    EXPECT_TRUE(HasArrow(*dc, 109, 70, Arrow::Right));
    EXPECT_TRUE(HasLine(*dc, 190, 70, 350, 70));
    EXPECT_TRUE(HasArrow(*dc, 349, 70, Arrow::Right));
    EXPECT_TRUE(HasLine(*dc, 430, 70, 510, 70));
    EXPECT_TRUE(HasArrow(*dc, 509, 70, Arrow::Right));
    EXPECT_TRUE(HasLine(*dc, 150, 90, 150, 150));
    EXPECT_TRUE(HasArrow(*dc, 150, 149, Arrow::Down));
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
    EXPECT_EQ(TextAt(*dc, "F1.1"), wxPoint(40, 54));
    EXPECT_EQ(TextAt(*dc, "F1.2"), wxPoint(80, 54));
    EXPECT_TRUE(HasLine(*dc, 190, 70, 270, 70));
    EXPECT_TRUE(HasArrow(*dc, 269, 70, Arrow::Right));
    EXPECT_TRUE(dc->FindText("P1.1"));
    EXPECT_FALSE(dc->FindText("P1.2")); // only with one pass
    EXPECT_TRUE(HasLine(*dc, 40, 70, 40, 90));
    EXPECT_TRUE(HasArrow(*dc, 40, 70, Arrow::Up));
    EXPECT_EQ(TextAt(*dc, "HCl"), wxPoint(26, 94));
}

TEST(ROOverviewDiagram, LabelOffsetMovesOnlyConcentrateAndThirdPermeate)
{
    ROOverviewDiagram xml = FromXml({{"permeate.blending", "true"}});
    ROOverviewDiagram host;
    host.SetPassCount(1);
    host.UpdatePermeateBlending(1, true);
    EXPECT_EQ(xml.GetLabelOffset(), -2);
    EXPECT_EQ(host.GetLabelOffset(), -7);
    const auto a = Render(xml, 540, 200, false);
    const auto b = Render(host, 540, 200, false);
    for (const char* moved : {"C1.1", "P1.3"})
        EXPECT_EQ(TextAt(*a, moved).y - TextAt(*b, moved).y, 5) << moved;
    for (const char* fixed : {"F1.1", "P1.1", "P1.2", "Pass 1"})
        EXPECT_EQ(TextAt(*a, fixed), TextAt(*b, fixed)) << fixed;

    // Blending of pass 1: bypass over the box into its permeate.
    EXPECT_TRUE(HasLine(*a, 30, 70, 30, 20));
    EXPECT_TRUE(HasLine(*a, 30, 20, 230, 20));
    EXPECT_TRUE(HasLine(*a, 230, 20, 230, 70));
    EXPECT_TRUE(HasArrow(*a, 230, 71, Arrow::Down));
    EXPECT_TRUE(HasDot(*a, 230, 42));
    EXPECT_EQ(TextAt(*a, "P1.3"), wxPoint(240, 40));
    EXPECT_EQ(TextAt(*a, "P1.2"), wxPoint(240, 54));
}

TEST(ROOverviewDiagram, RecirculationAndBypassLines)
{
    ROOverviewDiagram diagram = FromXml({{"pass.count", "2"},
                                         {"concentrate.recirculation.local", "true"},
                                         {"interpass.recirculation", "true", "pass", "2"},
                                         {"split.partial", "true", "pass", "2"},
                                         {"adjust.ph", "true", "pass", "2"},
                                         {"chemical", "NaOH", "pass", "2"}});
    const auto dc = Render(diagram, 540, 200, false);

    // Local concentrate recirculation of pass 1.
    EXPECT_TRUE(HasDot(*dc, 150, 133));
    EXPECT_EQ(TextAt(*dc, "C1.2"), wxPoint(160, 131));
    EXPECT_TRUE(HasLine(*dc, 150, 120, 75, 120));
    EXPECT_TRUE(HasLine(*dc, 75, 120, 75, 70));
    EXPECT_TRUE(HasArrow(*dc, 75, 71, Arrow::Up));
    EXPECT_EQ(TextAt(*dc, "C1.3"), wxPoint(85, 105));

    // Pass-2 concentrate back into the feed of pass 1: no head on its outlet.
    EXPECT_FALSE(HasArrow(*dc, 390, 149, Arrow::Down));
    EXPECT_TRUE(HasLine(*dc, 390, 150, 390, 160));
    EXPECT_TRUE(HasLine(*dc, 390, 160, 65, 160));
    EXPECT_TRUE(HasLine(*dc, 65, 160, 65, 70));
    EXPECT_TRUE(HasArrow(*dc, 65, 71, Arrow::Up));
    EXPECT_TRUE(dc->FindText("F1.2"));

    // Split partial around pass 2, without blending: bypass line past it.
    EXPECT_TRUE(HasLine(*dc, 120, 50, 120, 20));
    EXPECT_TRUE(HasLine(*dc, 120, 20, 470, 20));
    EXPECT_TRUE(HasLine(*dc, 470, 20, 510, 20));
    EXPECT_TRUE(HasArrow(*dc, 509, 20, Arrow::Right));
    EXPECT_EQ(TextAt(*dc, "P2.3"), wxPoint(470, 28));

    // pH dosing of pass 2.
    EXPECT_TRUE(HasLine(*dc, 280, 70, 280, 90));
    EXPECT_EQ(TextAt(*dc, "NaOH"), wxPoint(266, 94));
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

    ROOverviewDiagram none(nullptr);
    EXPECT_EQ(none.GetPassCount(), 0);
    EXPECT_EQ(none.GetLabelOffset(), -7);
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
    EXPECT_EQ(diagram.GetPassState(2).chemical, "");
    EXPECT_EQ(diagram.GetPassState(2).passIndex, 1);

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

TEST(ROOverviewDiagram, CopiesOwnTheirPassRecords)
{
    ROOverviewDiagram original = FromXml({{"pass.count", "2"}});
    ROOverviewDiagram copy(original);
    copy.UpdatePermeateBlending(2, true);
    EXPECT_FALSE(original.GetPassState(2).permeateBlending);
    ROOverviewDiagram assigned;
    assigned = original;
    original.UpdateConcentrateRecirculation(1, true);
    EXPECT_FALSE(assigned.GetPassState(1).concentrateRecirculation);
    EXPECT_EQ(assigned.GetPassCount(), 2);
}
