// The project-data-to-markup converter on three style sheets (general specification,
// RO report, UF report) over a 3 MB project, side by side with the same style sheets
// run one after another: in-process through libxslt alone, and by xsltproc.
// Usage: pipeline STYLESHEET_DIR WORK_DIR [ROUNDS [serial|bare]]
//   (with the last argument only that run, once: for an instruction profiler,
//   valgrind --tool=callgrind --toggle-collect='*RunSerial*' or '*RunBare*')
//
// Figures (best of ROUNDS each, so the least disturbed run counts):
//   converter   GetAsXml: the three tasks at the same time on worker threads, until
//               the markup is handed over; the workers then free the project trees
//               and libxml2's documents beside the caller's next step. Printed
//               beside it: until the workers are done (the converter destroyed),
//               and, in a run of its own, until the caller's next step (translating
//               the markup, then freeing it) is done as well
//   serial      the converter's work for the three trees one after another on one
//               thread, through the very function GetAsXml's workers run, broken
//               down by stage (serialise, free the tree, style sheet, parse,
//               transform, make the result tree — "save" only for results that are
//               written and re-read —, free libxml2's data, merge) with whatever is
//               left between them printed as the rest
//   bare        parse + transform + serialise with libxslt alone, one after another
//   xsltproc    xsltproc on the three files one after another
//   speed-up = serial / converter, printed beside what a CPU-only loop gains on two
//              threads in the same rounds (the machine's own limit at the moment);
//              the serial run frees everything before it hands its markup over, so
//              the same ratio with the next step done is printed as well
//   overhead = serial / xsltproc - 1: the converter's work against the bare tool
//              running the same style sheets (the target's definition); the
//              in-process ratio serial / bare - 1 is printed beside it
#include "vdcommon/report/IPOParser.h"
#include "vdcommon/report/ProjectDataToXmlConverter.h"
#include "vdcommon/report/TranslateXmlNodes.h"
#include "vdcommon/report/XsltInMemoryTransformer.h"

#include <libxml/parser.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/init.h>
#include <wx/sstream.h>
#include <wx/xml/xml.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const char* const unitSystem = "SI";
const char* const decimalSeparator = ",";

wxXmlNode* Element(wxXmlNode* parent, const char* name)
{
    return new wxXmlNode(parent, wxXML_ELEMENT_NODE, name);
}

// About 1 MB of general project data: the design basis values.
wxXmlNode* GeneralTree()
{
    auto* root = new wxXmlNode(wxXML_ELEMENT_NODE, "project");
    root->AddAttribute("name", "Benchmark plant");
    root->AddAttribute("module", "RO");
    root->AddAttribute("type", "RO");
    root->AddAttribute("client", "Bench");
    wxXmlNode* design = Element(root, "design");
    for (int i = 12599; i >= 0; --i) { // wxXmlNode prepends with a parent: count down
        wxXmlNode* value = Element(design, "value");
        value->AddAttribute("key", wxString::Format("k%d", i));
        value->AddAttribute("label", wxString::Format("Design value number %d", i));
        value->AddAttribute("amount", wxString::Format("%d.%03d", i * 7 % 1000, i % 1000));
        value->AddAttribute("unit", "m3/h");
        value->AddAttribute("usunit", "gpm");
    }
    return root;
}

// About 1 MB of RO data: passes with stages.
wxXmlNode* RoTree()
{
    auto* root = new wxXmlNode(wxXML_ELEMENT_NODE, "ro");
    for (int p = 1899; p >= 0; --p) {
        wxXmlNode* pass = Element(root, "pass");
        pass->AddAttribute("id", wxString::Format("%d", p));
        pass->AddAttribute("recovery", wxString::Format("%d.%d", 40 + p % 50, p % 10));
        pass->AddAttribute("comment", "reverse osmosis pass with several stages of pressure vessels");
        for (int s = 5; s >= 1; --s) {
            wxXmlNode* stage = Element(pass, "stage");
            stage->AddAttribute("id", wxString::Format("%d", s));
            stage->AddAttribute("vessels", wxString::Format("%d", 2 + (p + s) % 9));
            stage->AddAttribute("elements", wxString::Format("%d", 4 + s % 4));
            stage->AddAttribute("element", "LE-440i");
        }
    }
    return root;
}

