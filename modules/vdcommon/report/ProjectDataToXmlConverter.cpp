#include "vdcommon/report/ProjectDataToXmlConverter.h"

#include "vdcommon/printing/XMLHelpers.h"
#include "vdcommon/report/XsltInMemoryTransformer.h"
#include "vdcommon/utilities/LocaleGuard.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/sstream.h>

#include <future>
#include <stdexcept>

namespace {

const char* const generalStyleSheet = "general_specification.xsl";

// Report names and style-sheet names come as narrow text in the current locale's
// encoding. The conversion runs under the "C" locale, which cannot represent
// non-ASCII text; such names are read as UTF-8 (the host's narrow encoding)
// instead of silently becoming empty.
wxString NarrowToWx(const std::string& text)
{
    wxString converted(text.c_str(), *wxConvCurrent);
    if (converted.empty() && !text.empty())
        converted = wxString::FromUTF8(text);
    return converted;
}

wxString AbsoluteStyleSheetPath(const wxString& directory, const wxString& fileName)
{
    wxFileName path(directory, fileName);
    path.MakeAbsolute();
    return path.GetFullPath();
}

struct TaskArguments
{
    wxXmlNode* tree = nullptr;
    wxString styleSheetPath;
    wxString unitSystem;
    wxString decimalSeparator;
    int pageList = -1;
    std::string saveFailure;
};

// Runs on a worker thread. The tree becomes the root of the worker's own document
// and is deleted with it, whatever happens.
std::unique_ptr<wxXmlNode> TransformTree(TaskArguments arguments)
{
    wxXmlDocument document;
    if (arguments.tree == nullptr)
        throw std::runtime_error(arguments.saveFailure);
    document.SetRoot(arguments.tree);

    wxString text;
    wxStringOutputStream stream(&text, wxConvUTF8);
    if (!document.Save(stream, 2))
        throw std::runtime_error(arguments.saveFailure);

    XsltInMemoryTransformer transformer;
    return std::unique_ptr<wxXmlNode>(transformer.Transform(text, arguments.styleSheetPath,
                                                            arguments.unitSystem,
                                                            arguments.decimalSeparator,
                                                            arguments.pageList));
}

} // namespace

ProjectDataToXmlConverter::ProjectDataToXmlConverter(const Input& input,
                                                     const std::vector<ActiveReport>& activeReports)
    : m_input(input), m_activeReports(activeReports)
{
}

std::unique_ptr<wxXmlNode> ProjectDataToXmlConverter::GetAsXml() const
{
    LocaleGuard cLocale("C");
    // libxml2 must be set up on one thread before several use it.
    XsltInMemoryTransformer::InitialiseLibraries();

    // Looked up here rather than on the workers: the translation catalogue belongs
    // to the host's thread.
    const std::string saveFailure =
        wxGetTranslation("Unable to save project data structure to stream").utf8_string();

    std::vector<TaskArguments> tasks;
    tasks.push_back({m_input.projectData,
                     AbsoluteStyleSheetPath(m_input.styleSheetDirectory, generalStyleSheet),
                     m_input.unitSystem, m_input.decimalSeparator, -1, saveFailure});
    for (const ReportDataEntry& entry : m_input.reportData) {
        for (const ActiveReport& report : m_activeReports) {
            if (NarrowToWx(report.name) != entry.name)
                continue;
            tasks.push_back({entry.data,
                             AbsoluteStyleSheetPath(m_input.styleSheetDirectory, NarrowToWx(report.styleSheet)),
                             m_input.unitSystem, m_input.decimalSeparator, report.pageList, saveFailure});
            break;
        }
    }

    // A future of std::async waits for its task when destroyed, so no path out of
    // this function leaves a task running; results nobody collected are released
    // with their futures.
    std::vector<std::future<std::unique_ptr<wxXmlNode>>> futures;
    futures.reserve(tasks.size());
    for (TaskArguments& task : tasks)
        futures.push_back(std::async(std::launch::async, TransformTree, std::move(task)));

    for (auto& future : futures)
        future.wait();

    std::vector<std::unique_ptr<wxXmlNode>> results;
    results.reserve(futures.size());
    for (auto& future : futures)
        results.push_back(future.get());

    std::vector<wxXmlNode*> roots;
    roots.reserve(results.size());
    for (const auto& result : results)
        roots.push_back(result.get());
    std::unique_ptr<wxXmlNode> merged = XMLHelpers::MergeNodes(roots);
    if (!merged)
        throw std::runtime_error("PDF Report: Markup invalid.");
    return merged;
}
