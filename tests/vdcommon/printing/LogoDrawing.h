#pragma once
// Draws the product logo shown in the page header: a water drop over two waves and
// the product name, on a transparent background. The committed
// examples/resources/virelda-logo.png is made by this function (see LogoTool.cpp).
#include <wx/font.h>
#include <wx/graphics.h>
#include <wx/image.h>

#include <cmath>
#include <memory>

inline wxImage DrawVireldaLogo(int width = 600, int height = 200)
{
    wxImage image(width, height);
    image.InitAlpha();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.SetRGB(x, y, 255, 255, 255);
            image.SetAlpha(x, y, 0);
        }
    }
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(image));
    if (!gc) {
        return image;
    }
    gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
    const double h = height;

    // The drop: a pointed top and a round bottom.
    const double cx = 0.5 * h, top = 0.08 * h, r = 0.3 * h, cy = 0.6 * h;
    wxGraphicsPath drop = gc->CreatePath();
    drop.MoveToPoint(cx, top);
    drop.AddCurveToPoint(cx + 0.1 * h, cy - r - 0.05 * h, cx + r, cy - 0.45 * r, cx + r, cy);
    drop.AddArc(cx, cy, r, 0, M_PI, true);
    drop.AddCurveToPoint(cx - r, cy - 0.45 * r, cx - 0.1 * h, cy - r - 0.05 * h, cx, top);
    drop.CloseSubpath();
    gc->SetBrush(gc->CreateLinearGradientBrush(cx, top, cx, cy + r, wxColour(64, 180, 220), wxColour(10, 80, 150)));
    gc->SetPen(*wxTRANSPARENT_PEN);
    gc->FillPath(drop);

    // Two white waves across the drop.
    gc->SetPen(gc->CreatePen(wxGraphicsPenInfo(wxColour(255, 255, 255)).Width(0.045 * h)));
    for (int i = 0; i < 2; ++i) {
        const double wy = cy + (i == 0 ? -0.02 : 0.13) * h;
        wxGraphicsPath wave = gc->CreatePath();
        wave.MoveToPoint(cx - 0.22 * h, wy);
        wave.AddCurveToPoint(cx - 0.12 * h, wy - 0.07 * h, cx - 0.05 * h, wy + 0.07 * h, cx + 0.04 * h, wy);
        wave.AddCurveToPoint(cx + 0.1 * h, wy - 0.05 * h, cx + 0.16 * h, wy + 0.04 * h, cx + 0.22 * h, wy);
        gc->StrokePath(wave);
    }

    // The name, as large as fits beside the drop.
    const double available = width - 1.08 * h;
    double tw = 0, th = 0, descent = 0, leading = 0;
    for (double size = 0.36 * h; size > 4; size *= 0.95) {
        wxFont font(wxFontInfo(size).Family(wxFONTFAMILY_SWISS).Bold());
        gc->SetFont(gc->CreateFont(font, wxColour(10, 80, 150)));
        gc->GetTextExtent(wxS("VIRELDA"), &tw, &th, &descent, &leading);
        if (tw <= available) {
            break;
        }
    }
    gc->DrawText(wxS("VIRELDA"), h * 1.0, (h - th) / 2);
    // A thin accent line under the name.
    gc->SetPen(gc->CreatePen(wxGraphicsPenInfo(wxColour(64, 180, 220)).Width(0.03 * h)));
    gc->StrokeLine(h, (h + th) / 2 + 0.04 * h, h + tw, (h + th) / 2 + 0.04 * h);
    gc.reset();
    return image;
}
