// Runs the built vdreport on the example plants and checks the PDFs with real PDF
// clients (qpdf, pdfinfo, pdftotext, pdffonts, pdfimages, mutool).
//
// vdreport runs in the build's examples folder, laid out like the desktop
// application's installation folder (data/ with the graphics and vdbase.zrc,
// master.db), unless a case says otherwise.
#include "vdcommon/database/MasterDatabase.h"
#include "vdcommon/calculations/BedExpansionDesktopFactory.h"

#include <gtest/gtest.h>

#include "support/PdfProbe.h"
#include "support/TestFiles.h"

#include <fmt/format.h>

#include <memory>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using vdtest::CountLines;
using vdtest::Has;

const std::string kBinary = VD_BINARY_DIR "/apps/vdreport/vdreport";
const std::string kInstall = VD_BINARY_DIR "/examples";
const std::string kExamples = VD_SOURCE_DIR "/examples";
const std::string kCombined = kExamples + "/combined/project.xml";

using Result = pdfprobe::RunResult;

Result Shell(const std::string& command)
{
    return pdfprobe::Run(command, false);
}

// What the PDF clients say about one written report.
struct Pdf {
    std::string path;
    int pages = 0;
    std::string info;
    std::vector<std::string> pageTexts; // pdftotext, one per page
    std::string text;                   // all pages
    std::string outline;                // mutool, one entry per line

    explicit Pdf(const fs::path& file) : path(file.string())
    {
        info = Shell("pdfinfo '" + path + "' 2>&1").output;
        std::smatch m;
        if (std::regex_search(info, m, std::regex("Pages: +([0-9]+)")))
            pages = std::stoi(m[1]);
        text = Shell("pdftotext -layout '" + path + "' - 2>/dev/null").output;
        std::istringstream split(text);
        for (std::string page; std::getline(split, page, '\f');)
            pageTexts.push_back(page);
        outline = Shell("mutool show '" + path + "' outline 2>/dev/null").output;
    }
    int ImagesOnPage(int page) const
    {
        const std::string list =
            Shell(fmt::format("pdfimages -f {0} -l {0} -list '{1}' 2>/dev/null", page, path)).output;
        return std::max(CountLines(list) - 2, 0); // two heading lines
    }
    // First page (1-based) whose text holds `needle`; 0 when none does.
    int PageWith(const std::string& needle) const
    {
        for (std::size_t i = 0; i < pageTexts.size(); ++i)
            if (Has(pageTexts[i], needle))
                return static_cast<int>(i) + 1;
        return 0;
    }
};

// Checks every written report must pass, whatever its content.
void CheckWellFormedReport(const Pdf& pdf, const std::string& disclaimerTitle)
{
    SCOPED_TRACE(pdf.path);
    EXPECT_EQ(Shell("qpdf --check '" + pdf.path + "' >/dev/null 2>&1").exitCode, 0);
    // Landscape A4 (841.89 x 595.28 pt).
    EXPECT_TRUE(std::regex_search(pdf.info, std::regex("Page size: +841\\.[0-9]+ x 595\\.[0-9]+ pts \\(A4\\)")))
        << pdf.info;
    ASSERT_GE(pdf.pages, 2);
    ASSERT_GE(static_cast<int>(pdf.pageTexts.size()), pdf.pages);
    for (int page = 1; page <= pdf.pages; ++page)
        EXPECT_TRUE(Has(pdf.pageTexts[static_cast<std::size_t>(page - 1)], fmt::format("{}/{}", page, pdf.pages)))
            << "page number on page " << page;
    EXPECT_EQ(pdf.PageWith(disclaimerTitle), pdf.pages) << "disclaimer not last";
    EXPECT_FALSE(Has(pdf.text, "$(")) << "unfilled placeholder";
    // The outline ends with the disclaimer.
    EXPECT_TRUE(std::regex_search(pdf.outline, std::regex("\"" + disclaimerTitle + "\"[^\n]*\n$"))) << pdf.outline;

    // Every font embedded as a subset: "ABCDEF+Name".
    const std::string fonts = Shell("pdffonts '" + pdf.path + "' 2>&1").output;
    std::istringstream rows(fonts);
    std::string row;
    int fontCount = 0;
    for (int n = 0; std::getline(rows, row); ++n) {
        if (n < 2 || row.empty())
            continue;
        ++fontCount;
        EXPECT_TRUE(std::regex_search(row, std::regex("^[A-Z]{6}\\+\\S+ .* yes +yes +(yes|no) +[0-9]+ +[0-9]+$")))
            << row;
    }
    EXPECT_GE(fontCount, 1);
}

class EndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!fs::exists(kBinary))
            GTEST_SKIP() << "vdreport not built";
        // Built with the tests: missing means the build of the example data is broken.
        ASSERT_TRUE(fs::exists(kInstall + "/data/vdbase.zrc")) << "resource archive not built";
        ASSERT_TRUE(fs::exists(kInstall + "/master.db")) << "master database not built";
        for (const char* tool : {"qpdf", "pdftotext", "pdfinfo", "pdffonts", "pdfimages", "mutool"})
            if (Shell(std::string("command -v ") + tool + " >/dev/null 2>&1").exitCode != 0)
                GTEST_SKIP() << tool << " missing";
        temp = std::make_unique<vdtest::TempDir>("vdreport-e2e");
        dir = temp->Path();
    }
    // stderr only; stdout carries the library's own diagnostics.
    Result Report(const std::string& args, const std::string& workDir = kInstall)
    {
        return Shell("cd '" + workDir + "' && " + kBinary + " " + args + " 2>&1 >/dev/null");
    }

    std::unique_ptr<vdtest::TempDir> temp;
    fs::path dir;
};

} // namespace

TEST_F(EndToEnd, EveryExampleGivesACompleteReport)
{
    struct Example {
        std::string name;
        int minPages;
        std::vector<std::string> texts;   // in pdftotext output
        std::vector<std::string> outline; // outline entries
        std::string imagePage;            // text of a page with a raster picture
        std::string vectorPage;           // text of a page with an RO diagram drawn as vectors
    };
    const Example examples[] = {
        {"combined",
         16,
         {"Design report", "Harbour Desalination Plant", "Feed water", "Reverse osmosis", "Ultrafiltration",
          "Ion exchange",
          "18.5 \xC2\xB0"
          "C",
          "between 0 ppm and 50 ppm", "bed depth of 2.40 m", "Bed expansion during backwash", "Polisher"},
         {"Title page", "Project data", "Ultrafiltration", "UF design", "Reverse osmosis", "Pass 1", "Ion exchange",
          "Plant overview"},
         "Backwash sequence",
         "Number of passes"},
        {"ro-two-pass",
         5,
         {"Reverse osmosis", "Note:", "closed-circuit"},
         {"Reverse osmosis", "Pass 1", "Pass 2", "Design messages"},
         "",
         "Number of passes"},
        {"uf-seawater",
         6,
         {"Ultrafiltration", "Backwash frequency differs", "Strainer", "To RO feed"}, // 2nd archive entry
         {"Ultrafiltration", "UF design", "Backwash sequence", "UF overview"},
         "UF design",
         ""},
        {"iex-demin",
         4,
         {"Ion exchange", "Polisher", "Cation bed", "not adsorbed by ion exchange resins"},
         {"Ion exchange", "Bed expansion during backwash", "Plant overview"},
         "",
         ""},
    };
    for (const Example& e : examples) {
        SCOPED_TRACE(e.name);
        const fs::path file = dir / (e.name + ".pdf");
        const Result r = Report("-o '" + file.string() + "' " + kExamples + "/" + e.name + "/project.xml");
        ASSERT_EQ(r.exitCode, 0) << r.output;
        // One progress line per stage, each with its time.
        EXPECT_TRUE(std::regex_search(r.output, std::regex("build report +[0-9.]+ s"))) << r.output;
        const Pdf pdf(file);
        CheckWellFormedReport(pdf, "Disclaimer");
        EXPECT_GE(pdf.pages, e.minPages);
        for (const std::string& text : e.texts)
            EXPECT_TRUE(Has(pdf.text, text)) << text;
        for (const std::string& entry : e.outline)
            EXPECT_TRUE(Has(pdf.outline, "\"" + entry + "\"")) << entry << "\n" << pdf.outline;
        // Page 2 (project data) has only the header's logos: the baseline for images.
        const int baseline = pdf.ImagesOnPage(2);
        if (!e.imagePage.empty()) {
            const int page = pdf.PageWith(e.imagePage);
            ASSERT_GT(page, 0);
            EXPECT_GT(pdf.ImagesOnPage(page), baseline) << "no picture on page " << page;
        }
        if (!e.vectorPage.empty()) {
            // The diagram's stream labels are text, and it adds no raster image.
            const int page = pdf.PageWith(e.vectorPage);
            ASSERT_GT(page, 0);
            EXPECT_TRUE(std::regex_search(pdf.pageTexts[static_cast<std::size_t>(page - 1)], std::regex("F[12]\\.1")));
            EXPECT_EQ(pdf.ImagesOnPage(page), baseline);
        }
    }
}

