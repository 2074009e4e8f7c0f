#include "vdcommon/diagrams/ROOverviewDiagram.h"

#include <wx/brush.h>
#include <wx/font.h>
#include <wx/intl.h>
#include <wx/pen.h>

#include <algorithm>

using diagramDetail::ClampCoordinate;

namespace {

bool FlagAt(const std::vector<bool>& list, int index)
{
    return index >= 0 && static_cast<size_t>(index) < list.size() && list[index];
}

int ClampPassCount(int count)
{
    return std::clamp(count, 0, ROOverviewDiagram::MaxPasses);
}

} // namespace

ROOverviewDiagram::ROOverviewDiagram()
{
    Init();
}

ROOverviewDiagram::ROOverviewDiagram(const wxXmlNode* node)
{
    Init();
    Create(node);
}

ROOverviewDiagram::~ROOverviewDiagram() = default;

void ROOverviewDiagram::Init()
{
    passes = {};
    passCount = 0;
    labelOffset = -7;
}

void ROOverviewDiagram::Create(const wxXmlNode* node)
{
    if (!node)
        return;

    int count = 1;
    std::array<bool, MaxPasses> ph{};
    std::array<wxString, MaxPasses> chemicals;

    for (const wxXmlNode* child = node->GetChildren(); child; child = child->GetNext()) {
        if (child->GetType() != wxXML_ELEMENT_NODE || child->GetName() != "parameter")
            continue;
        const wxString name = child->GetAttribute("name", wxEmptyString);
        const wxString value = child->GetAttribute("value", wxEmptyString);
        int p = 1;
        if (!diagramDetail::ParseWholeInt(child->GetAttribute("pass", "1"), p) || (p != 1 && p != 2))
            p = 1;
        const bool isTrue = value == "true";
        PassState& record = Record(p);

        if (name == "pass.count")
            diagramDetail::ParseWholeInt(value, count);
        else if (name == "permeate.blending")
            record.permeateBlending = isTrue;
        else if (name == "permeate.recirculation")
            record.permeateRecirculation = isTrue;
        else if (name == "concentrate.recirculation")
            record.concentrateRecirculation = isTrue;
        else if (name == "concentrate.recirculation.local")
            record.concentrateRecirculationLocal = isTrue;
        else if (name == "interpass.recirculation")
            record.interPassRecirculation = isTrue;
        else if (name == "partial")
            record.partialPass2 = isTrue;
        else if (name == "split.partial")
            record.splitPartial = isTrue;
        else if (name == "adjust.ph")
            ph[Slot(p)] = isTrue;
        else if (name == "chemical")
            chemicals[Slot(p)] = value;
    }

    for (int i = 0; i < MaxPasses; ++i) {
        passes[i].phAdjust = ph[i];
        passes[i].chemical = chemicals[i];
    }
    passCount = ClampPassCount(count);
    labelOffset = -2;
}

void ROOverviewDiagram::InitializePass(const ROOverviewInitConfig& config)
{
    passCount = ClampPassCount(std::max(1, config.passCount));
    for (int i = 0; i < passCount; ++i) {
        PassState& record = passes[i];
        record.passIndex = i;
        if (passCount >= 2)
            record.interPassRecirculation = config.interPassFlagA && config.interPassFlagB;
        record.permeateBlending = FlagAt(config.permeateBlending, i);
        record.concentrateRecirculation = FlagAt(config.concentrateRecirculation, i);
        record.concentrateRecirculationLocal = FlagAt(config.concentrateRecirculationLocal, i);
        record.permeateRecirculation = FlagAt(config.permeateRecirculation, i);
        record.partialPass2 = FlagAt(config.partialPass2, i);
        record.splitPartial = FlagAt(config.splitPartial, i);
        record.phAdjust = FlagAt(config.phAdjust, i);
        record.chemical = static_cast<size_t>(i) < config.chemical.size() ? config.chemical[i] : wxString();
    }
}

