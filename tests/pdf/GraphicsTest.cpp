// Graphics: line state, paths, shapes, transforms, clipping, alpha and gradients,
// checked on the content stream and on pdftoppm renders.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"
#include "support/TestFiles.h"

namespace {

using pdfprobe::Pixel;
using vdtest::Has;

struct Drawing {
    PdfDocument doc{wxPORTRAIT, "pt"}; // points: the numbers in the stream are the ones given
    Drawing()
    {
        doc.SetCompression(false);
        doc.AddPage();
    }
    std::string Pdf() { return pdfprobe::Checked(doc.CloseAndGetBuffer()); }
};

} // namespace

TEST(GraphicsTest, LineStateAndPathOperators)
{
    Drawing d;
    PdfDocument& doc = d.doc;
    doc.SetLineStyle(PdfLineStyle(2, 1, 2, {6, 3}, 1, PdfColour(0, 0, 255)));
    doc.Line(10, 10, 100, 10);
    doc.SetLineStyle(PdfLineStyle()); // solid black, width kept
    EXPECT_NEAR(doc.GetLineWidth(), 2, 1e-9);
    doc.SetFillingRule(wxODDEVEN_RULE);
    doc.MoveTo(10, 20);
    doc.LineTo(50, 20);
    doc.CurveTo(60, 20, 60, 40, 50, 40);
    doc.ClosePath(PdfStyle::FillDraw);
    doc.SetFillingRule(wxWINDING_RULE);
    doc.MoveTo(10, 50);
    doc.LineTo(30, 60);
    doc.EndPath(PdfStyle::Draw);
    doc.Polygon({10, 20, 30}, {70, 80, 70}, PdfStyle::Fill);
    doc.Polyline({10, 20, 30}, {90, 95, 90}, PdfStyle::Draw);
    doc.Rect(100, 100, 20, 10, PdfStyle::NoOp);
    doc.EndPath(); // nothing open: ignored
    std::string ops = pdfprobe::PageContent(d.Pdf());
    EXPECT_TRUE(Has(ops, "2 w\n1 J\n2 j\n[6 3] 1 d\n0 0 1 RG\n10 10 m 100 10 l S")) << ops;
    EXPECT_TRUE(Has(ops, "[] 0 d\n0 G\n10 20 m\n50 20 l\n60 20 60 40 50 40 c\nh B*"));
    EXPECT_TRUE(Has(ops, "10 50 m\n30 60 l\nS"));
    EXPECT_TRUE(Has(ops, "10 70 m\n20 80 l\n30 70 l\nh f"));
    EXPECT_TRUE(Has(ops, "10 90 m\n20 95 l\n30 90 l\nS"));
    EXPECT_TRUE(Has(ops, "100 100 20 10 re n"));
}

TEST(GraphicsTest, ShapesRender)
{
    Drawing d;
    PdfDocument& doc = d.doc;
    doc.SetFillColour(0, 160, 0);
    doc.RoundedRect(20, 20, 100, 60, 25, PdfCorner::TopLeft, PdfStyle::Fill);
    doc.SetFillColour(0, 0, 200);
    doc.Ellipse(300, 60, 80, 30, 90, 0, 360, PdfStyle::Fill); // turned upright
    doc.SetFillColour(200, 0, 0);
    doc.Circle(100, 200, 50, 0, 90, PdfStyle::Fill, 8);
    doc.Ellipse(300, 200, 50, 0, 0, 0, 90, PdfStyle::Fill, 2, true); // quarter sector
    doc.SetLineWidth(6);
    doc.SetLineStyle(PdfLineStyle(-1, 0, -1, {20, 20}));
    doc.Line(20, 300, 220, 300);
    wxImage img = pdfprobe::Render(d.Pdf(), 72);
    ASSERT_TRUE(img.IsOk());
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 22, 22), 255, 255, 255)); // rounded corner
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 118, 22), 0, 160, 0));    // square corner
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 300, 130), 0, 0, 200));   // tall after turning
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 370, 60), 255, 255, 255));
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 130, 170), 200, 0, 0)); // beyond the chord
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 80, 220), 255, 255, 255));
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 320, 180), 200, 0, 0));
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 280, 180), 255, 255, 255));
    // Dashes 20 on, 20 off along the line.
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 30, 300), 0, 0, 0));
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 50, 300), 255, 255, 255));
}

