#include "host/ProjectFile.h"

#include "host/BedExpansionFigures.h"

#include <fmt/format.h>
#include <libxml/parser.h>
#include <wx/file.h>
#include <wx/filename.h>
#include <wx/wfstream.h>
#include <wx/log.h>
#include <wx/sstream.h>
#include <wx/xml/xml.h>

#include "vdcommon/diagrams/VireldaReportDiagramFactory.h"
#include "vdcommon/printing/XMLHelpers.h"
#include "vdcommon/printing/XmlDocumentLoader.h"
#include "vdcommon/svg/SvgToPdfConverter.h"
#include "vdcommon/utilities/Diagnostics.h"
#include "vdcommon/svg/SvgGraphicInfo.h"
#include "vdcommon/utilities/InputFile.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cmath>
#include <limits>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vdhost {

namespace fs = std::filesystem;

namespace {

std::string U8(const wxString& s)
{
    return std::string(s.utf8_str());
}

std::string Attr(const wxXmlNode* node, const char* name, const std::string& fallback = {})
{
    wxString value;
    return node->GetAttribute(wxString::FromUTF8(name), &value) ? U8(value) : fallback;
}

std::string Text(const wxXmlNode* node)
{
    return U8(node->GetNodeContent().Strip(wxString::both));
}

std::optional<double> Number(const wxXmlNode* node, const char* name, const std::string& where)
{
    wxString value;
    if (!node->GetAttribute(wxString::FromUTF8(name), &value) || value.Strip(wxString::both).empty())
        return std::nullopt;
    const std::string s = U8(value.Strip(wxString::both));
    double v = 0.0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size())
        throw ProjectFileError(fmt::format("{}: attribute {}=\"{}\" is not a number", where, name, s));
    return v;
}

std::string Where(const std::string& path, const wxXmlNode* node)
{
    return node->GetLineNumber() > 0 ? fmt::format("{}:{}", path, node->GetLineNumber()) : path;
}

// Relative paths in the project file are relative to the file's folder.
std::string Resolve(const fs::path& base, const std::string& value)
{
    if (value.empty())
        return {};
    fs::path p(value);
    if (p.is_relative())
        p = base / p;
    return p.lexically_normal().string();
}

std::unique_ptr<wxXmlNode> Detach(wxXmlNode* parent, wxXmlNode* child)
{
    parent->RemoveChild(child);
    child->SetParent(nullptr);
    child->SetNext(nullptr);
    return std::unique_ptr<wxXmlNode>(child);
}

// Every <report> is checked and listed as the reader meets it; only the sections the
// run needs keep their data, so a large section left out takes no memory.
class ReportListing
{
public:
    ReportListing(const std::string& path, const SectionFilter& sections) : path(path), sections(sections) {}

    XMLHelpers::ElementFilter Filter()
    {
        return [this](std::size_t depth, const char* element, const char** attributes, int line) {
            if (depth != 2 || std::strcmp(element, "report") != 0)
                return true;
            return List(attributes, line);
        };
    }

    // The first problem met while listing, or empty.
    const std::string& Error() const { return error; }

    // The next kept report's slot for the data of the next <report> element.
    std::unique_ptr<wxXmlNode>* NextData()
    {
        while (next < listed.size() && !listed[next].kept)
            ++next;
        return next < listed.size() ? &listed[next++].report.data : nullptr;
    }

    void MoveInto(std::vector<ProjectReport>& reports)
    {
        for (Listed& l : listed)
            reports.push_back(std::move(l.report));
    }

private:
    struct Listed {
        ProjectReport report;
        bool kept = true;
    };

    bool List(const char** attributes, int line)
    {
        ProjectReport r;
        std::string active = "1", pageList;
        for (const char** a = attributes; *a; a += 2) {
            const std::string key = a[0];
            if (key == "name")
                r.name = a[1];
            else if (key == "stylesheet")
                r.styleSheet = a[1];
            else if (key == "active")
                active = a[1];
            else if (key == "pagelist")
                pageList = a[1];
        }
        r.active = active != "0";
        const std::string problem = Check(r, pageList, fmt::format("{}:{}", path, line));
        if (!problem.empty() && error.empty())
            error = problem;
        const bool keep = Keep(r);
        listed.push_back({std::move(r), keep});
        return keep;
    }

