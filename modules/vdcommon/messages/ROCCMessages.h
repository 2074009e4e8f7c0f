#pragma once
// Design messages of the "ROCC" calculation module: identifiers, groups and the
// factory of its message manager. The texts live in ROCCMessages.cpp.
#include "vdcommon/messages/IMessageManager.h"

#include <memory>

namespace messages {

enum class ROCCMessages : int {
    WaterAnalysisNonPolarOrganicSubstances = 0,
    WaterAnalysisPretreatmentRecommendedWillReduce = 1,
    WaterAnalysisOperationFeedWaterContaining = 2,
    WaterAnalysisWaterAnalysisNotConsistent = 3,
    DesignCalculationFailedPleaseAdjust = 4,
    DesignFeedFlowRatePer = 5,
    DesignConcentrateFlowRatePer = 6,
    DesignMaximumFluxSelectedWater = 7,
    DesignSaturationValuesExceededAdjust = 8,
    DesignFeedPressureExceedsRecommended = 9,
    WaterAnalysisPretreatmentRecommendedWillReduceSDI = 10,
    DesignConcentrationPolarizationBetaValue = 11,
    DesignMaximumLeadElementFlux = 12,
    DesignMaximumElementRecoveryRate = 13,
    DesignCalculationFailedOsmoticPressure = 15,
    DesignCalculationFailedRequestedRecovery = 16,
    DesignCalculationFailedMaximumNumber = 17,
    DesignOverallRecoveryNotWithin = 19,
    DesignCCRecoveryNotWithin = 20,
    DesignPFRecoveryNotWithin = 21,
    DesignPFFlowIncreaseNot = 22,
    DesignVolumeAdjustmentNotWithin = 23,
    DesignCCSequenceTimeNot = 24,
    DesignNumberCyclesNotWithin = 25,
    DesignCCSequenceTimeBelow = 26,
    DesignPFFlushTimeBelow = 27,
    NoticeHighFeedWaterTDS = 28,
    FeedWaterTDSDetected = 29,
    ContactSupplierForDesignReview = 30,
    DiscontinuedElementType1 = 32,
    DiscontinuedElementType2 = 33,
    DiscontinuedElementType3 = 34,
    DiscontinuedElementType4 = 35,
    DiscontinuedElementType5 = 36,
    DiscontinuedElementType6 = 37,
    WaterAnalysisAlConcentrationAboveRecommended = 38,
    WaterAnalysisPleaseReduceMn2 = 39,
    WaterAnalysisPleaseEnsureConcentrationFe = 40,
    ElementTypeToBeDiscontinued = 41,
};

enum class ROCCMessageGroups : int {
    WaterAnalysis = 0,
    Design = 1,
    Design2 = 2,
    Design3 = 3,
};

// A new manager holding its own copy of the module's entries, all inactive.
std::unique_ptr<IMessageManager> CreateROCCMessageManager();

} // namespace messages
