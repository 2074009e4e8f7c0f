#include <gtest/gtest.h>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/pen.h>

// The start-up must give what report drawing needs without a display.
TEST(HeadlessToolkit, DrawsOnImagesWithoutDisplay)
{
    ASSERT_NE(wxBLACK_PEN, nullptr);
    EXPECT_EQ(wxBLACK_PEN->GetColour(), *wxBLACK);

    wxImage image(40, 30);
    image.SetRGB(wxRect(0, 0, 40, 30), 255, 255, 255);
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(image));
    ASSERT_TRUE(gc);
    gc->SetBrush(*wxRED_BRUSH);
    gc->SetPen(*wxTRANSPARENT_PEN);
    gc->DrawRectangle(10, 10, 10, 10);
    gc.reset();
    EXPECT_EQ(image.GetRed(15, 15), 255);
    EXPECT_EQ(image.GetGreen(15, 15), 0);
    EXPECT_EQ(image.GetRed(2, 2), 255);
    EXPECT_EQ(image.GetGreen(2, 2), 255);
}
