#include "vdcommon/report/ReportController.h"

#include "vdcommon/report/TranslateXmlNodes.h"

#include <wx/xml/xml.h>

#include <memory>
#include <utility>

namespace {

// The texts of "msg" elements and the "value" attributes of "replacement" elements.
const std::vector<TranslationRule>& MarkupTranslationRules()
{
    static const std::vector<TranslationRule> rules = {
        {0, "msg", ""},
        {1, "replacement", "value"},
    };
    return rules;
}

} // namespace

ReportController::ReportController(ProjectDataToXmlConverter::Input input, VireldaReportConfig&& config,
                                   const ITranslationProvider& translationProvider)
    : m_input(std::move(input)), m_report(std::move(config), translationProvider)
{}

const wxMemoryOutputStream&
ReportController::CreateReportTranslated(const std::vector<ProjectDataToXmlConverter::ActiveReport>& activeReports,
                                         const IPOParser& poParser, const std::string& language)
{
    const ProjectDataToXmlConverter converter(m_input, activeReports);
    // The converter deletes the trees it transforms, even when it fails; forget them
    // here so that a second call meets no dangling pointers. The trees it leaves alone
    // were never the controller's.
    m_input.projectData = nullptr;
    for (auto& entry : m_input.reportData)
        entry.data = nullptr;

    std::unique_ptr<wxXmlNode> markup = converter.GetAsXml();
    const TranslateXmlNodes translator(poParser, language, MarkupTranslationRules());
    translator.Translate(markup.get());
    // The report frees the markup piece by piece as it goes.
    return m_report.CreateReport(std::move(markup));
}
