#include "vdcommon/messages/FOODCMessages.h"

#include "vdcommon/messages/MessageManager.h"
#include "vdcommon/messages/MessageTable.h"

namespace messages {

namespace {

using M = FOODCMessages;
using G = FOODCMessageGroups;

// Entries in the order the module numbers them; non-ASCII characters are written as
// UTF-8 byte escapes so the source stays ASCII.
constexpr TableEntry<M> kEntries[] = {
    {M::ResinAndRegenerantsResinDefaultValuesEdited, "Resin and regenerants: Resin default values have been edited"},
    {M::FeedFlowRateHigh, "Feed: The flow rate is high."},
    {M::FeedRunningTimePlantAbove, "Feed: The running time of the plant is above one week."},
    {M::FeedTemperatureAboveRecommendedLimit, "Feed: Temperature is above recommended limit for liquid type"},
    {M::FilterFreeboardHeightAboveRecommended,
     "Filter: The freeboard height $(h.fb.limit,unit) is above the recommended limit."},
    {M::FilterFreeboardRatioBelowRecommended, "Filter: The freeboard ratio [%] is below the recommended limit."},
    {M::FilterFreeboardRatioAboveRecommended, "Filter: The freeboard ratio [%] is above the recommended limit."},
    {M::FilterCylindricalHeightAboveRecommended, "Filter: The cylindrical height is above the recommended limit."},
    {M::FilterOperatingCapacityOneResin, "Filter: The operating capacity of one resin is above its total capacity."},
    {M::FilterActualOperatingCapacityOne,
     "Filter: The actual operating capacity of one resin is above 2/3 total capacity."},
    {M::FilterPressureDropAboveRecommended, "Filter: Pressure drop is above recommended limit."},
    {M::FilterResinBedHeightAbove, "Filter: Resin bed height is above recommended limit."},
    {M::RegenerationSequenceDefaultValuesEdited, "Regeneration sequence: Default values have been edited"},
    {M::FeedEnteredIonConcentrationDiffers,
     "Feed: The entered ion concentration differs from the calculated ion concentration."},
    {M::ResinAndRegenerantsDefaultTotalCapacityEdited, "Resin and regenerants: Default total capacity has been edited"},
    {M::ExternalBackwashFilterCylindricalHeightAboveRecommended,
     "External backwash filter: The cylindrical height is above the recommended limit."},
    {M::ExternalBackwashFilterColumnVolumeTooSmall,
     "External backwash filter: The column volume is too small for the configured resin volume"},
    {M::FilterTotalCylindricalHeightZero, "Filter: The total cylindrical height is zero"},
    {M::ResinAndRegenerantsRegenerationVolumeBelowRecommended,
     "Resin and regenerants: Regeneration volume is below the recommended limit."},
    {M::RegenerationSequenceBackwashBedExpansionAbove,
     "Regeneration sequence: Backwash bed expansion is above the freeboard ratio [%]."},
    {M::FilterActualResinVolumeDiffers, "Filter: Actual resin volume differs from calculated resin volume by more than "
                                        "$(warn.limit.resin.volumes). Consider checking the service time."},
    {M::RegenerationSequenceAcidInjectionVelocityBelow,
     "Regeneration sequence: The acid injection velocity is below the recommended limit."},
    {M::RegenerationSequenceCausticInjectionVelocityBelow,
     "Regeneration sequence: The caustic injection velocity is below the recommended limit."},
    {M::RegenerationSequenceBackwashSeparationVelocityChanged,
     "Regeneration sequence: The backwash separation velocity has been changed."},
    {M::RegenerationSequenceFirstDisplacementVolumeAbove,
     "Regeneration sequence: The first displacement volume is above the freeboard volume."},
    {M::RegenerationSequenceSecondDisplacementVolumeAbove,
     "Regeneration sequence: The second displacement volume is above the freeboard volume."},
    {M::SpecificConsumptionConditioningChemical,
     "Specific consumption of conditioning chemical exceeds $(cond.consumption.th.init,max), risking over-treatment."},
    {M::FilterResinBedHeightBelow, "Filter: Resin bed height is below recommended limit."},
};

constexpr M kDisplayOrder[] = {
    M::ResinAndRegenerantsResinDefaultValuesEdited,
    M::FeedFlowRateHigh,
    M::FeedRunningTimePlantAbove,
    M::FeedEnteredIonConcentrationDiffers,
    M::FeedTemperatureAboveRecommendedLimit,
    M::ResinAndRegenerantsDefaultTotalCapacityEdited,
    M::FilterFreeboardHeightAboveRecommended,
    M::FilterFreeboardRatioBelowRecommended,
    M::FilterFreeboardRatioAboveRecommended,
    M::FilterCylindricalHeightAboveRecommended,
    M::FilterOperatingCapacityOneResin,
    M::FilterActualOperatingCapacityOne,
    M::FilterPressureDropAboveRecommended,
    M::FilterResinBedHeightBelow,
    M::FilterResinBedHeightAbove,
    M::RegenerationSequenceDefaultValuesEdited,
    M::ExternalBackwashFilterCylindricalHeightAboveRecommended,
    M::ExternalBackwashFilterColumnVolumeTooSmall,
    M::FilterTotalCylindricalHeightZero,
    M::ResinAndRegenerantsRegenerationVolumeBelowRecommended,
    M::RegenerationSequenceBackwashBedExpansionAbove,
    M::FilterActualResinVolumeDiffers,
    M::RegenerationSequenceAcidInjectionVelocityBelow,
    M::RegenerationSequenceCausticInjectionVelocityBelow,
    M::RegenerationSequenceBackwashSeparationVelocityChanged,
    M::RegenerationSequenceFirstDisplacementVolumeAbove,
    M::RegenerationSequenceSecondDisplacementVolumeAbove,
    M::SpecificConsumptionConditioningChemical,
};

constexpr M kGroup0[] = {
    M::FeedFlowRateHigh,
    M::FeedRunningTimePlantAbove,
    M::FeedEnteredIonConcentrationDiffers,
    M::FeedTemperatureAboveRecommendedLimit,
};
constexpr M kGroup2[] = {
    M::ResinAndRegenerantsResinDefaultValuesEdited,
    M::ResinAndRegenerantsDefaultTotalCapacityEdited,
    M::ResinAndRegenerantsRegenerationVolumeBelowRecommended,
    M::SpecificConsumptionConditioningChemical,
};
constexpr M kGroup3[] = {
    M::ResinAndRegenerantsDefaultTotalCapacityEdited,
    M::FilterResinBedHeightBelow,
    M::FilterFreeboardHeightAboveRecommended,
    M::FilterFreeboardRatioBelowRecommended,
    M::FilterFreeboardRatioAboveRecommended,
    M::FilterCylindricalHeightAboveRecommended,
    M::FilterActualOperatingCapacityOne,
    M::FilterOperatingCapacityOneResin,
    M::FilterPressureDropAboveRecommended,
    M::FilterResinBedHeightAbove,
    M::FilterTotalCylindricalHeightZero,
    M::FilterActualResinVolumeDiffers,
};
constexpr M kGroup5[] = {
    M::RegenerationSequenceDefaultValuesEdited,
    M::ExternalBackwashFilterCylindricalHeightAboveRecommended,
    M::ExternalBackwashFilterColumnVolumeTooSmall,
    M::RegenerationSequenceBackwashBedExpansionAbove,
    M::RegenerationSequenceAcidInjectionVelocityBelow,
    M::RegenerationSequenceCausticInjectionVelocityBelow,
    M::RegenerationSequenceBackwashSeparationVelocityChanged,
    M::RegenerationSequenceFirstDisplacementVolumeAbove,
    M::RegenerationSequenceSecondDisplacementVolumeAbove,
};

constexpr TableGroup<M, G> kGroups[] = {
    {G::Feed, kGroup0},   {G::Unused1, {}}, {G::ResinAndRegenerants, kGroup2},
    {G::Filter, kGroup3}, {G::Unused4, {}}, {G::RegenerationSequence, kGroup5},
    {G::Unused6, {}},
};

} // namespace

std::unique_ptr<IMessageManager> CreateFOODCMessageManager()
{
    return MakeManager<M, G>(kEntries, kGroups, kDisplayOrder);
}

} // namespace messages
