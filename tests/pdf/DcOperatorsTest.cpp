// PdfDC: mapping modes, pens, fills, clipping and text checked on the operators it
// writes (compression off), bitmaps, hatches and gradients on renders, and bad input.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDC.h"
#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"
#include "support/TestFiles.h"

#include <wx/bitmap.h>
#include <wx/region.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace {

using vdtest::Has;

// An mm document: one device unit of the DC (1/72 inch) is one point in the stream.
struct Page {
    PdfDocument doc;
    Page()
    {
        doc.SetCompression(false);
        doc.AddPage();
    }
    std::string Pdf() { return pdfprobe::Checked(doc.CloseAndGetBuffer()); }
};

// Saves (q) and restores (Q) of the graphics state pair up.
bool Balanced(const std::string& ops)
{
    std::istringstream in(ops);
    std::string token;
    int depth = 0;
    while (in >> token) {
        depth += token == "q" ? 1 : token == "Q" ? -1 : 0;
        if (depth < 0)
            return false;
    }
    return depth == 0;
}

wxFont Sans(int points)
{
    return wxFont(wxFontInfo(points).Family(wxFONTFAMILY_SWISS).FaceName("Liberation Sans"));
}

} // namespace

TEST(DcOperatorsTest, MappingModesScalesOriginsAndAxes)
{
    Page p;
    {
        PdfDC dc(p.doc, 100, 50);
        EXPECT_EQ(dc.GetPPI(), wxSize(72, 72));
        EXPECT_EQ(dc.GetSize(), wxSize(283, 142));
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(*wxRED_BRUSH);
        dc.DrawRectangle(10, 5, 20, 10); // wxMM_TEXT: one unit, one point
        dc.SetMapMode(wxMM_METRIC);
        dc.DrawRectangle(10, 5, 20, 10); // one unit, one millimetre
        dc.SetMapMode(wxMM_LOMETRIC);
        dc.DrawRectangle(100, 100, 100, 100);
        dc.SetMapMode(wxMM_TWIPS);
        dc.DrawRectangle(20, 40, 200, 400);
        dc.SetMapMode(wxMM_POINTS);
        dc.DrawRectangle(1, 2, 3, 4);
        dc.SetMapMode(wxMM_TEXT);
        dc.SetUserScale(2, 3);
        dc.DrawRectangle(1, 1, 5, 5);
        dc.SetUserScale(std::numeric_limits<double>::quiet_NaN(), 0); // ignored
        dc.DrawRectangle(2, 2, 5, 5);
        dc.SetUserScale(1, 1);
        dc.SetLogicalOrigin(10, 10);
        dc.DrawRectangle(15, 16, 5, 5);
        dc.SetLogicalOrigin(0, 0);
        dc.SetDeviceOrigin(100, 200);
        dc.DrawRectangle(1, 1, 2, 2);
        dc.SetAxisOrientation(true, true); // y grows upwards from device y 200
        dc.DrawRectangle(10, 10, 20, 30);
    }
    const std::string ops = pdfprobe::PageContent(p.Pdf());
    for (const char* rect : {"10 5 20 10 re f", "28.3465 14.1732 56.6929 28.3465 re f",
                             "28.3465 28.3465 28.3465 28.3465 re f", "1 2 10 20 re f", "1 2 3 4 re f", "2 3 10 15 re f",
                             "4 6 10 15 re f", "5 6 5 5 re f", "101 201 2 2 re f", "110 160 20 30 re f"})
        EXPECT_TRUE(Has(ops, rect)) << rect << "\n" << ops;
}

TEST(DcOperatorsTest, FontsKeepScreenProportionsInEveryMappingMode)
{
    Page p;
    {
        PdfDC dc(p.doc, 200, 100);
        dc.SetFont(Sans(12));
        const wxSize textExtent = dc.GetTextExtent("Hello");
        wxArrayInt partial;
        ASSERT_TRUE(dc.GetPartialTextExtents("Hello", partial));
        ASSERT_EQ(partial.size(), 5u);
        EXPECT_NEAR(partial.back(), textExtent.x, 1);
        dc.DrawText("Hello", 10, 20);
        dc.SetMapMode(wxMM_METRIC);
        const wxSize metricExtent = dc.GetTextExtent("Hello");
        EXPECT_NEAR(metricExtent.x, textExtent.x, 1);
        EXPECT_NEAR(metricExtent.y, textExtent.y, 1);
        dc.DrawText("Hello", 10, 20);
        dc.SetFont(wxFont(wxFontInfo(12).Family(wxFONTFAMILY_SWISS).Bold().Italic().Underlined()));
        dc.DrawText("bold", 0, 0);
        EXPECT_EQ(p.doc.GetFontStyle(), "BIU");
        const std::string ops = pdfprobe::PageContent(p.Pdf());
        EXPECT_TRUE(Has(ops, " 16 Tf ")) << ops;      // 12 pt → 16 logical units → 16 pt
        EXPECT_TRUE(Has(ops, " 45.3543 Tf ")) << ops; // 16 logical units → 16 mm
    }
}

