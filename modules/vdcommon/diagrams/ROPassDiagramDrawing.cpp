// The pass picture: where stages, pumps and lines go, and drawing them.
#include "vdcommon/diagrams/ROPassDiagram.h"

#include <wx/brush.h>
#include <wx/pen.h>

#include <algorithm>
#include <array>

using diagramDetail::ClampCoordinate;

namespace {

// Every line of the pass picture is drawn with a copy of this stock pen.
wxPen LinePen()
{
    wxPen pen(*wxBLACK_PEN);
    pen.SetCap(wxCAP_BUTT);
    pen.SetWidth(1);
    return pen;
}

wxPen RoundLinePen(int width)
{
    wxPen pen(*wxBLACK_PEN);
    pen.SetWidth(width);
    pen.SetCap(wxCAP_ROUND);
    pen.SetJoin(wxJOIN_BEVEL);
    return pen;
}

// A throttle: the polygon through four corners in the order given, which crosses
// itself into a bow tie.
void DrawBowTie(wxDC& dc, const std::array<wxPoint, 4>& corners)
{
    const wxPen previous = dc.GetPen();
    dc.SetPen(LinePen());
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawPolygon(4, corners.data());
    dc.SetPen(previous);
}

} // namespace

// ---- geometry ---------------------------------------------------------------------

int ROPassDiagram::StageLeft(int s) const
{
    return marginLeft + feedFirstStage + (s - 1) * (stageWidth + gapX);
}

int ROPassDiagram::StageMiddle(int s) const
{
    return StageLeft(s) + stageWidth / 2;
}

int ROPassDiagram::StageRight(int s) const
{
    return marginLeft + feedFirstStage + s * stageWidth + (s - 1) * gapX;
}

int ROPassDiagram::StageCentreY(int s) const
{
    return marginTop + stageHeight / 2 + (s - 1) * (gapY + stageHeight);
}

int ROPassDiagram::StageBottom(int s) const
{
    return marginTop + (s - 1) * gapY + s * stageHeight;
}

int ROPassDiagram::FeedLevel() const
{
    return marginTop + stageHeight / 2;
}

int ROPassDiagram::ConcentrateBottom(int n) const
{
    // A single stage with an isobaric device: the outlet is lowered to the second
    // stage's level to leave room for the device between stage and feed pump.
    if (pass.HasIsobaricErd() && n == 1)
        return marginTop + gapY + 2 * stageHeight;
    return StageBottom(n);
}

void ROPassDiagram::CalcGaps(int w, int h)
{
    gapX = (w - stageWidth / 2 - 2 * marginLeft - 4 * stageWidth - feedFirstStage) / 5;
    gapY = (h - 4 * stageHeight - outgoingErdHeight - concentrateLastStage - marginBottom - marginTop) / 3;
}

void ROPassDiagram::GetPositionBoosterForERD(int stage, int* x, int* y) const
{
    if (stage <= 0) {
        *x = marginLeft + (feedFirstStage - 2 * pumpRadius) / 2;
        *y = FeedLevel();
        return;
    }
    const int k = std::min(stage, PassState::MaxStages - 1);
    *x = marginLeft + feedFirstStage + (k - 1) * (gapX + stageWidth) + stageWidth / 2 +
         (stageWidth / 2 - 2 * pumpRadius + gapX) / 2;
    *y = marginTop + k * (gapY + stageHeight) + stageHeight / 2;
}

// ---- drawing ----------------------------------------------------------------------

void ROPassDiagram::DoDraw(wxDC& dc, int w, int h, bool labels)
{
    showLabels = labels;
    width = ClampCoordinate(w);
    height = ClampCoordinate(h);

    diagramDetail::ClearCanvas(dc, fontSize);
    dc.SetPen(LinePen());

    CalcGaps(width, height);

    const int n = std::clamp(pass.stageCount, 0, PassState::MaxStages);
    DrawStages(dc);
    DrawFeedFirstStage(dc);
    if (n >= 1) {
        DrawPermeateTotalAndRecirculation(dc);
        for (int s = 1; s < n; ++s)
            DrawConcentrate(dc, StageMiddle(s), StageBottom(s), pass.stages[s].booster, 2 * s + 1);
        for (int s = 1; s <= n; ++s)
            DrawPermeate(dc, StageRight(s), StageCentreY(s), pass.stages[s - 1].throttle, 2 * s);
    }
    DrawConcentrateLastStageAndRecirculation(dc);
    if (pass.hasErd)
        DrawERD(dc, pass.erdStage, n);
}

