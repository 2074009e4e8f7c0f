// Runs the built vdreport on the example plants and checks the PDFs with real PDF
// clients (qpdf, pdfinfo, pdftotext), and checks that bad input ends with exit code
// 1 or 2 and one clear line on standard error.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kBinary = VD_BINARY_DIR "/apps/vdreport/vdreport";
const std::string kCombined = VD_SOURCE_DIR "/examples/combined/project.xml";

struct Result {
    int code = -1;
    std::string out;
};

Result Shell(const std::string& command)
{
    Result r;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return r;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        r.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool HaveTool(const std::string& tool)
{
    return Shell("command -v " + tool + " >/dev/null 2>&1").code == 0;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(kBinary))
            GTEST_SKIP() << "vdreport not built";
        if (!HaveTool("qpdf") || !HaveTool("pdftotext") || !HaveTool("pdfinfo"))
            GTEST_SKIP() << "PDF tools missing";
        dir = fs::temp_directory_path() / ("vdreport-e2e-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    // stderr only; stdout carries the library's own diagnostics.
    Result Report(const std::string& args)
    {
        return Shell(kBinary + " " + args + " 2>&1 >/dev/null");
    }
    std::string Text(const fs::path& pdf) { return Shell("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null").out; }

    fs::path dir;
};

int CountLines(const std::string& s)
{
    int lines = 0;
    for (char c : s)
        lines += c == '\n';
    return lines;
}

} // namespace

TEST_F(EndToEnd, CombinedPlantInEnglishMetric)
{
    const fs::path pdf = dir / "combined.pdf";
    const Result r = Report("-o '" + pdf.string() + "' " + kCombined);
    ASSERT_EQ(r.code, 0) << r.out;
    // One progress line per stage, each with its time.
    EXPECT_TRUE(std::regex_search(r.out, std::regex("read project file +[0-9.]+ s")));
    EXPECT_TRUE(std::regex_search(r.out, std::regex("build report +[0-9.]+ s")));

    EXPECT_EQ(Shell("qpdf --check '" + pdf.string() + "' >/dev/null 2>&1").code, 0);
    const std::string info = Shell("pdfinfo '" + pdf.string() + "'").out;
    EXPECT_NE(info.find("A4"), std::string::npos) << info;
    EXPECT_NE(info.find("P-2024-017: Harbour Desalination Plant (A. Engineer)"), std::string::npos);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(info, m, std::regex("Pages: +([0-9]+)")));
    const int pages = std::stoi(m[1]);
    EXPECT_GE(pages, 10);

    const std::string text = Text(pdf);
    for (const char* expected : {"Design report", "Harbour Desalination Plant", "Feed water", "Reverse osmosis",
                                 "Ultrafiltration", "Ion exchange", "18.5 \xC2\xB0" "C"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    // Filled placeholders: metric limits, and nothing left unresolved.
    EXPECT_NE(text.find("between 0 ppm and 50 ppm"), std::string::npos);
    EXPECT_NE(text.find("bed depth of 2.40 m"), std::string::npos);
    EXPECT_EQ(text.find("$("), std::string::npos);
    // "n/N" on every page, and the disclaimer on the last one.
    for (int page = 1; page <= pages; ++page)
        EXPECT_NE(text.find(std::to_string(page) + "/" + std::to_string(pages)), std::string::npos) << page;
    const std::string last =
        Shell("pdftotext -f " + std::to_string(pages) + " -l " + std::to_string(pages) + " '" + pdf.string() + "' -").out;
    EXPECT_NE(last.find("Disclaimer"), std::string::npos);
}

TEST_F(EndToEnd, GermanUsUnitsWithDecimalComma)
{
    const fs::path pdf = dir / "de.pdf";
    const Result r = Report("-q -l de_DE -u US -d , -r RO,IEX -o '" + pdf.string() + "' " + kCombined);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out, ""); // --quiet
    EXPECT_EQ(Shell("qpdf --check '" + pdf.string() + "' >/dev/null 2>&1").code, 0);
    const std::string text = Text(pdf);
    for (const char* expected : {"Auslegungsbericht", "Projektdaten", "Zulaufwasser", "Umkehrosmose", "18,5",
                                 "Haftungsausschluss"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    EXPECT_NE(text.find("7,87 ft"), std::string::npos); // 2.4 m in the US unit system
    EXPECT_EQ(text.find("Ultrafiltration"), std::string::npos); // not selected
}

TEST_F(EndToEnd, EverySinglePlantExample)
{
    const std::pair<const char*, const char*> examples[] = {
        {"ro-two-pass", "Reverse osmosis"}, {"uf-seawater", "Ultrafiltration"}, {"iex-demin", "Ion exchange"}};
    for (const auto& [name, chapter] : examples) {
        const fs::path pdf = dir / (std::string(name) + ".pdf");
        const Result r = Report("-q -o '" + pdf.string() + "' " VD_SOURCE_DIR "/examples/" + name + "/project.xml");
        ASSERT_EQ(r.code, 0) << name << ": " << r.out;
        EXPECT_EQ(Shell("qpdf --check '" + pdf.string() + "' >/dev/null 2>&1").code, 0) << name;
        const std::string text = Text(pdf);
        EXPECT_NE(text.find(chapter), std::string::npos) << name;
        EXPECT_NE(text.find("Disclaimer"), std::string::npos) << name;
        EXPECT_EQ(text.find("$("), std::string::npos) << name;
    }
}

TEST_F(EndToEnd, BadInputEndsWithOneClearLine)
{
    const std::string out = "-o '" + (dir / "x.pdf").string() + "' ";
    fs::create_directories(dir / "p");
    std::ofstream(dir / "p" / "bad.xml") << "<vdproject><general>\n<oops></general></vdproject>";
    fs::create_directories(dir / "sheets");
    for (const auto& f : fs::directory_iterator(VD_SOURCE_DIR "/examples/stylesheets"))
        fs::copy_file(f.path(), dir / "sheets" / f.path().filename());
    {
        std::ofstream broken(dir / "sheets" / "ro.xsl", std::ios::trunc);
        broken << "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n"
                  "<xsl:template match=\"/\">\n<ro></xsl:template>\n</xsl:stylesheet>\n";
    }
    struct Case {
        std::string args;
        int code;
        std::string says;
    };
    const Case cases[] = {
        {out + "/nonexistent/project.xml", 1, "project file not found"},
        {out + (dir / "p" / "bad.xml").string(), 1, "bad.xml:2: malformed XML"},
        {out + "--stylesheets '" + (dir / "sheets").string() + "' " + kCombined, 1, "ro.xsl:3"},
        {out + "-r NOPE " + kCombined, 2, "unknown report \"NOPE\""},
        {"-o /proc/version/x.pdf " + kCombined, 1, "output folder does not exist"},
        {out + "--fonts /nonexistent/fonts " + kCombined, 1, "font folder not found"},
        {out + "--frobnicate " + kCombined, 2, "unknown option --frobnicate"},
        {out, 2, "no project file given"},
        {out + "-d ';' " + kCombined, 2, "decimal separator"},
    };
    for (const Case& c : cases) {
        const Result r = Report("-q " + c.args);
        EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.out;
        EXPECT_EQ(CountLines(r.out), 1) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_FALSE(fs::exists(dir / "x.pdf"));
}

TEST_F(EndToEnd, HelpAndVersion)
{
    const Result help = Shell(kBinary + " --help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("--unit-system"), std::string::npos);
    const Result version = Shell(kBinary + " --version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("vdreport ", 0), 0u);
}
