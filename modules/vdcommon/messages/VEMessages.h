#pragma once
// Design messages of the "VE" calculation module: identifiers, groups and the
// factory of its message manager. The texts live in VEMessages.cpp.
#include "vdcommon/messages/IMessageManager.h"

#include <memory>

namespace messages {

enum class VEMessages : int {
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
    WaterAnalysisReductionTOCOnlyAssumption = 20,
    ArrangementAttentionNoAlkalinityWater = 21,
    RegenerationSystemNetCapacityNegative = 22,
    ResinsAndRegenerantsMaximumAllowedH2SO4Concentration = 23,
};

enum class VEMessageGroups : int {
    WaterAnalysis = 0,
    Arrangement = 1,
    Resins = 2,
    Dimensioning = 3,
    Dimensioning4 = 4,
    Regeneration = 5,
    Unused7 = 7,
};

// A new manager holding its own copy of the module's entries, all inactive.
std::unique_ptr<IMessageManager> CreateVEMessageManager();

} // namespace messages
