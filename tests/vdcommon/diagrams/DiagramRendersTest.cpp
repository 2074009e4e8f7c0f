// Draws every diagram kind on real toolkit surfaces. With VD_WRITE_DIAGRAM_RENDERS set
// in the environment the pictures are also written to docs/diagrams/ as PNG files.
#include "DiagramTestUtil.h"
#include "support/PdfProbe.h"

#include "vdcommon/diagrams/ROOverviewDiagram.h"
#include "vdcommon/diagrams/ROPassDiagram.h"
#include "vdcommon/diagrams/VireldaReportDiagramFactory.h"

#include <gtest/gtest.h>

#include <wx/dcgraph.h>
#include <wx/graphics.h>
#include <wx/filename.h>

#include <cstdlib>

using namespace vdtest;

namespace {

constexpr int Zoom = 2;

// An RO diagram drawn through a device context on an image's graphics context (a
// memory DC needs a display), enlarged so thin lines and small labels stay readable.
wxImage RenderRO(BaseDiagram& diagram, int width, int height, bool labels)
{
    wxImage image(width * Zoom, height * Zoom);
    image.Clear(255);
    {
        wxGCDC dc(wxGraphicsContext::Create(image));
        dc.SetUserScale(Zoom, Zoom);
        diagram.Draw(dc, width, height, labels);
    }
    return image;
}

void Save(const wxImage& image, const char* name)
{
    if (!std::getenv("VD_WRITE_DIAGRAM_RENDERS"))
        return;
    const wxString dir = wxString(VD_SOURCE_DIR) + "/docs/diagrams";
    wxFileName::Mkdir(dir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    EXPECT_TRUE(image.SaveFile(dir + "/" + name + ".png", wxBITMAP_TYPE_PNG)) << name;
}

} // namespace

TEST(DiagramRenders, PassAndOverviewDiagrams)
{
    const auto turbineNode = MakeDiagramNode({{"stage.count", "3"},
                                              {"throttling.perm", "true"},
                                              {"throttling.stages", "4"},
                                              {"booster", "true"},
                                              {"booster.stage", "3"},
                                              {"erd.type", "HT"},
                                              {"erd.bp.stage", "2"},
                                              {"blending.perm", "true"}});
    ROPassDiagram turbine(turbineNode.get(), false);
    turbine.SetPassIndex(1);
    const wxImage image = RenderRO(turbine, 460, 180, true);
    // Stage 1 spans (50,12)-(130,36): its upper-right half is cyan, lower-left blue.
    EXPECT_TRUE(pdfprobe::Pixel(image, 120 * Zoom, 16 * Zoom) == *wxCYAN);
    EXPECT_TRUE(pdfprobe::Pixel(image, 56 * Zoom, 32 * Zoom) == *wxBLUE);
    EXPECT_TRUE(pdfprobe::Pixel(image, 400 * Zoom, 170 * Zoom) == *wxWHITE);
    Save(image, "ro_pass_turbine_erd");

    const auto isoNode =
        MakeDiagramNode({{"stage.count", "2"}, {"erd.type", "ISOBARIC"}, {"recirculation.perm", "true"}});
    ROPassDiagram isobaric(isoNode.get(), false);
    Save(RenderRO(isobaric, 460, 180, true), "ro_pass_isobaric_erd");

    const auto ccNode = MakeDiagramNode({{"stage.count", "2"}, {"diagram.mode", "CC"}});
    ROPassDiagram closed(ccNode.get(), true);
    closed.SetPassIndex(1);
    Save(RenderRO(closed, 460, 180, true), "ro_pass_closed_circuit");

    ROPassDiagram second;
    ROPassInitConfig config;
    config.passNumber = config.passCount = config.stageCount = 2;
    config.concentrateRecirculation = config.concentrateRecirculationLocal = true;
    config.interPassFlagA = config.interPassFlagB = true;
    config.erdType = "BP";
    config.boosterStage = 2;
    second.InitializePass(config);
    Save(RenderRO(second, 460, 180, true), "ro_pass_second_pass");

    const auto overviewNode = MakeDiagramNode({{"pass.count", "2"},
                                               {"permeate.blending", "true"},
                                               {"concentrate.recirculation.local", "true"},
                                               {"adjust.ph", "true"},
                                               {"chemical", "NaOH"},
                                               {"interpass.recirculation", "true", "pass", "2"},
                                               {"partial", "true", "pass", "2"}});
    ROOverviewDiagram overview(overviewNode.get());
    const wxImage overviewImage = RenderRO(overview, 540, 200, false);
    // Pass 1 box (110,50)-(190,90).
    EXPECT_TRUE(pdfprobe::Pixel(overviewImage, 180 * Zoom, 55 * Zoom) == *wxCYAN);
    EXPECT_TRUE(pdfprobe::Pixel(overviewImage, 118 * Zoom, 85 * Zoom) == *wxBLUE);
    Save(overviewImage, "ro_overview");
}

// The pictures' pixels are checked in UFDiagramsTest; here they are only written out.
TEST(DiagramRenders, UFDiagrams)
{
    if (!std::getenv("VD_WRITE_DIAGRAM_RENDERS"))
        GTEST_SKIP() << "VD_WRITE_DIAGRAM_RENDERS not set";
    const auto node = MakeDiagramNode({{"feed", "12.5", "unit", "m³/h"},
                                       {"bw", "40", "unit", "m³/h"},
                                       {"treated", "11.8", "unit", "m³/h"},
                                       {"airscour", "12", "unit", "Nm³/h"},
                                       {"acid", "HCl"},
                                       {"acidtank", "0.5", "unit", "m³"},
                                       {"acidflow", "4.2", "unit", "l/h"},
                                       {"base", "NaOH"},
                                       {"basetank", "0.4", "unit", "m³"},
                                       {"baseflow", "3.1", "unit", "l/h"},
                                       {"chlorite", "NaOCl"},
                                       {"chloritetank", "0.3", "unit", "m³"},
                                       {"chloriteflow", "1.5", "unit", "l/h"}});
    const VireldaReportDiagramFactory factory;
    for (int type : {UFDiagramDesign, UFDiagramBackwash, UFDiagramOverview, UFDiagramOverviewSeawater}) {
        const auto diagram = factory.Create({node.get(), type, 230.0});
        Save(diagram->GetImage(), diagram->GetName().utf8_str());
    }
}
