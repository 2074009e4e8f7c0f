// Images: PNG alpha as soft mask, JPEG passed through, toolkit formats, sizes, one
// copy of identical pixels, and bad files.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"
#include "support/TestFiles.h"

namespace {

// An image file in a folder of its own, removed with it.
struct TempImage {
    vdtest::TempDir dir{"vdpdfimg"};
    wxString path;
    TempImage(const wxImage& img, wxBitmapType type, const char* ext)
        : path(wxString::FromUTF8((dir / (std::string("image") + ext)).string()))
    {
        EXPECT_TRUE(img.SaveFile(path, type));
    }
    explicit TempImage(const std::string& bytes) : path(wxString::FromUTF8((dir / "image").string()))
    {
        vdtest::WriteFile(dir / "image", bytes);
    }
    std::string Bytes() const { return vdtest::ReadFile(path.utf8_string()); }
};

wxImage Half(unsigned char r, unsigned char g, unsigned char b, bool alpha)
{
    // Left half coloured, right half white (or transparent with alpha).
    wxImage img(20, 10);
    img.SetRGB(wxRect(0, 0, 20, 10), 255, 255, 255);
    img.SetRGB(wxRect(0, 0, 10, 10), r, g, b);
    if (alpha) {
        img.InitAlpha();
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x)
                img.SetAlpha(x, y, x < 10 ? 255 : 0);
    }
    return img;
}

} // namespace

TEST(ImageTest, FilesOfEachKindArePlacedAndSized)
{
    TempImage png(Half(255, 0, 0, true), wxBITMAP_TYPE_PNG, ".png");
    TempImage jpg(Half(0, 0, 255, false), wxBITMAP_TYPE_JPEG, ".jpg");
    TempImage bmp(Half(0, 160, 0, false), wxBITMAP_TYPE_BMP, ".bmp");
    PdfDocument doc;
    doc.SetCompression(false);
    doc.AddPage();
    doc.SetFillColour(0, 0, 0);
    doc.Rect(10, 10, 190, 40, PdfStyle::Fill);    // black behind the PNG shows its transparency
    ASSERT_TRUE(doc.Image(png.path, 20, 20, 40)); // 40 × 20 mm
    EXPECT_NEAR(doc.GetX(), 10, 1e-9);            // the pen does not move
    ASSERT_TRUE(doc.Image(jpg.path, 20, 60, 0, 20, "jpg"));
    ASSERT_TRUE(doc.Image(bmp.path, 20, 100)); // one pixel = one point
    ASSERT_TRUE(doc.Image(png.path, 100, 100, 40, 20, "", PdfLink("https://example.com")));
    std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    EXPECT_EQ(pdfprobe::Count(pdf, "/Subtype /Image"), 4); // PNG, its mask, JPEG, BMP
    EXPECT_EQ(pdfprobe::Count(pdf, "/SMask"), 1);
    EXPECT_EQ(pdfprobe::Count(pdf, "/DCTDecode"), 1);
    EXPECT_NE(pdf.find(jpg.Bytes()), std::string::npos); // the JPEG as it is
    EXPECT_EQ(pdfprobe::Count(pdf, "/Subtype /Link"), 1);

    wxImage img = pdfprobe::Render(pdf, 72);
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 25, 30), 255, 0, 0));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 55, 30), 0, 0, 0)); // transparent half
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 25, 70), 0, 0, 255, 40));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 55, 70), 255, 255, 255, 40));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 61, 70), 255, 255, 255)); // 40 mm wide
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 21, 101), 0, 160, 0));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 21, 105), 255, 255, 255)); // 10 pt tall
}

