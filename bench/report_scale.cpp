// The report engine on the combined example's markup scaled to about PAGES pages:
// the project file goes through the style sheets once (not timed), its markup body is
// repeated until the report has about PAGES pages, and building the report from that
// markup into memory is timed. Prints pages, wall and processor seconds, pages per
// second, the peak resident memory of the process and the resident memory before the
// build (the markup and the libraries: the report's own share is the difference). Run
// it in the build's examples folder, which is laid out like the installation folder
// (plant graphics below "data/", master.db).
// With --streamed the repeated tree is never made: each copy of the body is handed to
// the report on its own (BeginReport, AddMarkup per copy, FinishReport), as a host
// making its markup piece by piece would, so the peak is the whole process's at its
// smallest.
// Usage: report_scale [--streamed] PROJECT_FILE PAGES [OUT]
#include "vdcommon/database/MasterDatabase.h"
#include "host/HeadlessToolkit.h"
#include "host/PoCatalogue.h"
#include "host/ProjectFile.h"
#include "vdcommon/printing/VireldaReport.h"
#include "vdcommon/report/ProjectDataToXmlConverter.h"
#include "vdcommon/report/TranslateXmlNodes.h"
#include "vdcommon/utilities/VDLocale.h"

#include <wx/ffile.h>
#include <wx/log.h>
#include <wx/xml/xml.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Prepared {
    vdhost::ReportRun run;
    std::unique_ptr<vdhost::PoCatalogueSet> catalogues;
};

Prepared Prepare(const std::string& projectFile)
{
    vdhost::ProjectFile project = vdhost::ReadProjectFile(projectFile);
    // The example data, as vdreport's data folder would supply it.
    const std::string localeDir =
        project.settings.localeDirectory.empty() ? VD_SOURCE_DIR "/examples/locale" : project.settings.localeDirectory;
    vdhost::ReportOptions options;
    if (project.settings.styleSheetDirectory.empty())
        options.styleSheetDirectory = VD_SOURCE_DIR "/examples/stylesheets";
    if (project.settings.resourceDirectory.empty())
        options.resourceDirectory = VD_SOURCE_DIR "/examples/resources";
    options.versionInfo = "bench";
    options.outputFile = "report-scale.pdf";
    Prepared p{vdhost::PrepareReportRun(std::move(project), options), std::make_unique<vdhost::PoCatalogueSet>()};
    p.catalogues->Load(localeDir);
    p.catalogues->SetLanguage(p.run.language);
    // As vdreport does: the library's process-wide language (toolkit locale and
    // compiled catalogues), chosen once.
    static const bool localeChosen = [&] {
        VDLocale::Init(localeDir + "/");
        VDLocale::ChangeLocale(p.run.language);
        return true;
    }();
    (void)localeChosen;
    return p;
}

// Releases the project trees of a run whose markup is not made (the converter would
// have deleted them).
void DropInput(vdhost::ReportRun& run)
{
    auto owned = [&](wxXmlNode* node) {
        return std::find(run.untransformed.begin(), run.untransformed.end(), node) != run.untransformed.end();
    };
    if (run.input.projectData && !owned(run.input.projectData))
        delete run.input.projectData;
    for (auto& entry : run.input.reportData)
        if (entry.data && !owned(entry.data))
            delete entry.data;
    run.input = {};
}

// The translated markup of the project, as the host would hand it to the report.
std::unique_ptr<wxXmlNode> MakeMarkup(const std::string& projectFile)
{
    Prepared p = Prepare(projectFile);
    const ProjectDataToXmlConverter converter(p.run.input, p.run.activeReports);
    p.run.input = {};
    std::unique_ptr<wxXmlNode> markup = converter.GetAsXml();
    const std::vector<TranslationRule> rules = {{0, "msg", ""}, {1, "replacement", "value"}};
    TranslateXmlNodes(*p.catalogues, p.run.language, rules).Translate(markup.get());
    return markup;
}

// The markup with its body (every child of the root) repeated `copies` times.
std::unique_ptr<wxXmlNode> Repeat(const wxXmlNode& markup, int copies)
{
    auto root = std::make_unique<wxXmlNode>(wxXML_ELEMENT_NODE, markup.GetName());
    for (const wxXmlAttribute* a = markup.GetAttributes(); a; a = a->GetNext())
        root->AddAttribute(a->GetName(), a->GetValue());
    wxXmlNode* last = nullptr;
    for (int i = 0; i < copies; ++i)
        for (const wxXmlNode* child = markup.GetChildren(); child; child = child->GetNext()) {
            auto* copy = new wxXmlNode(*child);
            if (last)
                root->InsertChildAfter(copy, last);
            else
                root->AddChild(copy);
            last = copy;
        }
    return root;
}

