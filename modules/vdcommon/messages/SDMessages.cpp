#include "vdcommon/messages/SDMessages.h"

#include "vdcommon/messages/MessageManager.h"
#include "vdcommon/messages/MessageTable.h"

namespace messages {

namespace {

using M = SDMessages;
using G = SDMessageGroups;

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
    {M::ResinsResidualConductivityRelatesNa, "Resins: Residual conductivity relates to Na leakage."},
    {M::ResinsResidualConductivityRelatesNaLeakage, "Resins: Residual conductivity relates to Na leakage."},
    {M::DimensioningPleaseTakeNoteBed, "Dimensioning: Please take note of the bed depth to filter diameter ratio."},
    {M::DimensioningMaximumPermittedBedDepth,
     "Dimensioning: The maximum permitted bed depth of $(sh.max.limit) is exceeded in a filter."},
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
    {M::WaterAnalysisIronLoadSpecifiedCleaning,
     "Water analysis: Iron load specified. Cleaning the resin with acid might be required."},
    {M::WaterAnalysisAttentionInputLeastOne,
     "Water analysis: Attention, input for at least one out of Ca, Mg, Na, Cl or HCO3 is missing!"},
    {M::DimensioningOEMResponsibleConstructionParameters,
     "Dimensioning: The OEM is responsible for the construction parameters of the plant."},
    {M::RegenerationUsingRawWaterDilution,
     "Regeneration: Using raw water for dilution and rinsing may have an impact on leakage."},
    {M::RegenerationSystemNetCapacityNegative,
     "Regeneration: System net capacity is negative. The self-water demand exceeds the inflow water amount."},
};

constexpr M kDisplayOrder[] = {
    M::WaterAnalysisNonPolarOrganicSubstances,
    M::WaterAnalysisLowCarbonicHardnessContent,
    M::WaterAnalysisHighAmountWeakDissolved,
    M::WaterAnalysisWaterAnalysisNotConsistent,
    M::WaterAnalysisIronLoadSpecifiedCleaning,
    M::WaterAnalysisAttentionInputLeastOne,
    M::ResinsResidualConductivityRelatesNa,
    M::ResinsResidualConductivityRelatesNaLeakage,
    M::RegenerationUsingRawWaterDilution,
    M::DimensioningPleaseTakeNoteBed,
    M::DimensioningMaximumPermittedBedDepth,
    M::DimensioningVelocityBelowPermittedLevel,
    M::DimensioningMaximumPermittedVelocityExceeded,
    M::DimensioningSpecificRegenerantConsumptionHigh,
    M::DimensioningSpecificFlowRateOne,
    M::DimensioningQuantityCausticShouldIncreased,
    M::DimensioningHighOrganicLoad,
    M::DimensioningMaximumPermittedPressureLoss,
    M::DimensioningOEMResponsibleConstructionParameters,
    M::RegenerationContactTimeAcidCaustic,
    M::RegenerationContactTimeAcidToo,
    M::RegenerationSystemNetCapacityNegative,
};

constexpr M kGroup0[] = {
    M::WaterAnalysisNonPolarOrganicSubstances, M::WaterAnalysisLowCarbonicHardnessContent,
    M::WaterAnalysisHighAmountWeakDissolved,   M::WaterAnalysisWaterAnalysisNotConsistent,
    M::WaterAnalysisIronLoadSpecifiedCleaning, M::WaterAnalysisAttentionInputLeastOne,
};
constexpr M kGroup1[] = {
    M::ResinsResidualConductivityRelatesNa,
};
constexpr M kGroup2[] = {
    M::ResinsResidualConductivityRelatesNaLeakage,
    M::RegenerationUsingRawWaterDilution,
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
};
constexpr M kGroup4[] = {
    M::DimensioningPleaseTakeNoteBed,
    M::DimensioningMaximumPermittedBedDepth,
    M::DimensioningMaximumPermittedPressureLoss,
};
constexpr M kGroup5[] = {
    M::RegenerationContactTimeAcidCaustic,
    M::RegenerationContactTimeAcidToo,
    M::RegenerationSystemNetCapacityNegative,
};

constexpr TableGroup<M, G> kGroups[] = {
    {G::WaterAnalysis, kGroup0}, {G::Resins, kGroup1},       {G::Resins2, kGroup2}, {G::Dimensioning, kGroup3},
    {G::Dimensioning4, kGroup4}, {G::Regeneration, kGroup5}, {G::Unused7, {}},
};

} // namespace

std::unique_ptr<IMessageManager> CreateSDMessageManager()
{
    return MakeManager<M, G>(kEntries, kGroups, kDisplayOrder);
}

} // namespace messages
