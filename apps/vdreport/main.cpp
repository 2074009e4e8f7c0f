// vdreport: writes the PDF design report of one project file.
//
//   vdreport [options] PROJECT_FILE
//
// Progress goes to standard error, one line per stage with its time. Exit codes:
// 0 success, 2 usage error, 1 any other failure (one line naming the cause).
#include "vdcommon/database/MasterDatabase.h"
#include "vdcommon/database/ProjectDatabase.h"
#include "host/HeadlessToolkit.h"
#include "host/PoCatalogue.h"
#include "host/ProjectFile.h"
#include "host/ToolkitTranslations.h"
#include "vdcommon/report/ReportController.h"

#include <fmt/format.h>
#include <libxml/parser.h>
#include <libxslt/xsltutils.h>
#include <wx/log.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
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
  -o, --output FILE            PDF file to write (default: PROJECT_FILE with .pdf, current folder)
  -r, --report NAME[,NAME...]  include only these reports (repeatable; default: those marked active)
  -l, --language LANG          report language, e.g. de_DE (default: project file, then project database)
  -u, --unit-system SYSTEM     metric or US (default: project file)
  -d, --decimal-separator SEP  "." or "," (default: project file)
      --resources DIR          folder of the product logo and resources
      --stylesheets DIR        folder of the style sheets
      --fonts DIR              folder added to the font search path
      --locale DIR             folder of the PO catalogues (<DIR>/<lang>/*.po)
      --master-db FILE         master database (bed-expansion formulas; default: master.db
                               in the current folder when there is one)
      --project-db FILE        project database ("/Settings/Language" when no language is given)
  -q, --quiet                  no progress lines
  -V, --version                print the version and exit
  -h, --help                   print this help and exit
)";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Arguments {
    std::string projectFile;
    std::string output;
    std::optional<std::string> localeDir;
    std::optional<std::string> masterDb;
    std::optional<std::string> projectDb;
    bool quiet = false;
    bool help = false;
    bool version = false;
    vdhost::ReportOptions options;
};

Arguments Parse(int argc, char** argv)
{
    Arguments a;
    auto value = [&](int& i, const std::string& opt, const std::string& inlineValue,
                     bool hasInline) -> std::string {
        if (hasInline)
            return inlineValue;
        if (i + 1 >= argc)
            throw UsageError(fmt::format("option {} needs a value", opt));
        return argv[++i];
    };
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!a.projectFile.empty())
                throw UsageError(fmt::format("more than one project file: {} and {}", a.projectFile, arg));
            a.projectFile = arg;
            continue;
        }
        if (arg == "--") {
            endOfOptions = true;
            continue;
        }
        std::string inlineValue;
        bool hasInline = false;
        if (arg.rfind("--", 0) == 0) {
            if (const auto eq = arg.find('='); eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasInline = true;
            }
        }
        auto v = [&]() { return value(i, arg, inlineValue, hasInline); };
        if (arg == "-h" || arg == "--help") a.help = true;
        else if (arg == "-V" || arg == "--version") a.version = true;
        else if (arg == "-q" || arg == "--quiet") a.quiet = true;
        else if (arg == "-o" || arg == "--output") a.output = v();
        else if (arg == "-r" || arg == "--report") {
            const std::string list = v();
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
        else if (arg == "-l" || arg == "--language") a.options.language = v();
        else if (arg == "-u" || arg == "--unit-system") {
            const std::string u = v();
            if (u != "metric" && u != "US")
                throw UsageError(fmt::format("unknown unit system \"{}\" (use metric or US)", u));
            a.options.unitSystem = u;
        }
        else if (arg == "-d" || arg == "--decimal-separator") {
            const std::string d = v();
            if (d != "." && d != ",")
                throw UsageError(fmt::format("decimal separator must be \".\" or \",\", not \"{}\"", d));
            a.options.decimalSeparator = d;
        }
        else if (arg == "--resources") a.options.resourceDirectory = v();
        else if (arg == "--stylesheets") a.options.styleSheetDirectory = v();
        else if (arg == "--fonts") a.options.fontDirectory = v();
        else if (arg == "--locale") a.localeDir = v();
        else if (arg == "--master-db") a.masterDb = v();
        else if (arg == "--project-db") a.projectDb = v();
        else
            throw UsageError(fmt::format("unknown option {}", arg));
        if (hasInline && (arg == "-h" || arg == "--help" || arg == "-V" || arg == "--version" || arg == "-q" ||
                          arg == "--quiet"))
            throw UsageError(fmt::format("option {} takes no value", arg));
    }
    if (!a.help && !a.version && a.projectFile.empty())
        throw UsageError("no project file given");
    return a;
}

// libxml2 and libxslt report the details of a failure (file, line, reason) only
// through their error callbacks; they are collected here so that the one error
// line can name them. The transformations run on worker threads, hence the lock.
class XmlDiagnostics {
public:
    static void Install()
    {
        xmlThrDefSetGenericErrorFunc(nullptr, &XmlDiagnostics::Callback);
        xmlSetGenericErrorFunc(nullptr, &XmlDiagnostics::Callback);
        xsltSetGenericErrorFunc(nullptr, &XmlDiagnostics::Callback);
    }
    static std::string First()
    {
        std::lock_guard lock(mutex);
        // First complete line that says something.
        std::string line;
        for (std::size_t start = 0; start < text.size();) {
            const auto end = text.find('\n', start);
            line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
                line.pop_back();
            if (!line.empty() && line.find_first_not_of(" ^") != std::string::npos)
                return line;
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        return {};
    }

private:
    static void Callback(void*, const char* format, ...)
    {
        char buffer[1024];
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
        std::lock_guard lock(mutex);
        if (text.size() < 16384)
            text += buffer;
    }
    static inline std::mutex mutex;
    static inline std::string text;
};

class Progress {
public:
    explicit Progress(bool quiet_) : quiet(quiet_), start(Clock::now()), last(start) {}
    void Stage(const std::string& what)
    {
        const auto now = Clock::now();
        if (!quiet)
            std::cerr << fmt::format("vdreport: {:<34} {:8.3f} s\n", what,
                                     std::chrono::duration<double>(now - last).count());
        last = now;
    }
    double Total() const { return std::chrono::duration<double>(Clock::now() - start).count(); }

private:
    using Clock = std::chrono::steady_clock;
    bool quiet;
    Clock::time_point start, last;
};

int Fail(const std::string& message)
{
    std::string line = message;
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::cerr << "vdreport: error: " << line << '\n';
    return kExitFailure;
}

// Fails early, before any work, when the output cannot be written.
void CheckOutputWritable(const std::string& output)
{
    std::error_code ec;
    const fs::path path(output);
    if (fs::is_directory(path, ec))
        throw std::runtime_error(fmt::format("output path is a folder: {}", output));
    const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
    if (!fs::is_directory(parent, ec))
        throw std::runtime_error(fmt::format("output folder does not exist: {}", parent.string()));
}

void WriteOutput(const std::string& output, const wxMemoryOutputStream& pdf)
{
    const wxStreamBuffer* buffer = pdf.GetOutputStreamBuffer();
    const auto size = static_cast<std::size_t>(pdf.GetLength());
    if (size == 0 || buffer == nullptr)
        throw std::runtime_error("the report produced no PDF data");
    // Written beside the target and renamed, so a failure never leaves half a PDF.
    const std::string temporary = output + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            throw std::runtime_error(fmt::format("cannot write output file: {}", output));
        out.write(static_cast<const char*>(buffer->GetBufferStart()), static_cast<std::streamsize>(size));
        out.close();
        if (!out) {
            std::error_code ec;
            fs::remove(temporary, ec);
            throw std::runtime_error(fmt::format("cannot write output file: {}", output));
        }
    }
    std::error_code ec;
    fs::rename(temporary, output, ec);
    if (ec) {
        fs::remove(temporary, ec);
        throw std::runtime_error(fmt::format("cannot write output file: {}", output));
    }
}

int Run(const Arguments& args)
{
    Progress progress(args.quiet);
    vdhost::HeadlessToolkit toolkit;
    if (!toolkit.IsOk())
        return Fail("cannot start the toolkit");
    // The library's own diagnostics go to the debug log; a command-line run shows
    // only its progress and, on failure, the one error line.
    wxLog::EnableLogging(false);
    XmlDiagnostics::Install();
    progress.Stage("start");

    vdhost::ReportOptions options = args.options;
    options.versionInfo = VD_VERSION;
    options.outputFile = args.output.empty()
                             ? fs::path(args.projectFile).stem().string() + ".pdf"
                             : args.output;
    CheckOutputWritable(options.outputFile);

    // The working folder plays the desktop application's installation folder: its
    // master.db is the master database unless another one is named.
    if (args.masterDb) {
        if (!fs::is_regular_file(*args.masterDb))
            throw std::runtime_error(fmt::format("master database not found: {}", *args.masterDb));
        MasterDatabase::Open(*args.masterDb);
    } else if (std::error_code ec; fs::is_regular_file("master.db", ec)) {
        MasterDatabase::Open("master.db");
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
    }

    vdhost::ProjectFile project = vdhost::ReadProjectFile(args.projectFile);
    const std::string localeDir = args.localeDir ? *args.localeDir : project.settings.localeDirectory;
    progress.Stage("read project file");

    vdhost::ReportRun run = vdhost::PrepareReportRun(std::move(project), options);
    vdhost::PoCatalogueSet catalogues;
    catalogues.Load(localeDir);
    catalogues.SetLanguage(run.language);
    if (run.language.rfind("en", 0) != 0 && !catalogues.HasLanguage(run.language))
        throw std::runtime_error(fmt::format("no catalogue for language \"{}\" in {}", run.language, localeDir));
    // The header titles are the project's own texts; shown in the report language
    // when the catalogue knows them.
    for (wxString* title : {&run.config.shortTitle, &run.config.longTitle}) {
        const std::string translated = catalogues.Translate(run.language, title->utf8_string());
        if (!translated.empty())
            *title = wxString::FromUTF8(translated);
    }
    // Texts the library translates through the toolkit (outline entries, diagram
    // labels) come from the same catalogues as the rest of the report.
    const vdhost::ScopedToolkitTranslations toolkitTranslations(catalogues, run.language);
    progress.Stage("load catalogues");

    {
        ReportController controller(std::move(run.input), std::move(run.config), catalogues);
        run.input = {};
        const wxMemoryOutputStream& pdf = controller.CreateReportTranslated(run.activeReports, catalogues, run.language);
        progress.Stage("build report");
        WriteOutput(options.outputFile, pdf);
    }
    progress.Stage("write " + options.outputFile);
    if (!args.quiet)
        std::cerr << fmt::format("vdreport: done in {:.3f} s\n", progress.Total());
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
    try {
        return Run(args);
    } catch (const vdhost::ReportSelectionError& e) {
        std::cerr << "vdreport: " << e.what() << '\n';
        return kExitUsage;
    } catch (const std::exception& e) {
        std::string message = e.what();
        const std::string detail = XmlDiagnostics::First();
        if (!detail.empty() && message.find(detail) == std::string::npos)
            message += " (" + detail + ")";
        return Fail(message);
    } catch (...) {
        return Fail("unexpected internal error");
    }
}