    std::string Check(ProjectReport& r, const std::string& pageList, const std::string& where) const
    {
        if (r.name.empty() || r.styleSheet.empty())
            return fmt::format("{}: <report> needs the attributes name and stylesheet", where);
        for (const Listed& other : listed)
            if (other.report.name == r.name)
                return fmt::format("{}: report \"{}\" defined twice", where, r.name);
        const std::string trimmed = U8(wxString::FromUTF8(pageList).Strip(wxString::both));
        if (trimmed.empty())
            return {};
        double v = 0.0;
        const auto [ptr, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), v);
        if (ec != std::errc() || ptr != trimmed.data() + trimmed.size())
            return fmt::format("{}: attribute pagelist=\"{}\" is not a number", where, trimmed);
        if (!(std::fabs(v) <= std::numeric_limits<int>::max()))
            return fmt::format("{}: pagelist=\"{}\" is out of range", where, trimmed);
        r.pageList = static_cast<int>(v);
        return {};
    }

    bool Keep(const ProjectReport& r) const
    {
        switch (sections.mode) {
        case SectionFilter::Mode::All: return true;
        case SectionFilter::Mode::None: return false;
        case SectionFilter::Mode::Active: return r.active;
        case SectionFilter::Mode::Named:
            return std::find(sections.names.begin(), sections.names.end(), r.name) != sections.names.end();
        }
        return true;
    }

    const std::string& path;
    const SectionFilter& sections;
    std::vector<Listed> listed;
    std::size_t next = 0;
    std::string error;
};

// Streamed from the file: UTF-8, UTF-16 with its byte order mark, ISO-8859-1 and
// single-byte code pages, in linear time and without a copy of the whole text.
void LoadProjectTree(const std::string& path, wxXmlDocument& doc, ReportListing& listing)
{
    std::uint64_t size = 0;
    int fd = -1;
    try {
        fd = inputfile::Open(path, "project file", size);
    } catch (const inputfile::InputFileError& e) {
        throw ProjectFileError(e.what());
    }
    wxFile file(fd);
    wxFileInputStream stream(file);
    XMLHelpers::XmlLoadError error;
    bool unknownEncoding = false;
    bool loaded = XMLHelpers::LoadXmlDocument(doc, stream, wxXMLDOC_NONE, error, unknownEncoding, listing.Filter());
    if (unknownEncoding) {
        // An encoding only libxml2 knows: read whole and converted.
        std::string text;
        try {
            text = inputfile::Read(path, "project file");
        } catch (const inputfile::InputFileError& e) {
            throw ProjectFileError(e.what());
        }
        error = {};
        loaded = XMLHelpers::LoadXmlDocument(doc, text.data(), text.size(), wxXMLDOC_NONE, error);
    }
    if (!loaded)
        throw ProjectFileError(fmt::format("{}:{}: malformed XML: {}", path, error.line, error.message));
    if (!listing.Error().empty())
        throw ProjectFileError(listing.Error());
    if (!doc.GetRoot())
        throw ProjectFileError(fmt::format("{}: cannot be loaded as XML", path));
}

void ReadConfig(const std::string& path, const fs::path& base, const wxXmlNode* config, ProjectSettings& s)
{
    for (wxXmlNode* f = config->GetChildren(); f; f = f->GetNext()) {
        if (f->GetType() != wxXML_ELEMENT_NODE)
            continue;
        const std::string key = U8(f->GetName());
        const std::string value = Text(f);
        if (key == "longtitle")
            s.longTitle = value;
        else if (key == "shorttitle")
            s.shortTitle = value;
        else if (key == "author")
            s.author = value;
        else if (key == "projectnumber")
            s.projectNumber = value;
        else if (key == "projecttitle")
            s.projectTitle = value;
        else if (key == "projectagent")
            s.projectAgent = value;
        else if (key == "companylogo") {
            s.companyLogo = Resolve(base, value);
            s.companyLogoName = value;
        } else if (key == "language")
            s.language = value;
        else if (key == "unitsystem")
            s.unitSystem = value;
        else if (key == "decimalseparator")
            s.decimalSeparator = U8(f->GetNodeContent());
        else if (key == "stylesheets")
            s.styleSheetDirectory = Resolve(base, value);
        else if (key == "resources")
            s.resourceDirectory = Resolve(base, value);
        else if (key == "locale")
            s.localeDirectory = Resolve(base, value);
        else
            throw ProjectFileError(fmt::format("{}: unknown configuration field <{}>", Where(path, f), key));
    }
}

