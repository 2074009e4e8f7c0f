#include "vdcommon/messages/UFMessages.h"

#include "vdcommon/messages/MessageManager.h"
#include "vdcommon/messages/MessageTable.h"

namespace messages {

namespace {

using M = UFMessages;
using G = UFMessageGroups;

// Entries in the order the module numbers them; non-ASCII characters are written as
// UTF-8 byte escapes so the source stays ASCII.
constexpr TableEntry<M> kEntries[] = {
    {M::DesignBackwashFrequencyDiffersFrom, "Design: Backwash frequency differs from design guidelines."},
    {M::DesignAcidMaintenanceCleaningFrequency,
     "Design: Acid maintenance cleaning frequency differs from design guidelines."},
    {M::DesignBaseMaintenanceCleaningFrequency,
     "Design: Base maintenance cleaning frequency differs from design guidelines."},
    {M::DesignHypochloriteMaintenanceCleaningFrequency,
     "Design: Hypochlorite maintenance cleaning frequency differs from design guidelines."},
    {M::WaterAnalysisSourceFlowAboveRecommended,
     "Water analysis: Source flow above the recommended limit of 10000 m\xC2\xB3/h."},
    {M::WaterAnalysisTemperatureAboveRecommendedLimit,
     "Water analysis: Temperature above the recommended limit of 45 \xC2\xB0"
     "C."},
    {M::WaterAnalysisSDIAboveRecommendedLimit, "Water analysis: SDI above the recommended limit of 20."},
    {M::WaterAnalysisTSSAboveRecommendedLimit, "Water analysis: TSS above the recommended limit of 500 ppm."},
    {M::WaterAnalysisNonPolarOrganicSubstances,
     "Water analysis: Non-polar organic substances above the recommended limit of 80."},
    {M::WaterAnalysisTurbidityAboveRecommendedLimit,
     "Water analysis: Turbidity above the recommended limit of 100 NTU"},
};

constexpr M kDisplayOrder[] = {
    M::WaterAnalysisTurbidityAboveRecommendedLimit,
    M::WaterAnalysisSourceFlowAboveRecommended,
    M::WaterAnalysisTemperatureAboveRecommendedLimit,
    M::WaterAnalysisSDIAboveRecommendedLimit,
    M::WaterAnalysisTSSAboveRecommendedLimit,
    M::WaterAnalysisNonPolarOrganicSubstances,
    M::DesignBackwashFrequencyDiffersFrom,
    M::DesignAcidMaintenanceCleaningFrequency,
    M::DesignBaseMaintenanceCleaningFrequency,
    M::DesignHypochloriteMaintenanceCleaningFrequency,
};

constexpr M kGroup0[] = {
    M::WaterAnalysisSourceFlowAboveRecommended, M::WaterAnalysisTemperatureAboveRecommendedLimit,
    M::WaterAnalysisSDIAboveRecommendedLimit,   M::WaterAnalysisTSSAboveRecommendedLimit,
    M::WaterAnalysisNonPolarOrganicSubstances,  M::WaterAnalysisTurbidityAboveRecommendedLimit,
};
constexpr M kGroup2[] = {
    M::DesignBackwashFrequencyDiffersFrom,
    M::DesignAcidMaintenanceCleaningFrequency,
    M::DesignBaseMaintenanceCleaningFrequency,
    M::DesignHypochloriteMaintenanceCleaningFrequency,
};

constexpr TableGroup<M, G> kGroups[] = {
    {G::WaterAnalysis, kGroup0},
    {G::Design, kGroup2},
};

} // namespace

std::unique_ptr<IMessageManager> CreateUFMessageManager()
{
    return MakeManager<M, G>(kEntries, kGroups, kDisplayOrder);
}

} // namespace messages
