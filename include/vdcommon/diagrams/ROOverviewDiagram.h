#pragma once
#include "vdcommon/Export.h"
// System-level picture of a reverse-osmosis plant of one or two passes: one box per
// pass on a common main line with junction dots and stream identifiers ("F1.1",
// "P2.3", "C1.2", ...) for the report's tables.
#include "vdcommon/diagrams/BaseDiagram.h"

#include <wx/string.h>
#include <wx/xml/xml.h>

#include <array>
#include <vector>

// Plant description filled by the host; the lists are indexed by zero-based pass.
struct VDCOMMON_API ROOverviewInitConfig {
    int passCount = 1;
    bool interPassFlagA = false;
    bool interPassFlagB = false;
    std::vector<bool> permeateBlending;
    std::vector<bool> concentrateRecirculation;
    std::vector<bool> concentrateRecirculationLocal;
    std::vector<bool> permeateRecirculation;
    std::vector<bool> partialPass2;
    std::vector<bool> splitPartial;
    std::vector<bool> phAdjust;
    std::vector<wxString> chemical;
};

class VDCOMMON_API ROOverviewDiagram : public BaseDiagram
{
public:
    static constexpr int MaxPasses = 2;

    ROOverviewDiagram();
    explicit ROOverviewDiagram(const wxXmlNode* node);
    ROOverviewDiagram(const ROOverviewDiagram&) = default;
    ROOverviewDiagram& operator=(const ROOverviewDiagram&) = default;
    ~ROOverviewDiagram() override;

    void Create(const wxXmlNode* node);
    void InitializePass(const ROOverviewInitConfig& config);

    // The picture has room for two passes: larger counts draw two, negative ones none.
    void SetPassCount(int count);
    void SetLabelOffset(int offset);
    void SetFontSize(int value);
    void SetPassWidth(int value);
    void SetPassHeight(int value);
    void SetPumpRadius(int value);
    void SetMarginLeft(int value);
    void SetMarginTop(int value);
    void SetMarginBottom(int value);
    void SetCirculationHeight(int value);
    void SetXDistanceCirculation(int value);
    void SetFeedFirstStage(int value);
    void SetConcentrateLastStage(int value);
    void SetConcentrateOffset(int value);

    // pass is one-based; any number other than 1 or 2 addresses pass 1.
    void UpdatePermeateBlending(int pass, bool value);
    void UpdatePermeateRecirculation(int pass, bool value);
    void UpdateConcentrateRecirculation(int pass, bool value);
    void UpdateConcentrateRecirculationLocal(int pass, bool value);
    void UpdateInterPassConcentrateRecirculation(int pass, bool value);
    void UpdatePartialPass2(int pass, bool value);
    void UpdateSplitPartial(int pass, bool value);
    void UpdatePhAdjust(int pass, bool value, const wxString& chemical);

    wxString FormatLabel(int n) const;

    int GetPassCount() const { return passCount; }
    int GetLabelOffset() const { return labelOffset; }
    const PassState& GetPassState(int pass) const { return passes[Slot(pass)]; }

private:
    void DoDraw(wxDC& dc, int width, int height, bool showLabels) override;

    void Init();
    void DrawPasses(wxDC& dc, int count);
    void DrawSecondPassConnectors(wxDC& dc, int x2, int yc);
    void DrawTaggedConnector(wxDC& dc, int x, int yc, const wxString& tag);
    void DrawDosing(wxDC& dc, int x, int yc, const wxString& chemical);
    void DrawPass(wxDC& dc, int x, int yc, int w, int h, int passNumber);
    void DrawPermeate(wxDC& dc, int x, int yc, int index);
    void DrawConcentrate(wxDC& dc, int x, int yc, int index);
    void DrawConnector(wxDC& dc, int x, int y);
    void DrawPump(wxDC& dc, int x, int y, int radius);

    static int Slot(int pass) { return pass == 2 ? 1 : 0; }
    PassState& Record(int pass) { return passes[Slot(pass)]; }
    int MainLevel() const;
    int PassLeft(int passNumber) const;

    std::array<PassState, MaxPasses> passes{};
    int passCount = 0;
    int labelOffset = -7;
    bool showLabels = false;

    int fontSize = 8;
    int passWidth = 80;
    int passHeight = 40;
    int pumpRadius = 8;
    int marginLeft = 10;
    int marginTop = 10;
    int marginBottom = 10;
    int circulationHeight = 5;
    int xDistanceCirculation = 5;
    int feedFirstStage = 70;
    int concentrateLastStage = 30;
    int concentrateOffset = 10;
};
