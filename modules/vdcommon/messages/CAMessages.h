#pragma once
// Design messages of the "CA" calculation module: identifiers, groups and the
// factory of its message manager. The texts live in CAMessages.cpp.
#include "vdcommon/messages/IMessageManager.h"

#include <memory>

namespace messages {

enum class CAMessages : int {
    FeedAnalysisTSSValueShouldBetween = 0,
    FeedAnalysisTSSLimitForReliableOperation = 1,
    FeedAnalysisHeavyMetalsValueSum = 2,
    FeedAnalysisAvoidPermanentDamageResin = 3,
    PlantDesignOperatingCapacityCaMg = 4,
    PlantDesignOperatingCapacitySrManually = 5,
    PlantDesignOperatingCapacityBaManually = 6,
    FeedAnalysisFirstFreelyEnteredCation = 7,
    FeedAnalysisSecondFreelyEnteredCation = 8,
    FeedAnalysisStrontiumSrStandardRange = 9,
    FeedAnalysisStrontiumSrConcentrationsAbove = 10,
    FeedAnalysisBariumBaStandardRange = 11,
    FeedAnalysisBariumBaConcentrationsAbove = 12,
    FeedAnalysisTemperatureStandardRange = 13,
    FeedAnalysisLowTemperaturesSignificantlyReduce = 14,
    FeedAnalysisTemperaturesAboveMightShorten = 15,
    FeedAnalysisAvoidPermanentDamageResinDo = 16,
    FeedAnalysisPHStandardRange = 17,
    FeedAnalysisLowPHSignificantlyReduces = 18,
    FeedAnalysisPrecipitationFormationColloidalSalts = 19,
    FeedAnalysisAvoidPermanentDamageResinDoNot = 20,
    FeedAnalysisAvoidPermanentDamageResinDoNotExceed = 21,
    FeedAnalysisRecommendedStandardRangeSum = 22,
    FeedAnalysisCalciumPrecipitation = 23,
    FeedAnalysisMagnesiumPrecipitation = 24,
    ArrangementSystemsFocusingRemovalBarium = 25,
    ResinAndRegenerantsRequestedCaMgEndpoint = 26,
    ResinAndRegenerantsStandardBackwashTemperatureRange = 27,
    ResinAndRegenerantsBedExpansion80Required = 28,
    ResinAndRegenerantsWhenUsingTESKType = 29,
    ResinAndRegenerantsCorvaneHClLow = 30,
    ResinAndRegenerantsCorvaneHClHigh = 31,
    ResinAndRegenerantsCorvaneNaOHLow = 32,
    ResinAndRegenerantsCorvaneNaOHHigh = 33,
    ResinAndRegenerantsCorvaneKOHLow = 34,
    ResinAndRegenerantsCorvaneKOHHigh = 35,
    ResinAndRegenerantsTeskHClLow = 36,
    ResinAndRegenerantsTeskHClHigh = 37,
    ResinAndRegenerantsTeskNaOHLow = 38,
    ResinAndRegenerantsTeskNaOHHigh = 39,
    ResinAndRegenerantsTeskKOHLow = 40,
    ResinAndRegenerantsTeskKOHHigh = 41,
    ResinAndRegenerantsHClRange150To180 = 42,
    ResinAndRegenerantsNaOHRange84To92 = 43,
    ResinAndRegenerantsKOHRange110To125 = 44,
    ResinAndRegenerantsHClRange175To200 = 45,
    ResinAndRegenerantsNaOHValue105 = 46,
    ResinAndRegenerantsKOHValue148 = 47,
    PlantDesignPressureDropCalculatedClean = 48,
    PlantDesignRecommendedNozzleCount = 49,
    PlantDesignRecommendedSpecicificFlowRate = 50,
    PlantDesignStandardSpecicificFlowRate = 51,
    PlantDesignSpecificFlowRatesAbove = 52,
    PlantDesignProvideLeast80Freeboard = 53,
    PlantDesignStandardCrossFlowVelocity = 54,
    PlantDesignStandardBedDepthRange = 55,
    PlantDesignMaximumPermittedPressureLoss = 56,
};

enum class CAMessageGroups : int {
    FeedAnalysis = 0,
    Unused1 = 1,
    FeedAnalysis2 = 2,
    Arrangement = 3,
    ResinAndRegenerants = 4,
    PlantDesign = 5,
    Unused6 = 6,
    Unused7 = 7,
};

// A new manager holding its own copy of the module's entries, all inactive.
std::unique_ptr<IMessageManager> CreateCAMessageManager();

} // namespace messages
