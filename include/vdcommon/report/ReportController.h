#pragma once
#include "vdcommon/Export.h"

#include "vdcommon/printing/VireldaReport.h"
#include "vdcommon/report/IPOParser.h"
#include "vdcommon/report/ITranslationProvider.h"
#include "vdcommon/report/ProjectDataToXmlConverter.h"

#include <wx/mstream.h>

#include <string>
#include <vector>

// The host's entry into reporting: project data through the style sheets to report
// markup, translation of the marked texts, and the PDF built from the markup.
class VDCOMMON_API ReportController
{
public:
    // The translation provider is kept by the report and must outlive the controller.
    ReportController(ProjectDataToXmlConverter::Input input, VireldaReportConfig&& config,
                     const ITranslationProvider& translationProvider);

    // Produces the report once; the project data trees are consumed by the first
    // call, so a second call fails instead of touching them. The returned stream
    // belongs to the controller and lives as long as it. Errors of every step reach
    // the caller unchanged.
    const wxMemoryOutputStream&
    CreateReportTranslated(const std::vector<ProjectDataToXmlConverter::ActiveReport>& activeReports,
                           const IPOParser& poParser, const std::string& language);

private:
    ProjectDataToXmlConverter::Input m_input;
    VireldaReport m_report;
};