TEST(GraphicsTest, TransformsAreBalanced)
{
    Drawing d;
    PdfDocument& doc = d.doc;
    doc.StartTransform();
    doc.SetDrawColour(255, 0, 0);
    doc.Translate(10, 20);
    doc.Rotate(90, 100, 100);
    doc.Scale(50, 200, 10, 10);
    doc.Scale(0, 100); // collapses: ignored
    EXPECT_TRUE(doc.StopTransform());
    EXPECT_EQ(doc.GetDrawColour(), PdfColour(0)); // tracked state comes back too
    EXPECT_FALSE(doc.StopTransform());            // unbalanced: ignored
    doc.StartTransform();
    doc.Transform(1, 0, 0, 1, 5, 5);
    doc.StartTransform();
    doc.AddPage(); // closes both
    doc.StartTransform();
    std::string pdf = d.Pdf();
    std::string p1 = pdfprobe::PageContent(pdf, 1) + "\n", p2 = pdfprobe::PageContent(pdf, 2) + "\n";
    EXPECT_TRUE(Has(p1, "1 0 0 1 10 20 cm")) << p1;
    EXPECT_TRUE(Has(p1, "0 -1 1 0 0 200 cm"));
    EXPECT_TRUE(Has(p1, "0.5 0 0 2 5 -10 cm"));
    EXPECT_FALSE(Has(p1, "0 0 0 1 0 0 cm"));
    EXPECT_EQ(pdfprobe::Count(p1, "q\n"), pdfprobe::Count(p1, "Q\n"));
    EXPECT_EQ(pdfprobe::Count(p1, "q\n"), 3);
    EXPECT_EQ(pdfprobe::Count(p2, "q\n"), pdfprobe::Count(p2, "Q\n"));
}

TEST(GraphicsTest, ClippingRectAndPath)
{
    Drawing d;
    PdfDocument& doc = d.doc;
    doc.ClippingRect(100, 100, 50, 100);
    doc.SetFillColour(255, 0, 0);
    doc.Circle(125, 150, 60, 0, 360, PdfStyle::Fill);
    doc.UnsetClipping();
    doc.UnsetClipping(); // unbalanced: ignored
    EXPECT_EQ(doc.GetFillColour(), PdfColour(0));
    doc.SetFillColour(0, 0, 255);
    doc.MoveTo(300, 100);
    doc.ClippingPath(); // the save goes in front of the path already started
    doc.LineTo(400, 100);
    doc.LineTo(350, 200);
    doc.ClosePath(PdfStyle::Fill); // clips instead of painting
    doc.Rect(250, 50, 200, 200, PdfStyle::Fill);
    doc.UnsetClipping();
    doc.Rect(10, 400, 20, 20, PdfStyle::Fill);
    std::string pdf = d.Pdf();
    std::string ops = pdfprobe::PageContent(pdf);
    EXPECT_TRUE(Has(ops, "q\n100 100 50 100 re W n")) << ops;
    EXPECT_TRUE(Has(ops, "q\n300 100 m\n400 100 l\n350 200 l\nh W n"));
    wxImage img = pdfprobe::Render(pdf, 72);
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 125, 150), 255, 0, 0)); // inside circle and clip
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 125, 105), 255, 0, 0));
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 170, 150), 255, 255, 255)); // circle, but clipped away
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 80, 150), 255, 255, 255));
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 350, 120), 0, 0, 255));     // inside the triangle
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 310, 190), 255, 255, 255)); // rect outside the triangle
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 20, 410), 0, 0, 255));      // after the clip ended
}

TEST(GraphicsTest, AlphaStatesAreShared)
{
    Drawing d;
    PdfDocument& doc = d.doc;
    doc.SetAlpha(0.5, 0.25);
    doc.Rect(10, 10, 10, 10, PdfStyle::Fill);
    doc.SetAlpha(0.5, 0.25);
    doc.SetAlpha(2, -1, PdfBlendMode::Multiply); // clamped
    doc.AddPage();
    doc.SetAlpha(0.5, 0.25);
    doc.Rect(10, 10, 10, 10, PdfStyle::Fill);
    std::string pdf = d.Pdf();
    // Compression is off: the objects can be read in the file itself.
    EXPECT_EQ(pdfprobe::Count(pdf, "/Type /ExtGState"), 2) << pdf;
    EXPECT_TRUE(Has(pdf, "/CA 0.5 /ca 0.25 /BM /Normal"));
    EXPECT_TRUE(Has(pdf, "/CA 1 /ca 0 /BM /Multiply"));
    EXPECT_TRUE(Has(pdfprobe::PageContent(pdf, 1), "/GS1 gs\n"));
    EXPECT_TRUE(Has(pdfprobe::PageContent(pdf, 2), "/GS1 gs\n"));
}

