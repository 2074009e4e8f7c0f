#pragma once
// Reads one project file (docs/project-file.md) and turns it into what the report
// pipeline needs: the converter input, the reports to include and the report
// configuration.
#include "host/MessageFormatter.h"
#include "vdcommon/printing/VireldaReportConfig.h"
#include "vdcommon/report/ProjectDataToXmlConverter.h"

#include <wx/xml/xml.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vdhost {

// A project file that cannot be used; the text names the file and, where known, the line.
class ProjectFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// An unknown report name or other mistake of the caller's choices.
class ReportSelectionError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct ProjectSettings {
    std::string longTitle;
    std::string shortTitle;
    std::string author;
    std::string projectNumber;
    std::string projectTitle;
    std::string projectAgent;
    std::string companyLogo;     // absolute path, or empty
    std::string companyLogoName; // as written in the project file
    std::string language = "en_GB";
    std::string unitSystem = "metric";
    std::string decimalSeparator = ".";
    // Absolute; empty when the project file names none (the host supplies its own).
    std::string styleSheetDirectory;
    std::string resourceDirectory;
    std::string localeDirectory;
};

struct ProjectReport {
    std::string name;
    std::string styleSheet;
    int pageList = 0;
    bool active = true;
    std::unique_ptr<wxXmlNode> data;
};

struct ProjectGraphic {
    std::string projectUuid;
    std::string stepId;
    std::string svg; // the embedded SVG document as text
};

struct ProjectFile {
    std::string path;
    std::string version;
    ProjectSettings settings;
    std::unique_ptr<wxXmlNode> general;
    std::vector<ProjectReport> reports;
    std::vector<LimitEntry> limits;
    std::vector<ProjectGraphic> graphics;
};

// Which report sections keep their data: all, none (a listing), the active ones, or
// those named. The others are listed (name, style sheet, flags) without data.
struct SectionFilter {
    enum class Mode {
        All,
        None,
        Active,
        Named
    };
    Mode mode = Mode::All;
    std::vector<std::string> names;
};

// Throws ProjectFileError for a missing, unreadable, malformed or incomplete file.
ProjectFile ReadProjectFile(const std::string& path, const SectionFilter& sections = {});

// Choices of the caller that override the project file.
struct ReportOptions {
    std::vector<std::string> reports; // empty: the reports marked active
    std::optional<std::string> language;
    std::optional<std::string> unitSystem;
    std::optional<std::string> decimalSeparator;
    std::optional<std::string> styleSheetDirectory;
    std::optional<std::string> resourceDirectory;
    std::optional<std::string> fontDirectory;
    std::string versionInfo;
    std::string outputFile;
};

struct ReportRun {
    ProjectDataToXmlConverter::Input input;
    std::vector<ProjectDataToXmlConverter::ActiveReport> activeReports;
    VireldaReportConfig config;
    std::string language;
    // The trees handed over in `input`; the pipeline deletes those it transforms,
    // so only the rest are released here.
    std::vector<wxXmlNode*> untransformed;

    ReportRun() = default;
    ReportRun(ReportRun&&) = default;
    ~ReportRun();
};

// Applies the options to the project and takes its trees over. Throws
// ReportSelectionError for an unknown report name and ProjectFileError for a
// missing style sheet, resource or font folder.
ReportRun PrepareReportRun(ProjectFile&& project, const ReportOptions& options);

} // namespace vdhost
