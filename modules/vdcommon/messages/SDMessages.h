#pragma once
// Design messages of the "SD" calculation module: identifiers, groups and the
// factory of its message manager. The texts live in SDMessages.cpp.
#include "vdcommon/messages/IMessageManager.h"

#include <memory>

namespace messages {

enum class SDMessages : int {
    WaterAnalysisNonPolarOrganicSubstances = 0,
    WaterAnalysisLowCarbonicHardnessContent = 1,
    WaterAnalysisHighAmountWeakDissolved = 2,
    WaterAnalysisWaterAnalysisNotConsistent = 3,
    ResinsResidualConductivityRelatesNa = 4,
    ResinsResidualConductivityRelatesNaLeakage = 5,
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
    WaterAnalysisIronLoadSpecifiedCleaning = 17,
    WaterAnalysisAttentionInputLeastOne = 18,
    DimensioningOEMResponsibleConstructionParameters = 19,
    RegenerationUsingRawWaterDilution = 20,
    RegenerationSystemNetCapacityNegative = 21,
};

enum class SDMessageGroups : int {
    WaterAnalysis = 0,
    Resins = 1,
    Resins2 = 2,
    Dimensioning = 3,
    Dimensioning4 = 4,
    Regeneration = 5,
    Unused7 = 7,
};

// A new manager holding its own copy of the module's entries, all inactive.
std::unique_ptr<IMessageManager> CreateSDMessageManager();

} // namespace messages