TEST(GraphicsTest, GradientsPaintRectanglesAndPaths)
{
    Drawing d;
    PdfDocument& doc = d.doc;
    const int axial = doc.AxialGradient(PdfColour(255, 0, 0), PdfColour(0, 0, 255));
    const int radial = doc.RadialGradient(PdfColour(255, 255, 0), PdfColour(0, 128, 0), 0.5, 0.5, 0, 0.5, 0.5, 0.5);
    const int stops = doc.AxialGradient(
        {{0, PdfColour(255, 0, 0)}, {0.5, PdfColour(0, 255, 0)}, {1, PdfColour(0, 0, 255)}}, 0, 0, 0, 1);
    EXPECT_EQ(doc.AxialGradient({}, 0, 0, 1, 0), 0);
    EXPECT_EQ(doc.RadialGradient(PdfColour(0), PdfColour(1), 0, 0, -1, 0, 0, 1), 0);
    EXPECT_EQ(doc.AxialGradient(PdfColour(0), PdfColour(1), std::nan(""), 0, 1, 0), 0);
    ASSERT_GT(axial, 0);
    ASSERT_GT(radial, 0);
    ASSERT_GT(stops, 0);
    doc.SetFillGradient(50, 50, 200, 50, axial);
    doc.SetFillGradient(300, 50, 100, 100, radial);
    doc.SetFillGradient(50, 200, 50, 200, stops); // top to bottom: red, green, blue
    doc.SetFillGradient(50, 50, 10, 10, 99);      // unknown id: nothing
    doc.MoveTo(300, 300);                         // a triangle filled in its bounding box
    doc.LineTo(500, 300);
    doc.LineTo(300, 400);
    doc.FillPathWithGradient(axial);
    doc.FillPathWithGradient(axial); // no path any more: ignored
    std::string pdf = d.Pdf();
    EXPECT_TRUE(Has(pdf, "/ShadingType 2"));
    EXPECT_TRUE(Has(pdf, "/ShadingType 3"));
    std::string ops = pdfprobe::PageContent(pdf);
    EXPECT_TRUE(Has(ops, "q\n300 300 m\n500 300 l\n300 400 l\nW n 200 0 0 100 300 300 cm /Sh1 sh Q")) << ops;
    wxImage img = pdfprobe::Render(pdf, 72);
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 52, 75), 255, 0, 0, 30));
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 248, 75), 0, 0, 255, 30));
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 350, 100), 255, 255, 0, 30)); // centre
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 350, 52), 0, 128, 0, 40));    // rim
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 75, 202), 255, 0, 0, 30));
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 75, 300), 0, 255, 0, 30));
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 75, 398), 0, 0, 255, 30));
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 302, 320), 255, 0, 0, 30)); // triangle's left end
    EXPECT_TRUE(pdfprobe::IsNear(Pixel(img, 480, 320), 255, 255, 255)); // outside the triangle
}

TEST(GraphicsTest, RawOutputAndBadInput)
{
    Drawing d;
    PdfDocument& doc = d.doc;
    doc.SetDrawColour(255, 0, 0);
    doc.OutAscii("0 0 1 RG 10 10 m 20 20 l S");
    doc.Line(0, 0, 5, 5); // the layer writes its colour again after raw output
    doc.Circle(10, 10, std::nan(""));
    doc.Ellipse(10, 10, 0, 5);
    doc.RoundedRect(10, 10, -20, 10, 100, PdfCorner::All, PdfStyle::Fill);
    doc.Polygon({1, 2, 3}, {1}, PdfStyle::Fill);
    doc.Polygon({}, {}, PdfStyle::Fill);
    doc.ClippingPath();
    doc.Rect(0, 0, 1, 1);
    std::string ops = pdfprobe::PageContent(d.Pdf());
    EXPECT_TRUE(Has(ops, "0 0 1 RG 10 10 m 20 20 l S\n1 0 0 RG\n")) << ops;
}
