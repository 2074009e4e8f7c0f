#include "vdcommon/messages/CPMessages.h"

#include "vdcommon/messages/MessageManager.h"
#include "vdcommon/messages/MessageTable.h"

namespace messages {

namespace {

using M = CPMessages;
using G = CPMessageGroups;

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
    {M::WaterAnalysisNoSilicaLoadSpecified, "Water analysis: No silica load specified."},
    {M::WaterAnalysisAttentionInputLeastOne,
     "Water analysis: Attention, input for at least one out of Ca, Mg, Na, Cl or HCO3 is missing!"},
    {M::DimensioningOEMResponsibleConstructionParameters,
     "Dimensioning: The OEM is responsible for the construction parameters of the plant."},
    {M::DimensioningRatioCationAnionResin,
     "Dimensioning: The ratio of cation / anion resin volume is not within the recommended range (1 : $(ratio.min) .. "
     "$(ratio.max)). This might result in kinetic problems."},
    {M::DimensioningFilterDiameterAboveRecommended,
     "Dimensioning: Filter diameter is above the recommended limit of $(d.limit.warning,max)"},
    {M::RegenerationPrimarySACNetCapacity,
     "Regeneration: Primary SAC net capacity is negative. The self-water demand exceeds the inflow water amount."},
    {M::RegenerationMixedBedNetCapacity,
     "Regeneration: Mixed bed net capacity is negative. The self-water demand exceeds the inflow water amount."},
};

constexpr M kDisplayOrder[] = {
    M::WaterAnalysisNonPolarOrganicSubstances,
    M::WaterAnalysisLowCarbonicHardnessContent,
    M::WaterAnalysisHighAmountWeakDissolved,
    M::WaterAnalysisWaterAnalysisNotConsistent,
    M::WaterAnalysisNoSilicaLoadSpecified,
    M::WaterAnalysisAttentionInputLeastOne,
    M::ArrangementResidualConductivityEssentiallyFunction,
    M::ResinsResidualConductivityRelatesNa,
    M::DimensioningRatioCationAnionResin,
    M::DimensioningOEMResponsibleConstructionParameters,
    M::DimensioningPleaseTakeNoteBed,
    M::DimensioningMaximumPermittedBedDepth,
    M::DimensioningVelocityBelowPermittedLevel,
    M::DimensioningMaximumPermittedVelocityExceeded,
    M::DimensioningSpecificRegenerantConsumptionHigh,
    M::DimensioningSpecificFlowRateOne,
    M::DimensioningQuantityCausticShouldIncreased,
    M::DimensioningHighOrganicLoad,
    M::DimensioningMaximumPermittedPressureLoss,
    M::RegenerationContactTimeAcidCaustic,
    M::RegenerationContactTimeAcidToo,
    M::DimensioningFilterDiameterAboveRecommended,
    M::RegenerationPrimarySACNetCapacity,
    M::RegenerationMixedBedNetCapacity,
};

constexpr M kGroup0[] = {
    M::WaterAnalysisNonPolarOrganicSubstances, M::WaterAnalysisLowCarbonicHardnessContent,
    M::WaterAnalysisHighAmountWeakDissolved,   M::WaterAnalysisWaterAnalysisNotConsistent,
    M::WaterAnalysisNoSilicaLoadSpecified,     M::WaterAnalysisAttentionInputLeastOne,
};
constexpr M kGroup1[] = {
    M::ResinsResidualConductivityRelatesNa,
    M::DimensioningRatioCationAnionResin,
};
constexpr M kGroup2[] = {
    M::DimensioningOEMResponsibleConstructionParameters,
    M::DimensioningVelocityBelowPermittedLevel,
    M::DimensioningMaximumPermittedVelocityExceeded,
    M::DimensioningSpecificRegenerantConsumptionHigh,
    M::DimensioningSpecificFlowRateOne,
    M::DimensioningQuantityCausticShouldIncreased,
    M::DimensioningHighOrganicLoad,
};
constexpr M kGroup3[] = {
    M::DimensioningPleaseTakeNoteBed,
    M::DimensioningMaximumPermittedBedDepth,
    M::DimensioningMaximumPermittedPressureLoss,
    M::DimensioningFilterDiameterAboveRecommended,
};
constexpr M kGroup4[] = {
    M::RegenerationContactTimeAcidCaustic,
    M::RegenerationContactTimeAcidToo,
    M::RegenerationPrimarySACNetCapacity,
    M::RegenerationMixedBedNetCapacity,
};

constexpr TableGroup<M, G> kGroups[] = {
    {G::WaterAnalysis, kGroup0}, {G::Resins, kGroup1}, {G::Dimensioning, kGroup2}, {G::Dimensioning3, kGroup3},
    {G::Regeneration, kGroup4},  {G::Unused5, {}},     {G::Unused6, {}},
};

} // namespace

std::unique_ptr<IMessageManager> CreateCPMessageManager()
{
    return MakeManager<M, G>(kEntries, kGroups, kDisplayOrder);
}

} // namespace messages
