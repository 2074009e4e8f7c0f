#include "DiagramNodes.h"

#include "vdcommon/diagrams/DrawUtilities.h"
#include "vdcommon/diagrams/UFDiagramTexts.h"
#include "vdcommon/diagrams/UFGraphs.h"
#include "vdcommon/diagrams/VireldaReportDiagramFactory.h"

#include <gtest/gtest.h>

#include <wx/colour.h>

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>

using namespace vdtest;

namespace {

wxColour Named(const char* name)
{
    return wxTheColourDatabase->Find(name);
}

wxColour Pixel(const wxImage& image, int x, int y)
{
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
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

bool AllWhite(const wxImage& image)
{
    const unsigned char* data = image.GetData();
    const size_t n = size_t(image.GetWidth()) * image.GetHeight() * 3;
    for (size_t i = 0; i < n; ++i)
        if (data[i] != 255)
            return false;
    return true;
}

} // namespace

#define EXPECT_PIXEL(image, x, y, colour)                                                                         \
    EXPECT_EQ(Pixel(image, x, y).GetAsString(wxC2S_HTML_SYNTAX), wxColour(colour).GetAsString(wxC2S_HTML_SYNTAX)) \
        << "at " << (x) << "," << (y)

TEST(UFReportDiagrams, DesignPicturePixels)
{
    const auto diagram = Make(UFDiagramDesign, {{"feed", "12.5", "unit", "m³/h"}});
    EXPECT_EQ(diagram->GetName(), "uf_design_diagram");
    const wxImage image = diagram->GetImage();
    ASSERT_EQ(image.GetWidth(), 640);
    ASSERT_EQ(image.GetHeight(), 360);

    EXPECT_PIXEL(image, 296, 110, Named("cyan"));   // module, upper-left half
    EXPECT_PIXEL(image, 345, 255, Named("blue"));   // module, lower-right half
    EXPECT_TRUE(HasOutlineLeftOf(image, 290, 180)); // module outline
    EXPECT_PIXEL(image, 150, 315, Named("blue"));   // feed line
    EXPECT_PIXEL(image, 320, 290, Named("blue"));   // feed rising into the module
    EXPECT_PIXEL(image, 320, 75, Named("cyan"));    // treated water leaving the top
    EXPECT_PIXEL(image, 450, 60, Named("cyan"));
    EXPECT_PIXEL(image, 600, 200, *wxWHITE);
    EXPECT_PIXEL(image, 5, 5, *wxWHITE);
    EXPECT_FALSE(HasOutlineLeftOf(image, 200, 180));

    // The feed text sits above the feed line: some dark pixels there.
    int dark = 0;
    for (int y = 295; y < 312; ++y)
        for (int x = 15; x < 160; ++x)
            dark += image.GetRed(x, y) < 128 && image.GetBlue(x, y) < 128;
    EXPECT_GT(dark, 20);
}

TEST(UFReportDiagrams, BackwashPictureIsTheDesignPicture)
{
    const auto diagram = Make(UFDiagramBackwash, {{"bw", "40", "unit", "m³/h"}});
    EXPECT_EQ(diagram->GetName(), "uf_backwash_diagram");
    const wxImage image = diagram->GetImage();
    EXPECT_PIXEL(image, 296, 110, Named("cyan"));
    EXPECT_PIXEL(image, 450, 60, Named("cyan"));
    EXPECT_PIXEL(image, 540, 50, *wxWHITE); // no tank box
}

TEST(UFReportDiagrams, OverviewPictures)
{
    const auto overview = Make(UFDiagramOverview, {{"acid", "HCl"}});
    EXPECT_EQ(overview->GetName(), "uf_overview_diagram");
    const wxImage image = overview->GetImage();
    EXPECT_PIXEL(image, 296, 110, Named("cyan"));
    EXPECT_PIXEL(image, 150, 315, Named("blue"));  // feed
    EXPECT_PIXEL(image, 305, 290, Named("blue"));  // feed into the module at x 305
    EXPECT_PIXEL(image, 500, 315, Named("brown")); // drain
    EXPECT_PIXEL(image, 335, 290, Named("brown"));
    EXPECT_PIXEL(image, 520, 35, Named("cyan"));   // tank box
    EXPECT_TRUE(HasOutlineLeftOf(image, 515, 40)); // its border
    EXPECT_PIXEL(image, 600, 60, Named("cyan"));   // treated water out of the tank
    EXPECT_PIXEL(image, 175, 235, Named("grey"));  // air scour
    EXPECT_PIXEL(image, 200, 280, Named("grey"));  // air into the feed
    for (int x : {370, 445, 520})
        EXPECT_PIXEL(image, x, 235, Named("grey")); // three chemical tanks
    EXPECT_PIXEL(image, 395, 120, Named("grey"));   // first chemical line
    EXPECT_PIXEL(image, 445, 100, Named("grey"));   // third chemical line
    EXPECT_PIXEL(image, 600, 200, *wxWHITE);

    const auto seawater = Make(UFDiagramOverviewSeawater, {});
    EXPECT_EQ(seawater->GetName(), "uf_overview_diagram_seawater");
    const wxImage sea = seawater->GetImage();
    EXPECT_PIXEL(sea, 520, 235, Named("grey"));
    EXPECT_PIXEL(sea, 370, 235, *wxWHITE);
    EXPECT_PIXEL(sea, 445, 235, *wxWHITE);
    EXPECT_PIXEL(sea, 445, 100, Named("grey"));
    EXPECT_PIXEL(sea, 395, 120, *wxWHITE);
}

TEST(UFReportDiagrams, NullNodeGivesBlankImage)
{
    for (int type = 0; type < 4; ++type) {
        const auto diagram = Make(type, {}, false);
        const wxImage image = diagram->GetImage();
        EXPECT_EQ(image.GetWidth(), 640);
        EXPECT_EQ(image.GetHeight(), 360);
        EXPECT_TRUE(AllWhite(image)) << type;
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
    // The size is kept as given, whatever it is.
    UFDesignDiagram nan(nullptr, std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(std::isnan(nan.GetSize()));
    UFDesignDiagram copy = nan;
    EXPECT_EQ(copy.GetName(), "uf_design_diagram");
    EXPECT_TRUE(copy.GetImage().IsOk());
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
        EXPECT_DOUBLE_EQ(graph.GetScale(), 0.5);
        EXPECT_EQ(graph.GetSize(), wxSize(320, 180));
        graph.SetSize(wxSize(1280, 720));
        EXPECT_EQ(graph.GetSize(), wxSize(1280, 720));
        uf::DesignGraph moved(std::move(graph));
        EXPECT_EQ(moved.GetWidth(), 1280);
        EXPECT_EQ(graph.GetWidth(), 0); // moved-from
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
    wxGraphicsRenderer* renderer = wxGraphicsRenderer::GetDefaultRenderer();
    wxGraphicsPath path = renderer->CreatePath();
    drawUtilities::AddArrowToPath(&path, {0, 0}, {100, 0}, 10, 45);
    double x, y, w, h;
    path.GetBox(&x, &y, &w, &h);
    // Wings at (93, -7) and (93, 7): 10 * cos 45 truncated to 7.
    EXPECT_DOUBLE_EQ(x, 0);
    EXPECT_DOUBLE_EQ(y, -7);
    EXPECT_DOUBLE_EQ(w, 100);
    EXPECT_DOUBLE_EQ(h, 14);

    wxGraphicsPath up = renderer->CreatePath();
    drawUtilities::AddArrowToPath(&up, {320, 90}, {320, 60}, 10, 45);
    up.GetBox(&x, &y, &w, &h);
    EXPECT_DOUBLE_EQ(x, 313);
    EXPECT_DOUBLE_EQ(y, 60);
    EXPECT_DOUBLE_EQ(w, 14);

    // Length 0: the segment only.
    wxGraphicsPath none = renderer->CreatePath();
    drawUtilities::AddArrowToPath(&none, {515, 60}, {320, 60}, 0, 45);
    none.GetBox(&x, &y, &w, &h);
    EXPECT_DOUBLE_EQ(h, 0);

    // No direction: the segment (a point) and no head, nothing NaN.
    wxGraphicsPath point = renderer->CreatePath();
    drawUtilities::AddArrowToPath(&point, {5, 5}, {5, 5}, 10, 45);
    point.GetBox(&x, &y, &w, &h);
    EXPECT_DOUBLE_EQ(x, 5);
    EXPECT_DOUBLE_EQ(y, 5);
    EXPECT_DOUBLE_EQ(w, 0);
    EXPECT_DOUBLE_EQ(h, 0);
    drawUtilities::AddArrowToPath(nullptr, {0, 0}, {1, 1}, 10, 45);
}
