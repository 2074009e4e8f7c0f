#pragma once
#include "vdcommon/Export.h"

#include <wx/string.h>
#include <wx/xml/xml.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct XsltStageTimes; // a breakdown of one transformation's time, for benchmarks

// Turns the host's project data trees into one tree of report markup: the general
// specification style sheet over the general tree and one style sheet per active
// report over that report's tree, run at the same time on worker threads and merged
// in the order of the input.

class VDCOMMON_API ProjectDataToXmlConverter
{
public:
    // The project data of one report section.
    struct ReportDataEntry {
        wxXmlNode* data = nullptr;
        wxString name;
    };

    // An ion-exchange arrangement type with its graphic keys.
    using GraphicConfigType = std::pair<std::string, std::vector<std::string>>;

    // What the host hands over for one report run. Copying it copies the strings and
    // lists; the tree pointers are shared. The trees that a run transforms are
    // deleted by it, at the latest when the converter goes: they must be roots of
    // their own and are not used afterwards.
    struct Input {
        wxXmlNode* projectData = nullptr;
        std::vector<ReportDataEntry> reportData;
        wxString unitSystem;
        wxString styleSheetDirectory;
        wxString decimalSeparator;
        std::vector<std::vector<GraphicConfigType>> graphicConfigTypes;
    };

    // A report the user asked for.
    struct ActiveReport {
        std::string name;
        int pageList = 0;
        std::string styleSheet;
    };

    ProjectDataToXmlConverter(const Input& input, const std::vector<ActiveReport>& activeReports);

    // The merged markup, owned by the caller. Consumes the transformed trees. Throws
    // std::runtime_error (the first failing task in input order) only after every
    // task has finished. The markup is handed over as soon as the last task is done;
    // the workers then free the project trees and libxml2's documents beside the
    // caller's next step, and the converter waits for them when it goes.
    std::unique_ptr<wxXmlNode> GetAsXml() const;

    // The steps GetAsXml runs for its trees, public so that their cost can be
    // measured one by one.

    // The document's text exactly as wxXmlDocument::Save with an indentation of 2
    // writes it, in UTF-8. False when Save fails (no root element, text that cannot
    // be written as UTF-8).
    static bool SerialiseToUtf8(const wxXmlDocument& document, std::string& utf8);

    // One tree's whole way as a worker of GetAsXml takes it, with everything freed
    // before it returns: the tree is taken over (and deleted as soon as it is
    // written as text), the style sheet applied and its result returned.
    // `saveFailure` is the message when the tree cannot be written; `times`, when
    // given, gets the time of each stage added.
    static std::unique_ptr<wxXmlNode> TransformTree(wxXmlNode* tree, const wxString& styleSheetPath,
                                                    const wxString& unitSystem, const wxString& decimalSeparator,
                                                    int pageList, const std::string& saveFailure,
                                                    XsltStageTimes* times = nullptr);

    // The first result with the children of the others appended in order, moved
    // rather than copied: the other results are left empty. Null when the list is
    // empty or its first result is null.
    static std::unique_ptr<wxXmlNode> MergeResults(std::vector<std::unique_ptr<wxXmlNode>>& results);

private:
    Input m_input;
    std::vector<ActiveReport> m_activeReports;
    // The workers of GetAsXml, still freeing after their results are handed over;
    // joined when the converter goes. The converter can be moved, not copied.
    mutable std::vector<std::jthread> m_cleanup;
};
