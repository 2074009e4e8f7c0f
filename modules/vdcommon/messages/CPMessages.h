#pragma once
// Design messages of the "CP" calculation module: identifiers, groups and the
// factory of its message manager. The texts live in CPMessages.cpp.
#include "vdcommon/messages/IMessageManager.h"

#include <memory>

namespace messages {

enum class CPMessages : int {
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
    DimensioningFilterDiameterAboveRecommended = 21,
    RegenerationPrimarySACNetCapacity = 22,
    RegenerationMixedBedNetCapacity = 23,
};

enum class CPMessageGroups : int {
    WaterAnalysis = 0,
    Resins = 1,
    Dimensioning = 2,
    Dimensioning3 = 3,
    Regeneration = 4,
    Unused5 = 5,
    Unused6 = 6,
};

// A new manager holding its own copy of the module's entries, all inactive.
std::unique_ptr<IMessageManager> CreateCPMessageManager();

} // namespace messages