void ROOverviewDiagram::SetPassCount(int count)
{
    passCount = ClampPassCount(count);
}
void ROOverviewDiagram::SetLabelOffset(int offset)
{
    labelOffset = ClampCoordinate(offset);
}
void ROOverviewDiagram::SetFontSize(int value)
{
    fontSize = ClampCoordinate(value);
}
void ROOverviewDiagram::SetPassWidth(int value)
{
    passWidth = ClampCoordinate(value);
}
void ROOverviewDiagram::SetPassHeight(int value)
{
    passHeight = ClampCoordinate(value);
}
void ROOverviewDiagram::SetPumpRadius(int value)
{
    pumpRadius = ClampCoordinate(value);
}
void ROOverviewDiagram::SetMarginLeft(int value)
{
    marginLeft = ClampCoordinate(value);
}
void ROOverviewDiagram::SetMarginTop(int value)
{
    marginTop = ClampCoordinate(value);
}
void ROOverviewDiagram::SetMarginBottom(int value)
{
    marginBottom = ClampCoordinate(value);
}
void ROOverviewDiagram::SetCirculationHeight(int value)
{
    circulationHeight = ClampCoordinate(value);
}
void ROOverviewDiagram::SetXDistanceCirculation(int value)
{
    xDistanceCirculation = ClampCoordinate(value);
}
void ROOverviewDiagram::SetFeedFirstStage(int value)
{
    feedFirstStage = ClampCoordinate(value);
}
void ROOverviewDiagram::SetConcentrateLastStage(int value)
{
    concentrateLastStage = ClampCoordinate(value);
}
void ROOverviewDiagram::SetConcentrateOffset(int value)
{
    concentrateOffset = ClampCoordinate(value);
}

void ROOverviewDiagram::UpdatePermeateBlending(int pass, bool value)
{
    Record(pass).permeateBlending = value;
}
void ROOverviewDiagram::UpdatePermeateRecirculation(int pass, bool value)
{
    Record(pass).permeateRecirculation = value;
}
void ROOverviewDiagram::UpdateConcentrateRecirculation(int pass, bool value)
{
    Record(pass).concentrateRecirculation = value;
}
void ROOverviewDiagram::UpdateConcentrateRecirculationLocal(int pass, bool value)
{
    Record(pass).concentrateRecirculationLocal = value;
}
void ROOverviewDiagram::UpdateInterPassConcentrateRecirculation(int pass, bool value)
{
    Record(pass).interPassRecirculation = value;
}
void ROOverviewDiagram::UpdatePartialPass2(int pass, bool value)
{
    Record(pass).partialPass2 = value;
}
void ROOverviewDiagram::UpdateSplitPartial(int pass, bool value)
{
    Record(pass).splitPartial = value;
}
void ROOverviewDiagram::UpdatePhAdjust(int pass, bool value, const wxString& chemical)
{
    Record(pass).phAdjust = value;
    Record(pass).chemical = chemical;
}

wxString ROOverviewDiagram::FormatLabel(int n) const
{
    return wxString::Format("%d", n);
}

int ROOverviewDiagram::MainLevel() const
{
    return marginTop + 40 + passHeight / 2;
}

int ROOverviewDiagram::PassLeft(int passNumber) const
{
    return marginLeft + 100 + (passNumber - 1) * (passWidth + 160);
}

void ROOverviewDiagram::DoDraw(wxDC& dc, int w, int h, bool labels)
{
    showLabels = labels;
    width = ClampCoordinate(w);
    height = ClampCoordinate(h);

    diagramDetail::ClearCanvas(dc, fontSize);
    wxPen pen(*wxBLACK_PEN);
    pen.SetCap(wxCAP_BUTT);
    dc.SetPen(pen);

    DrawPasses(dc, passCount);
}