// About 1 MB of UF data: trains.
wxXmlNode* UfTree()
{
    auto* root = new wxXmlNode(wxXML_ELEMENT_NODE, "uf");
    root->AddAttribute("flux", "55.25");
    for (int t = 11799; t >= 0; --t) {
        wxXmlNode* train = Element(root, "train");
        train->AddAttribute("id", wxString::Format("%d", t));
        train->AddAttribute("name", wxString::Format("Train %d", t));
        train->AddAttribute("flow", wxString::Format("%d.%02d", 100 + t % 400, t % 100));
        train->AddAttribute("tmp", wxString::Format("0.%03d", 100 + t % 900));
        train->AddAttribute("modules", wxString::Format("%d", 10 + t % 60));
    }
    return root;
}

struct Sheet {
    const char* reportName;
    const char* fileName;
    int pageList;
    wxXmlNode* (*makeTree)();
};

const Sheet sheets[] = {
    {"", "general_specification.xsl", -1, GeneralTree},
    {"RO", "ro_report.xsl", 3, RoTree},
    {"UF", "uf_report.xsl", 1, UfTree},
};

std::string Serialise(wxXmlNode* tree)
{
    wxXmlDocument document;
    document.SetRoot(tree);
    wxString text;
    wxStringOutputStream stream(&text, wxConvUTF8);
    document.Save(stream, 2);
    return text.utf8_string();
}

// The caller's next step in the application: the markup's texts translated, then
// the markup freed (the report engine frees it as it lays it out).
struct Catalogue : IPOParser {
    std::string Translate(const std::string&, const std::string& text) const override
    {
        return text.size() % 2 == 0 ? text + " (de)" : std::string();
    }
};

void NextStep(std::unique_ptr<wxXmlNode>& markup)
{
    static const std::vector<TranslationRule> rules = {{0, "msg", ""}, {1, "replacement", "value"}};
    const Catalogue catalogue;
    TranslateXmlNodes(catalogue, "de", rules).Translate(markup.get());
    markup.reset();
}

std::size_t CountTopLevel(const wxXmlNode& markup)
{
    std::size_t elements = 0;
    for (const wxXmlNode* child = markup.GetChildren(); child != nullptr; child = child->GetNext())
        ++elements;
    return elements;
}

struct ConverterTimes {
    double handedOver = 0.0; // GetAsXml returned the markup
    double freed = 0.0;      // and the converter's workers have freed what they left
    double withNext = 0.0;   // another run: the markup handed over, then the caller's next step done
};

ConverterTimes TimeConverter(const wxString& sheetDir, std::size_t& elements)
{
    ConverterTimes times;
    for (const bool next : {false, true}) {
        // Building the trees is the host's work and not timed.
        ProjectDataToXmlConverter::Input input;
        input.projectData = sheets[0].makeTree();
        input.reportData = {{sheets[1].makeTree(), "RO"}, {sheets[2].makeTree(), "UF"}};
        input.unitSystem = unitSystem;
        input.decimalSeparator = decimalSeparator;
        input.styleSheetDirectory = sheetDir;
        const std::vector<ProjectDataToXmlConverter::ActiveReport> active = {
            {"RO", sheets[1].pageList, sheets[1].fileName}, {"UF", sheets[2].pageList, sheets[2].fileName}};
        std::unique_ptr<wxXmlNode> merged;
        const auto start = Clock::now();
        {
            const ProjectDataToXmlConverter converter(input, active);
            merged = converter.GetAsXml();
            if (!next)
                times.handedOver = Seconds(start);
            elements = CountTopLevel(*merged);
            if (next)
                NextStep(merged);
        }
        (next ? times.withNext : times.freed) = Seconds(start);
    }
    return times;
}

