#include "vdcommon/printing/VireldaReportConfig.h"

#include "vdcommon/printing/ReportForward.h"

VireldaReportConfig::VireldaReportConfig() = default;
VireldaReportConfig::~VireldaReportConfig() = default;
VireldaReportConfig::VireldaReportConfig(VireldaReportConfig&&) noexcept = default;
VireldaReportConfig& VireldaReportConfig::operator=(VireldaReportConfig&&) noexcept = default;
