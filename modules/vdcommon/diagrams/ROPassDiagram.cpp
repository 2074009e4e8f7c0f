// The pass diagram's state: read from a <diagram> node or set by the host before drawing.
#include "vdcommon/diagrams/ROPassDiagram.h"

#include <algorithm>
#include <climits>

using diagramDetail::ClampCoordinate;

namespace {

int PassIndexOf(int passNumber)
{
    return passNumber == INT_MIN ? INT_MIN : passNumber - 1;
}

// The pass as the <diagram> node's <parameter name=".." value=".."/> children give it.
struct PassParameters {
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
};

PassParameters ReadPassParameters(const wxXmlNode* node)
{
    PassParameters read;
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
    return read;
}

// The stage count, throttles, boosters, energy recovery and flow options read from the node.
void ApplyPassParameters(PassState& pass, const PassParameters& read)
{
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
    const PassParameters read = ReadPassParameters(node);

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

    ApplyPassParameters(pass, read);
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
