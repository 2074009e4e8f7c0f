#pragma once
#include "vdcommon/Export.h"
// Common base of the RO flow diagrams: canvas size of the last drawing, the public
// drawing entry and the arrowhead primitives shared by the pass and overview pictures.
#include <wx/dc.h>
#include <wx/string.h>

#include <array>

// Closed-circuit drawing variant of an RO pass; only matters for a closed-circuit pass.
enum class DiagramMode : int {
    Default = 0,
    CC = 1,
    PF = 2
};

// Flags of one membrane stage (stage order, index 0 = stage 1).
struct VDCOMMON_API StageFlags {
    bool booster = false;  // booster pump in the concentrate line feeding this stage
    bool throttle = false; // throttle valve in this stage's permeate line
};

// Everything the RO diagrams know about one pass. Held by value by the diagrams, so
// copies of a diagram never share their pass records.
struct VDCOMMON_API PassState {
    static constexpr int MaxStages = 4;

    int passIndex = 0; // zero-based; -1 means "no pass context"
    std::array<StageFlags, MaxStages> stages{};
    int stageCount = 0;

    bool hasErd = false;
    bool isobaricErd = false;
    int erdStage = 0; // zero-based stage whose booster position carries the ERD coupling

    bool permeateBlending = false;
    bool permeateRecirculation = false;
    bool concentrateRecirculation = false;
    bool concentrateRecirculationLocal = false;
    bool interPassRecirculation = false;
    bool partialPass2 = false;
    bool splitPartial = false;
    bool phAdjust = false;

    wxString chemical;

    bool HasIsobaricErd() const { return hasErd && isobaricErd; }
    // Zero-based stage index inside the four stage records.
    static bool IsStageIndex(int index) { return index >= 0 && index < MaxStages; }
    // One-based stage number inside the four stage records.
    static bool IsStageNumber(int number) { return number >= 1 && number <= MaxStages; }
};

class VDCOMMON_API BaseDiagram
{
public:
    BaseDiagram() = default;
    BaseDiagram(const BaseDiagram&) = default;
    BaseDiagram& operator=(const BaseDiagram&) = default;
    virtual ~BaseDiagram();

    // Lays the diagram out in width x height device units and paints the whole canvas.
    void Draw(wxDC& dc, int width, int height, bool showLabels);

    int GetWidth() const { return width; }
    int GetHeight() const { return height; }

protected:
    // Filled triangle with its tip at (x, y), 5 units long and 4 wide.
    void DrawArrowLeftRight(wxDC& dc, int x, int y, bool pointsLeft);
    void DrawArrowUpDown(wxDC& dc, int x, int y, bool pointsUp);

    int width = 0;
    int height = 0;

private:
    virtual void DoDraw(wxDC& dc, int width, int height, bool showLabels) = 0;
};

namespace diagramDetail {

// Device coordinates and layout settings are kept within this magnitude so that the
// integer layout arithmetic can never overflow, whatever a caller passes in.
inline constexpr int MaxCoordinate = 1000000;
VDCOMMON_API int ClampCoordinate(long long value);

// The decimal integer at the start of text, read the way strtol reads it (leading
// blanks, sign and digits; no digits gives 0), limited to the int range.
VDCOMMON_API int ParseLeadingInt(const wxString& text);

// The whole text as a decimal integer; false when it is not one (or out of int range).
VDCOMMON_API bool ParseWholeInt(const wxString& text, int& value);

// A white canvas with the diagrams' font (Swiss, `fontSize` points kept within 1..1000).
VDCOMMON_API void ClearCanvas(wxDC& dc, int fontSize);

// A membrane stage or pass: the rectangle's upper-right triangle in cyan over its
// lower-left one in blue, outlined with the current pen.
VDCOMMON_API void DrawMembraneBlock(wxDC& dc, int x, int top, int width, int height);

} // namespace diagramDetail