// What the two cores give at the moment: a loop of arithmetic alone (no memory) on
// two threads at once against the same loop twice on one thread. On a virtual
// machine the host's other guests take a share of the second core now and then,
// which the guest's load average does not show; no converter can gain more than this.
double CpuOnlyParallelism()
{
    const auto spin = [] {
        double x = 0.0;
        for (long i = 0; i < 40'000'000; ++i)
            x += static_cast<double>(i) * 0.5;
        volatile double sink = x;
        static_cast<void>(sink);
    };
    auto start = Clock::now();
    spin();
    spin();
    const double one = Seconds(start);
    start = Clock::now();
    std::thread other(spin);
    spin();
    other.join();
    return one / Seconds(start);
}

// The stages as XsltStageTimes names them, in the order they run, with merge last.
struct Parts {
    XsltStageTimes stages;
    double merge = 0.0;
};

void AddSeconds(double& to, Clock::time_point& step)
{
    const auto now = Clock::now();
    to += std::chrono::duration<double>(now - step).count();
    step = now;
}

// The timed part of the serial run, a function of its own so that an instruction
// profiler can count it alone (valgrind --tool=callgrind --toggle-collect='*RunSerial*').
[[gnu::noinline]] std::unique_ptr<wxXmlNode> RunSerial(const wxString& sheetDir, std::vector<wxXmlNode*>& trees,
                                                       Parts& parts)
{
    std::vector<std::unique_ptr<wxXmlNode>> results;
    for (std::size_t i = 0; i < trees.size(); ++i) {
        // The project tree is taken over, as on a worker.
        results.push_back(ProjectDataToXmlConverter::TransformTree(trees[i], sheetDir + "/" + sheets[i].fileName,
                                                                   unitSystem, decimalSeparator, sheets[i].pageList,
                                                                   "serialising failed", &parts.stages));
        trees[i] = nullptr;
    }
    auto step = Clock::now();
    auto merged = ProjectDataToXmlConverter::MergeResults(results);
    results.clear();
    AddSeconds(parts.merge, step);
    return merged;
}

// The serial run; with `withNext`, also the time until the caller's next step is done.
double TimeSerial(const wxString& sheetDir, std::size_t& elements, Parts& parts, double* withNext = nullptr)
{
    std::vector<wxXmlNode*> trees;
    for (const Sheet& sheet : sheets)
        trees.push_back(sheet.makeTree());
    parts = {};
    const auto start = Clock::now();
    auto merged = RunSerial(sheetDir, trees, parts);
    const double seconds = Seconds(start);
    elements = CountTopLevel(*merged);
    if (withNext != nullptr) {
        NextStep(merged);
        *withNext = Seconds(start);
    }
    return seconds;
}

