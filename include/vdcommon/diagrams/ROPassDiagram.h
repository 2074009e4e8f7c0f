#pragma once
#include "vdcommon/Export.h"
// Flow diagram of one reverse-osmosis pass: up to four stages stepped from top left to
// bottom right with feed pump, interstage boosters, permeate throttles, recirculation,
// bypass and energy-recovery lines, drawn in integer device units on any wxDC.
#include "vdcommon/diagrams/BaseDiagram.h"

#include <wx/string.h>
#include <wx/xml/xml.h>

#include <vector>

// Pass description filled by the host. Stage numbers are one-based.
struct VDCOMMON_API ROPassInitConfig {
    int passNumber = 1;
    int stageCount = 0;
    int passCount = 1;

    bool interPassFlagA = false;
    bool interPassFlagB = false;
    bool permeateBlending = false;
    bool concentrateRecirculation = false;
    bool concentrateRecirculationLocal = false;
    bool permeateRecirculation = false;
    bool partialPass2 = false;
    bool splitPartial = false;
    bool phAdjust = false;

    wxString chemical;

    bool throttling = false;
    std::vector<double> throttleValues; // one per stage, stage order

    wxString erdType; // "BP", "HT" or "IB"
    int boosterStage = 0;
    bool secondBooster = false;
    int secondBoosterStage = 0;
    int erdBoosterStage = 0;
};

class VDCOMMON_API ROPassDiagram : public BaseDiagram
{
public:
    ROPassDiagram();
    ROPassDiagram(const wxXmlNode* node, bool closedCircuit);
    ROPassDiagram(const ROPassDiagram&) = default;
    ROPassDiagram& operator=(const ROPassDiagram&) = default;
    ~ROPassDiagram() override;

    // Reads a diagram node's "parameter" children; a null node changes nothing.
    void Create(const wxXmlNode* node, bool closedCircuit);
    void InitializePass(const ROPassInitConfig& config);

    void SetFontSize(int value);
    void SetStageWidth(int value);
    void SetStageHeight(int value);
    void SetPumpRadius(int value);
    void SetThrottleWidth(int value);
    void SetThrottleHeight(int value);
    void SetMarginLeft(int value);
    void SetMarginTop(int value);
    void SetMarginBottom(int value);
    void SetCirculationHeight(int value);
    void SetXDistanceCirculation(int value);
    void SetFeedFirstStage(int value);
    void SetConcentrateLastStage(int value);
    void SetConcentrateOffset(int value);
    void SetOutgoingErdWidth(int value);
    void SetOutgoingErdHeight(int value);

    void SetIsClosedCircuit(bool closedCircuit, DiagramMode mode);
    void SetPassIndex(int passNumber);

    // Stage indices are zero-based; indices outside the four stages are ignored and
    // counts are limited to 0..4.
    void UpdateStageCount(int count);
    void UpdateStage(int stage, bool booster, bool throttle);
    void UpdateStageBooster(int stage, bool booster);
    void UpdateStageThrottle(int stage, bool throttle);
    void UpdateERD(bool hasErd, int stage, bool isobaric);
    void UpdatePermeateBlending(bool value);
    void UpdatePermeateRecirculation(bool value);
    void UpdateConcentrateRecirculation(bool value);
    void UpdateConcentrateRecirculationLocal(bool value);
    void UpdateInterPassConcentrateRecirculation(bool value);
    void UpdatePartialPass2(bool value);
    void UpdateSplitPartial(bool value);
    void UpdatePhAdjust(bool value, const wxString& chemical);

    wxString FormatLabel(int n) const;

    const PassState& GetPassState() const { return pass; }
    bool IsClosedCircuit() const { return isClosedCircuit; }
    DiagramMode GetDiagramMode() const { return diagramMode; }
    int GetGapX() const { return gapX; }
    int GetGapY() const { return gapY; }
    int GetFeedFirstStage() const { return feedFirstStage; }
    int GetStageWidth() const { return stageWidth; }
    int GetStageHeight() const { return stageHeight; }
    int GetMarginTop() const { return marginTop; }

private:
    void DoDraw(wxDC& dc, int width, int height, bool showLabels) override;

    void Init();
    void CalcGaps(int width, int height);
    void DrawStages(wxDC& dc);
    void DrawStage(wxDC& dc, int x, int yCentre, int w, int h);
    void DrawFeedFirstStage(wxDC& dc);
    void DrawPermeate(wxDC& dc, int x, int y, bool throttle, int streamNumber);
    void DrawConcentrate(wxDC& dc, int x, int y, bool booster, int streamNumber);
    void DrawPermeateTotalAndRecirculation(wxDC& dc);
    void DrawConcentrateLastStageAndRecirculation(wxDC& dc);
    int DrawLastConcentrateOutlet(wxDC& dc, int xc, int yb, int yk);
    void DrawFirstPassRecirculation(wxDC& dc, int xc, int yk, int xl);
    void DrawClosedCircuitReturn(wxDC& dc, int xc, int yk);
    void DrawERD(wxDC& dc, int erdStage, int stageCount);
    void DrawTurbineERD(wxDC& dc, int xc, int ye, int bx, int by);
    void DrawIsobaricERD(wxDC& dc, int xc, int ye, int bx, int by, int stageCount);
    void DrawPump(wxDC& dc, int x, int y, int radius);
    void DrawERDPump(wxDC& dc, int x, int y, int radius);
    void DrawIsobaricPump(wxDC& dc, int x, int y, int radius);
    void DrawThrottle(wxDC& dc, int x, int y, int w, int h);
    void DrawThrottleVertical(wxDC& dc, int x, int y, int w, int h);
    void GetPositionBoosterForERD(int stage, int* x, int* y) const;

    // Shared by the pump symbols: white disc with a rounded outline; returns the pen
    // that was selected before.
    wxPen BeginPumpSymbol(wxDC& dc, int x, int y, int radius);

    // Stage geometry (s one-based).
    int StageLeft(int s) const;
    int StageMiddle(int s) const;
    int StageRight(int s) const;
    int StageCentreY(int s) const;
    int StageBottom(int s) const;
    int FeedLevel() const;
    // Level and position of the last-stage concentrate outlet shared by the
    // concentrate group and the energy-recovery device.
    int ConcentrateBottom(int stageCount) const;

    PassState pass;
    bool isClosedCircuit = false;
    DiagramMode diagramMode = DiagramMode::Default;
    bool showLabels = false;
    int gapX = 0;
    int gapY = 0;

    int fontSize = 8;
    int stageWidth = 70;
    int stageHeight = 20;
    int pumpRadius = 8;
    int throttleWidth = 20;
    int throttleHeight = 10;
    int marginLeft = 10;
    int marginTop = 10;
    int marginBottom = 10;
    int circulationHeight = 5;
    int xDistanceCirculation = 5;
    int feedFirstStage = 70;
    int concentrateLastStage = 30;
    int concentrateOffset = 10;
    int outgoingErdWidth = 5;
    int outgoingErdHeight = 15;
};