void ReadLimits(const std::string& path, const wxXmlNode* section, std::vector<LimitEntry>& limits)
{
    for (wxXmlNode* l = section->GetChildren(); l; l = l->GetNext()) {
        if (l->GetType() != wxXML_ELEMENT_NODE)
            continue;
        const std::string where = Where(path, l);
        if (l->GetName() != wxS("limit"))
            throw ProjectFileError(fmt::format("{}: unexpected <{}> in <limits>", where, U8(l->GetName())));
        LimitEntry e;
        e.key = Attr(l, "key");
        if (e.key.empty())
            throw ProjectFileError(fmt::format("{}: <limit> without key", where));
        e.module = Attr(l, "module");
        e.value = Number(l, "value", where);
        e.min = Number(l, "min", where);
        e.max = Number(l, "max", where);
        e.unit = Attr(l, "unit");
        if (const auto d = Number(l, "decimals", where))
            e.decimals = std::clamp(static_cast<int>(*d), 0, 12);
        limits.push_back(std::move(e));
    }
}

void ReadGraphics(const std::string& path, const wxXmlNode* section, std::vector<ProjectGraphic>& graphics)
{
    for (wxXmlNode* g = section->GetChildren(); g; g = g->GetNext()) {
        if (g->GetType() != wxXML_ELEMENT_NODE || g->GetName() != wxS("graphic"))
            continue;
        ProjectGraphic graphic;
        graphic.projectUuid = Attr(g, "project");
        graphic.stepId = Attr(g, "stepid");
        for (wxXmlNode* svg = g->GetChildren(); svg; svg = svg->GetNext()) {
            if (svg->GetType() == wxXML_ELEMENT_NODE && svg->GetName() == wxS("svg")) {
                wxXmlDocument svgDoc;
                svgDoc.SetRoot(new wxXmlNode(*svg));
                wxStringOutputStream out;
                svgDoc.Save(out, 0);
                graphic.svg = U8(out.GetString());
            }
        }
        if (graphic.projectUuid.empty() || graphic.svg.empty())
            throw ProjectFileError(
                fmt::format("{}: <graphic> needs a project attribute and an <svg> child", Where(path, g)));
        graphics.push_back(std::move(graphic));
    }
}

} // namespace

ProjectFile ReadProjectFile(const std::string& path, const SectionFilter& sections)
{
    ReportListing listing(path, sections);
    wxXmlDocument doc;
    LoadProjectTree(path, doc, listing);
    wxXmlNode* root = doc.GetRoot();
    if (root->GetName() != wxS("vdproject"))
        throw ProjectFileError(
            fmt::format("{}: root element is <{}>, expected <vdproject>", Where(path, root), U8(root->GetName())));

    ProjectFile project;
    project.path = path;
    project.version = Attr(root, "version", "1");
    const fs::path base = fs::absolute(fs::path(path)).parent_path();

    std::vector<wxXmlNode*> children;
    for (wxXmlNode* c = root->GetChildren(); c; c = c->GetNext())
        if (c->GetType() == wxXML_ELEMENT_NODE)
            children.push_back(c);

    for (wxXmlNode* c : children) {
        const wxString name = c->GetName();
        if (name == wxS("config")) {
            ReadConfig(path, base, c, project.settings);
        } else if (name == wxS("general")) {
            if (project.general)
                throw ProjectFileError(fmt::format("{}: second <general> section", Where(path, c)));
            project.general = Detach(root, c);
        } else if (name == wxS("report")) {
            // Listed and checked while reading; here its data is attached.
            if (std::unique_ptr<wxXmlNode>* data = listing.NextData())
                *data = Detach(root, c);
        } else if (name == wxS("limits")) {
            ReadLimits(path, c, project.limits);
        } else if (name == wxS("graphics")) {
            ReadGraphics(path, c, project.graphics);
        } else {
            throw ProjectFileError(fmt::format("{}: unknown section <{}>", Where(path, c), U8(name)));
        }
    }
    if (!project.general)
        throw ProjectFileError(fmt::format("{}: the <general> section is missing", path));
    listing.MoveInto(project.reports);
    return project;
}

