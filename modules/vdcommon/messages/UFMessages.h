#pragma once
// Design messages of the "UF" calculation module: identifiers, groups and the
// factory of its message manager. The texts live in UFMessages.cpp.
#include "vdcommon/messages/IMessageManager.h"

#include <memory>

namespace messages {

enum class UFMessages : int {
    DesignBackwashFrequencyDiffersFrom = 0,
    DesignAcidMaintenanceCleaningFrequency = 1,
    DesignBaseMaintenanceCleaningFrequency = 2,
    DesignHypochloriteMaintenanceCleaningFrequency = 3,
    WaterAnalysisSourceFlowAboveRecommended = 4,
    WaterAnalysisTemperatureAboveRecommendedLimit = 5,
    WaterAnalysisSDIAboveRecommendedLimit = 6,
    WaterAnalysisTSSAboveRecommendedLimit = 7,
    WaterAnalysisNonPolarOrganicSubstances = 8,
    WaterAnalysisTurbidityAboveRecommendedLimit = 9,
};

enum class UFMessageGroups : int {
    WaterAnalysis = 0,
    Design = 2,
};

// A new manager holding its own copy of the module's entries, all inactive.
std::unique_ptr<IMessageManager> CreateUFMessageManager();

} // namespace messages