TEST(DcOperatorsTest, PensBrushesFillingRulesAndClipping)
{
    Page p;
    {
        PdfDC dc(p.doc, 200, 100);
        dc.SetPen(wxPen(*wxRED, 2, wxPENSTYLE_DOT));
        dc.DrawLine(0, 0, 50, 0);
        wxPen user(*wxBLUE, 3, wxPENSTYLE_USER_DASH);
        const wxDash dashes[] = {2, 1};
        user.SetDashes(2, dashes);
        user.SetCap(wxCAP_BUTT);
        user.SetJoin(wxJOIN_BEVEL);
        dc.SetPen(user);
        dc.DrawLine(0, 10, 50, 10);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(70, 70, 7, 7); // nothing at all
        dc.SetPen(*wxBLACK_PEN);
        dc.SetBrush(*wxGREEN_BRUSH);
        const wxPoint star[] = {{10, 30}, {30, 30}, {15, 45}, {20, 25}, {25, 45}};
        dc.DrawPolygon(5, star, 0, 0, wxODDEVEN_RULE);
        dc.DrawPolygon(5, star, 40, 0, wxWINDING_RULE);
        dc.SetBrush(*wxBLUE_BRUSH);
        const wxPoint rings[] = {{100, 10}, {140, 10}, {140, 50}, {100, 50},
                                 {110, 20}, {130, 20}, {130, 40}, {110, 40}};
        const int counts[] = {4, 4};
        dc.DrawPolyPolygon(2, counts, rings, 0, 0, wxODDEVEN_RULE);
        dc.DrawPoint(150, 10);
        dc.CrossHair(150, 60);
        dc.SetBrush(*wxGREEN_BRUSH);
        dc.SetClippingRegion(10, 10, 50, 50);
        dc.SetClippingRegion(20, 20, 50, 50);
        wxRect box;
        dc.GetClippingBox(box);
        EXPECT_EQ(box, wxRect(20, 20, 40, 40));
        dc.DrawEllipse(0, 0, 100, 100);
        dc.DestroyClippingRegion();
        dc.SetDeviceClippingRegion(wxRegion(5, 5, 10, 10)); // left for the DC to end
        dc.DrawCircle(10, 10, 8);
    }
    p.doc.Rect(1, 1, 1, 1); // after the DC: no clip left
    const std::string ops = pdfprobe::PageContent(p.Pdf());
    EXPECT_TRUE(Has(ops, "2 w\n1 J\n1 j\n[2 6] 0 d\n1 0 0 RG\n0 0 m 50 0 l S")) << ops;
    EXPECT_TRUE(Has(ops, "3 w\n0 J\n2 j\n[6 3] 0 d\n0 0 1 RG\n0 10 m 50 10 l S")) << ops;
    EXPECT_FALSE(Has(ops, "70 70 7 7 re"));
    EXPECT_TRUE(Has(ops, "25 45 l\nh B*\n")) << ops;
    EXPECT_TRUE(Has(ops, "65 45 l\nh B\n")) << ops;
    EXPECT_TRUE(Has(ops, "q\n10 10 50 50 re W n\nq\n20 20 50 50 re W n\n")) << ops;
    // One fill for both rings (the hole stays open), then each outline.
    EXPECT_TRUE(Has(ops, "110 40 l\nf*\n")) << ops;
    EXPECT_TRUE(Has(ops, "100 50 l\nh S\n110 20 m\n")) << ops;
    EXPECT_TRUE(Has(ops, "150 10 1 1 re f")) << ops;
    EXPECT_TRUE(Has(ops, "0 60 m 566.9291 60 l S\n150 0 m 150 283.4646 l S")) << ops;
    EXPECT_TRUE(Balanced(ops)) << ops;
    EXPECT_TRUE(Has(ops, "2.8346 2.8346 2.8346 2.8346 re S")) << ops;
}

