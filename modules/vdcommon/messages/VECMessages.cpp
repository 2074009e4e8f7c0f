#include "vdcommon/messages/VECMessages.h"

#include "vdcommon/messages/MessageManager.h"
#include "vdcommon/messages/MessageTable.h"

namespace messages {

namespace {

using M = VECMessages;
using G = VECMessageGroups;

// Entries in the order the module numbers them; non-ASCII characters are written as
// UTF-8 byte escapes so the source stays ASCII.
constexpr TableEntry<M> kEntries[] = {
    {M::WaterAnalysisNonPolarOrganicSubstances,
     "Water analysis: Non-polar organic substances are not adsorbed by ion exchange resins."},
    {M::WaterAnalysisLowCarbonicHardnessContent, "Water analysis: Low Carbonic hardness content."},
    {M::WaterAnalysisHighAmountWeakDissolved,
     "Water analysis: High amount of weak dissolved anions in relation to total amount of anions."},
    {M::WaterAnalysisWaterAnalysisNotConsistent,
     "Water analysis: The water analysis is not consistent. Balanced with Sodium/Chloride."},
    {M::ArrangementResidualConductivityEssentiallyFunction,
     "Arrangement: Residual conductivity essentially a function of CO2 content. The running time and the end point are "
     "not related to silica leakage."},
    {M::ResinsResidualConductivityRelatesNa, "Resins: Residual conductivity relates to Na leakage."},
    {M::DimensioningPleaseTakeNoteBed, "Dimensioning: Please take note of the bed depth to filter diameter ratio."},
    {M::DimensioningMaximumPermittedBedDepth,
     "Dimensioning: The maximum permitted bed depth of $(sh.limit,max) is exceeded in a filter."},
    {M::DimensioningVelocityBelowPermittedLevel,
     "Dimensioning: The velocity is below the permitted level in a filter."},
    {M::DimensioningMaximumPermittedVelocityExceeded,
     "Dimensioning: The maximum permitted velocity is exceeded in a filter."},
    {M::DimensioningSpecificRegenerantConsumptionHigh, "Dimensioning: The specific regenerant consumption is high."},
    {M::DimensioningSpecificFlowRateOne, "Dimensioning: The specific flow rate of one product is too high."},
    {M::DimensioningQuantityCausticShouldIncreased,
     "Dimensioning: Quantity of caustic should be increased due to high SiO2 loading."},
    {M::DimensioningHighOrganicLoad, "Dimensioning: High organic load."},
    {M::DimensioningMaximumPermittedPressureLoss, "Dimensioning: The maximum permitted pressure loss is exceeded."},
    {M::RegenerationContactTimeAcidCaustic, "Regeneration: The contact time of the acid/caustic is too short."},
    {M::RegenerationContactTimeAcidToo, "Regeneration: The contact time of the acid is too long."},
    {M::WaterAnalysisNoSilicaLoadSpecified, "Water analysis: No silica load specified. The end point of the anion "
                                            "exchange step is related to the anion content."},
    {M::WaterAnalysisAttentionInputLeastOne,
     "Water analysis: Attention, input for at least one out of Ca, Mg, Na, Cl or HCO3 is missing!"},
    {M::DimensioningNoIonicLoadWeak,
     "Dimensioning: No ionic load on the weak acid cation exchange resin. Please check the water analysis."},
    {M::DimensioningNoIonicLoadStrong,
     "Dimensioning: No ionic load on the strong acid cation exchange resin. Please check the water analysis."},
    {M::WaterAnalysisReductionTOCOnlyAssumption,
     "Water analysis: The reduction of the TOC is only an assumption and only valid for substances which can be "
     "reversibly adsorbed by the implemeted ion exchange resins."},
    {M::DimensioningNoIonicLoadWeakBasic,
     "Dimensioning: No ionic load on the weak basic anion exchange resin. Please check the water analysis."},
    {M::DimensioningNoIonicLoadStrongBasic,
     "Dimensioning: No ionic load on the strong basic anion exchange resin. Please check the water analysis."},
    {M::DimensioningOEMResponsibleConstructionParameters,
     "Dimensioning: The OEM is responsible for the construction parameters of the plant."},
    {M::CostCalculationSystemTotalPerformanceDecline,
     "Cost calculation: The system total performance decline is critical."},
    {M::CostCalculationAnnualizedOperatingCostIncrease,
     "Cost calculation: The annualized operating cost increase exceeds the resin replacement cost. Consider replacing "
     "the resins in use."},
    {M::CostCalculationSystemTotalPerformanceDeclineConsiderably,
     "Cost calculation: The system total performance decline is considerably high."},
    {M::DimensioningFreeboardBelowRecommendedRange,
     "Dimensioning: The freeboard is below the recommended range in a filter."},
    {M::DimensioningFreeboardAboveRecommendedRange,
     "Dimensioning: The freeboard is above the recommended range in a filter."},
    {M::ArrangementAttentionNoAlkalinityWater, "Arrangement: Attention - No alkalinity in water analysis."},
    {M::ResinsFeedTemperatureSurpassesSAC, "Resins: Feed temperature surpasses SAC resin's maximum operating limit."},
    {M::ResinsFeedTemperatureSurpassesWAC, "Resins: Feed temperature surpasses WAC resin's maximum operating limit."},
    {M::ResinsFeedTemperatureSurpassesSBA, "Resins: Feed temperature surpasses SBA resin's maximum operating limit."},
    {M::ResinsFeedTemperatureSurpassesWBA, "Resins: Feed temperature surpasses WBA resin's maximum operating limit."},
    {M::ResinsFeedTemperatureSurpassesSACPolisher,
     "Resins: Feed temperature surpasses SAC (Polisher) resin's maximum operating limit."},
    {M::RegenerationSystemNetCapacityNegative,
     "Regeneration: System net capacity is negative. The self-water demand exceeds the inflow water amount."},
};

constexpr M kDisplayOrder[] = {
    M::WaterAnalysisNonPolarOrganicSubstances,
    M::WaterAnalysisReductionTOCOnlyAssumption,
    M::WaterAnalysisHighAmountWeakDissolved,
    M::WaterAnalysisWaterAnalysisNotConsistent,
    M::WaterAnalysisNoSilicaLoadSpecified,
    M::WaterAnalysisAttentionInputLeastOne,
    M::ArrangementResidualConductivityEssentiallyFunction,
    M::ResinsResidualConductivityRelatesNa,
    M::ResinsFeedTemperatureSurpassesSAC,
    M::ResinsFeedTemperatureSurpassesWAC,
    M::ResinsFeedTemperatureSurpassesSBA,
    M::ResinsFeedTemperatureSurpassesWBA,
    M::ResinsFeedTemperatureSurpassesSACPolisher,
    M::DimensioningOEMResponsibleConstructionParameters,
    M::DimensioningPleaseTakeNoteBed,
    M::DimensioningMaximumPermittedBedDepth,
    M::DimensioningVelocityBelowPermittedLevel,
    M::DimensioningMaximumPermittedVelocityExceeded,
    M::DimensioningSpecificRegenerantConsumptionHigh,
    M::DimensioningSpecificFlowRateOne,
    M::DimensioningQuantityCausticShouldIncreased,
    M::DimensioningHighOrganicLoad,
    M::DimensioningNoIonicLoadWeak,
    M::DimensioningNoIonicLoadStrong,
    M::DimensioningNoIonicLoadWeakBasic,
    M::DimensioningNoIonicLoadStrongBasic,
    M::DimensioningPleaseTakeNoteBed,
    M::DimensioningMaximumPermittedBedDepth,
    M::DimensioningMaximumPermittedPressureLoss,
    M::DimensioningFreeboardBelowRecommendedRange,
    M::DimensioningFreeboardAboveRecommendedRange,
    M::RegenerationContactTimeAcidCaustic,
    M::RegenerationContactTimeAcidToo,
    M::RegenerationSystemNetCapacityNegative,
    M::CostCalculationSystemTotalPerformanceDecline,
    M::CostCalculationAnnualizedOperatingCostIncrease,
    M::CostCalculationSystemTotalPerformanceDeclineConsiderably,
    M::ArrangementAttentionNoAlkalinityWater,
};

constexpr M kGroup0[] = {
    M::WaterAnalysisNonPolarOrganicSubstances,  M::WaterAnalysisLowCarbonicHardnessContent,
    M::WaterAnalysisHighAmountWeakDissolved,    M::WaterAnalysisWaterAnalysisNotConsistent,
    M::WaterAnalysisNoSilicaLoadSpecified,      M::WaterAnalysisAttentionInputLeastOne,
    M::WaterAnalysisReductionTOCOnlyAssumption,
};
constexpr M kGroup1[] = {
    M::ArrangementResidualConductivityEssentiallyFunction,
    M::ArrangementAttentionNoAlkalinityWater,
};
constexpr M kGroup2[] = {
    M::ResinsResidualConductivityRelatesNa, M::ResinsFeedTemperatureSurpassesSAC,
    M::ResinsFeedTemperatureSurpassesWAC,   M::ResinsFeedTemperatureSurpassesSBA,
    M::ResinsFeedTemperatureSurpassesWBA,   M::ResinsFeedTemperatureSurpassesSACPolisher,
};
constexpr M kGroup3[] = {
    M::DimensioningOEMResponsibleConstructionParameters,
    M::DimensioningPleaseTakeNoteBed,
    M::DimensioningMaximumPermittedBedDepth,
    M::DimensioningVelocityBelowPermittedLevel,
    M::DimensioningMaximumPermittedVelocityExceeded,
    M::DimensioningSpecificRegenerantConsumptionHigh,
    M::DimensioningSpecificFlowRateOne,
    M::DimensioningQuantityCausticShouldIncreased,
    M::DimensioningHighOrganicLoad,
    M::DimensioningNoIonicLoadWeak,
    M::DimensioningNoIonicLoadStrong,
    M::DimensioningNoIonicLoadWeakBasic,
    M::DimensioningNoIonicLoadStrongBasic,
};
constexpr M kGroup4[] = {
    M::DimensioningPleaseTakeNoteBed,
    M::DimensioningMaximumPermittedBedDepth,
    M::DimensioningMaximumPermittedPressureLoss,
    M::DimensioningFreeboardBelowRecommendedRange,
    M::DimensioningFreeboardAboveRecommendedRange,
};
constexpr M kGroup5[] = {
    M::RegenerationContactTimeAcidCaustic,
    M::RegenerationContactTimeAcidToo,
    M::RegenerationSystemNetCapacityNegative,
};
constexpr M kGroup6[] = {
    M::CostCalculationSystemTotalPerformanceDeclineConsiderably,
    M::CostCalculationSystemTotalPerformanceDecline,
    M::CostCalculationAnnualizedOperatingCostIncrease,
};

constexpr TableGroup<M, G> kGroups[] = {
    {G::WaterAnalysis, kGroup0}, {G::Arrangement, kGroup1},  {G::Resins, kGroup2},          {G::Dimensioning, kGroup3},
    {G::Dimensioning4, kGroup4}, {G::Regeneration, kGroup5}, {G::CostCalculation, kGroup6}, {G::Unused7, {}},
};

} // namespace

std::unique_ptr<IMessageManager> CreateVECMessageManager()
{
    return MakeManager<M, G>(kEntries, kGroups, kDisplayOrder);
}

} // namespace messages