ReportRun::~ReportRun()
{
    for (wxXmlNode* node : untransformed)
        delete node;
}

namespace {

ProjectSettings WithOptions(ProjectSettings s, const ReportOptions& options)
{
    if (options.language)
        s.language = *options.language;
    if (options.unitSystem)
        s.unitSystem = *options.unitSystem;
    if (options.decimalSeparator)
        s.decimalSeparator = *options.decimalSeparator;
    if (options.styleSheetDirectory)
        s.styleSheetDirectory = fs::absolute(*options.styleSheetDirectory).string();
    if (options.resourceDirectory)
        s.resourceDirectory = fs::absolute(*options.resourceDirectory).string();
    return s;
}

// Folders, files and values the run needs, each refused with one line; the logo may
// move to the resource folder.
void CheckSettings(ProjectSettings& s, const ReportOptions& options)
{
    std::error_code ec;
    if (s.styleSheetDirectory.empty())
        throw ProjectFileError("no style sheet folder: name one in the project file or with --stylesheets");
    if (s.resourceDirectory.empty())
        throw ProjectFileError("no resource folder: name one in the project file or with --resources");
    // A logo named relative to the project and not found there is looked for in the
    // resource folder, so a project file can travel without its logo.
    if (!s.companyLogo.empty() && !fs::exists(s.companyLogo, ec) && fs::path(s.companyLogoName).is_relative()) {
        const fs::path fallback = fs::path(s.resourceDirectory) / s.companyLogoName;
        if (fs::is_regular_file(fallback, ec))
            s.companyLogo = fallback.lexically_normal().string();
    }
    if (!fs::is_directory(s.styleSheetDirectory, ec))
        throw ProjectFileError(fmt::format("style sheet folder not found: {}", s.styleSheetDirectory));
    if (!fs::is_regular_file(fs::path(s.styleSheetDirectory) / "general_specification.xsl", ec))
        throw ProjectFileError(fmt::format("style sheet not found: {}",
                                           (fs::path(s.styleSheetDirectory) / "general_specification.xsl").string()));
    if (!fs::is_directory(s.resourceDirectory, ec))
        throw ProjectFileError(fmt::format("resource folder not found: {}", s.resourceDirectory));
    if (options.fontDirectory && !fs::is_directory(*options.fontDirectory, ec))
        throw ProjectFileError(fmt::format("font folder not found: {}", *options.fontDirectory));
    if (!s.companyLogo.empty() && !fs::is_regular_file(s.companyLogo, ec))
        throw ProjectFileError(fmt::format("company logo not found: {}", s.companyLogo));
    // Both reach the style sheets as parameters: only the values they know pass.
    if (s.unitSystem != "metric" && s.unitSystem != "US")
        throw ProjectFileError(
            fmt::format("unknown unit system \"{}\" (use metric or US)",
                        s.unitSystem.size() > 40 ? s.unitSystem.substr(0, 40) + "..." : s.unitSystem));
    if (s.decimalSeparator != "." && s.decimalSeparator != ",")
        throw ReportSelectionError(
            fmt::format("decimal separator must be \".\" or \",\", not \"{}\"", s.decimalSeparator));
}

// The reports the caller named (each must exist), else the active ones.
std::vector<std::string> WantedReports(const ProjectFile& project, const ReportOptions& options)
{
    std::vector<std::string> wanted = options.reports;
    for (const auto& name : wanted) {
        const bool known = std::any_of(project.reports.begin(), project.reports.end(),
                                       [&](const ProjectReport& r) { return r.name == name; });
        if (!known) {
            std::string names;
            for (const auto& r : project.reports)
                names += (names.empty() ? "" : ", ") + r.name;
            throw ReportSelectionError(
                fmt::format("unknown report \"{}\" (the project has: {})", name, names.empty() ? "none" : names));
        }
    }
    if (wanted.empty())
        for (const auto& r : project.reports)
            if (r.active)
                wanted.push_back(r.name);
    return wanted;
}

// Computed figures go into the data before the style sheets see it, all of it before
// any tree is handed over, so a failure leaves nothing behind; data of reports not run
// is freed at once, before the report takes its memory.
void HandOverData(ProjectFile& project, const std::vector<std::string>& wanted, ProjectDataToXmlConverter::Input& input)
{
    auto selected = [&](const ProjectReport& r) {
        return std::find(wanted.begin(), wanted.end(), r.name) != wanted.end();
    };
    FillBedExpansionFigures(project.general.get(), project.path);
    for (auto& r : project.reports)
        if (selected(r))
            FillBedExpansionFigures(r.data.get(), project.path);
    input.projectData = project.general.release();
    for (auto& r : project.reports) {
        wxXmlNode* data = r.data.release();
        if (selected(r))
            input.reportData.push_back({data, wxString::FromUTF8(r.name)});
        else
            XMLHelpers::DeleteTree(data);
    }
}

// Embedded plant graphics, per project in file order: step N is the N-th graphic. They go
// through the SVG loader, so an embedded graphic keeps the same bounds as one from a file
// or the archive.
void AddProjectGraphics(const std::vector<ProjectGraphic>& graphics, const std::string& unitSystem,
                        VireldaReportConfig& c)
{
    for (const ProjectGraphic& graphic : graphics) {
        SvgGraphicInfo<ArchiveLoadPolicy> info;
        SvgDocumentLoad load = SvgToPdfConverter::LoadBytes(graphic.svg, "graphic of project " + graphic.projectUuid);
        if (!load.document || !load.document->GetRoot()) {
            diagnostics::Warning(load.error.empty() ? "plant graphic of project " + graphic.projectUuid + " left out"
                                                    : load.error);
            continue;
        }
        info.document = std::move(load.document);
        info.unitSystemId = wxString::FromUTF8(unitSystem);
        c.projectGraphics[wxString::FromUTF8(graphic.projectUuid)].push_back(std::move(info));
    }
}

void FillConfig(VireldaReportConfig& c, const ProjectSettings& s, const ReportOptions& options)
{
    c.longTitle = wxString::FromUTF8(s.longTitle);
    c.shortTitle = wxString::FromUTF8(s.shortTitle);
    c.versionInfo = wxString::FromUTF8(options.versionInfo);
    c.unitSystem = wxString::FromUTF8(s.unitSystem);
    c.author = wxString::FromUTF8(s.author);
    c.projectNumber = wxString::FromUTF8(s.projectNumber);
    c.projectTitle = wxString::FromUTF8(s.projectTitle);
    c.projectAgent = wxString::FromUTF8(s.projectAgent);
    c.pdfFileName = wxString::FromUTF8(options.outputFile);
    c.companyLogoPath = wxString::FromUTF8(s.companyLogo);
    c.language = wxString::FromUTF8(s.language);
    c.resourcePath = wxString::FromUTF8(s.resourceDirectory);
    c.fontSearchPath =
        options.fontDirectory ? wxString::FromUTF8(fs::absolute(*options.fontDirectory).string()) : wxString();
}

} // namespace

