// The committed product logo and the drawing that makes it. Run
//   test_printing --gtest_also_run_disabled_tests --gtest_filter='*WriteLogo*'
// to draw examples/resources/virelda-logo.png again after changing LogoDrawing.h.
#include "LogoDrawing.h"
#include "ReportTestSupport.h"

TEST(VireldaLogo, CommittedLogoIsAWideTransparentPng)
{
    wxImage logo;
    ASSERT_TRUE(logo.LoadFile(reporttest::ResourceDir() + wxS("/virelda-logo.png"), wxBITMAP_TYPE_PNG));
    EXPECT_EQ(logo.GetWidth(), 3 * logo.GetHeight());
    ASSERT_TRUE(logo.HasAlpha());
    EXPECT_EQ(logo.GetAlpha(0, 0), 0);
}

TEST(VireldaLogo, DISABLED_WriteLogo)
{
    const wxImage logo = DrawVireldaLogo();
    ASSERT_TRUE(logo.SaveFile(reporttest::ResourceDir() + wxS("/virelda-logo.png"), wxBITMAP_TYPE_PNG));
}