TEST_F(EndToEnd, BedExpansionIsTheLibraryFigureForTheMasterDatabaseResin)
{
    const fs::path file = dir / "iex.pdf";
    ASSERT_EQ(Report("-q -r IEX -o '" + file.string() + "' " + kCombined).exitCode, 0);
    const Pdf pdf(file);
    MasterDatabase::Open(kInstall + "/master.db");
    // The example's rows: SAC_GEL at 10 m/h and SBA_GEL at 6 m/h, both at 18.5 °C.
    const Temperature t{18.5, TemperatureUnit::Celsius};
    const double cation = BedExpansionDesktopFactory::Create("SAC_GEL")->GetBedExpansion(10, t);
    const double anion = BedExpansionDesktopFactory::Create("SBA_GEL")->GetBedExpansion(6, t);
    MasterDatabase::Close();
    ASSERT_GT(cation, 0.0);
    EXPECT_TRUE(std::regex_search(pdf.text, std::regex(fmt::format("Cation bed +10 m/h .* {:.1f} % +{:.2f} m",
                                                                   cation * 100, 1.85 * (1 + cation)))))
        << pdf.text;
    EXPECT_TRUE(std::regex_search(pdf.text, std::regex(fmt::format("Anion bed +6 m/h .* {:.1f} %", anion * 100))));
}

TEST_F(EndToEnd, GermanReportWithUsUnitsAndDecimalComma)
{
    const fs::path file = dir / "de.pdf";
    const Result r = Report("-q -l de_DE -u US -d , -o '" + file.string() + "' " + kCombined);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, ""); // --quiet
    const Pdf pdf(file);
    CheckWellFormedReport(pdf, "Haftungsausschluss");
    for (const char* expected : {"Auslegungsbericht", "Projektdaten", "Zulaufwasser", "Umkehrosmose", "18,5",
                                 "Allgemeine Spezifikation", // chapter name in the page header
                                 "Bettausdehnung bei der R\xC3\xBC"
                                 "cksp\xC3\xBC"
                                 "lung",
                                 // design messages: translated, then filled in US units with the decimal comma
                                 "Zulaufanalyse: Der Gehalt an abfiltrierbaren Stoffen", "Betth\xC3\xB6he von 7,87 ft",
                                 "Unpolare organische Stoffe werden von Ionenaustauscherharzen nicht adsorbiert",
                                 // header title and disclaimer body
                                 "Allein der Benutzer ist daf\xC3\xBCr verantwortlich", "Kesselspeisung"})
        EXPECT_TRUE(Has(pdf.text, expected)) << expected;
    for (const char* english : {"Water analysis:", "Feed analysis:", "Dimensioning:", "The user alone"})
        EXPECT_FALSE(Has(pdf.text, english)) << english;
    // Outline entries the library translates through the toolkit, also those after a
    // plant overview.
    for (const char* entry : {"Titelseite", "Projektdaten", "Umkehrosmose", "Durchgang 1", "Ionenaustausch",
                              "Anlagen\xC3\xBC"
                              "bersicht",
                              "Auslegungshinweise"})
        EXPECT_TRUE(Has(pdf.outline, std::string("\"") + entry + "\"")) << entry << "\n" << pdf.outline;
    EXPECT_FALSE(Has(pdf.outline, "\"Design messages\""));
}

TEST_F(EndToEnd, RunsFromAnyFolderWithItsOwnData)
{
    // The project alone in a folder of its own, the program started from "/" with no
    // option but -o: the same pages as in the examples folder.
    fs::copy_file(kCombined, dir / "project.xml");
    const fs::path here = dir / "here.pdf", there = dir / "there.pdf";
    ASSERT_EQ(Report("-q -o '" + here.string() + "' " + kCombined).exitCode, 0);
    const Result r = Shell("cd / && " + kBinary + " -o '" + there.string() + "' '" + (dir / "project.xml").string() +
                           "' 2>&1 >/dev/null");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const Pdf a(here), b(there);
    EXPECT_EQ(a.pages, b.pages);
    ASSERT_EQ(a.pageTexts.size(), b.pageTexts.size());
    for (std::size_t i = 0; i < a.pageTexts.size(); ++i)
        EXPECT_EQ(std::regex_replace(a.pageTexts[i], std::regex("[0-9]{2}:[0-9]{2}(:[0-9]{2})?"), "T"),
                  std::regex_replace(b.pageTexts[i], std::regex("[0-9]{2}:[0-9]{2}(:[0-9]{2})?"), "T"))
            << "page " << i + 1;
    EXPECT_EQ(a.ImagesOnPage(1), b.ImagesOnPage(1)); // the company logo found in the resources
}
