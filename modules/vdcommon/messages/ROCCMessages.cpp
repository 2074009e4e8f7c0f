#include "vdcommon/messages/ROCCMessages.h"

#include "vdcommon/messages/MessageManager.h"
#include "vdcommon/messages/MessageTable.h"

namespace messages {

namespace {

using M = ROCCMessages;
using G = ROCCMessageGroups;

// Entries in the order the module numbers them; non-ASCII characters are written as
// UTF-8 byte escapes so the source stays ASCII.
constexpr TableEntry<M> kEntries[] = {
    {M::WaterAnalysisNonPolarOrganicSubstances,
     "Water analysis: Non-polar organic substances above the recommended limit of $(toc.limit)."},
    {M::WaterAnalysisPretreatmentRecommendedWillReduce,
     "Water analysis: Pretreatment recommended that will reduce turbidity below $(turbidity.limit)."},
    {M::WaterAnalysisOperationFeedWaterContaining,
     "Water analysis: Operation with feed water containing free chlorine could result in membrane damage."},
    {M::WaterAnalysisWaterAnalysisNotConsistent,
     "Water analysis: The water analysis is not consistent. Balanced with Sodium/Chloride."},
    {M::DesignCalculationFailedPleaseAdjust, "Design: Calculation failed. Please adjust array or design parameters"},
    {M::DesignFeedFlowRatePer,
     "Design: Feed flow rate per pressure vessel exceeds the recommended maximum value for the selected element type."},
    {M::DesignConcentrateFlowRatePer,
     "Design: Concentrate flow rate per pressure vessel is below the recommended value for selected element type."},
    {M::DesignMaximumFluxSelectedWater, "Design: Maximum flux for the selected water type exceeded."},
    {M::DesignSaturationValuesExceededAdjust,
     "Design: Saturation values exceeded. Adjust feed water pH or use a scaling inhibitor."},
    {M::DesignFeedPressureExceedsRecommended,
     "Design: Feed pressure exceeds recommended maximum value for the selected element type."},
    {M::WaterAnalysisPretreatmentRecommendedWillReduceSDI,
     "Water analysis: Pretreatment recommended that will reduce SDI below $(sdi.limit)."},
    {M::DesignConcentrationPolarizationBetaValue,
     "Design: Concentration polarization (beta value) of single element exceeded. Change of array recommended."},
    {M::DesignMaximumLeadElementFlux, "Design: Maximum lead element flux for the water type exceeded; this may be "
                                      "acceptable in some cases (check with design guidelines)."},
    {M::DesignMaximumElementRecoveryRate, "Design: Maximum element recovery rate for the water type exceeded; this may "
                                          "be acceptable in some cases (check with design guidelines)."},
    {M::DesignCalculationFailedOsmoticPressure,
     "Design: Calculation failed - Osmotic pressure exceeds feed pressure for one or more elements."},
    {M::DesignCalculationFailedRequestedRecovery,
     "Design: Calculation failed - Requested recovery could not be achieved."},
    {M::DesignCalculationFailedMaximumNumber, "Design: Calculation failed - Maximum number of iterations exceeded."},
    {M::DesignOverallRecoveryNotWithin, "Design: Overall recovery not within recommended range ($(range.recovery.min) "
                                        ".. $(range.recovery.max)). This may be acceptable in some cases."},
    {M::DesignCCRecoveryNotWithin, "Design: CC recovery not within recommended range ($(range.recovery.cc.min) .. "
                                   "$(range.recovery.cc.max)). This may be acceptable in some cases."},
    {M::DesignPFRecoveryNotWithin, "Design: PF recovery not within recommended range ($(range.recovery.pf.min) .. "
                                   "$(range.recovery.pf.max)). This may be acceptable in some cases."},
    {M::DesignPFFlowIncreaseNot, "Design: PF flow increase not within recommended range ($(range.flow.inc.pf.min) .. "
                                 "$(range.flow.inc.pf.max)). This may be acceptable in some cases."},
    {M::DesignVolumeAdjustmentNotWithin,
     "Design: Volume adjustment not within recommended range ($(range.vol.adjust.min) .. $(range.vol.adjust.max)). "
     "This may be acceptable in some cases."},
    {M::DesignCCSequenceTimeNot, "Design: CC sequence time not within recommended range ($(range.time.cc.min) .. "
                                 "$(range.time.cc.max)).  This may be acceptable in some cases. Increase volume."},
    {M::DesignNumberCyclesNotWithin,
     "Design: Number of cycles not within allowed range ($(limit.cycle.count.min) .. $(limit.cycle.count.max))."},
    {M::DesignCCSequenceTimeBelow,
     "Design: CC sequence time below $(limit.time.cc.min). Please adjust design parameters."},
    {M::DesignPFFlushTimeBelow, "Design: PF flush time below $(limit.time.pf.min). Please adjust design parameters."},
    {M::NoticeHighFeedWaterTDS, "Notice: High feed water TDS guidance"},
    {M::FeedWaterTDSDetected,
     "Feed water TDS > $(limit.feed.tds) detected. CCRO can be applied; however, specific adjustments in equipment and "
     "process variables are usually required for successful application."},
    {M::ContactSupplierForDesignReview,
     "Please contact your membrane supplier and the CCRO process licensor for a review and validation of this design."},
    {M::DiscontinuedElementType1, "Design: The element type VRO-8040 LE has been discontinued. Please select an "
                                  "element of the VRO-8040 LE2 range instead."},
    {M::DiscontinuedElementType2, "Design: The element type VRO-8040 HR has been discontinued. Please select an "
                                  "element of the VRO-8040 HR2 range instead."},
    {M::DiscontinuedElementType3, "Design: The element type VRO-4040 XLE has been discontinued. Please select an "
                                  "element of the VRO-4040 XLE2 range instead."},
    {M::DiscontinuedElementType4, "Design: The element type VSW-8040 HF has been discontinued. Please select an "
                                  "element of the VSW-8040 HF2 range instead."},
    {M::DiscontinuedElementType5, "Design: The element type VSW-8040 HP has been discontinued. Please select the "
                                  "element type VSW-8040 HP2 instead."},
    {M::DiscontinuedElementType6, "Design: The element type VNF-8040 has been discontinued. Please select an element "
                                  "of the VNF-8040 S range instead."},
    {M::WaterAnalysisAlConcentrationAboveRecommended,
     "Water analysis: Al concentration above recommended limit. Adjust pretreatment or contact your scale inhibitor "
     "supplier to prevent from fouling."},
    {M::WaterAnalysisPleaseReduceMn2, "Water analysis: Please reduce Mn (2+) to < 0,05 mg/l."},
    {M::WaterAnalysisPleaseEnsureConcentrationFe,
     "Water analysis: Please ensure that the concentration of Fe(3+) and Fe(2+) is < 0,05 mg/l. If the dissoved oxygen "
     "is > 0, 05 mg / l and pH < 6 a concentration up to 4 mg / l for Fe(2 + ) is possible."},
    {M::ElementTypeToBeDiscontinued, "Design: The element type VRO-8040 FR will be discontinued. Please consider an "
                                     "alternative element type for new designs."},
};

constexpr M kDisplayOrder[] = {
    M::WaterAnalysisPretreatmentRecommendedWillReduce,
    M::WaterAnalysisPretreatmentRecommendedWillReduceSDI,
    M::WaterAnalysisNonPolarOrganicSubstances,
    M::WaterAnalysisOperationFeedWaterContaining,
    M::WaterAnalysisWaterAnalysisNotConsistent,
    M::WaterAnalysisAlConcentrationAboveRecommended,
    M::WaterAnalysisPleaseReduceMn2,
    M::WaterAnalysisPleaseEnsureConcentrationFe,
    M::DesignCalculationFailedPleaseAdjust,
    M::DesignCalculationFailedOsmoticPressure,
    M::DesignCalculationFailedRequestedRecovery,
    M::DesignCalculationFailedMaximumNumber,
    M::DesignFeedFlowRatePer,
    M::DesignConcentrateFlowRatePer,
    M::DesignMaximumFluxSelectedWater,
    M::DesignSaturationValuesExceededAdjust,
    M::DesignFeedPressureExceedsRecommended,
    M::DesignConcentrationPolarizationBetaValue,
    M::DesignMaximumLeadElementFlux,
    M::DesignMaximumElementRecoveryRate,
    M::DiscontinuedElementType1,
    M::DiscontinuedElementType2,
    M::DiscontinuedElementType3,
    M::DiscontinuedElementType4,
    M::DiscontinuedElementType5,
    M::DiscontinuedElementType6,
    M::ElementTypeToBeDiscontinued,
};

constexpr M kGroup0[] = {
    M::WaterAnalysisNonPolarOrganicSubstances,
    M::WaterAnalysisPretreatmentRecommendedWillReduce,
    M::WaterAnalysisOperationFeedWaterContaining,
    M::WaterAnalysisPretreatmentRecommendedWillReduceSDI,
};
constexpr M kGroup1[] = {
    M::DiscontinuedElementType1,    M::DiscontinuedElementType2, M::DiscontinuedElementType3,
    M::DiscontinuedElementType4,    M::DiscontinuedElementType5, M::DiscontinuedElementType6,
    M::ElementTypeToBeDiscontinued,
};
constexpr M kGroup2[] = {
    M::DesignOverallRecoveryNotWithin, M::DesignCCRecoveryNotWithin,       M::DesignPFRecoveryNotWithin,
    M::DesignPFFlowIncreaseNot,        M::DesignVolumeAdjustmentNotWithin, M::DesignCCSequenceTimeNot,
    M::DesignNumberCyclesNotWithin,    M::DesignCCSequenceTimeBelow,       M::DesignPFFlushTimeBelow,
};
constexpr M kGroup3[] = {
    M::DesignCalculationFailedPleaseAdjust,
    M::DesignCalculationFailedOsmoticPressure,
    M::DesignCalculationFailedRequestedRecovery,
    M::DesignCalculationFailedMaximumNumber,
    M::DesignFeedFlowRatePer,
    M::DesignConcentrateFlowRatePer,
    M::DesignMaximumFluxSelectedWater,
    M::DesignSaturationValuesExceededAdjust,
    M::DesignFeedPressureExceedsRecommended,
    M::DesignConcentrationPolarizationBetaValue,
    M::DesignMaximumLeadElementFlux,
    M::DesignMaximumElementRecoveryRate,
    M::DesignOverallRecoveryNotWithin,
    M::DesignCCRecoveryNotWithin,
    M::DesignPFRecoveryNotWithin,
    M::DesignPFFlowIncreaseNot,
    M::DesignVolumeAdjustmentNotWithin,
    M::DesignCCSequenceTimeNot,
    M::DesignNumberCyclesNotWithin,
    M::DesignCCSequenceTimeBelow,
    M::DesignPFFlushTimeBelow,
    M::DiscontinuedElementType1,
    M::DiscontinuedElementType2,
    M::DiscontinuedElementType3,
    M::DiscontinuedElementType4,
    M::DiscontinuedElementType5,
    M::DiscontinuedElementType6,
    M::ElementTypeToBeDiscontinued,
};

constexpr TableGroup<M, G> kGroups[] = {
    {G::WaterAnalysis, kGroup0},
    {G::Design, kGroup1},
    {G::Design2, kGroup2},
    {G::Design3, kGroup3},
};

} // namespace

std::unique_ptr<IMessageManager> CreateROCCMessageManager()
{
    return MakeManager<M, G>(kEntries, kGroups, kDisplayOrder);
}

} // namespace messages