// Found equal by their pixels whether the streams are compressed or not; one pixel
// of difference, in colour or in alpha, makes an image of its own.
TEST(ImageTest, IdenticalPixelsAreStoredOnce)
{
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress ? "compressed" : "uncompressed");
        PdfDocument doc;
        doc.SetCompression(compress);
        doc.AddPage();
        wxImage a = Half(10, 20, 30, false);
        ASSERT_TRUE(doc.Image("a", a, 10, 10, 20));
        ASSERT_TRUE(doc.Image("other name", a.Copy(), 10, 40, 30));
        doc.AddPage();
        ASSERT_TRUE(doc.Image("a", a, 10, 10));
        ASSERT_TRUE(doc.Image("a", Half(200, 20, 30, false), 10, 60)); // same name, other pixels
        ASSERT_TRUE(doc.Image("jpeg", a, 10, 90, 0, 0, PdfLink(), 0, true, 90));
        wxImage masked = Half(0, 0, 0, false);
        masked.SetMaskColour(255, 255, 255);
        ASSERT_TRUE(doc.Image("masked", masked, 10, 120));
        ASSERT_TRUE(doc.Image("masked again", masked.Copy(), 10, 150));
        wxImage onePixel = a.Copy();
        onePixel.SetRGB(0, 0, 11, 20, 30);
        ASSERT_TRUE(doc.Image("one pixel", onePixel, 10, 180));
        wxImage translucent = Half(10, 20, 30, true);
        ASSERT_TRUE(doc.Image("alpha", translucent, 10, 200));
        translucent = translucent.Copy();
        translucent.SetAlpha(0, 0, 1);
        ASSERT_TRUE(doc.Image("other alpha", translucent, 10, 220));
        std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
        // a, red a, jpeg, masked + its mask, one pixel, two alpha images + their masks
        EXPECT_EQ(pdfprobe::Count(pdf, "/Subtype /Image"), 10);
        EXPECT_EQ(pdfprobe::Count(pdf, "/DCTDecode"), 1);
        EXPECT_EQ(pdfprobe::Count(pdf, "/SMask"), 3);
    }
}

TEST(ImageTest, MissingAndCorruptFilesAreRefused)
{
    TempImage garbage(std::string("\x89PNG\r\n\x1a\n this is not a png at all", 32));
    TempImage truncatedJpeg(std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10));
    TempImage empty{std::string()};
    PdfDocument doc;
    doc.AddPage();
    EXPECT_FALSE(doc.Image("/nonexistent/picture.png", 10, 10));
    EXPECT_FALSE(doc.Image(garbage.path, 10, 10));
    EXPECT_FALSE(doc.Image(truncatedJpeg.path, 10, 10));
    EXPECT_FALSE(doc.Image(empty.path, 10, 10));
    EXPECT_FALSE(doc.Image("nothing", wxImage(), 10, 10));
    EXPECT_TRUE(doc.Image("nan", Half(1, 2, 3, false), std::nan(""), 10, 20));
    std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    EXPECT_EQ(pdfprobe::Count(pdf, "/Subtype /Image"), 1);
}

TEST(ImageTest, AFileReplacedUnderTheSameNameIsReadAgain)
{
    PdfDocument doc;
    doc.SetCompression(false);
    doc.AddPage();
    TempImage first(Half(10, 20, 30, false), wxBITMAP_TYPE_PNG, ".png");
    ASSERT_TRUE(doc.Image(first.path, 10, 10, 20, 0, wxEmptyString, PdfLink(), 0));
    ASSERT_TRUE(doc.Image(first.path, 10, 40, 20, 0, wxEmptyString, PdfLink(), 0)); // unchanged: the same image
    // Other pixels of the same size written to the same name: another image. The time
    // of change may be the same within the file system's resolution; the size is not.
    const std::string before = first.Bytes();
    wxImage other = Half(200, 20, 30, false);
    other.Rescale(21, 10);
    ASSERT_TRUE(other.SaveFile(first.path, wxBITMAP_TYPE_PNG));
    ASSERT_NE(first.Bytes(), before);
    ASSERT_TRUE(doc.Image(first.path, 10, 70, 20, 0, wxEmptyString, PdfLink(), 0));
    // Gone: refused, as a file never seen would be.
    wxRemoveFile(first.path);
    EXPECT_FALSE(doc.Image(first.path, 10, 100, 20, 0, wxEmptyString, PdfLink(), 0));
    const std::string pdf = pdfprobe::Checked(doc.CloseAndGetBuffer());
    EXPECT_EQ(pdfprobe::Count(pdf, "/Subtype /Image"), 2);
    EXPECT_EQ(pdfprobe::Count(pdf, " Do"), 3);
}