ReportRun PrepareReportRun(ProjectFile&& project, const ReportOptions& options)
{
    ProjectSettings s = WithOptions(project.settings, options);
    CheckSettings(s, options);
    const std::vector<std::string> wanted = WantedReports(project, options);

    ReportRun run;
    run.language = s.language;
    std::error_code ec;
    for (const auto& r : project.reports) {
        if (std::find(wanted.begin(), wanted.end(), r.name) == wanted.end())
            continue;
        if (!fs::is_regular_file(fs::path(s.styleSheetDirectory) / r.styleSheet, ec))
            throw ProjectFileError(fmt::format("style sheet of report \"{}\" not found: {}", r.name,
                                               (fs::path(s.styleSheetDirectory) / r.styleSheet).string()));
        run.activeReports.push_back({r.name, r.pageList, r.styleSheet});
    }

    run.input.unitSystem = wxString::FromUTF8(s.unitSystem);
    run.input.styleSheetDirectory = wxString::FromUTF8(s.styleSheetDirectory);
    run.input.decimalSeparator = wxString::FromUTF8(s.decimalSeparator);
    HandOverData(project, wanted, run.input);

    FillConfig(run.config, s, options);
    run.config.messageFormatter = std::make_unique<MessageFormatter>(std::move(project.limits), s.decimalSeparator);
    run.config.diagramFactory = std::make_unique<VireldaReportDiagramFactory>();
    AddProjectGraphics(project.graphics, s.unitSystem, run.config);
    return run;
}

} // namespace vdhost