void ROPassDiagram::DrawStages(wxDC& dc)
{
    const int n = std::clamp(pass.stageCount, 0, PassState::MaxStages);
    for (int s = 1; s <= n; ++s)
        DrawStage(dc, StageLeft(s), StageCentreY(s), stageWidth, stageHeight);
}

void ROPassDiagram::DrawStage(wxDC& dc, int x, int yCentre, int w, int h)
{
    const int t = yCentre - h / 2;
    const wxPen previous = dc.GetPen();
    dc.SetPen(RoundLinePen(2));
    diagramDetail::DrawMembraneBlock(dc, x, t, w, h);
    dc.SetPen(previous);
}

void ROPassDiagram::DrawFeedFirstStage(wxDC& dc)
{
    const int y0 = FeedLevel();
    const int h = (feedFirstStage - 2 * pumpRadius) / 2;
    const int xa = marginLeft + h;
    dc.DrawLine(0, y0, xa, y0);
    // With an isobaric device the high-pressure pump is drawn by the device group.
    if (!pass.HasIsobaricErd())
        DrawPump(dc, xa, y0, pumpRadius);
    else
        dc.DrawLine(xa, y0, xa + 2 * pumpRadius, y0);
    const int xb = xa + 2 * pumpRadius;
    const int xe = xb + h;
    dc.DrawLine(xb, y0, xe - 1, y0);
    DrawArrowLeftRight(dc, xe - 1, y0, false);
    if (showLabels) {
        dc.DrawText(FormatLabel(1), xe - 8, marginTop - 2);
        dc.DrawText("feed", marginLeft, marginTop - 2);
    }
}

void ROPassDiagram::DrawPermeateTotalAndRecirculation(wxDC& dc)
{
    const int n = std::clamp(pass.stageCount, 0, PassState::MaxStages);
    const int y0 = FeedLevel();
    const int xs = marginLeft + feedFirstStage + stageWidth + stageWidth / 2 + gapX;
    const int xe = xs + n * gapX + (n - 1) * stageWidth;
    dc.DrawLine(xs, y0, xe + 5, y0);
    DrawArrowLeftRight(dc, xe + 5, y0, false);
    if (showLabels)
        dc.DrawText("permeate", xe - 55, marginTop - 2);

    const int yr = marginTop - circulationHeight;
    const int xq = xe - xDistanceCirculation;

    if (pass.splitPartial) {
        if (pass.passIndex == 0) {
            const int xp = marginLeft + 2 * pumpRadius + feedFirstStage;
            dc.DrawLine(xp, marginTop, xp, yr);
            dc.DrawLine(xp, yr, xe, yr);
            DrawArrowLeftRight(dc, xe + 5, yr, false);
        } else {
            dc.DrawLine(0, yr, xq, yr);
            if (pass.permeateBlending) {
                dc.DrawLine(xq, yr, xq, y0);
                DrawArrowUpDown(dc, xq, y0 - 1, false);
            } else {
                dc.DrawLine(xq, yr, xe + 5, yr);
                DrawArrowLeftRight(dc, xe + 5, yr, false);
            }
        }
        return;
    }

    if (!pass.permeateBlending && !pass.permeateRecirculation && !pass.partialPass2)
        return;
    const int xa = marginLeft - 2 + (feedFirstStage - 2 * pumpRadius) / 2 - pumpRadius - xDistanceCirculation;
    dc.DrawLine(xa, y0, xa, yr);
    dc.DrawLine(xa, yr, xq, yr);
    if (pass.permeateBlending || pass.permeateRecirculation) {
        dc.DrawLine(xq, yr, xq, y0);
        if (pass.permeateBlending)
            DrawArrowUpDown(dc, xq, y0 - 1, false);
        if (pass.permeateRecirculation)
            DrawArrowUpDown(dc, xa, y0 - 1, false);
    }
    if (pass.partialPass2 && !pass.permeateBlending) {
        dc.DrawLine(xq, yr, xe + 5, yr);
        DrawArrowLeftRight(dc, xe + 5, yr, false);
    }
}