// libxslt alone, the steps xsltproc takes, timed the same way.
[[gnu::noinline]] void RunBare(const std::string& sheetDir, const std::vector<std::string>& sources,
                               XsltStageTimes& parts)
{
    const std::string quotedUnits = std::string("'") + unitSystem + "'";
    const std::string quotedSeparator = std::string("'") + decimalSeparator + "'";
    for (std::size_t i = 0; i < sources.size(); ++i) {
        auto step = Clock::now();
        const std::string pageList = std::to_string(sheets[i].pageList);
        const char* params[] = {"unitsystem", quotedUnits.c_str(), "decsep", quotedSeparator.c_str(),
                                "pagelist",   pageList.c_str(),    nullptr};
        xsltStylesheetPtr style =
            xsltParseStylesheetFile(reinterpret_cast<const xmlChar*>((sheetDir + "/" + sheets[i].fileName).c_str()));
        AddSeconds(parts.styleSheet, step);
        xmlDocPtr doc = xmlReadMemory(sources[i].data(), static_cast<int>(sources[i].size()), nullptr, nullptr,
                                      XML_PARSE_NOENT | XML_PARSE_NONET);
        AddSeconds(parts.parse, step);
        xmlDocPtr result = xsltApplyStylesheet(style, doc, params);
        AddSeconds(parts.transform, step);
        xmlChar* buffer = nullptr;
        int length = 0;
        if (style == nullptr || doc == nullptr || result == nullptr ||
            xsltSaveResultToString(&buffer, &length, result, style) < 0) {
            std::fprintf(stderr, "bare transformation %zu failed\n", i);
            std::exit(1);
        }
        AddSeconds(parts.save, step);
        xmlFree(buffer);
        xmlFreeDoc(result);
        xmlFreeDoc(doc);
        xsltFreeStylesheet(style);
        AddSeconds(parts.release, step);
    }
}

double TimeBare(const std::string& sheetDir, const std::vector<std::string>& sources, XsltStageTimes& parts)
{
    parts = {};
    const auto start = Clock::now();
    RunBare(sheetDir, sources, parts);
    return Seconds(start);
}

double TimeXsltproc(const std::string& sheetDir, const std::vector<std::string>& files)
{
    const auto start = Clock::now();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string command = std::string("xsltproc --nonet --param unitsystem \"'") + unitSystem +
                                    "'\" --param decsep \"'" + decimalSeparator + "'\" --param pagelist " +
                                    std::to_string(sheets[i].pageList) + " '" + sheetDir + "/" + sheets[i].fileName +
                                    "' '" + files[i] + "' > /dev/null";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "xsltproc failed: %s\n", command.c_str());
            std::exit(1);
        }
    }
    return Seconds(start);
}