TEST(DcOperatorsTest, BitmapsHatchesAndGradientsRender)
{
    PdfDocument doc;
    doc.AddPage();
    {
        PdfDC dc(doc, 200, 200);
        wxImage green(4, 4);
        green.SetRGB(wxRect(0, 0, 4, 4), 0, 200, 0);
        dc.DrawBitmap(wxBitmap(green.Scale(40, 40)), 10, 10);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(*wxRED, wxBRUSHSTYLE_CROSS_HATCH));
        dc.DrawRectangle(100, 10, 80, 80);
        dc.GradientFillLinear(wxRect(10, 100, 100, 40), *wxRED, *wxBLUE, wxEAST);
        dc.GradientFillConcentric(wxRect(120, 100, 60, 60), *wxWHITE, *wxBLACK, wxPoint(30, 30));
    }
    const std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    const wxImage img = pdfprobe::Render(pdf, 72);
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::Pixel(img, 30, 30), 0, 200, 0));
    int red = 0, white = 0;
    for (int y = 12; y < 88; ++y)
        for (int x = 102; x < 178; ++x) {
            red += pdfprobe::IsNear(pdfprobe::Pixel(img, x, y), 255, 0, 0, 90);
            white += pdfprobe::IsNear(pdfprobe::Pixel(img, x, y), 255, 255, 255, 40);
        }
    EXPECT_GT(red, 76 * 76 / 20);
    EXPECT_GT(white, 76 * 76 / 2);
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::Pixel(img, 12, 120), 255, 0, 0, 40));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::Pixel(img, 107, 120), 0, 0, 255, 40));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::Pixel(img, 150, 130), 255, 255, 255, 40));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::Pixel(img, 121, 101), 0, 0, 0, 40));
}

TEST(DcOperatorsTest, BadInputDrawsNothingHarmfulAndNeverAddsPages)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto drawBadThings = [&](wxDC& dc) {
        dc.DrawPolygon(0, nullptr);
        const wxPoint one[] = {{5, 5}};
        dc.DrawLines(1, one);
        const int counts[] = {0, -3};
        dc.DrawPolyPolygon(2, counts, one);
        dc.DrawRectangle(10, 10, 0, 5);
        dc.DrawEllipse(10, 10, 5, 0);
        dc.DrawRoundedRectangle(10, 10, -20, -20, nan);
        dc.DrawEllipticArc(10, 10, 20, 20, nan, 90);
        dc.DrawRotatedText("nan", 10, 10, nan);
        dc.DrawText(wxEmptyString, 10, 10);
        dc.DrawArc(5, 5, 5, 5, 5, 5);
        dc.DrawLine(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
        dc.DrawBitmap(wxNullBitmap, 0, 0);
        EXPECT_FALSE(dc.Blit(0, 0, 10, 10, nullptr, 0, 0));
        dc.SetFont(wxNullFont);
        dc.DrawText("default font", 10, 10);
        dc.SetPen(wxNullPen);
        dc.SetBrush(wxNullBrush);
        dc.DrawRectangle(1, 1, 5, 5);
        dc.DestroyClippingRegion();
        dc.SetClippingRegion(0, 0, -10, -10);
    };
    {
        PdfDocument empty;
        {
            PdfDC dc(empty, 50, 50);
            drawBadThings(dc);
            dc.Clear();
        }
        EXPECT_EQ(empty.GetPageCount(), 0);
        EXPECT_TRUE(pdfprobe::QpdfCheck(pdfprobe::Bytes(empty.CloseAndGetBuffer())).ok);
    }
    Page p;
    p.doc.SetFont("Helvetica", "", 9);
    p.doc.SetDrawColour(10, 20, 30);
    p.doc.SetXY(33, 44);
    for (double w : {0.0, -5.0, nan}) {
        PdfDC dc(p.doc, w, 40);
        EXPECT_EQ(dc.GetSizeMM(), wxSize(210, 40)); // the page's width stands in
        drawBadThings(dc);
    }
    // The document's own state is back once the DC is gone.
    EXPECT_EQ(p.doc.GetDrawColour(), PdfColour(10, 20, 30));
    EXPECT_NEAR(p.doc.GetFontSize(), 9, 1e-9);
    EXPECT_NEAR(p.doc.GetX(), 33, 1e-9);
    EXPECT_NEAR(p.doc.GetY(), 44, 1e-9);
    const std::string ops = pdfprobe::PageContent(p.Pdf());
    EXPECT_TRUE(Balanced(ops)) << ops;
    EXPECT_EQ(p.doc.GetPageCount(), 1);
}