void ROOverviewDiagram::DrawPasses(wxDC& dc, int count)
{
    count = ClampPassCount(count);
    const int yc = MainLevel();
    const int ml = marginLeft;
    const PassState& first = passes[0];
    const PassState& second = passes[1];

    for (int p = 1; p <= count; ++p) {
        DrawPass(dc, PassLeft(p), yc, passWidth, passHeight, p);
        DrawPermeate(dc, PassLeft(p), yc, p - 1);
        DrawConcentrate(dc, PassLeft(p), yc, p - 1);
    }

    dc.DrawLine(0, yc, ml + 100, yc);
    DrawArrowLeftRight(dc, ml + 99, yc, false);
    DrawTaggedConnector(dc, ml + 40, yc, "F1.1");
    if (first.phAdjust)
        DrawDosing(dc, ml + 30, yc, first.chemical);
    if (first.concentrateRecirculation || first.permeateRecirculation || (count >= 2 && second.interPassRecirculation))
        DrawTaggedConnector(dc, ml + 80, yc, "F1.2");

    const int xr1 = ml + 100 + passWidth;
    const int length = count >= 2 ? 100 : 20;
    dc.DrawLine(xr1, yc, xr1 + 60 + length, yc);
    DrawArrowLeftRight(dc, xr1 + 59 + length, yc, false);
    DrawTaggedConnector(dc, xr1 + 20, yc, "P1.1");

    if (count >= 2)
        DrawSecondPassConnectors(dc, xr1 + 160, yc);
    else if (count == 1 && (first.permeateBlending || first.permeateRecirculation))
        DrawTaggedConnector(dc, xr1 + 60, yc, "P1.2");
}

// The feed and permeate connectors of the second pass, whose left edge is at x2.
void ROOverviewDiagram::DrawSecondPassConnectors(wxDC& dc, int x2, int yc)
{
    const PassState& second = passes[1];
    DrawTaggedConnector(dc, x2 - 60, yc, "F2.1");
    if (second.phAdjust)
        DrawDosing(dc, x2 - 70, yc, second.chemical);
    if (second.concentrateRecirculationLocal || (second.permeateBlending && !second.splitPartial))
        DrawTaggedConnector(dc, x2 - 20, yc, "F2.2");
    const int xr2 = x2 + passWidth;
    dc.DrawLine(xr2, yc, xr2 + 80, yc);
    DrawArrowLeftRight(dc, xr2 + 79, yc, false);
    DrawTaggedConnector(dc, xr2 + 20, yc, "P2.1");
    if (second.permeateBlending)
        DrawTaggedConnector(dc, xr2 + 60, yc, "P2.2");
}

// A stream connector on the main line with its tag above it.
void ROOverviewDiagram::DrawTaggedConnector(wxDC& dc, int x, int yc, const wxString& tag)
{
    DrawConnector(dc, x, yc);
    dc.DrawText(tag, x - 10, yc - 16);
}

// The pH-adjusting chemical dosed into the main line at x, named below it.
void ROOverviewDiagram::DrawDosing(wxDC& dc, int x, int yc, const wxString& chemical)
{
    dc.DrawLine(x, yc, x, yc + 20);
    DrawArrowUpDown(dc, x, yc, true);
    dc.DrawText(chemical, x - 14, yc + 24);
}

void ROOverviewDiagram::DrawPass(wxDC& dc, int x, int yc, int w, int h, int passNumber)
{
    const int t = yc - h / 2;
    const wxPen previous = dc.GetPen();
    dc.SetPen(*wxWHITE_PEN);

    diagramDetail::DrawMembraneBlock(dc, x, t, w, h);

    wxPen frame(*wxBLACK_PEN);
    frame.SetWidth(2);
    frame.SetCap(wxCAP_ROUND);
    frame.SetJoin(wxJOIN_BEVEL);
    dc.SetPen(frame);
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(x, t, w, h);
    dc.DrawLine(x, t, x + w, t + h);

    dc.DrawText(wxGetTranslation("Pass") + wxString::Format(" %d", passNumber), x + 20, t - 16);
    dc.SetPen(previous);
}

