// vdreport: writes the PDF design report of one project file.
//
//   vdreport [options] PROJECT_FILE
//
// Progress goes to standard error, one line per stage with its time; warnings are one
// line each ("vdreport: warning: ..."). Exit codes: 0 success, 2 usage error, 1 any
// other failure (one line naming the cause). The data (style sheets, resources,
// catalogues, resource archive, master database) is found relative to the program:
// <exe>/../share/vdcommon when installed, <exe>/../../share/vdcommon in the build tree.
#include "vdcommon/database/MasterDatabase.h"
#include "vdcommon/database/ProjectDatabase.h"
#include "host/HeadlessToolkit.h"
#include "host/PoCatalogue.h"
#include "host/ProjectFile.h"
#include "host/ToolkitTranslations.h"
#include "vdcommon/report/ReportController.h"
#include "vdcommon/utilities/Diagnostics.h"
#include "vdcommon/utilities/Limits.h"
#include "vdcommon/utilities/VDLocale.h"

#include "OutputFile.h"

#include <fmt/format.h>
#include <getopt.h>
#include <libxml/parser.h>
#include <wx/log.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#ifndef VD_VERSION
#define VD_VERSION "0.0.0"
#endif

namespace fs = std::filesystem;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char* const kUsage = R"(Usage: vdreport [options] PROJECT_FILE

Writes the PDF design report of PROJECT_FILE (see docs/project-file.md).