// Every stage of a run, and what is left between them, so the parts add up to the whole.
void PrintParts(double total, const XsltStageTimes& t, double merge)
{
    const struct {
        const char* name;
        double seconds;
    } rows[] = {{"serialise tree", t.serialise}, {"free tree", t.freeTree},   {"style sheets", t.styleSheet},
                {"parse text", t.parse},         {"transform", t.transform},  {"save result", t.save},
                {"result tree", t.load},         {"free libxml2", t.release}, {"merge", merge}};
    double sum = 0.0;
    for (const auto& row : rows) {
        sum += row.seconds;
        if (row.seconds > 0.0)
            std::printf("  %-19s %8.1f ms\n", row.name, row.seconds * 1e3);
    }
    std::printf("  %-19s %8.1f ms\n", "rest (unaccounted)", (total - sum) * 1e3);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s STYLESHEET_DIR WORK_DIR [ROUNDS]\n", argv[0]);
        return 2;
    }
    wxInitializer init;
    const std::string sheetDir = argv[1];
    const std::string workDir = argv[2];
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    XsltInMemoryTransformer::InitialiseLibraries();

    std::vector<std::string> sources, files;
    std::size_t totalBytes = 0;
    for (const Sheet& sheet : sheets) {
        sources.push_back(Serialise(sheet.makeTree()));
        totalBytes += sources.back().size();
        files.push_back(workDir + "/pipeline-" + std::string(sheet.fileName) + ".xml");
        wxFFile out(files.back(), "wb");
        out.Write(sources.back().data(), sources.back().size());
    }
    std::printf("project data: %.2f MB in 3 trees; %u hardware threads; %d rounds (best of)\n",
                static_cast<double>(totalBytes) / 1e6, std::thread::hardware_concurrency(), rounds);

    const wxString wxSheetDir = wxString::FromUTF8(sheetDir);
    // "serial" or "bare" as a fourth argument: that run alone, once, for a profiler.
    if (argc > 4) {
        const std::string only = argv[4];
        std::size_t elements = 0;
        Parts parts;
        XsltStageTimes bareParts;
        const double seconds = only == "serial" ? TimeSerial(wxSheetDir, elements, parts)
                               : only == "bare" ? TimeBare(sheetDir, sources, bareParts)
                                                : -1.0;
        if (seconds < 0) {
            std::fprintf(stderr, "unknown run %s (serial or bare)\n", only.c_str());
            return 2;
        }
        std::printf("%s: %.1f ms\n", only.c_str(), seconds * 1e3);
        return 0;
    }
    double converter = 1e30, converterFreed = 1e30, converterNext = 1e30, serialNext = 1e30, serial = 1e30, bare = 1e30,
           xsltproc = 1e30;
    std::size_t convertedElements = 0, serialElements = 0;
    Parts parts, bestParts;
    XsltStageTimes bareParts, bestBareParts;
    std::vector<double> cores;
    for (int round = 0; round < rounds; ++round) {
        cores.push_back(CpuOnlyParallelism());
        const ConverterTimes times = TimeConverter(wxSheetDir, convertedElements);
        converter = std::min(converter, times.handedOver);
        converterFreed = std::min(converterFreed, times.freed);
        converterNext = std::min(converterNext, times.withNext);
        double thisSerialNext = 0.0;
        const double thisSerial = TimeSerial(wxSheetDir, serialElements, parts, &thisSerialNext);
        serialNext = std::min(serialNext, thisSerialNext);
        if (thisSerial < serial) {
            serial = thisSerial;
            bestParts = parts;
        }
        const double thisBare = TimeBare(sheetDir, sources, bareParts);
        if (thisBare < bare) {
            bare = thisBare;
            bestBareParts = bareParts;
        }
        xsltproc = std::min(xsltproc, TimeXsltproc(sheetDir, files));
    }
    if (convertedElements != serialElements || convertedElements == 0) {
        std::fprintf(stderr, "results differ: %zu vs %zu markup elements\n", convertedElements, serialElements);
        return 1;
    }

    std::sort(cores.begin(), cores.end());
    const double coresGive = cores[cores.size() / 2];
    const double speedUp = serial / converter;
    const double overhead = serial / xsltproc - 1.0;
    const double inProcessOverhead = serial / bare - 1.0;
    std::printf("markup: %zu top-level elements\n", convertedElements);
    std::printf("converter (parallel)  %8.1f ms  (the markup handed over)\n", converter * 1e3);
    std::printf("  workers done        %8.1f ms  (and what they left freed)\n", converterFreed * 1e3);
    std::printf("  then the next step  %8.1f ms  (the caller translates and frees the markup)\n", converterNext * 1e3);
    std::printf("converter work serial %8.1f ms\n", serial * 1e3);
    PrintParts(serial, bestParts.stages, bestParts.merge);
    std::printf("  then the next step  %8.1f ms\n", serialNext * 1e3);
    std::printf("bare libxslt serial   %8.1f ms\n", bare * 1e3);
    PrintParts(bare, bestBareParts, 0.0);
    std::printf("xsltproc serial       %8.1f ms\n", xsltproc * 1e3);
    std::printf("speed-up (serial / parallel)     %5.2f  (target >= 1.7 on 2 cores)\n", speedUp);
    std::printf("speed-up with the next step      %5.2f  (serial / parallel, each then translating and freeing)\n",
                serialNext / converterNext);
    std::printf("CPU-only loop, 2 threads / 1     %5.2f  (median of the rounds: what the cores give now)\n", coresGive);
    std::printf("overhead over bare transformations %+5.1f %% (serial / xsltproc - 1; target <= 20 %%)\n",
                overhead * 100.0);
    std::printf("overhead over in-process libxslt   %+5.1f %% (serial / bare - 1)\n", inProcessOverhead * 100.0);
    std::printf("converter vs xsltproc (wall)     %5.2f x\n", xsltproc / converter);
    return 0;
}