void ROOverviewDiagram::DrawPermeate(wxDC& dc, int x, int yc, int index)
{
    const PassState& record = passes[std::clamp(index, 0, MaxPasses - 1)];
    const bool blending = record.permeateBlending;
    const bool recirculation = record.permeateRecirculation;
    const bool partial = record.partialPass2;
    const int yT = yc - passHeight / 2 - 30;
    const int xR = x + 40 + passWidth;
    const int ym = yT + (yc - yT) / 2;

    if (record.splitPartial && index == 1) {
        const int xS = x - passWidth - 150;
        dc.DrawLine(xS, yc - passHeight / 2, xS, yT);
        dc.DrawLine(xS, yT, xR, yT);
        if (blending) {
            dc.DrawLine(xR, yT, xR, yc);
            DrawArrowUpDown(dc, xR, yc + 1, false);
            DrawConnector(dc, xR, ym - 3);
            dc.DrawText("P2.3", xR + 10, ym + labelOffset - 3);
        } else {
            dc.DrawLine(xR, yT, xR + 40, yT);
            DrawArrowLeftRight(dc, xR + 39, yT, false);
            DrawConnector(dc, xR + 10, yT);
            dc.DrawText("P2.3", xR, yT + labelOffset + 10);
        }
        return;
    }

    if (!blending && !recirculation && !partial)
        return;
    const int d = (blending && index == 0) || (partial && index == 1) ? 80 : 40;
    const int xL = x - d;
    dc.DrawLine(xL, yc, xL, yT);
    dc.DrawLine(xL, yT, xR, yT);
    if (!blending && !recirculation) {
        dc.DrawLine(xR, yT, xR + 40, yT);
        DrawArrowLeftRight(dc, xR + 39, yT, false);
        DrawConnector(dc, xR + 10, yT);
        dc.DrawText("P2.3", xR, yT + labelOffset + 10);
        return;
    }
    dc.DrawLine(xR, yT, xR, yc);
    const int a = blending ? xR : xL;
    DrawArrowUpDown(dc, a, yc + 1, false);
    DrawConnector(dc, a, ym - 3);
    dc.DrawText(wxString::Format("P%d.3", index + 1), a + 10, ym + labelOffset - 3);
}

void ROOverviewDiagram::DrawConcentrate(wxDC& dc, int x, int yc, int index)
{
    const PassState& record = passes[std::clamp(index, 0, MaxPasses - 1)];
    const int xm = x + passWidth / 2;
    const int yB = yc + passHeight / 2;

    dc.DrawLine(xm, yB, xm, yB + 60);
    if (!(record.interPassRecirculation && index != 0))
        DrawArrowUpDown(dc, xm, yB + 59, false);
    DrawConnector(dc, xm, yB + 17);
    dc.DrawText(wxString::Format("C%d.1", index + 1), xm + 10, yB + 17 + labelOffset);

    if (record.concentrateRecirculationLocal) {
        DrawConnector(dc, xm, yB + 43);
        dc.DrawText(wxString::Format("C%d.2", index + 1), xm + 10, yB + 43 + labelOffset);
        dc.DrawLine(xm, yB, xm, yB + 30);
        const int xr = x - 35;
        dc.DrawLine(xm, yB + 30, xr, yB + 30);
        dc.DrawLine(xr, yB + 30, xr, yc);
        DrawArrowUpDown(dc, xr, yc + 1, true);
        DrawConnector(dc, xr, yB + 17);
        dc.DrawText(wxString::Format("C%d.3", index + 1), x - 25, yB + 17 + labelOffset);
    }

    if (record.interPassRecirculation && index == 1) {
        const int xi = x - passWidth - 205;
        dc.DrawLine(xm, yB + 60, xm, yB + 70);
        dc.DrawLine(xm, yB + 70, xi, yB + 70);
        dc.DrawLine(xi, yB + 70, xi, yc);
        DrawArrowUpDown(dc, xi, yc + 1, true);
    }
}

void ROOverviewDiagram::DrawConnector(wxDC& dc, int x, int y)
{
    const wxBrush previous = dc.GetBrush();
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.DrawCircle(x, y, 2);
    dc.SetBrush(previous);
}

void ROOverviewDiagram::DrawPump(wxDC& dc, int x, int y, int r)
{
    const wxPen previous = dc.GetPen();
    wxPen pen(*wxBLACK_PEN);
    pen.SetCap(wxCAP_ROUND);
    pen.SetJoin(wxJOIN_BEVEL);
    dc.SetPen(pen);
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawCircle(x + r, y, r);
    dc.DrawLine(x + r - 2, y - r + 1, x + 2 * r - 1, y);
    dc.DrawLine(x + r - 2, y + r - 1, x + 2 * r - 1, y);
    dc.SetPen(previous);
}
