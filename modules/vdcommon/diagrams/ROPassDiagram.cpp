#include "vdcommon/diagrams/ROPassDiagram.h"

#include <wx/brush.h>
#include <wx/font.h>
#include <wx/pen.h>

#include <algorithm>
#include <climits>

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

int PassIndexOf(int passNumber)
{
    return passNumber == INT_MIN ? INT_MIN : passNumber - 1;
}

} // namespace

ROPassDiagram::ROPassDiagram()
{
    Init();
}

ROPassDiagram::ROPassDiagram(const wxXmlNode* node, bool closedCircuit)
{
    Init();
    Create(node, closedCircuit);
}

ROPassDiagram::~ROPassDiagram() = default;

void ROPassDiagram::Init()
{
    pass = PassState{};
}

void ROPassDiagram::Create(const wxXmlNode* node, bool closedCircuit)
{
    if (!node)
        return;

    struct Read {
        int stageCount = 0;
        bool throttling = false;
        int throttleMask = 0;
        bool flags[7] = {};
        bool erdSeen = false;
        wxString erdType;
        int erdBoosterStage = 0;
        int boosterStage = 0;
        int booster2Stage = 0;
        bool booster = false;
        bool booster2 = false;
        DiagramMode mode = DiagramMode::Default;
    } read;
    static const char* const flagNames[7] = {"blending.perm",
                                             "recirculation.perm",
                                             "recirculation.conc",
                                             "recirculation.conc.local",
                                             "recirculation.interpass",
                                             "partial",
                                             "split.partial"};

    for (const wxXmlNode* child = node->GetChildren(); child; child = child->GetNext()) {
        if (child->GetType() != wxXML_ELEMENT_NODE || child->GetName() != "parameter")
            continue;
        const wxString name = child->GetAttribute("name", wxEmptyString);
        const wxString value = child->GetAttribute("value", wxEmptyString);
        const bool isTrue = value == "true";
        if (name == "stage.count")
            read.stageCount = diagramDetail::ParseLeadingInt(value);
        else if (name == "throttling.perm")
            read.throttling = isTrue;
        else if (name == "throttling.stages")
            read.throttleMask = diagramDetail::ParseLeadingInt(value);
        else if (name == "erd.type") {
            read.erdSeen = true;
            read.erdType = value;
        } else if (name == "erd.bp.stage")
            read.erdBoosterStage = diagramDetail::ParseLeadingInt(value);
        else if (name == "booster.stage")
            read.boosterStage = diagramDetail::ParseLeadingInt(value);
        else if (name == "booster2.stage")
            read.booster2Stage = diagramDetail::ParseLeadingInt(value);
        else if (name == "booster")
            read.booster = isTrue;
        else if (name == "booster2")
            read.booster2 = isTrue;
        else if (name == "diagram.mode")
            read.mode = value == "CC" ? DiagramMode::CC : value == "PF" ? DiagramMode::PF : DiagramMode::Default;
        else {
            for (int i = 0; i < 7; ++i)
                if (name == flagNames[i])
                    read.flags[i] = isTrue;
        }
    }

    pass.passIndex = -1;
    diagramMode = read.mode;
    isClosedCircuit = closedCircuit;

    feedFirstStage = closedCircuit ? 60 : 40;
    marginLeft = 10;
    marginTop = 12;
    stageWidth = 80;
    stageHeight = 24;
    circulationHeight = 11;
    marginBottom = 10;
    concentrateLastStage = 15;
    concentrateOffset = 18;
    outgoingErdHeight = 10;

    // The picture has room for four stages; more would index past the stage records.
    pass.stageCount = std::clamp(read.stageCount, 0, PassState::MaxStages);

    const int mask = read.throttling ? read.throttleMask : 0;
    for (int k = 0; k < pass.stageCount; ++k)
        pass.stages[k].throttle = ((mask >> k) & 1) != 0;

    // One-based stage numbers outside the four stages are ignored.
    if (read.booster && PassState::IsStageNumber(read.boosterStage))
        pass.stages[read.boosterStage - 1].booster = true;
    if (read.booster2 && PassState::IsStageNumber(read.booster2Stage))
        pass.stages[read.booster2Stage - 1].booster = true;

    if (read.erdSeen && read.erdType != "NO") {
        pass.hasErd = true;
        if (read.erdType == "ISOBARIC") {
            pass.isobaricErd = true;
            pass.erdStage = 0;
            pass.stages[0].booster = false;
        } else {
            pass.isobaricErd = false;
            if (PassState::IsStageNumber(read.erdBoosterStage)) {
                pass.erdStage = read.erdBoosterStage - 1;
                pass.stages[pass.erdStage].booster = true;
            } else {
                pass.erdStage = 0; // coupled to the feed-pump position
            }
        }
    }

    pass.permeateBlending = read.flags[0];
    pass.permeateRecirculation = read.flags[1];
    pass.concentrateRecirculation = read.flags[2];
    pass.concentrateRecirculationLocal = read.flags[3];
    pass.interPassRecirculation = read.flags[4];
    pass.partialPass2 = read.flags[5];
    pass.splitPartial = read.flags[6];
}