struct Built {
    int pages = 0;
    double seconds = 0;
    double cpu = 0;
    size_t bytes = 0;
};

// Resident memory now, in MB: before the timed build it is the markup (the report's
// input, which grows with the pages too) and the libraries.
double ResidentMb()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// The markup handed to the report: the body repeated `copies` times, as one tree or
// (streamed) copy by copy.
struct Input {
    const wxXmlNode& body;
    int copies = 1;
    bool streamed = false;
    std::unique_ptr<wxXmlNode> whole; // the repeated tree unless streamed

    Input(const wxXmlNode& markup, int count, bool pieces)
        : body(markup), copies(count), streamed(pieces), whole(pieces ? nullptr : Repeat(markup, count))
    {}
};

void WriteFile(const wxMemoryOutputStream& pdf, const char* out)
{
    wxFFile f(out, "wb");
    const wxStreamBuffer& bytes = *pdf.GetOutputStreamBuffer();
    if (!f.IsOpened() || f.Write(bytes.GetBufferStart(), bytes.GetBufferSize()) != bytes.GetBufferSize())
        throw std::runtime_error(std::string("cannot write ") + out);
}

Built Build(const std::string& projectFile, const Input& input, const char* out = nullptr)
{
    Prepared p = Prepare(projectFile);
    DropInput(p.run);
    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    VireldaReport report(std::move(p.run.config), *p.catalogues);
    const wxMemoryOutputStream* pdf = nullptr;
    if (input.streamed) {
        report.BeginReport();
        for (int i = 0; i < input.copies; ++i)
            report.AddMarkup(Repeat(input.body, 1));
        pdf = &report.FinishReport();
    } else {
        pdf = &report.CreateReport(input.whole.get());
    }
    Built b;
    b.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    b.cpu = CpuSeconds() - cpuStart;
    b.pages = report.GetPageCount();
    b.bytes = pdf->GetLength();
    if (out)
        WriteFile(*pdf, out);
    return b;
}

} // namespace

int main(int argc, char** argv)
{
    const bool streamed = argc > 1 && std::string(argv[1]) == "--streamed";
    if (streamed) {
        --argc;
        ++argv;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s [--streamed] PROJECT_FILE PAGES [OUT]\n", argv[0]);
        return 2;
    }
    const std::string projectFile = argv[1];
    const int target = std::max(1, std::atoi(argv[2]));
    vdhost::HeadlessToolkit toolkit;
    if (!toolkit.IsOk())
        return 1;
    wxLog::EnableLogging(false);
    // The report announces its font search path on standard output; the one result
    // line goes to standard error so that scripts can tell it apart.
    try {
        // As the host does: the working folder's master database (bed-expansion
        // formulas) unless none is there.
        if (std::error_code ec; std::filesystem::is_regular_file("master.db", ec))
            MasterDatabase::Open("master.db");
        const std::unique_ptr<wxXmlNode> markup = MakeMarkup(projectFile);
        // Pages grow by a fixed count per copy of the body, after a fixed part (the
        // disclaimer): two small runs tell both.
        const int one = Build(projectFile, Input(*markup, 1, streamed)).pages;
        const int two = Build(projectFile, Input(*markup, 2, streamed)).pages;
        const int perCopy = std::max(1, two - one);
        const int copies = std::max(1, static_cast<int>(std::lround(double(target - (one - perCopy)) / perCopy)));
        const Input scaled(*markup, copies, streamed);
        const double inputMb = ResidentMb();
        const Built b = Build(projectFile, scaled, argc > 3 ? argv[3] : nullptr);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::fprintf(stderr,
                     "report_scale: pages %d copies %d seconds %.4f cpu %.4f pages_per_s %.1f rss_mb %.1f "
                     "pdf_mb %.2f input_rss_mb %.1f\n",
                     b.pages, copies, b.seconds, b.cpu, b.pages / b.seconds, usage.ru_maxrss / 1024.0, b.bytes / 1e6,
                     inputMb);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "report_scale: error: %s\n", e.what());
        return 1;
    }
    return 0;
}
