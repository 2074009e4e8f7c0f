// The committed product logo and the drawing that makes it. Run
//   test_printing --gtest_also_run_disabled_tests --gtest_filter='*WriteLogo*'
// to draw examples/resources/virelda-logo.png again after changing LogoDrawing.h.
#include "LogoDrawing.h"
#include "ReportTestSupport.h"

TEST(VireldaLogo, DISABLED_WriteLogo)
{
    const wxImage logo = DrawVireldaLogo();
    ASSERT_TRUE(logo.SaveFile(reporttest::ResourceDir() + wxS("/virelda-logo.png"), wxBITMAP_TYPE_PNG));
}