void ROPassDiagram::DrawConcentrate(wxDC& dc, int x, int y, bool booster, int streamNumber)
{
    const int yc = y + gapY + stageHeight / 2;
    dc.DrawLine(x, y + 1, x, yc);
    const int h = (stageWidth / 2 - 2 * pumpRadius + gapX) / 2;
    dc.DrawLine(x, yc, x + h, yc);
    if (booster)
        DrawPump(dc, x + h, yc, pumpRadius);
    else
        dc.DrawLine(x + h, yc, x + h + 2 * pumpRadius, yc);
    const int xb = x + h + 2 * pumpRadius;
    dc.DrawLine(xb, yc, xb + h - 1, yc);
    DrawArrowLeftRight(dc, xb + h - 1, yc, false);
    if (showLabels)
        dc.DrawText(FormatLabel(streamNumber), x - 8, y + 3);
}

void ROPassDiagram::DrawPermeate(wxDC& dc, int x, int y, bool throttle, int streamNumber)
{
    const int y0 = FeedLevel();
    const int h = (stageWidth / 2 + gapX - throttleWidth) / 2;
    dc.DrawLine(x + 1, y, x + h, y);
    if (throttle)
        DrawThrottle(dc, x + h, y, throttleWidth, throttleHeight);
    else
        dc.DrawLine(x + h, y, x + h + throttleWidth, y);
    const int xt = x + h + throttleWidth;
    dc.DrawLine(xt, y, xt + h, y);
    dc.DrawLine(xt + h, y, xt + h, y0);
    // The first stage's permeate is the start of the collector itself.
    if (streamNumber > 2)
        DrawArrowUpDown(dc, xt + h, y0 + 1, true);
    if (showLabels)
        dc.DrawText(FormatLabel(streamNumber), x + 4, y - 12);
}

void ROPassDiagram::DrawConcentrateLastStageAndRecirculation(wxDC& dc)
{
    const int n = std::clamp(pass.stageCount, 0, PassState::MaxStages);
    const int y0 = FeedLevel();
    const int xc = StageMiddle(n);
    const int yb = ConcentrateBottom(n);
    const int yk = yb + concentrateLastStage;
    const int xl = marginLeft + (feedFirstStage - 2 * pumpRadius) / 2 - xDistanceCirculation;

    const int off = DrawLastConcentrateOutlet(dc, xc, yb, yk);

    if (showLabels) {
        dc.DrawText(FormatLabel(2 * n + 1), xc - 8, yb + 3);
        dc.DrawText("concentrate", xc + 2, yk - 12);
    }

    if (pass.passIndex == 0)
        DrawFirstPassRecirculation(dc, xc, yk, xl);

    if (pass.concentrateRecirculation && pass.passIndex == 1) {
        if (pass.interPassRecirculation) {
            const int y = yk + off;
            dc.DrawLine(xc, y, marginLeft, y);
            DrawArrowLeftRight(dc, marginLeft, y, true);
        }
        if (pass.concentrateRecirculationLocal) {
            const int y = pass.hasErd ? yk + off : yk;
            dc.DrawLine(xc, y, xl, y);
            dc.DrawLine(xl, y, xl, y0);
            DrawArrowUpDown(dc, xl, y0 + 1, true);
        }
    }
}

// The last stage's concentrate line down to the outlet; the offset of the outlet below
// the concentrate level.
int ROPassDiagram::DrawLastConcentrateOutlet(wxDC& dc, int xc, int yb, int yk)
{
    const int co = concentrateOffset;
    int off = 0;
    if (pass.passIndex != 0) {
        if (pass.hasErd && !pass.concentrateRecirculation && !isClosedCircuit) {
            off = 0;
            dc.DrawLine(xc, yb + 1, xc, yk);
        } else {
            off = co;
            dc.DrawLine(xc, yb + 1, xc, yk + off);
            if (!pass.hasErd && !(pass.concentrateRecirculation && pass.interPassRecirculation))
                DrawArrowUpDown(dc, xc, yk + off, false);
        }
    } else if (pass.hasErd) {
        off = 0;
        dc.DrawLine(xc, yb + 1, xc, yk);
    } else if (isClosedCircuit) {
        off = co;
        dc.DrawLine(xc, yb + 1, xc, yk + off);
    } else {
        off = co / 2;
        dc.DrawLine(xc, yb + 1, xc, yk + off);
        DrawArrowUpDown(dc, xc, yk + off, false);
    }
    return off;
}