Options:
  -o, --output=FILE            PDF file to write (default: PROJECT_FILE's name with
                               .pdf, in the current folder)
  -r, --report=NAME[,NAME...]  include only these reports (repeatable; default: those
                               marked active)
      --list-reports           list the reports of PROJECT_FILE and exit
  -l, --language=LANG          report language, e.g. de_DE (default: project file,
                               then project database)
  -u, --unit-system=SYSTEM     metric or US (default: project file)
  -d, --decimal-separator=SEP  "." or "," (default: project file)
      --data-dir=DIR           data folder (style sheets, resources, locale, data/,
                               master.db; default: ../share/vdcommon beside the program)
      --stylesheets=DIR        folder of the style sheets
      --resources=DIR          folder of the product logo and resources
      --locale=DIR             folder of the catalogues (<DIR>/<lang>/*.po)
      --fonts=DIR              folder added to the font search path
      --master-db=FILE         master database (bed-expansion formulas)
      --project-db=FILE        project database ("/Settings/Language" when no
                               language is given)
      --xslt-timeout=SECONDS   stop a style sheet that runs longer (default: 300;
                               0: no limit)
      --strict                 treat every warning as an error (exit 1, no PDF)
  -q, --quiet                  no progress lines
  -v, --verbose                also the library's debug lines
  -V, --version                print the version and exit
  -h, --help                   print this help and exit

Long options may be shortened to any unambiguous prefix; "--" ends the options.
Exit status: 0 success, 1 failure, 2 usage error.
)";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Arguments {
    std::string projectFile;
    std::string output;
    std::optional<std::string> dataDir;
    std::optional<std::string> localeDir;
    std::optional<std::string> masterDb;
    std::optional<std::string> projectDb;
    std::optional<double> xsltTimeout;
    bool quiet = false;
    bool verbose = false;
    bool strict = false;
    bool listReports = false;
    bool help = false;
    bool version = false;
    vdhost::ReportOptions options;
};

enum LongOnly : int {
    kDataDir = 1000,
    kStyleSheets,
    kResources,
    kLocale,
    kFonts,
    kMasterDb,
    kProjectDb,
    kXsltTimeout,
    kStrict,
    kListReports,
};

void AddReports(Arguments& a, const std::string& list)
{
    std::size_t start = 0;
    while (start <= list.size()) {
        const auto comma = list.find(',', start);
        const std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (name.empty())
            throw UsageError("empty report name in --report");
        a.options.reports.push_back(name);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
}

const option kLongOptions[] = {
    {"output", required_argument, nullptr, 'o'},
    {"report", required_argument, nullptr, 'r'},
    {"list-reports", no_argument, nullptr, kListReports},
    {"language", required_argument, nullptr, 'l'},
    {"unit-system", required_argument, nullptr, 'u'},
    {"decimal-separator", required_argument, nullptr, 'd'},
    {"data-dir", required_argument, nullptr, kDataDir},
    {"stylesheets", required_argument, nullptr, kStyleSheets},
    {"resources", required_argument, nullptr, kResources},
    {"locale", required_argument, nullptr, kLocale},
    {"fonts", required_argument, nullptr, kFonts},
    {"master-db", required_argument, nullptr, kMasterDb},
    {"project-db", required_argument, nullptr, kProjectDb},
    {"xslt-timeout", required_argument, nullptr, kXsltTimeout},
    {"strict", no_argument, nullptr, kStrict},
    {"quiet", no_argument, nullptr, 'q'},
    {"verbose", no_argument, nullptr, 'v'},
    {"version", no_argument, nullptr, 'V'},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

double ParseSeconds(const std::string& value)
{
    char* end = nullptr;
    const double seconds = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0)
        throw UsageError(fmt::format("--xslt-timeout needs a number of seconds, not \"{}\"", value));
    return seconds;
}

// An option without its value, an unknown option, an ambiguous prefix or a value given
// to a flag, named in our own words. `previous` is the argument getopt looked at.
[[noreturn]] void ThrowOptionError(int c, int previous, int argc, char** argv)
{
    if (c == ':')
        throw UsageError(fmt::format("option {} needs a value",
                                     std::string(argv[optind - 1]).substr(0, std::string(argv[optind - 1]).find('='))));
    const std::string arg = previous < argc ? argv[previous] : "";
    if (arg.rfind("--", 0) == 0) {
        const std::string name =
            arg.substr(2, arg.find('=') == std::string::npos ? std::string::npos : arg.find('=') - 2);
        int matches = 0;
        for (const option* o = kLongOptions; o->name; ++o)
            if (std::string(o->name).rfind(name, 0) == 0)
                ++matches;
        if (matches == 1)
            throw UsageError(fmt::format("option --{} takes no value", name));
        if (matches > 1)
            throw UsageError(fmt::format("option --{} is ambiguous", name));
        throw UsageError(fmt::format("unknown option --{}", name));
    }
    throw UsageError(fmt::format("unknown option -{}", static_cast<char>(optopt)));
}

// Applies one option getopt recognised; false for one it did not.
bool ApplyOption(Arguments& a, int c, const std::string& value)
{
    switch (c) {
    case 'o': a.output = value; break;
    case 'r': AddReports(a, value); break;
    case 'l': a.options.language = value; break;
    case 'u':
        if (value != "metric" && value != "US")
            throw UsageError(fmt::format("unknown unit system \"{}\" (use metric or US)", value));
        a.options.unitSystem = value;
        break;
    case 'd':
        if (value != "." && value != ",")
            throw UsageError(fmt::format("decimal separator must be \".\" or \",\", not \"{}\"", value));
        a.options.decimalSeparator = value;
        break;
    case kDataDir: a.dataDir = value; break;
    case kStyleSheets: a.options.styleSheetDirectory = value; break;
    case kResources: a.options.resourceDirectory = value; break;
    case kLocale: a.localeDir = value; break;
    case kFonts: a.options.fontDirectory = value; break;
    case kMasterDb: a.masterDb = value; break;
    case kProjectDb: a.projectDb = value; break;
    case kXsltTimeout: a.xsltTimeout = ParseSeconds(value); break;
    case kStrict: a.strict = true; break;
    case kListReports: a.listReports = true; break;
    case 'q': a.quiet = true; break;
    case 'v': a.verbose = true; break;
    case 'V': a.version = true; break;
    case 'h': a.help = true; break;
    default: return false;
    }
    return true;
}

Arguments Parse(int argc, char** argv)
{
    Arguments a;
    opterr = 0; // the messages name the option in our own words
    optind = 1;
    for (;;) {
        const int previous = optind;
        const int c = getopt_long(argc, argv, ":o:r:l:u:d:qvVh", kLongOptions, nullptr);
        if (c == -1)
            break;
        if (!ApplyOption(a, c, optarg ? optarg : ""))
            ThrowOptionError(c, previous, argc, argv);
    }
    for (int i = optind; i < argc; ++i) {
        if (!a.projectFile.empty())
            throw UsageError(fmt::format("more than one project file: {} and {}", a.projectFile, argv[i]));
        a.projectFile = argv[i];
    }
    if (!a.help && !a.version && a.projectFile.empty())
        throw UsageError("no project file given");
    return a;
}

// One line, whatever the message holds: its lines are joined with "; ".
std::string OneLine(std::string_view text)
{
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r') {
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            if (!line.empty() && line.back() != ';' && i + 1 < text.size())
                line += "; ";
            continue;
        }
        line += c == '\t' ? ' ' : c;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

// What the library says, as the command line wants it: progress on standard error
// unless -q, debug lines only with -v, every warning as one "vdreport: warning:" line
// (counted for --strict). Error lines precede the exception that carries the cause,
// which main prints; they are detail, shown with -v.
class HostSink final : public diagnostics::Sink
{
public:
    HostSink(bool quiet_, bool verbose_) : quiet(quiet_), verbose(verbose_) {}
    void Write(diagnostics::Level level, std::string_view line) override
    {
        switch (level) {
        case diagnostics::Level::Debug:
            if (verbose)
                Print("debug: ", line);
            break;
        case diagnostics::Level::Info:
            if (!quiet)
                Print("", line);
            break;
        case diagnostics::Level::Warning:
            warnings.fetch_add(1);
            Print("warning: ", line);
            break;
        case diagnostics::Level::Error:
            if (verbose)
                Print("debug: ", line);
            break;
        }
    }
    int Warnings() const { return warnings.load(); }

private:
    static void Print(std::string_view prefix, std::string_view line)
    {
        const std::string text = fmt::format("vdreport: {}{}\n", prefix, OneLine(line));
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
    bool quiet;
    bool verbose;
    std::atomic<int> warnings{0};
};

// libxml2 reports some problems outside any transformation (while reading a document
// for a conversion, for example) through its generic handler, whose default writes to
// standard error: those lines are debug detail here.
extern "C" void XmlDebugLine(void*, const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    static thread_local std::string pending;
    pending += buffer;
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (line.find_first_not_of(" ^") != std::string::npos)
            diagnostics::Debug(line);
    }
}

class Progress
{
public:
    explicit Progress(bool quiet_) : quiet(quiet_), start(Clock::now()), last(start) {}
    void Stage(const std::string& what)
    {
        const auto now = Clock::now();
        if (!quiet)
            diagnostics::Info(fmt::format("{:<34} {:8.3f} s", what, std::chrono::duration<double>(now - last).count()));
        last = now;
    }
    double Total() const { return std::chrono::duration<double>(Clock::now() - start).count(); }

private:
    using Clock = std::chrono::steady_clock;
    bool quiet;
    Clock::time_point start, last;
};

// <exe>/../share/vdcommon (installed), then <exe>/../../share/vdcommon (build tree).
std::optional<fs::path> FindDataDir()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::nullopt;
    const fs::path dir = exe.parent_path();
    for (const fs::path& candidate : {dir / ".." / "share" / "vdcommon", dir / ".." / ".." / "share" / "vdcommon"}) {
        if (fs::is_directory(candidate / "stylesheets", ec))
            return fs::weakly_canonical(candidate, ec);
    }
    return std::nullopt;
}

std::string Absolute(const std::string& path)
{
    return path.empty() ? path : fs::absolute(path).lexically_normal().string();
}

int ListReports(const Arguments& args)
{
    const vdhost::ProjectFile project =
        vdhost::ReadProjectFile(args.projectFile, {vdhost::SectionFilter::Mode::None, {}});
    for (const vdhost::ProjectReport& r : project.reports)
        std::cout << fmt::format("{}\t{}\t{}\n", r.name, r.styleSheet, r.active ? "active" : "inactive");
    return kExitOk;
}

// The report's limits with the user's style-sheet timeout.
void ApplyLimits(const Arguments& args)
{
    limits::Limits bounds = limits::Get();
    if (args.xsltTimeout)
        bounds.xsltSeconds = *args.xsltTimeout;
    limits::Set(bounds);
}

std::optional<fs::path> ResolveDataDir(const Arguments& args)
{
    std::optional<fs::path> dataDir;
    if (args.dataDir) {
        if (!fs::is_directory(*args.dataDir))
            throw std::runtime_error(fmt::format("data folder not found: {}", *args.dataDir));
        dataDir = fs::absolute(*args.dataDir).lexically_normal();
    } else {
        dataDir = FindDataDir();
    }
    diagnostics::Debug(fmt::format("data folder: {}", dataDir ? dataDir->string() : "(none)"));
    return dataDir;
}

// Opens the master database (the named one, else the data folder's) and reads the
// report language from the project database when none is given.
void OpenDatabases(const Arguments& args, const std::optional<fs::path>& dataDir, vdhost::ReportOptions& options)
{
    const std::optional<std::string> masterDb = args.masterDb ? std::optional(Absolute(*args.masterDb))
                                                : dataDir && fs::is_regular_file(*dataDir / "master.db")
                                                    ? std::optional((*dataDir / "master.db").string())
                                                    : std::nullopt;
    if (masterDb) {
        if (!fs::is_regular_file(*masterDb))
            throw std::runtime_error(fmt::format("master database not found: {}", *masterDb));
        MasterDatabase::Open(*masterDb);
    }
    if (args.projectDb) {
        if (!fs::is_regular_file(*args.projectDb))
            throw std::runtime_error(fmt::format("project database not found: {}", *args.projectDb));
        ProjectDatabase::Open(*args.projectDb);
        if (!options.language) {
            std::string language;
            if (ProjectDatabase::GetUserParameter("/Settings/Language", language, "") && !language.empty())
                options.language = language;
        }
        // Only read: choosing the report language below must not rewrite the user's setting.
        ProjectDatabase::Close();
    }
}

// Reads only the sections this run prints; folders the project leaves open come from
// the data folder.
vdhost::ProjectFile ReadProject(const std::string& projectFile, const vdhost::ReportOptions& options,
                                const std::optional<fs::path>& dataDir)
{
    vdhost::SectionFilter sections;
    sections.mode = options.reports.empty() ? vdhost::SectionFilter::Mode::Active : vdhost::SectionFilter::Mode::Named;
    sections.names = options.reports;
    vdhost::ProjectFile project = vdhost::ReadProjectFile(projectFile, sections);
    if (dataDir) {
        vdhost::ProjectSettings& s = project.settings;
        if (s.styleSheetDirectory.empty())
            s.styleSheetDirectory = (*dataDir / "stylesheets").string();
        if (s.resourceDirectory.empty())
            s.resourceDirectory = (*dataDir / "resources").string();
        if (s.localeDirectory.empty())
            s.localeDirectory = (*dataDir / "locale").string();
    }
    return project;
}

// Loads the catalogues and sets the library's language; the header titles are the
// project's own texts, shown in the report language when the catalogue knows them.
void LoadCatalogues(vdhost::PoCatalogueSet& catalogues, vdhost::ReportRun& run, const std::string& localeDir,
                    bool english)
{
    catalogues.Load(localeDir);
    catalogues.SetLanguage(run.language);
    if (!english && !catalogues.HasLanguage(run.language))
        throw std::runtime_error(fmt::format("no catalogue for language \"{}\" in {}", run.language, localeDir));
    // The process-wide language of the library: its toolkit locale and compiled
    // catalogues (<locale>/<lang>/LC_MESSAGES/*.mo).
    VDLocale::Init(localeDir + "/");
    VDLocale::ChangeLocale(run.language);
    for (wxString* title : {&run.config.shortTitle, &run.config.longTitle}) {
        const std::string translated = catalogues.Translate(run.language, title->utf8_string());
        if (!translated.empty())
            *title = wxString::FromUTF8(translated);
    }
}

// Plant graphics named by file are read below data/ of the working folder, the
// desktop application's installation folder: the data folder plays it.
void EnterDataDir(const std::optional<fs::path>& dataDir)
{
    if (!dataDir)
        return;
    std::error_code ec;
    fs::current_path(*dataDir, ec);
    if (ec)
        throw std::runtime_error(fmt::format("cannot enter the data folder {}", dataDir->string()));
}

int Run(const Arguments& args, HostSink& sink)
{
    Progress progress(args.quiet);
    vdhost::HeadlessToolkit toolkit;
    if (!toolkit.IsOk())
        throw std::runtime_error("cannot start the toolkit");
    // The toolkit's log would write its own lines; the library speaks through the sink.
    wxLog::EnableLogging(false);
    xmlSetGenericErrorFunc(nullptr, &XmlDebugLine);
    xmlThrDefSetGenericErrorFunc(nullptr, &XmlDebugLine);
    ApplyLimits(args);
    if (args.listReports)
        return ListReports(args);

    // Every path the user named is fixed now: the run below works in the data folder.
    const std::optional<fs::path> dataDir = ResolveDataDir(args);
    const std::string projectFile = Absolute(args.projectFile);
    vdhost::ReportOptions options = args.options;
    options.versionInfo = VD_VERSION;
    for (auto* dir : {&options.styleSheetDirectory, &options.resourceDirectory, &options.fontDirectory})
        if (*dir)
            **dir = Absolute(**dir);
    vdreport::OutputFile output(
        Absolute(args.output.empty() ? fs::path(args.projectFile).stem().string() + ".pdf" : args.output), projectFile);
    options.outputFile = output.Destination();
    OpenDatabases(args, dataDir, options);

    vdhost::ProjectFile project = ReadProject(projectFile, options, dataDir);
    const std::string localeDir = args.localeDir ? Absolute(*args.localeDir) : project.settings.localeDirectory;
    progress.Stage("read project file");

    vdhost::ReportRun run = vdhost::PrepareReportRun(std::move(project), options);
    vdhost::PoCatalogueSet catalogues;
    const bool english = run.language.rfind("en", 0) == 0;
    LoadCatalogues(catalogues, run, localeDir, english);
    // From here on a text the catalogue lacks is worth a warning.
    catalogues.SetWarnUntranslated(!english);
    // Texts the library translates through the toolkit (outline entries, diagram
    // labels) come from the same catalogues as the rest of the report.
    const vdhost::ScopedToolkitTranslations toolkitTranslations(catalogues, run.language);
    progress.Stage("load catalogues");
    EnterDataDir(dataDir);

    {
        ReportController controller(std::move(run.input), std::move(run.config), catalogues);
        run.input = {};
        const wxMemoryOutputStream& pdf =
            controller.CreateReportTranslated(run.activeReports, catalogues, run.language);
        progress.Stage("build report");
        if (args.strict && sink.Warnings() > 0)
            throw std::runtime_error(fmt::format("{} warning{} and --strict: no report written", sink.Warnings(),
                                                 sink.Warnings() == 1 ? "" : "s"));
        output.Commit(pdf);
    }
    progress.Stage("write " + options.outputFile);
    if (!args.quiet)
        diagnostics::Info(fmt::format("done in {:.3f} s", progress.Total()));
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    Arguments args;
    try {
        args = Parse(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "vdreport: " << e.what() << " (try --help)\n";
        return kExitUsage;
    }
    if (args.help) {
        std::cout << kUsage;
        return kExitOk;
    }
    if (args.version) {
        std::cout << "vdreport " << VD_VERSION << '\n';
        return kExitOk;
    }
    vdreport::InstallSignalCleanup();
    auto sink = std::make_shared<HostSink>(args.quiet, args.verbose);
    const diagnostics::ScopedSink scopedSink(sink);
    try {
        return Run(args, *sink);
    } catch (const vdhost::ReportSelectionError& e) {
        std::cerr << "vdreport: " << OneLine(e.what()) << '\n';
        return kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << "vdreport: error: " << OneLine(e.what()) << '\n';
        return kExitFailure;
    } catch (...) {
        std::cerr << "vdreport: error: unexpected internal error\n";
        return kExitFailure;
    }
}
