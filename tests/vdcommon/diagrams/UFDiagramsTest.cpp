#include "DiagramTestUtil.h"
#include "support/PdfProbe.h"

#include "vdcommon/diagrams/DrawUtilities.h"
#include "vdcommon/diagrams/UFDiagramTexts.h"
#include "vdcommon/diagrams/UFGraphs.h"
#include "vdcommon/diagrams/VireldaReportDiagramFactory.h"

#include <gtest/gtest.h>

#include <wx/colour.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <stdexcept>

using namespace vdtest;

namespace {

wxColour Named(const char* name)
{
    return wxTheColourDatabase->Find(name);
}

std::unique_ptr<VireldaReportDiagram> Make(int type, const std::vector<Param>& params, bool withNode = true)
{
    const auto node = MakeDiagramNode(params);
    VireldaReportDiagramFactory factory;
    return factory.Create({withNode ? node.get() : nullptr, type, 230.0});
}

// A one-unit black outline on x = n covers half of pixel columns n-1 and n: on the white
// side it shows as a neutral grey.
bool HasOutlineLeftOf(const wxImage& image, int x, int y)
{
    const int r = image.GetRed(x - 1, y);
    return r == image.GetGreen(x - 1, y) && r == image.GetBlue(x - 1, y) && r < 200;
}

} // namespace

#define EXPECT_PIXEL(image, x, y, colour)                                  \
    EXPECT_EQ(pdfprobe::Pixel(image, x, y).GetAsString(wxC2S_HTML_SYNTAX), \
              wxColour(colour).GetAsString(wxC2S_HTML_SYNTAX))             \
        << "at " << (x) << "," << (y)