// The first pass's local and inter-pass recirculation and its closed-circuit return.
void ROPassDiagram::DrawFirstPassRecirculation(wxDC& dc, int xc, int yk, int xl)
{
    const int y0 = FeedLevel();
    const int co = concentrateOffset;
    if (pass.interPassRecirculation) {
        const int yi = yk + (isClosedCircuit ? 3 : 1) * co;
        dc.DrawLine(xc, yi, width - marginLeft, yi);
    }
    if (pass.concentrateRecirculationLocal) {
        dc.DrawLine(xc, yk, xl, yk);
        dc.DrawLine(xl, yk, xl, y0);
        DrawArrowUpDown(dc, xl, y0 + 1, true);
    }
    if (pass.interPassRecirculation) {
        const int xi = marginLeft + (feedFirstStage - 2 * pumpRadius) / 2 - 3 * xDistanceCirculation;
        const int yi = yk + co;
        dc.DrawLine(xc, yi, xi, yi);
        dc.DrawLine(xi, yi, xi, y0);
        DrawArrowUpDown(dc, xi, y0 + 1, true);
    }
    if (isClosedCircuit)
        DrawClosedCircuitReturn(dc, xc, yk);
}

// Closed circuit: the concentrate goes back to the feed through the circulation pump
// (plug-flow mode: out of the picture).
void ROPassDiagram::DrawClosedCircuitReturn(wxDC& dc, int xc, int yk)
{
    const int y0 = FeedLevel();
    const int co = concentrateOffset;
    if (diagramMode == DiagramMode::PF) {
        dc.DrawLine(xc, yk + co, xc, yk + 2 * co);
        DrawArrowUpDown(dc, xc, yk + 2 * co + 1, false);
    } else {
        const int ye = yk + co;
        const int xe = marginLeft + (feedFirstStage - 2 * pumpRadius) / 2 + 5 * xDistanceCirculation;
        dc.DrawLine(xc, ye, xe, ye);
        DrawERDPump(dc, xe + 2 * pumpRadius, ye, pumpRadius); // circulation pump
        dc.DrawLine(xe, ye, xe, y0);
        DrawArrowUpDown(dc, xe, y0 + 1, true);
        if (diagramMode == DiagramMode::Default) {
            dc.DrawLine(xe, ye, xe, yk + 2 * co);
            DrawArrowUpDown(dc, xe, yk + 2 * co + 1, false);
        }
    }
}

void ROPassDiagram::DrawERD(wxDC& dc, int erdStage, int n)
{
    const int xc = StageMiddle(n);
    const int yk = ConcentrateBottom(n) + concentrateLastStage;
    const int ye = pass.passIndex == 1 && pass.concentrateRecirculation ? yk + concentrateOffset : yk;
    int bx = 0;
    int by = 0;
    GetPositionBoosterForERD(erdStage, &bx, &by);

    if (pass.isobaricErd)
        DrawIsobaricERD(dc, xc, ye, bx, by, n);
    else
        DrawTurbineERD(dc, xc, ye, bx, by);
}

// A turbine on the concentrate line driving a booster pump through a shaft.
void ROPassDiagram::DrawTurbineERD(wxDC& dc, int xc, int ye, int bx, int by)
{
    const int pr = pumpRadius;
    dc.DrawLine(xc, ye, bx + 2 * pr, ye);
    DrawERDPump(dc, bx, ye, pr);
    dc.DrawLine(bx, ye, bx - outgoingErdWidth, ye);
    if (!(pass.passIndex != 0 && pass.interPassRecirculation)) {
        const int xd = pass.concentrateRecirculation ? marginLeft + (feedFirstStage - 2 * pr) / 2 - xDistanceCirculation
                                                     : bx - outgoingErdWidth;
        dc.DrawLine(xd, ye, xd, ye + outgoingErdHeight);
        DrawArrowUpDown(dc, xd, ye + outgoingErdHeight + 1, false);
    }
    // Shaft coupling the turbine to the booster pump it drives.
    const wxPen previous = dc.GetPen();
    wxPen shaft(*wxGREY_PEN);
    shaft.SetStyle(wxPENSTYLE_LONG_DASH);
    dc.SetPen(shaft);
    dc.DrawLine(bx + pr, ye - pr, bx + pr, by + pr);
    dc.SetPen(previous);

    wxCoord tw = 0;
    wxCoord th = 0;
    dc.GetTextExtent("ERD", &tw, &th);
    const int tx = std::max(bx + pr - tw - 3, 0);
    const int ty = (by + pr) + ((ye - pr) - (by + pr)) / 2 - 5;
    dc.DrawText("ERD", tx, ty);
}

