#pragma once
// Design messages of the "MB" calculation module: identifiers, groups and the
// factory of its message manager. The texts live in MBMessages.cpp.
#include "vdcommon/messages/IMessageManager.h"

#include <memory>

namespace messages {

enum class MBMessages : int {
    WaterAnalysisNonPolarOrganicSubstances = 0,
    WaterAnalysisLowCarbonicHardnessContent = 1,
    WaterAnalysisHighAmountWeakDissolved = 2,
    WaterAnalysisWaterAnalysisNotConsistent = 3,
    ArrangementResidualConductivityEssentiallyFunction = 4,
    ResinsResidualConductivityRelatesNa = 5,
    DimensioningPleaseTakeNoteBed = 6,
    DimensioningMaximumPermittedBedDepth = 7,
    DimensioningVelocityBelowPermittedLevel = 8,
    DimensioningMaximumPermittedVelocityExceeded = 9,
    DimensioningSpecificRegenerantConsumptionHigh = 10,
    DimensioningSpecificFlowRateOne = 11,
    DimensioningQuantityCausticShouldIncreased = 12,
    DimensioningHighOrganicLoad = 13,
    DimensioningMaximumPermittedPressureLoss = 14,
    RegenerationContactTimeAcidCaustic = 15,
    RegenerationContactTimeAcidToo = 16,
    WaterAnalysisNoSilicaLoadSpecified = 17,
    WaterAnalysisAttentionInputLeastOne = 18,
    DimensioningOEMResponsibleConstructionParameters = 19,
    DimensioningRatioCationAnionResin = 20,
    RegenerationSystemNetCapacityNegative = 21,
};

enum class MBMessageGroups : int {
    WaterAnalysis = 0,
    Resins = 1,
    Unused2 = 2,
    Dimensioning = 3,
    Dimensioning4 = 4,
    Regeneration = 5,
    Dimensioning6 = 6,
    Unused8 = 8,
};

// A new manager holding its own copy of the module's entries, all inactive.
std::unique_ptr<IMessageManager> CreateMBMessageManager();

} // namespace messages
