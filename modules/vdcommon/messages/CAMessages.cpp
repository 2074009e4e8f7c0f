#include "vdcommon/messages/CAMessages.h"

#include "vdcommon/messages/MessageManager.h"
#include "vdcommon/messages/MessageTable.h"

namespace messages {

namespace {

using M = CAMessages;
using G = CAMessageGroups;

// Entries in the order the module numbers them; non-ASCII characters are written as
// UTF-8 byte escapes so the source stays ASCII.
constexpr TableEntry<M> kEntries[] = {
    {M::FeedAnalysisTSSValueShouldBetween,
     "Feed analysis: TSS value should be between $(tss.range,min) and $(tss.range,max)."},
    {M::FeedAnalysisTSSLimitForReliableOperation,
     "Feed analysis: Do not exceed 0.5 ppm of TSS. Reliable operation requires suitable pretreatment of the raw brine "
     "(precipitation) and filtration (1 micrometer; avoid cellulose)."},
    {M::FeedAnalysisHeavyMetalsValueSum,
     "Feed analysis: Heavy metals value is the sum of Cr, Mo, Mn, Co, Ni, Cu ,Zn, Cd, Pb, As, Sb; Hg is excluded."},
    {M::FeedAnalysisAvoidPermanentDamageResin, "Feed analysis: To avoid permanent damage to the resin, do not exceed "
                                               "200 ppb of Heavy Metals; minimal levels are recommended."},
    {M::PlantDesignOperatingCapacityCaMg, "Plant design: Operating capacity (Ca + Mg) has been manually overwritten."},
    {M::PlantDesignOperatingCapacitySrManually, "Plant design: Operating capacity (Sr) has been manually overwritten."},
    {M::PlantDesignOperatingCapacityBaManually, "Plant design: Operating capacity (Ba) has been manually overwritten."},
    {M::FeedAnalysisFirstFreelyEnteredCation, "Feed analysis: The first freely entered cation name is not recognized. "
                                              "Conversion to meq/L will default to Sodium (Na)."},
    {M::FeedAnalysisSecondFreelyEnteredCation, "Feed analysis: The second freely entered cation name is not "
                                               "recognized. Conversion to meq/L will default to Sodium (Na)."},
    {M::FeedAnalysisStrontiumSrStandardRange, "Feed analysis: Strontium (Sr) standard range is 0.1- 3 ppm."},
    {M::FeedAnalysisStrontiumSrConcentrationsAbove,
     "Feed analysis: Strontium (Sr) concentrations above 3 ppm may reduce brine purification efficiency."},
    {M::FeedAnalysisBariumBaStandardRange, "Feed analysis: Barium (Ba) standard range is  0.05-0.5 ppm."},
    {M::FeedAnalysisBariumBaConcentrationsAbove,
     "Feed analysis: Barium (Ba) concentrations above 1 ppm may reduce brine purification efficiency."},
    {M::FeedAnalysisTemperatureStandardRange,
     "Feed analysis: Temperature standard range is $(temp.standardrange,min) and $(temp.standardrange,max)."},
    {M::FeedAnalysisLowTemperaturesSignificantlyReduce,
     "Feed analysis: Low temperatures significantly reduce operating capacity."},
    {M::FeedAnalysisTemperaturesAboveMightShorten,
     "Feed analysis: Temperatures above $(temp.standardrange,max) might shorten the lifetime of the resin."},
    {M::FeedAnalysisAvoidPermanentDamageResinDo, "Feed analysis: To avoid permanent damage to the resin, do not exceed "
                                                 "100 ppb of Mercury (Hg); minimal levels are recommended."},
    {M::FeedAnalysisPHStandardRange, "Feed analysis: pH Standard range is 9-11. Optimum range 10-10.5."},
    {M::FeedAnalysisLowPHSignificantlyReduces, "Feed analysis: Low pH significantly reduces operating capacity and "
                                               "negatively affects the solubility behavior of the cations."},
    {M::FeedAnalysisPrecipitationFormationColloidalSalts,
     "Feed analysis: Precipitation or the formation of colloidal salts that are not retained by the resin may be "
     "caused by a pH >11.5."},
    {M::FeedAnalysisAvoidPermanentDamageResinDoNot,
     "Feed analysis: To avoid permanent damage to the resin, do not exceed 100 ppb of free chlorine; minimal levels "
     "are recommended - this applies to HCl as well.."},
    {M::FeedAnalysisAvoidPermanentDamageResinDoNotExceed, "Feed analysis: To avoid permanent damage to the resin, do "
                                                          "not exceed 1 ppm of H2O2; minimal levels are recommended."},
    {M::FeedAnalysisRecommendedStandardRangeSum, "Feed analysis: Recommended standard range for sum of Ca2+ and Mg2+ "
                                                 "is 0.1-3 ppm. Standard ratio of Ca2+ and Mg2+ is 3-5 :1."},
    {M::FeedAnalysisCalciumPrecipitation, "Feed analysis: Concentrations above 5-10 ppm of Ca2+ may cause "
                                          "precipitation of hardness, and reduce brine purification efficiency."},
    {M::FeedAnalysisMagnesiumPrecipitation, "Feed analysis: Concentrations above 5-10 ppm of Mg2+ may cause "
                                            "precipitation of hardness, and reduce brine purification."},
    {M::ArrangementSystemsFocusingRemovalBarium,
     "Arrangement: For systems focusing on the removal of barium (Ba) and strontium (Sr), merry-go-round operation is "
     "recommended over lead/lag to improve removal efficiency and regeneration levels."},
    {M::ResinAndRegenerantsRequestedCaMgEndpoint,
     "Resin and regenerants: Requested Ca + Mg endpoint is outside standard range of "
     "$(camg.endpoint.standardrange,min)-$(camg.endpoint.standardrange,max); results may be inaccurate."},
    {M::ResinAndRegenerantsStandardBackwashTemperatureRange,
     "Resin and regenerants: Standard backwash temperature range is "
     "$(bw.temp.standardrange,min)-$(bw.temp.standardrange,max)."},
    {M::ResinAndRegenerantsBedExpansion80Required,
     "Resin and regenerants: Bed expansion of 80% is required for effective backwash."},
    {M::ResinAndRegenerantsWhenUsingTESKType,
     "Resin and regenerants: When using TESK - type resins, select 0.2 mm Hastelloy nozzles, apply EPDM gaskets and "
     "account for 2-3x higher pressure drop compared to Corvane - type resins."},
    {M::ResinAndRegenerantsCorvaneHClLow,
     "Resin and regenerants: Recommended is $(corvane.hcl.warnlevel.low) of HCl for sufficient acid strength."},
    {M::ResinAndRegenerantsCorvaneHClHigh,
     "Resin and regenerants: Concentrations exceeding $(corvane.hcl.warnlevel.high) of HCl should exclusively be used "
     "for special cleaning to circumvent osmotic stress on resin."},
    {M::ResinAndRegenerantsCorvaneNaOHLow,
     "Resin and regenerants: Recommended standard value is $(corvane.naoh.warnlevel.low) of NaOH."},
    {M::ResinAndRegenerantsCorvaneNaOHHigh,
     "Resin and regenerants: Concentrations exceeding $(corvane.naoh.warnlevel.high) of NaOH are not recommended to "
     "circumvent osmotic stress on resin."},
    {M::ResinAndRegenerantsCorvaneKOHLow, "Resin and regenerants: Recommended standard value is 4-5% of KOH."},
    {M::ResinAndRegenerantsCorvaneKOHHigh,
     "Resin and regenerants: Concentrations exceeding $(corvane.koh.warnlevel.high) of KOH are not recommended to "
     "circumvent osmotic stress on resin."},
    {M::ResinAndRegenerantsTeskHClLow,
     "Resin and regenerants: Recommended is $(tesk.hcl.warnlevel.low) of HCl for sufficient acid strength."},
    {M::ResinAndRegenerantsTeskHClHigh,
     "Resin and regenerants: Concentrations exceeding $(tesk.hcl.warnlevel.high) of HCl should exclusively be used for "
     "special cleaning to circumvent osmotic stress on resin."},
    {M::ResinAndRegenerantsTeskNaOHLow,
     "Resin and regenerants: Recommended standard value is $(tesk.naoh.warnlevel.low) of NaOH."},
    {M::ResinAndRegenerantsTeskNaOHHigh, "Resin and regenerants: Concentrations exceeding $(tesk.naoh.warnlevel.high) "
                                         "of NaOH are not recommended to circumvent osmotic stress on resin."},
    {M::ResinAndRegenerantsTeskKOHLow, "Resin and regenerants: Recommended standard value is 4-5% of KOH."},
    {M::ResinAndRegenerantsTeskKOHHigh, "Resin and regenerants: Concentrations exceeding $(tesk.koh.warnlevel.high) of "
                                        "KOH are not recommended to circumvent osmotic stress on resin."},
    {M::ResinAndRegenerantsHClRange150To180,
     "Resin and regenerants: Standard range is 150-180 g/l of HCl; higher values may improve regeneration level."},
    {M::ResinAndRegenerantsNaOHRange84To92,
     "Resin and regenerants: Standard range is 84-92 g/l of NaOH; higher values do not improve performance."},
    {M::ResinAndRegenerantsKOHRange110To125,
     "Resin and regenerants: Standard range is 110-125 g/l of KOH; higher values do not improve performance."},
    {M::ResinAndRegenerantsHClRange175To200,
     "Resin and regenerants: Standard range is 175-200 g/l of HCl; higher values may improve regeneration level."},
    {M::ResinAndRegenerantsNaOHValue105,
     "Resin and regenerants: Standard value is 105 g/l of NaOH; higher values do not improve performance."},
    {M::ResinAndRegenerantsKOHValue148,
     "Resin and regenerants: Standard value is 148 g/l of KOH; higher values do not improve performance."},
    {M::PlantDesignPressureDropCalculatedClean, "Plant design: The pressure drop is calculated for clean resins. The "
                                                "presence of influent particulate matter will cause it to increase."},
    {M::PlantDesignRecommendedNozzleCount, "Plant design: Recommended nozzle count is 80/m2 (minimum 60/m2)."},
    {M::PlantDesignRecommendedSpecicificFlowRate,
     "Plant design: Recommended specicific flow rate standard range is 10\xE2\x80\x93"
     "18\xC2\xA0"
     "BV/h. Lower rates (<5\xC2\xA0"
     "BV/h) may lead to backmixing. "},
    {M::PlantDesignStandardSpecicificFlowRate,
     "Plant design: Standard specicific flow rate standard range is 10-18 BV/h."},
    {M::PlantDesignSpecificFlowRatesAbove,
     "Plant design: Specific flow rates above 20 BV/h significantly reduce brine purification efficiency."},
    {M::PlantDesignProvideLeast80Freeboard,
     "Plant design: Provide at least 80% freeboard to allow for a minimum of 80% bed expansion during backwashing."},
    {M::PlantDesignStandardCrossFlowVelocity, "Plant design: Standard cross flow velocity range is 25-30 m/h."},
    {M::PlantDesignStandardBedDepthRange,
     "Plant design: Standard bed depth range is 800-1600 mm for a typical industrial-sized unit."},
    {M::PlantDesignMaximumPermittedPressureLoss, "Plant design: The maximum permitted pressure loss is exceeded."},
};

// Every entry in identifier order.
constexpr M kDisplayOrder[] = {
    M::FeedAnalysisTSSValueShouldBetween,
    M::FeedAnalysisTSSLimitForReliableOperation,
    M::FeedAnalysisHeavyMetalsValueSum,
    M::FeedAnalysisAvoidPermanentDamageResin,
    M::PlantDesignOperatingCapacityCaMg,
    M::PlantDesignOperatingCapacitySrManually,
    M::PlantDesignOperatingCapacityBaManually,
    M::FeedAnalysisFirstFreelyEnteredCation,
    M::FeedAnalysisSecondFreelyEnteredCation,
    M::FeedAnalysisStrontiumSrStandardRange,
    M::FeedAnalysisStrontiumSrConcentrationsAbove,
    M::FeedAnalysisBariumBaStandardRange,
    M::FeedAnalysisBariumBaConcentrationsAbove,
    M::FeedAnalysisTemperatureStandardRange,
    M::FeedAnalysisLowTemperaturesSignificantlyReduce,
    M::FeedAnalysisTemperaturesAboveMightShorten,
    M::FeedAnalysisAvoidPermanentDamageResinDo,
    M::FeedAnalysisPHStandardRange,
    M::FeedAnalysisLowPHSignificantlyReduces,
    M::FeedAnalysisPrecipitationFormationColloidalSalts,
    M::FeedAnalysisAvoidPermanentDamageResinDoNot,
    M::FeedAnalysisAvoidPermanentDamageResinDoNotExceed,
    M::FeedAnalysisRecommendedStandardRangeSum,
    M::FeedAnalysisCalciumPrecipitation,
    M::FeedAnalysisMagnesiumPrecipitation,
    M::ArrangementSystemsFocusingRemovalBarium,
    M::ResinAndRegenerantsRequestedCaMgEndpoint,
    M::ResinAndRegenerantsStandardBackwashTemperatureRange,
    M::ResinAndRegenerantsBedExpansion80Required,
    M::ResinAndRegenerantsWhenUsingTESKType,
    M::ResinAndRegenerantsCorvaneHClLow,
    M::ResinAndRegenerantsCorvaneHClHigh,
    M::ResinAndRegenerantsCorvaneNaOHLow,
    M::ResinAndRegenerantsCorvaneNaOHHigh,
    M::ResinAndRegenerantsCorvaneKOHLow,
    M::ResinAndRegenerantsCorvaneKOHHigh,
    M::ResinAndRegenerantsTeskHClLow,
    M::ResinAndRegenerantsTeskHClHigh,
    M::ResinAndRegenerantsTeskNaOHLow,
    M::ResinAndRegenerantsTeskNaOHHigh,
    M::ResinAndRegenerantsTeskKOHLow,
    M::ResinAndRegenerantsTeskKOHHigh,
    M::ResinAndRegenerantsHClRange150To180,
    M::ResinAndRegenerantsNaOHRange84To92,
    M::ResinAndRegenerantsKOHRange110To125,
    M::ResinAndRegenerantsHClRange175To200,
    M::ResinAndRegenerantsNaOHValue105,
    M::ResinAndRegenerantsKOHValue148,
    M::PlantDesignPressureDropCalculatedClean,
    M::PlantDesignRecommendedNozzleCount,
    M::PlantDesignRecommendedSpecicificFlowRate,
    M::PlantDesignStandardSpecicificFlowRate,
    M::PlantDesignSpecificFlowRatesAbove,
    M::PlantDesignProvideLeast80Freeboard,
    M::PlantDesignStandardCrossFlowVelocity,
    M::PlantDesignStandardBedDepthRange,
    M::PlantDesignMaximumPermittedPressureLoss,
};

constexpr M kGroup0[] = {
    M::FeedAnalysisTSSValueShouldBetween,      M::FeedAnalysisHeavyMetalsValueSum,
    M::PlantDesignOperatingCapacityCaMg,       M::PlantDesignOperatingCapacitySrManually,
    M::PlantDesignOperatingCapacityBaManually, M::FeedAnalysisFirstFreelyEnteredCation,
    M::FeedAnalysisSecondFreelyEnteredCation,
};
constexpr M kGroup2[] = {
    M::FeedAnalysisTSSValueShouldBetween,
    M::FeedAnalysisTSSLimitForReliableOperation,
    M::FeedAnalysisHeavyMetalsValueSum,
    M::FeedAnalysisAvoidPermanentDamageResin,
    M::FeedAnalysisFirstFreelyEnteredCation,
    M::FeedAnalysisSecondFreelyEnteredCation,
    M::FeedAnalysisStrontiumSrStandardRange,
    M::FeedAnalysisStrontiumSrConcentrationsAbove,
    M::FeedAnalysisBariumBaStandardRange,
    M::FeedAnalysisBariumBaConcentrationsAbove,
    M::FeedAnalysisTemperatureStandardRange,
    M::FeedAnalysisLowTemperaturesSignificantlyReduce,
    M::FeedAnalysisTemperaturesAboveMightShorten,
    M::FeedAnalysisAvoidPermanentDamageResinDo,
    M::FeedAnalysisPHStandardRange,
    M::FeedAnalysisLowPHSignificantlyReduces,
    M::FeedAnalysisPrecipitationFormationColloidalSalts,
    M::FeedAnalysisAvoidPermanentDamageResinDoNot,
    M::FeedAnalysisAvoidPermanentDamageResinDoNotExceed,
    M::FeedAnalysisRecommendedStandardRangeSum,
    M::FeedAnalysisCalciumPrecipitation,
    M::FeedAnalysisMagnesiumPrecipitation,
};
constexpr M kGroup3[] = {
    M::ArrangementSystemsFocusingRemovalBarium,
};
constexpr M kGroup4[] = {
    M::ResinAndRegenerantsRequestedCaMgEndpoint,
    M::ResinAndRegenerantsStandardBackwashTemperatureRange,
    M::ResinAndRegenerantsBedExpansion80Required,
    M::ResinAndRegenerantsWhenUsingTESKType,
    M::ResinAndRegenerantsCorvaneHClLow,
    M::ResinAndRegenerantsCorvaneHClHigh,
    M::ResinAndRegenerantsCorvaneNaOHLow,
    M::ResinAndRegenerantsCorvaneNaOHHigh,
    M::ResinAndRegenerantsCorvaneKOHLow,
    M::ResinAndRegenerantsCorvaneKOHHigh,
    M::ResinAndRegenerantsTeskHClLow,
    M::ResinAndRegenerantsTeskHClHigh,
    M::ResinAndRegenerantsTeskNaOHLow,
    M::ResinAndRegenerantsTeskNaOHHigh,
    M::ResinAndRegenerantsTeskKOHLow,
    M::ResinAndRegenerantsTeskKOHHigh,
    M::ResinAndRegenerantsHClRange150To180,
    M::ResinAndRegenerantsNaOHRange84To92,
    M::ResinAndRegenerantsKOHRange110To125,
    M::ResinAndRegenerantsHClRange175To200,
    M::ResinAndRegenerantsNaOHValue105,
    M::ResinAndRegenerantsKOHValue148,
};
constexpr M kGroup5[] = {
    M::PlantDesignOperatingCapacityCaMg,       M::PlantDesignOperatingCapacitySrManually,
    M::PlantDesignOperatingCapacityBaManually, M::PlantDesignPressureDropCalculatedClean,
    M::PlantDesignRecommendedNozzleCount,      M::PlantDesignRecommendedSpecicificFlowRate,
    M::PlantDesignStandardSpecicificFlowRate,  M::PlantDesignSpecificFlowRatesAbove,
    M::PlantDesignProvideLeast80Freeboard,     M::PlantDesignStandardCrossFlowVelocity,
    M::PlantDesignStandardBedDepthRange,       M::PlantDesignMaximumPermittedPressureLoss,
};

constexpr TableGroup<M, G> kGroups[] = {
    {G::FeedAnalysis, kGroup0},
    {G::Unused1, {}},
    {G::FeedAnalysis2, kGroup2},
    {G::Arrangement, kGroup3},
    {G::ResinAndRegenerants, kGroup4},
    {G::PlantDesign, kGroup5},
    {G::Unused6, {}},
    {G::Unused7, {}},
};

} // namespace

std::unique_ptr<IMessageManager> CreateCAMessageManager()
{
    return MakeManager<M, G>(kEntries, kGroups, kDisplayOrder);
}

} // namespace messages