// An isobaric device beside the high-pressure pump, with the pump that boosts its
// outlet back to the feed level.
void ROPassDiagram::DrawIsobaricERD(wxDC& dc, int xc, int ye, int bx, int by, int n)
{
    const int pr = pumpRadius;
    const int q = pr - 2;
    DrawPump(dc, bx - pr / 2 - 3, by, pr); // high-pressure pump
    const int bx2 = bx + (3 * q) / 2;
    if (n == 1)
        dc.DrawLine(xc, marginTop + stageHeight, xc, ye);
    dc.DrawLine(xc, ye, bx2, ye);
    DrawArrowLeftRight(dc, bx2, ye, true);

    const int yM = ye + q / 2;
    const int top = yM - 2 * q;
    const int mid = yM - q;
    const int xB = bx2 - 2 * q;
    dc.DrawLine(bx2, yM, bx2, top);
    dc.DrawLine(bx2, top, xB, top);
    dc.DrawLine(xB, top, xB, yM);
    dc.DrawLine(xB, yM, bx2, yM);
    dc.DrawLine(bx2, mid, xB, mid);

    const int xo = xB - pr + 1;
    dc.DrawLine(xB, ye, xo, ye);
    dc.DrawLine(xo, ye, xo, ye + 2 * q - 1);
    DrawArrowUpDown(dc, xo, ye + 2 * q - 1, false);

    const int yf = ye - q;
    const int xf = xB - pr;
    dc.DrawLine(xB, yf, xf, yf);
    dc.DrawLine(xf, yf, xf, by);
    DrawArrowLeftRight(dc, xB, yf, false);

    const int yp = ye - 4 * q;
    DrawIsobaricPump(dc, bx2, yp, q);
    const int xp = bx2 + q;
    dc.DrawLine(xp, yp - q, xp, by);
    DrawArrowUpDown(dc, xp, by + 1, true);
    dc.DrawLine(xp, yp + q, xp, yf);
    dc.DrawLine(xp, yf, bx2, yf);

    dc.DrawText("ERD", bx2 - (5 * q) / 2 - 2, yp - 2 * q - 3);
}

wxPen ROPassDiagram::BeginPumpSymbol(wxDC& dc, int x, int y, int r)
{
    const wxPen previous = dc.GetPen();
    dc.SetPen(RoundLinePen(1));
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawCircle(x + r, y, r);
    return previous;
}

void ROPassDiagram::DrawPump(wxDC& dc, int x, int y, int r)
{
    const wxPen previous = BeginPumpSymbol(dc, x, y, r);
    dc.DrawLine(x + r - 2, y - r + 1, x + 2 * r - 1, y);
    dc.DrawLine(x + r - 2, y + r - 1, x + 2 * r - 1, y);
    dc.SetPen(previous);
}

void ROPassDiagram::DrawERDPump(wxDC& dc, int x, int y, int r)
{
    const wxPen previous = BeginPumpSymbol(dc, x, y, r);
    dc.DrawLine(x + 1, y, x + r + 2, y - r + 1);
    dc.DrawLine(x + 1, y, x + r + 2, y + r - 1);
    dc.SetPen(previous);
}

void ROPassDiagram::DrawIsobaricPump(wxDC& dc, int x, int y, int r)
{
    const wxPen previous = BeginPumpSymbol(dc, x, y, r);
    dc.DrawLine(x + 1, y + 2, x + r, y - r + 1);
    dc.DrawLine(x + r, y - r + 1, x + 2 * r - 1, y + 2);
    dc.SetPen(previous);
}

void ROPassDiagram::DrawThrottle(wxDC& dc, int x, int y, int w, int h)
{
    const int t = y - h / 2;
    DrawBowTie(dc, {{{x, t}, {x, t + h}, {x + w, t}, {x + w, t + h}}});
}

void ROPassDiagram::DrawThrottleVertical(wxDC& dc, int x, int y, int w, int h)
{
    const int t = y - h / 2;
    DrawBowTie(dc, {{{x, t}, {x + w, t}, {x, t + h}, {x + w, t + h}}});
}
