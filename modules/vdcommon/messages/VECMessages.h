#pragma once
// Design messages of the "VEC" calculation module: identifiers, groups and the
// factory of its message manager. The texts live in VECMessages.cpp.
#include "vdcommon/messages/IMessageManager.h"

#include <memory>

namespace messages {

enum class VECMessages : int {
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
    DimensioningNoIonicLoadWeak = 19,
    DimensioningNoIonicLoadStrong = 20,
    WaterAnalysisReductionTOCOnlyAssumption = 21,
    DimensioningNoIonicLoadWeakBasic = 22,
    DimensioningNoIonicLoadStrongBasic = 23,
    DimensioningOEMResponsibleConstructionParameters = 24,
    CostCalculationSystemTotalPerformanceDecline = 25,
    CostCalculationAnnualizedOperatingCostIncrease = 26,
    CostCalculationSystemTotalPerformanceDeclineConsiderably = 27,
    DimensioningFreeboardBelowRecommendedRange = 28,
    DimensioningFreeboardAboveRecommendedRange = 29,
    ArrangementAttentionNoAlkalinityWater = 30,
    ResinsFeedTemperatureSurpassesSAC = 31,
    ResinsFeedTemperatureSurpassesWAC = 32,
    ResinsFeedTemperatureSurpassesSBA = 33,
    ResinsFeedTemperatureSurpassesWBA = 34,
    ResinsFeedTemperatureSurpassesSACPolisher = 35,
    RegenerationSystemNetCapacityNegative = 36,
};

enum class VECMessageGroups : int {
    WaterAnalysis = 0,
    Arrangement = 1,
    Resins = 2,
    Dimensioning = 3,
    Dimensioning4 = 4,
    Regeneration = 5,
    CostCalculation = 6,
    Unused7 = 7,
};

// A new manager holding its own copy of the module's entries, all inactive.
std::unique_ptr<IMessageManager> CreateVECMessageManager();

} // namespace messages
