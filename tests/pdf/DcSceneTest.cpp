// PdfDC against the toolkit's own vector DC: the same scene drawn into a PDF template
// and into a wxGCDC on an image must look the same, region by region.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDC.h"
#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"

#include <wx/dcgraph.h>
#include <wx/graphics.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

namespace {

constexpr int kW = 400, kH = 300; // device units: pixels of the image, points of the PDF

wxFont SceneFont(int points, wxFontWeight weight = wxFONTWEIGHT_NORMAL)
{
    return wxFont(wxFontInfo(points).Family(wxFONTFAMILY_SWISS).FaceName("Liberation Sans").Weight(weight));
}

void DrawScene(wxDC& dc)
{
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    // Lines of several pens.
    dc.SetPen(wxPen(*wxRED, 3));
    dc.DrawLine(10, 10, 190, 10);
    dc.SetPen(wxPen(*wxBLUE, 1, wxPENSTYLE_LONG_DASH));
    dc.DrawLine(10, 25, 190, 25);
    wxPen thick(wxColour(0, 128, 0), 8);
    thick.SetCap(wxCAP_BUTT);
    dc.SetPen(thick);
    dc.DrawLine(10, 45, 190, 45);
    // Filled shapes with a black outline.
    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(wxBrush(wxColour(255, 200, 0)));
    const wxPoint triangle[] = {{20, 70}, {100, 70}, {60, 130}};
    dc.DrawPolygon(3, triangle);
    dc.SetBrush(*wxBLUE_BRUSH);
    dc.DrawRectangle(120, 70, 70, 50);
    dc.SetBrush(wxBrush(wxColour(0, 160, 0)));
    dc.DrawRoundedRectangle(210, 10, 80, 50, 12);
    dc.SetBrush(*wxRED_BRUSH);
    dc.DrawCircle(340, 40, 30);
    dc.SetBrush(*wxCYAN_BRUSH);
    dc.DrawEllipse(210, 80, 100, 40);
    dc.SetBrush(wxBrush(wxColour(128, 0, 128)));
    dc.DrawArc(390, 110, 330, 170, 330, 110); // anticlockwise from 3 to 6 o'clock: three quarters
    dc.DrawEllipticArc(210, 140, 100, 60, 0, 90);
    // Text at its top-left corner, and turned by 90 degrees.
    dc.SetFont(SceneFont(20, wxFONTWEIGHT_BOLD));
    dc.SetTextForeground(*wxBLACK);
    dc.DrawText("Hello PDF", 20, 170);
    dc.SetFont(SceneFont(16));
    dc.SetTextForeground(wxColour(200, 0, 0));
    dc.DrawRotatedText("Turned", 370, 290, 90);
    dc.SetBackgroundMode(wxBRUSHSTYLE_SOLID);
    dc.SetTextBackground(wxColour(255, 255, 0));
    dc.SetTextForeground(*wxBLACK);
    dc.DrawText("on yellow", 20, 230);
}

wxImage DrawWithToolkit()
{
    wxImage image(kW, kH);
    image.SetRGB(wxRect(0, 0, kW, kH), 255, 255, 255);
    {
        wxGCDC dc(wxGraphicsContext::Create(image));
        DrawScene(dc);
    }
    return image;
}

// The scene in a template placed at the page's top-left corner so that a 72-dpi render
// has one pixel per logical unit. In wxMM_TEXT the template is kW x kH device units
// (points) at its natural size; in wxMM_METRIC it is kW x kH millimetres, placed
// shrunk to the same 400 x 300 points. Both must give the toolkit's picture.
std::string DrawWithPdf(wxMappingMode mode)
{
    PdfDocument doc;
    doc.AddPage();
    const double unit = mode == wxMM_METRIC ? 1.0 : 25.4 / 72;
    const double w = kW * unit, h = kH * unit;
    const int id = doc.BeginTemplate(0, 0, w, h);
    {
        PdfDC dc(doc, w, h);
        dc.SetMapMode(mode);
        DrawScene(dc);
    }
    doc.EndTemplate();
    doc.UseTemplate(id, 0, 0, kW * 25.4 / 72);
    return pdfprobe::Bytes(doc.CloseAndGetBuffer());
}

struct Mean {
    double r = 0, g = 0, b = 0;
};

Mean BlockMean(const wxImage& img, int x0, int y0, int size)
{
    Mean m;
    int n = 0;
    for (int y = y0; y < y0 + size && y < img.GetHeight(); ++y)
        for (int x = x0; x < x0 + size && x < img.GetWidth(); ++x) {
            m.r += img.GetRed(x, y);
            m.g += img.GetGreen(x, y);
            m.b += img.GetBlue(x, y);
            ++n;
        }
    if (n) {
        m.r /= n;
        m.g /= n;
        m.b /= n;
    }
    return m;
}

// The box of the pixels near colour (r, g, b) inside `area`.
wxRect InkBox(const wxImage& img, const wxRect& area, int r, int g, int b)
{
    int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
    for (int y = area.GetTop(); y <= area.GetBottom(); ++y)
        for (int x = area.GetLeft(); x <= area.GetRight(); ++x)
            if (pdfprobe::IsNear(pdfprobe::Pixel(img, x, y), r, g, b, 60)) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    return x1 < 0 ? wxRect() : wxRect(wxPoint(x0, y0), wxPoint(x1, y1));
}

void ExpectSameBox(const wxRect& expected, const wxRect& actual, int tolerance, const char* what)
{
    ASSERT_FALSE(expected.IsEmpty()) << what;
    EXPECT_NEAR(actual.GetLeft(), expected.GetLeft(), tolerance) << what;
    EXPECT_NEAR(actual.GetTop(), expected.GetTop(), tolerance) << what;
    EXPECT_NEAR(actual.GetRight(), expected.GetRight(), tolerance) << what;
    EXPECT_NEAR(actual.GetBottom(), expected.GetBottom(), tolerance) << what;
}

} // namespace

