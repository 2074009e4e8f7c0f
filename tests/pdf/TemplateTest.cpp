// Templates: form objects with their own resources, stored once, placed at any size.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"

namespace {

wxImage Solid(int w, int h, unsigned char r, unsigned char g, unsigned char b)
{
    wxImage img(w, h);
    img.SetRGB(wxRect(0, 0, w, h), r, g, b);
    return img;
}

} // namespace

TEST(TemplateTest, StoredOnceWithOwnResourcesAndPlacedAtTwoScales)
{
    PdfDocument doc;
    doc.SetCompression(false);
    doc.AddPage();
    const int id = doc.BeginTemplate(0, 0, 40, 20);
    ASSERT_EQ(id, 1);
    EXPECT_NEAR(doc.GetPageWidth(), 40, 1e-9);
    doc.AddPage(); // ignored while recording
    EXPECT_EQ(doc.PageNo(), 1);
    doc.SetFillColour(255, 0, 0);
    doc.Rect(0, 0, 40, 20, PdfStyle::Fill);
    doc.Image("blue", Solid(4, 4, 0, 0, 255), 0, 0, 10, 10);
    doc.SetAlpha(1, 0.999);
    doc.SetFont("Helvetica", "", 8);
    doc.Text(12, 8, "form text");
    doc.SetFillGradient(30, 12, 8, 6, doc.AxialGradient(PdfColour(0, 255, 0), PdfColour(0, 255, 0)));
    EXPECT_EQ(doc.EndTemplate(), 1);
    EXPECT_FALSE(doc.IsRecordingTemplate());
    EXPECT_EQ(doc.GetFillColour(), PdfColour(0)); // the page state is back
    double w = 0, h = 0;
    ASSERT_TRUE(doc.GetTemplateSize(1, w, h));
    EXPECT_NEAR(w + h, 60, 1e-9);
    doc.UseTemplate(id, 20, 20);      // natural size
    doc.UseTemplate(id, 100, 20, 80); // twice as large, height follows
    doc.AddPage();
    doc.UseTemplate(id, 20, 20, 0, 10); // half, width follows
    std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    EXPECT_EQ(pdfprobe::Count(pdf, "/Subtype /Form"), 1);
    EXPECT_EQ(pdfprobe::Count(pdf, "/Subtype /Image"), 1);
    // The form's dictionary names everything drawn inside it.
    const size_t form = pdf.find("/Subtype /Form");
    const std::string formDict = pdf.substr(form, pdf.find("stream", form) - form);
    for (const char* res : {"/Font <<", "/I1 ", "/ExtGState <<", "/Shading <<"})
        EXPECT_NE(formDict.find(res), std::string::npos) << res << "\n" << formDict;
    const int dpi = 72;
    wxImage img = pdfprobe::Render(pdf, dpi, 1);
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, dpi, 22, 22), 0, 0, 255)); // image corner
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, dpi, 35, 37), 255, 0, 0));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, dpi, 62, 30), 255, 255, 255));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, dpi, 110, 30), 0, 0, 255)); // scaled: 20 mm blue
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, dpi, 125, 55), 255, 0, 0));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, dpi, 170, 52), 0, 255, 0)); // gradient at 2x
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, dpi, 182, 30), 255, 255, 255));
    wxImage img2 = pdfprobe::Render(pdf, dpi, 2);
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img2, dpi, 21, 21), 0, 0, 255));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img2, dpi, 27, 28), 255, 0, 0));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img2, dpi, 42, 25), 255, 255, 255));
    EXPECT_NE(pdfprobe::Text(pdf, false, 1, 1).find("form text"), std::string::npos);
}

TEST(TemplateTest, RecordedAreaOffsetNestingAndBadIds)
{
    PdfDocument doc;
    doc.AddPage();
    const int outer = doc.BeginTemplate(50, 50, 20, 20);
    doc.SetFillColour(0, 128, 0);
    doc.Rect(50, 50, 20, 20, PdfStyle::Fill);
    const int inner = doc.BeginTemplate(0, 0, 5, 5);
    doc.SetFillColour(255, 0, 255);
    doc.Rect(0, 0, 5, 5, PdfStyle::Fill);
    doc.StartTransform(); // left open: closed by EndTemplate
    EXPECT_EQ(doc.EndTemplate(), inner);
    EXPECT_EQ(doc.GetFillColour(), PdfColour(0, 128, 0));
    doc.UseTemplate(inner, 50, 50);
    doc.UseTemplate(outer, 0, 0); // still recording: refused
    EXPECT_EQ(doc.EndTemplate(), outer);
    EXPECT_EQ(doc.EndTemplate(), 0); // nothing recorded
    doc.UseTemplate(0, 10, 10);
    doc.UseTemplate(99, 10, 10);
    double w, h;
    EXPECT_FALSE(doc.GetTemplateSize(7, w, h));
    doc.UseTemplate(outer, 10, 100);
    doc.BeginTemplate(); // never ended: ended at close
    doc.Rect(0, 0, 10, 10);
    std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    wxImage img = pdfprobe::Render(pdf, 72);
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 12, 102), 255, 0, 255));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 25, 115), 0, 128, 0));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 32, 115), 255, 255, 255));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 60, 60), 255, 255, 255)); // not drawn on the page
}