TEST(UFReportDiagrams, PicturePixels)
{
    struct Case {
        int type;
        std::vector<Param> params;
        const char* name;
        std::vector<std::pair<wxPoint, wxColour>> pixels;
    };
    const wxColour cyan = Named("cyan"), blue = Named("blue"), grey = Named("grey"), white = *wxWHITE;
    // clang-format off
    const Case cases[] = {
        // Module halves, feed line rising into it, treated water leaving the top.
        {UFDiagramDesign, {{"feed", "12.5", "unit", "m³/h"}}, "uf_design_diagram",
         {{{296, 110}, cyan}, {{345, 255}, blue}, {{150, 315}, blue}, {{320, 290}, blue}, {{320, 75}, cyan},
          {{450, 60}, cyan}, {{600, 200}, white}, {{5, 5}, white}}},
        {UFDiagramBackwash, {{"bw", "40", "unit", "m³/h"}}, "uf_backwash_diagram",
         {{{296, 110}, cyan}, {{450, 60}, cyan}, {{540, 50}, white}}},
        // Feed into the module at x 305, drain, tank box and its outflow, air scour,
        // three chemical tanks and their lines.
        {UFDiagramOverview, {{"acid", "HCl"}}, "uf_overview_diagram",
         {{{296, 110}, cyan}, {{150, 315}, blue}, {{305, 290}, blue}, {{500, 315}, Named("brown")},
          {{335, 290}, Named("brown")}, {{520, 35}, cyan}, {{600, 60}, cyan}, {{175, 235}, grey}, {{200, 280}, grey},
          {{370, 235}, grey}, {{445, 235}, grey}, {{520, 235}, grey}, {{395, 120}, grey}, {{445, 100}, grey},
          {{600, 200}, white}}},
        {UFDiagramOverviewSeawater, {}, "uf_overview_diagram_seawater",
         {{{520, 235}, grey}, {{370, 235}, white}, {{445, 235}, white}, {{445, 100}, grey}, {{395, 120}, white}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto diagram = Make(c.type, c.params);
        EXPECT_EQ(diagram->GetName(), c.name);
        const wxImage image = diagram->GetImage();
        ASSERT_EQ(image.GetSize(), wxSize(640, 360));
        for (const auto& [at, colour] : c.pixels)
            EXPECT_PIXEL(image, at.x, at.y, colour);
    }

    const wxImage design = Make(UFDiagramDesign, {{"feed", "12.5", "unit", "m³/h"}})->GetImage();
    EXPECT_TRUE(HasOutlineLeftOf(design, 290, 180)); // module outline
    EXPECT_FALSE(HasOutlineLeftOf(design, 200, 180));
    EXPECT_TRUE(HasOutlineLeftOf(Make(UFDiagramOverview, {})->GetImage(), 515, 40)); // tank border
    // The feed text sits above the feed line: some dark pixels there.
    int dark = 0;
    for (int y = 295; y < 312; ++y)
        for (int x = 15; x < 160; ++x)
            dark += design.GetRed(x, y) < 128 && design.GetBlue(x, y) < 128;
    EXPECT_GT(dark, 20);
}

TEST(UFReportDiagrams, NullNodeGivesBlankImage)
{
    for (int type = 0; type < 4; ++type) {
        const auto diagram = Make(type, {}, false);
        const wxImage image = diagram->GetImage();
        EXPECT_EQ(image.GetSize(), wxSize(640, 360));
        const unsigned char* data = image.GetData();
        const auto white = [](unsigned char v) { return v == 255; };
        EXPECT_TRUE(std::all_of(data, data + image.GetWidth() * image.GetHeight() * 3, white)) << type;
        EXPECT_FALSE(diagram->GetName().empty());
    }
}

TEST(UFReportDiagrams, FactoryRejectsUnknownTypes)
{
    VireldaReportDiagramFactory factory;
    for (int type : {-1, 4, 1000}) {
        try {
            factory.Create({nullptr, type, 0.0});
            ADD_FAILURE() << type;
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "Unknown PDF Report diagram");
        }
    }
}

TEST(UFReportDiagrams, ComposedTexts)
{
    using namespace ufDiagramTexts;
    auto design = MakeDiagramNode({{"bw", "9"}, {"feed", "12.5", "unit", "m<sup>3</sup>/h"}});
    EXPECT_EQ(DesignFeedText(design.get()), wxString::FromUTF8("Feed: 12.5 m3/h"));
    EXPECT_EQ(BackwashText(design.get()), "BW: 9 1"); // missing unit reads "1"
    auto backwash = MakeDiagramNode({{"feed", "3"}});
    EXPECT_EQ(BackwashText(backwash.get()), "");
    EXPECT_EQ(DesignFeedText(nullptr), "");

    const auto empty = OverviewTexts(MakeDiagramNode({}).get());
    EXPECT_EQ(empty[1], "BW");
    for (size_t i : {0u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u})
        EXPECT_EQ(empty[i], "") << i;

    const auto full = OverviewTexts(MakeDiagramNode({{"feed", "10", "unit", "m3/h"},
                                                     {"treated", "9", "unit", "m3/h"},
                                                     {"airscour", "12", "unit", "Nm3/h"},
                                                     {"acid", "HCl"},
                                                     {"acid", "H2SO4"},
                                                     {"acidtank", "5", "unit", "m3"},
                                                     {"acidflow", "2", "unit", "l/h"},
                                                     {"basetank", "4", "unit", "m3"},
                                                     {"chlorite", "NaOCl"},
                                                     {"chloriteflow", "1", "unit", "l/h"},
                                                     {"Acid", "x"}})
                                        .get());
    EXPECT_EQ(full[0], "Feed: 10 m3/h");
    EXPECT_EQ(full[2], "Permeate: 9 m3/h");
    EXPECT_EQ(full[3], "Air scour:\n12 Nm3/h");
    EXPECT_EQ(full[4], "H2SO4:\n5 m3");
    EXPECT_EQ(full[5], "2 l/h");
    EXPECT_EQ(full[6], ":\n4 m3"); // tank without a name
    EXPECT_EQ(full[8], "NaOCl");
    EXPECT_EQ(full[9], "1 l/h");

    const auto sea = SeawaterTexts(
        MakeDiagramNode({{"acid", "HCl"}, {"chlorite", "NaOCl"}, {"chloritetank", "3", "unit", "m3"}}).get());
    EXPECT_EQ(sea[1], "BW");
    EXPECT_EQ(sea[4], "NaOCl:\n3 m3");

    // A name the C library's converter cannot carry is still shown.
    EXPECT_EQ(ChemicalName(wxString::FromUTF8("Säure")), wxString::FromUTF8("Säure"));

    EXPECT_EQ(StripMarkUp("a<b>c</b>d"), "acd");
    EXPECT_EQ(StripMarkUp("x > y"), "x > y");
    EXPECT_EQ(StripMarkUp("m<sup"), "m");
}

TEST(UFGraphs, ScaleAndSize)
{
    wxImage image(320, 360);
    image.Clear(255);
    {
        std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(image));
        uf::DesignGraph graph(gc.get(), 320, 360, "");
        EXPECT_EQ(graph.GetSize(), wxSize(320, 180));
    }
    // Half-size picture: module at half the coordinates.
    EXPECT_PIXEL(image, 148, 55, Named("cyan"));
    EXPECT_PIXEL(image, 75, 157, Named("blue"));
    EXPECT_PIXEL(image, 300, 300, *wxWHITE);

    // Sizes that give no usable scale draw nothing and answer without overflow.
    wxImage blank(64, 36);
    blank.Clear(255);
    {
        std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(blank));
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        uf::OverviewGraph a(gc.get(), nan, 360, "a", "b", "c", "d", "e", "f", "g", "h", "i", "j");
        EXPECT_EQ(a.GetWidth(), 0);
        uf::DesignGraph b(gc.get(), inf, inf, "x");
        EXPECT_EQ(b.GetWidth(), INT_MAX);
        uf::DesignGraph c(gc.get(), 0, 0, "x");
        EXPECT_EQ(c.GetSize(), wxSize(0, 0));
        uf::BackwashGraph d(gc.get(), -640, -360, "", "BW");
        EXPECT_LT(d.GetWidth(), 0);
        uf::OverviewGraphSeawater e(nullptr, 640, 360, "", "", "", "", "", "");
        EXPECT_EQ(e.GetWidth(), 640);
        // The context still works afterwards.
        gc->SetBrush(*wxRED_BRUSH);
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->DrawRectangle(0, 0, 4, 4);
    }
    EXPECT_PIXEL(blank, 1, 1, *wxRED);
    EXPECT_PIXEL(blank, 30, 20, *wxWHITE);
}

TEST(DrawUtilities, ArrowHeads)
{
    struct Case {
        wxPoint2DDouble from, to;
        double length;
        std::array<double, 4> box; // x, y, w, h
    };
    const Case cases[] = {
        {{0, 0}, {100, 0}, 10, {0, -7, 100, 14}}, // wings at 10 * cos 45 truncated to 7
        {{320, 90}, {320, 60}, 10, {313, 60, 14, 30}},
        {{515, 60}, {320, 60}, 0, {320, 60, 195, 0}}, // length 0: the segment only
        {{5, 5}, {5, 5}, 10, {5, 5, 0, 0}},           // no direction: no head, nothing NaN
    };
    wxGraphicsRenderer* renderer = wxGraphicsRenderer::GetDefaultRenderer();
    for (const Case& c : cases) {
        wxGraphicsPath path = renderer->CreatePath();
        drawUtilities::AddArrowToPath(&path, c.from, c.to, c.length, 45);
        std::array<double, 4> box{};
        path.GetBox(&box[0], &box[1], &box[2], &box[3]);
        EXPECT_EQ(box, c.box) << c.from.m_x << "," << c.from.m_y;
    }
    drawUtilities::AddArrowToPath(nullptr, {0, 0}, {1, 1}, 10, 45);
}