class DcSceneTest : public ::testing::TestWithParam<wxMappingMode>
{};

TEST_P(DcSceneTest, PdfMatchesTheToolkitRegionByRegion)
{
    const wxImage expected = DrawWithToolkit();
    const std::string pdf = DrawWithPdf(GetParam());
    const auto check = pdfprobe::QpdfCheck(pdf);
    ASSERT_TRUE(check.ok) << check.output;
    const wxImage actual = pdfprobe::Render(pdf, 72);
    ASSERT_TRUE(actual.IsOk());
    // 10 x 10 blocks: anti-aliasing and glyph rasterisation differ a little, a shape
    // or a text in the wrong place differs a lot.
    const int block = 10;
    int bad = 0;
    std::string report;
    for (int y = 0; y < kH; y += block)
        for (int x = 0; x < kW; x += block) {
            const Mean e = BlockMean(expected, x, y, block), a = BlockMean(actual, x, y, block);
            const double diff = std::max({std::fabs(e.r - a.r), std::fabs(e.g - a.g), std::fabs(e.b - a.b)});
            if (diff > 40) {
                ++bad;
                report += "(" + std::to_string(x) + "," + std::to_string(y) + ") diff " +
                          std::to_string(static_cast<int>(diff)) + "\n";
            }
        }
    EXPECT_LE(bad, 3) << report;
    // Texts sit where the toolkit puts them and are as large.
    ExpectSameBox(InkBox(expected, wxRect(0, 160, 200, 60), 0, 0, 0), InkBox(actual, wxRect(0, 160, 200, 60), 0, 0, 0),
                  2, "text");
    ExpectSameBox(InkBox(expected, wxRect(340, 200, 60, 100), 200, 0, 0),
                  InkBox(actual, wxRect(340, 200, 60, 100), 200, 0, 0), 4, "rotated text");
    ExpectSameBox(InkBox(expected, wxRect(0, 220, 200, 60), 0, 0, 0), InkBox(actual, wxRect(0, 220, 200, 60), 0, 0, 0),
                  3, "text on a background");
}

INSTANTIATE_TEST_SUITE_P(MappingModes, DcSceneTest, ::testing::Values(wxMM_TEXT, wxMM_METRIC));