void ROPassDiagram::InitializePass(const ROPassInitConfig& config)
{
    pass.passIndex = PassIndexOf(config.passNumber);
    pass.stageCount = std::clamp(config.stageCount, 1, PassState::MaxStages);

    pass.interPassRecirculation = config.passCount >= 2 && config.interPassFlagA && config.interPassFlagB;
    pass.permeateBlending = config.permeateBlending;
    pass.concentrateRecirculation = config.concentrateRecirculation;
    pass.concentrateRecirculationLocal = config.concentrateRecirculationLocal;
    pass.permeateRecirculation = config.permeateRecirculation;
    pass.partialPass2 = config.partialPass2;
    pass.splitPartial = config.splitPartial;
    pass.phAdjust = config.phAdjust;
    pass.chemical = config.chemical;

    for (int k = 0; k < PassState::MaxStages; ++k) {
        const double v = static_cast<size_t>(k) < config.throttleValues.size() ? config.throttleValues[k] : 0.0;
        pass.stages[k].throttle = config.throttling && k < pass.stageCount && v > 0.0;
    }

    pass.hasErd = false;
    pass.isobaricErd = false;
    pass.erdStage = 0;
    for (auto& stage : pass.stages)
        stage.booster = false;

    const auto setBooster = [this](int oneBasedStage) {
        if (PassState::IsStageNumber(oneBasedStage))
            pass.stages[oneBasedStage - 1].booster = true;
    };

    if (config.erdType == "BP") {
        const int b = std::max(2, config.boosterStage);
        setBooster(b);
        if (config.secondBooster)
            setBooster(config.secondBoosterStage > b ? config.secondBoosterStage
                       : b < PassState::MaxStages    ? b + 1
                                                     : 0); // no stage after the last
    } else if (config.erdType == "HT") {
        const int e = std::max(1, config.erdBoosterStage) - 1;
        pass.hasErd = true;
        pass.isobaricErd = false;
        if (PassState::IsStageIndex(e)) {
            pass.erdStage = e;
            pass.stages[e].booster = true;
        }
    } else if (config.erdType == "IB") {
        pass.hasErd = true;
        pass.isobaricErd = true;
        pass.erdStage = 0;
        pass.stages[0].booster = false;
    }
}

void ROPassDiagram::SetFontSize(int value)
{
    fontSize = ClampCoordinate(value);
}
void ROPassDiagram::SetStageWidth(int value)
{
    stageWidth = ClampCoordinate(value);
}
void ROPassDiagram::SetStageHeight(int value)
{
    stageHeight = ClampCoordinate(value);
}
void ROPassDiagram::SetPumpRadius(int value)
{
    pumpRadius = ClampCoordinate(value);
}
void ROPassDiagram::SetThrottleWidth(int value)
{
    throttleWidth = ClampCoordinate(value);
}
void ROPassDiagram::SetThrottleHeight(int value)
{
    throttleHeight = ClampCoordinate(value);
}
void ROPassDiagram::SetMarginLeft(int value)
{
    marginLeft = ClampCoordinate(value);
}
void ROPassDiagram::SetMarginTop(int value)
{
    marginTop = ClampCoordinate(value);
}
void ROPassDiagram::SetMarginBottom(int value)
{
    marginBottom = ClampCoordinate(value);
}
void ROPassDiagram::SetCirculationHeight(int value)
{
    circulationHeight = ClampCoordinate(value);
}
void ROPassDiagram::SetXDistanceCirculation(int value)
{
    xDistanceCirculation = ClampCoordinate(value);
}
void ROPassDiagram::SetFeedFirstStage(int value)
{
    feedFirstStage = ClampCoordinate(value);
}
void ROPassDiagram::SetConcentrateLastStage(int value)
{
    concentrateLastStage = ClampCoordinate(value);
}
void ROPassDiagram::SetConcentrateOffset(int value)
{
    concentrateOffset = ClampCoordinate(value);
}
void ROPassDiagram::SetOutgoingErdWidth(int value)
{
    outgoingErdWidth = ClampCoordinate(value);
}
void ROPassDiagram::SetOutgoingErdHeight(int value)
{
    outgoingErdHeight = ClampCoordinate(value);
}

void ROPassDiagram::SetIsClosedCircuit(bool closedCircuit, DiagramMode mode)
{
    isClosedCircuit = closedCircuit;
    diagramMode = mode;
}

void ROPassDiagram::SetPassIndex(int passNumber)
{
    pass.passIndex = PassIndexOf(passNumber);
}

void ROPassDiagram::UpdateStageCount(int count)
{
    pass.stageCount = std::clamp(count, 0, PassState::MaxStages);
}

