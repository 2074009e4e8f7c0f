#pragma once
// Design messages of the "FOODC" calculation module: identifiers, groups and the
// factory of its message manager. The texts live in FOODCMessages.cpp.
#include "vdcommon/messages/IMessageManager.h"

#include <memory>

namespace messages {

enum class FOODCMessages : int {
    ResinAndRegenerantsResinDefaultValuesEdited = 0,
    FeedFlowRateHigh = 1,
    FeedRunningTimePlantAbove = 2,
    FeedTemperatureAboveRecommendedLimit = 3,
    FilterFreeboardHeightAboveRecommended = 4,
    FilterFreeboardRatioBelowRecommended = 5,
    FilterFreeboardRatioAboveRecommended = 6,
    FilterCylindricalHeightAboveRecommended = 7,
    FilterOperatingCapacityOneResin = 8,
    FilterActualOperatingCapacityOne = 9,
    FilterPressureDropAboveRecommended = 10,
    FilterResinBedHeightAbove = 11,
    RegenerationSequenceDefaultValuesEdited = 12,
    FeedEnteredIonConcentrationDiffers = 13,
    ResinAndRegenerantsDefaultTotalCapacityEdited = 14,
    ExternalBackwashFilterCylindricalHeightAboveRecommended = 15,
    ExternalBackwashFilterColumnVolumeTooSmall = 16,
    FilterTotalCylindricalHeightZero = 17,
    ResinAndRegenerantsRegenerationVolumeBelowRecommended = 18,
    RegenerationSequenceBackwashBedExpansionAbove = 19,
    FilterActualResinVolumeDiffers = 20,
    RegenerationSequenceAcidInjectionVelocityBelow = 21,
    RegenerationSequenceCausticInjectionVelocityBelow = 22,
    RegenerationSequenceBackwashSeparationVelocityChanged = 23,
    RegenerationSequenceFirstDisplacementVolumeAbove = 24,
    RegenerationSequenceSecondDisplacementVolumeAbove = 25,
    SpecificConsumptionConditioningChemical = 26,
    FilterResinBedHeightBelow = 27,
};

enum class FOODCMessageGroups : int {
    Feed = 0,
    Unused1 = 1,
    ResinAndRegenerants = 2,
    Filter = 3,
    Unused4 = 4,
    RegenerationSequence = 5,
    Unused6 = 6,
};

// A new manager holding its own copy of the module's entries, all inactive.
std::unique_ptr<IMessageManager> CreateFOODCMessageManager();

} // namespace messages