void ROPassDiagram::UpdateStage(int stage, bool booster, bool throttle)
{
    if (!PassState::IsStageIndex(stage))
        return;
    pass.stages[stage].booster = booster;
    pass.stages[stage].throttle = throttle;
}

void ROPassDiagram::UpdateStageBooster(int stage, bool booster)
{
    if (PassState::IsStageIndex(stage))
        pass.stages[stage].booster = booster;
}

void ROPassDiagram::UpdateStageThrottle(int stage, bool throttle)
{
    if (PassState::IsStageIndex(stage))
        pass.stages[stage].throttle = throttle;
}

void ROPassDiagram::UpdateERD(bool hasErd, int stage, bool isobaric)
{
    pass.hasErd = hasErd;
    pass.isobaricErd = isobaric;
    if (!PassState::IsStageIndex(stage)) {
        pass.erdStage = 0;
        return;
    }
    pass.erdStage = stage;
    pass.stages[stage].booster = isobaric ? false : hasErd;
}

void ROPassDiagram::UpdatePermeateBlending(bool value)
{
    pass.permeateBlending = value;
}
void ROPassDiagram::UpdatePermeateRecirculation(bool value)
{
    pass.permeateRecirculation = value;
}
void ROPassDiagram::UpdateConcentrateRecirculation(bool value)
{
    pass.concentrateRecirculation = value;
}
void ROPassDiagram::UpdateConcentrateRecirculationLocal(bool value)
{
    pass.concentrateRecirculationLocal = value;
}
void ROPassDiagram::UpdateInterPassConcentrateRecirculation(bool value)
{
    pass.interPassRecirculation = value;
}
void ROPassDiagram::UpdatePartialPass2(bool value)
{
    pass.partialPass2 = value;
}
void ROPassDiagram::UpdateSplitPartial(bool value)
{
    pass.splitPartial = value;
}

void ROPassDiagram::UpdatePhAdjust(bool value, const wxString& chemical)
{
    pass.phAdjust = value;
    pass.chemical = chemical;
}

wxString ROPassDiagram::FormatLabel(int n) const
{
    return wxString::Format("%d", n);
}

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

    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    dc.SetFont(wxFont(std::clamp(fontSize, 1, 1000), wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false,
                      wxEmptyString, wxFONTENCODING_DEFAULT));
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
    const wxPoint upper[] = {{x, t}, {x + w, t}, {x + w, t + h}};
    dc.SetBrush(*wxCYAN_BRUSH);
    dc.DrawPolygon(3, upper);
    const wxPoint lower[] = {{x, t}, {x, t + h}, {x + w, t + h}};
    dc.SetBrush(*wxBLUE_BRUSH);
    dc.DrawPolygon(3, lower);
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

    if (showLabels) {
        dc.DrawText(FormatLabel(2 * n + 1), xc - 8, yb + 3);
        dc.DrawText("concentrate", xc + 2, yk - 12);
    }

    if (pass.passIndex == 0) {
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
        if (isClosedCircuit) {
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
    }

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

void ROPassDiagram::DrawERD(wxDC& dc, int erdStage, int n)
{
    const int pr = pumpRadius;
    const int xc = StageMiddle(n);
    const int yk = ConcentrateBottom(n) + concentrateLastStage;
    const int ye = pass.passIndex == 1 && pass.concentrateRecirculation ? yk + concentrateOffset : yk;
    int bx = 0;
    int by = 0;
    GetPositionBoosterForERD(erdStage, &bx, &by);

    if (!pass.isobaricErd) {
        dc.DrawLine(xc, ye, bx + 2 * pr, ye);
        DrawERDPump(dc, bx, ye, pr);
        dc.DrawLine(bx, ye, bx - outgoingErdWidth, ye);
        if (!(pass.passIndex != 0 && pass.interPassRecirculation)) {
            const int xd = pass.concentrateRecirculation
                               ? marginLeft + (feedFirstStage - 2 * pr) / 2 - xDistanceCirculation
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
        return;
    }

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
    const wxPen previous = dc.GetPen();
    dc.SetPen(LinePen());
    dc.SetBrush(*wxWHITE_BRUSH);
    const wxPoint points[] = {{x, t}, {x, t + h}, {x + w, t}, {x + w, t + h}};
    dc.DrawPolygon(4, points);
    dc.SetPen(previous);
}

void ROPassDiagram::DrawThrottleVertical(wxDC& dc, int x, int y, int w, int h)
{
    const int t = y - h / 2;
    const wxPen previous = dc.GetPen();
    dc.SetPen(LinePen());
    dc.SetBrush(*wxWHITE_BRUSH);
    const wxPoint points[] = {{x, t}, {x + w, t}, {x, t + h}, {x + w, t + h}};
    dc.DrawPolygon(4, points);
    dc.SetPen(previous);
}
