// The attacker's and the clumsy user's cases, run through the real vdreport: every run
// is bounded (a time limit that kills it, a memory limit it runs under), ends with the
// sound result and one clear line for each refusal, reads and writes nothing outside
// what the user named, and leaves no temporary file behind.
#include <gtest/gtest.h>

#include "support/TestFiles.h"

#include <fmt/format.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

namespace fs = std::filesystem;

namespace {

using vdtest::CountLines;
using vdtest::Has;
using vdtest::ReadFile;
using vdtest::ShellQuote;
using vdtest::WriteFile;

const std::string kBinary = VD_BINARY_DIR "/apps/vdreport/vdreport";
const std::string kShare = VD_BINARY_DIR "/share/vdcommon";
const std::string kExamples = VD_SOURCE_DIR "/examples";

struct Outcome {
    int code = -1;
    std::string out; // standard output
    std::string err; // standard error
    double seconds = 0;
    long peakKb = 0; // peak resident memory
};

class VdreportHostile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!fs::exists(kBinary) || !fs::exists(kShare + "/master.db"))
            GTEST_SKIP() << "vdreport or its staged data not built";
        temp = std::make_unique<vdtest::TempDir>("vdreport-hostile");
        dir = temp->Path();
    }

    // Runs vdreport in `dir` under a time limit (killed after it) and an address-space
    // limit; the peak resident size is measured by /usr/bin/time. The address sanitizer
    // reserves terabytes of shadow space up front, so a sanitized build runs without the
    // address-space limit.
    Outcome Vdreport(const std::string& args, int seconds = 60, long memoryMb = 3072)
    {
        const fs::path out = dir / ".run-out", err = dir / ".run-err", mem = dir / ".run-mem";
        const std::string limit = kSanitized ? std::string() : fmt::format("ulimit -v {} && ", memoryMb * 1024);
        const std::string command = fmt::format(
            "cd {} && {}/usr/bin/time -o {} -f %M timeout -s KILL {} {} {} >{} 2>{}", ShellQuote(dir.string()), limit,
            ShellQuote(mem.string()), seconds, kBinary, args, ShellQuote(out.string()), ShellQuote(err.string()));
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        Outcome r;
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadFile(out);
        r.err = ReadFile(err);
        std::istringstream m(ReadFile(mem));
        std::string line;
        while (std::getline(m, line))
            if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
                r.peakKb = std::stol(line);
        fs::remove(out);
        fs::remove(err);
        fs::remove(mem);
        return r;
    }

    // A copy of the example project, optionally edited.
    std::string Project(const std::string& example = "combined", const std::string& from = "",
                        const std::string& to = "")
    {
        std::string text = ReadFile(kExamples + "/" + example + "/project.xml");
        if (!from.empty()) {
            const auto at = text.find(from);
            EXPECT_NE(at, std::string::npos) << from;
            if (at != std::string::npos)
                text.replace(at, from.size(), to);
        }
        // Each edited copy under a name of its own: earlier copies stay as they were.
        const fs::path file = dir / (example + (from.empty() ? std::string() : "-" + std::to_string(++edits)) + ".xml");
        WriteFile(file, text);
        return file.string();
    }

    // A copy of the staged style sheets with one replaced.
    std::string Sheets(const std::string& name, const std::string& content)
    {
        const fs::path sheets = dir / "sheets";
        fs::create_directories(sheets);
        for (const auto& f : fs::directory_iterator(kShare + "/stylesheets"))
            fs::copy_file(f.path(), sheets / f.path().filename(), fs::copy_options::overwrite_existing);
        WriteFile(sheets / name, content);
        return sheets.string();
    }

    // Nothing but the given names in dir (no temporary file left behind).
    std::vector<std::string> Leftovers()
    {
        std::vector<std::string> names;
        for (const auto& f : fs::directory_iterator(dir))
            if (f.path().filename().string().rfind(".", 0) == 0)
                names.push_back(f.path().filename().string());
        return names;
    }

    std::unique_ptr<vdtest::TempDir> temp;
    fs::path dir;
    int edits = 0;
};

const std::string kSheetHead = "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n";
// Two calls of itself per level, 60 levels: works for ever.
const std::string kExponentialSheet =
    kSheetHead + "<xsl:template match=\"/\"><ro><xsl:call-template name=\"f\"><xsl:with-param name=\"n\" "
                 "select=\"60\"/></xsl:call-template></ro></xsl:template><xsl:template name=\"f\"><xsl:param "
                 "name=\"n\"/><xsl:if test=\"$n &gt; 0\"><xsl:call-template name=\"f\"><xsl:with-param name=\"n\" "
                 "select=\"$n - 1\"/></xsl:call-template><xsl:call-template name=\"f\"><xsl:with-param name=\"n\" "
                 "select=\"$n - 1\"/></xsl:call-template></xsl:if></xsl:template></xsl:stylesheet>\n";

} // namespace

TEST_F(VdreportHostile, OutputNeverFollowsLinksAndIsReplacedAtomically)
{
    const std::string project = Project();
    WriteFile(dir / "victim", "precious");
    fs::create_directories(dir / "out");
    // The old fixed temporary name, and the destination itself, as links to the victim.
    fs::create_symlink(dir / "victim", dir / "out" / "report.pdf.part");
    fs::create_symlink(dir / "victim", dir / "out" / "report.pdf");
    const Outcome r = Vdreport("-q -o out/report.pdf " + project);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFile(dir / "victim"), "precious");
    EXPECT_FALSE(fs::is_symlink(dir / "out" / "report.pdf"));
    EXPECT_EQ(ReadFile(dir / "out" / "report.pdf").rfind("%PDF-", 0), 0u);
    // A plain file's permissions, not the temporary file's 0600.
    EXPECT_NE(fs::status(dir / "out" / "report.pdf").permissions() & fs::perms::others_read, fs::perms::none);
    for (const auto& f : fs::directory_iterator(dir / "out"))
        EXPECT_TRUE(f.path().filename() == "report.pdf" || f.path().filename() == "report.pdf.part") << f.path();
}

TEST_F(VdreportHostile, ConcurrentRunsOnOneOutputAllSucceed)
{
    const std::string project = Project();
    std::vector<std::thread> runs;
    std::vector<Outcome> results(6);
    for (std::size_t i = 0; i < results.size(); ++i)
        runs.emplace_back([&, i] {
            // Each its own capture files: a sub-folder per run.
            const fs::path sub = dir / ("r" + std::to_string(i));
            fs::create_directories(sub);
            const std::string command = fmt::format("cd {} && timeout -s KILL 120 {} -q -o ../same.pdf {} 2>err",
                                                    ShellQuote(sub.string()), kBinary, project);
            const int status = std::system(command.c_str());
            results[i].code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            results[i].err = ReadFile(sub / "err");
        });
    for (auto& t : runs)
        t.join();
    for (const Outcome& r : results)
        EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "same.pdf").rfind("%PDF-", 0), 0u);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(VdreportHostile, InterruptedRunLeavesNoTemporaryFile)
{
    // A style sheet that works for ever: the run is interrupted while the temporary
    // file exists (it is made before the report is built).
    const std::string sheets = Sheets("ro.xsl", kExponentialSheet);
    for (const char* signal : {"TERM", "INT"}) {
        SCOPED_TRACE(signal);
        const std::string command =
            fmt::format("cd {} && (timeout -s KILL 60 {} -q --xslt-timeout=0 --stylesheets {} -o r.pdf {} & "
                        "for i in $(seq 200); do ls -a | grep -q '^\\.r\\.pdf\\.' && break; sleep 0.05; done; "
                        "sleep 0.3; pkill -{} -P $$ -x timeout; kill -{} %1 2>/dev/null; wait)",
                        ShellQuote(dir.string()), kBinary, sheets, Project(), signal, signal);
        // The timeout wrapper passes the signal on to vdreport.
        std::system(command.c_str());
        EXPECT_TRUE(Leftovers().empty()) << (Leftovers().empty() ? "" : Leftovers()[0]);
        EXPECT_FALSE(fs::exists(dir / "r.pdf"));
    }
}

TEST_F(VdreportHostile, EachRefusalIsOneLine)
{
    const std::string project = Project();
    WriteFile(dir / "report.pdf", ReadFile(project));
    fs::create_hard_link(project, dir / "hardlink.xml");
    ::mkfifo((dir / "fifo.xml").c_str(), 0600);
    std::string deep = "<vdproject><general>";
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    WriteFile(dir / "deep.xml", deep);
    const std::string infinite = Sheets(
        "ro.xsl", kSheetHead + "<xsl:template match=\"/\"><ro><xsl:call-template name=\"f\"/></ro></xsl:template>\n"
                               "<xsl:template name=\"f\"><xsl:call-template name=\"f\"/></xsl:template>\n"
                               "</xsl:stylesheet>\n");
    fs::rename(infinite, dir / "infinite");
    const std::string syntax = Sheets("ro.xsl", kSheetHead + "<xsl:template match=\"/\">\n<ro>\n"
                                                             "<xsl:value-of select=\"1 +* ]\"/></ro>\n"
                                                             "</xsl:template></xsl:stylesheet>\n");
    fs::rename(syntax, dir / "syntax");
    fs::rename(Sheets("ro.xsl", kSheetHead + "<xsl:template match=\"/\">\n<ro></xsl:template>\n</xsl:stylesheet>\n"),
               dir / "malformed");
    WriteFile(dir / "bad.xml", "<vdproject><general>\n<oops></general></vdproject>");
    const std::string exponential = Sheets("ro.xsl", kExponentialSheet);
    // A data folder without a master database: bed expansion cannot be worked out.
    fs::copy(kShare, dir / "nomaster", fs::copy_options::recursive);
    fs::remove(dir / "nomaster" / "master.db");
    struct Case {
        std::string args;
        std::string says;
        int code = 1;
    };
    const std::string injection = "US' = 'US' and starts-with(string(document('" + project + "')),'&lt;') and 'x";
    const Case cases[] = {
        {"-o " + project + " " + project, "output file is the project file"},
        {"-o hardlink.xml " + project, "output file is the project file"},
        {"report.pdf", "output file is the project file"},
        {"-o x.pdf /dev/zero", "project file is not a regular file: /dev/zero"},
        {"-o x.pdf fifo.xml", "project file is not a regular file"},
        {"-o x.pdf " + dir.string(), "project file is a folder"},
        {"-o x.pdf /nonexistent/project.xml", "project file not found"},
        {"-o x.pdf bad.xml", "bad.xml:2: malformed XML"},
        {"-o x.pdf", "no project file given", 2},
        {"-o x.pdf deep.xml", "nested deeper than 256 levels"},
        {"-o x.pdf " +
             Project("combined", "<unitsystem>metric</unitsystem>", "<unitsystem>" + injection + "</unitsystem>"),
         "unknown unit system"},
        {"-o x.pdf --stylesheets infinite " + project, "recursion"},
        {"-o x.pdf --stylesheets syntax " + project, "ro.xsl:4"},
        {"-o x.pdf --stylesheets malformed " + project, "ro.xsl:3"},
        {"-o x.pdf -r NOPE " + project, "unknown report \"NOPE\"", 2},
        {"-o /proc/version/x.pdf " + project, "output folder does not exist"},
        {"-o x.pdf --fonts /nonexistent/fonts " + project, "font folder not found"},
        {"-o x.pdf --master-db /nonexistent/master.db " + project, "master database not found"},
        {"-o x.pdf --data-dir nomaster " + project, "bed expansion of resin \"SAC_GEL\" needs the master database"},
        {"-o x.pdf --data-dir /nonexistent " + project, "data folder not found"},
        {"-o x.pdf -d ';' " + project, "decimal separator", 2},
        {"--frobnicate " + project, "unknown option --frobnicate", 2},
        {"-o x.pdf --xslt-timeout 1 --stylesheets " + exponential + " " + project, "time limit of 1 s"},
        {"-u 'US'\"'\"' or '\"'\"'1' " + project, "unknown unit system", 2},
        {"--s " + project, "option --s is ambiguous", 2},
        {"--quiet=1 " + project, "option --quiet takes no value", 2},
        {"--xslt-timeout=soon " + project, "--xslt-timeout needs a number", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome r = Vdreport("-q " + c.args, 30, 2048);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_EQ(CountLines(r.err), 1) << r.err;
        EXPECT_TRUE(Has(r.err, c.says)) << r.err;
        EXPECT_LT(r.seconds, 20);
    }
    EXPECT_EQ(ReadFile(dir / "report.pdf"), ReadFile(project));
    EXPECT_FALSE(fs::exists(dir / "x.pdf"));
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(VdreportHostile, StyleSheetsNeverReachTheNetwork)
{
    // A listener on the loopback: no loading path of a style sheet may connect to it.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 8), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string url = fmt::format("http://127.0.0.1:{}/x.xsl", ntohs(address.sin_port));
    const std::string bodies[] = {
        kSheetHead + "<xsl:include href=\"" + url +
            "\"/><xsl:template match=\"/\"><ro/></xsl:template></xsl:stylesheet>",
        kSheetHead + "<xsl:import href=\"" + url +
            "\"/><xsl:template match=\"/\"><ro/></xsl:template></xsl:stylesheet>",
        kSheetHead + "<xsl:template match=\"/\"><ro><xsl:value-of select=\"document('" + url +
            "')\"/></ro></xsl:template></xsl:stylesheet>",
        "<!DOCTYPE x [<!ENTITY e SYSTEM \"" + url + "\">]>" + kSheetHead +
            "<xsl:template match=\"/\"><ro>&e;</ro></xsl:template></xsl:stylesheet>",
    };
    const std::string project = Project();
    for (const std::string& body : bodies) {
        SCOPED_TRACE(body);
        const std::string sheets = Sheets("ro.xsl", body);
        const Outcome r = Vdreport("-q -o x.pdf --stylesheets " + sheets + " " + project, 30);
        EXPECT_LE(CountLines(r.err), 1) << r.err;
        if (r.code != 0) {
            EXPECT_TRUE(Has(r.err, "ro.xsl") || Has(r.err, "network")) << r.err;
        }
        const int connection = ::accept(listener, nullptr, nullptr);
        EXPECT_LT(connection, 0) << "a style sheet connected to the network";
        if (connection >= 0)
            ::close(connection);
    }
    ::close(listener);
}

TEST_F(VdreportHostile, WarningsAreOneLineAndStrictFails)
{
    // A missing plant graphic, a graphic outside the data folder, a corrupt or missing
    // archive, an oversized logo and a catalogue rule nested 200000 deep: warnings, no crash.
    const std::string missing =
        Project("combined", "<overview file=\"#zip:iex_overview.svg\"", "<overview file=\"#zip:no_such_graphic.svg\"");
    // 24000 x 24000 pixels declared in a header of a few bytes.
    std::string png = "\x89PNG\r\n\x1a\n";
    png += std::string("\0\0\0\x0dIHDR\0\0\x5d\xc0\0\0\x5d\xc0\x08\x02\0\0\0", 21) + std::string(4, '\0');
    png += std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12);
    WriteFile(dir / "huge.png", png);
    const std::string logo =
        Project("iex-demin", "<companylogo>virelda-logo.png</companylogo>", "<companylogo>huge.png</companylogo>");
    fs::create_directories(dir / "locale" / "de");
    for (const auto& f : fs::directory_iterator(kShare + "/locale/de"))
        if (f.is_regular_file())
            fs::copy_file(f.path(), dir / "locale" / "de" / f.path().filename());
    std::string po = ReadFile(dir / "locale" / "de" / "report-markup.po");
    const std::string rule = "plural=(n != 1);";
    po.replace(po.find(rule), rule.size(), "plural=" + std::string(200000, '(') + "n" + std::string(200000, ')') + ";");
    WriteFile(dir / "locale" / "de" / "report-markup.po", po);
    fs::create_directories(dir / "data" / "data");
    fs::copy(kShare, dir / "data", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const std::string archive = ReadFile(kShare + "/data/vdbase.zrc");
    WriteFile(dir / "data" / "data" / "vdbase.zrc", archive.substr(0, archive.size() / 2));
    fs::copy(kShare, dir / "nodata", fs::copy_options::recursive);
    fs::remove_all(dir / "nodata" / "data");

    struct Case {
        std::string args;
        std::string says;
    };
    // A private-use character no installed font has: drawn as a box, said once.
    const std::string uncovered = Project("combined", "<project title=\"Harbour Desalination Plant\"",
                                          "<project title=\"Harbour \xee\x80\x80 Plant\"");
    const Case cases[] = {
        {"-r IEX " + missing, ""},
        {uncovered, "no installed font has the character"},
        {logo, "company logo left out"},
        {"-l de_DE --locale locale " + Project(), "Plural-Forms expression nests deeper than"},
        {"-r IEX --data-dir data " + Project(), ""},
        {"-r IEX --data-dir nodata " + Project(), "no resource archive"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        Outcome r = Vdreport("-q -o w.pdf " + c.args, 60, 2048);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_GE(CountLines(r.err), 1);
        EXPECT_TRUE(std::regex_search(
            r.err,
            std::regex("^vdreport: warning: [^\n]*" + std::regex_replace(c.says, std::regex("[.]"), "\\.") + "[^\n]*\n",
                       std::regex::multiline)))
            << r.err;
        EXPECT_EQ(ReadFile(dir / "w.pdf").rfind("%PDF-", 0), 0u);
        fs::remove(dir / "w.pdf");
        r = Vdreport("-q --strict -o w.pdf " + c.args, 60, 2048);
        EXPECT_EQ(r.code, 1) << r.err;
        EXPECT_TRUE(Has(r.err, "--strict")) << r.err;
        EXPECT_FALSE(fs::exists(dir / "w.pdf"));
    }
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(VdreportHostile, LegalEncodingsLoad)
{
    const std::string text = ReadFile(Project());
    const std::string body = text.substr(text.find("?>") + 2);
    // UTF-16 with its byte order mark, both byte orders, and ISO-8859-1.
    struct Encoding {
        std::string name, iconv;
    };
    for (const Encoding& e : {Encoding{"UTF-16", "UTF-16LE"}, Encoding{"UTF-16", "UTF-16BE"},
                              Encoding{"ISO-8859-1", "ISO-8859-1"}, Encoding{"windows-1252", "CP1252"}}) {
        SCOPED_TRACE(e.iconv);
        WriteFile(dir / "utf8.xml", "<?xml version=\"1.0\" encoding=\"" + e.name + "\"?>" + body);
        const std::string bom = e.iconv == "UTF-16LE"   ? "printf '\\377\\376'; "
                                : e.iconv == "UTF-16BE" ? "printf '\\376\\377'; "
                                                        : "";
        ASSERT_EQ(std::system(fmt::format("cd {} && ({}iconv -f UTF-8 -t {} utf8.xml) > enc.xml",
                                          ShellQuote(dir.string()), bom, e.iconv)
                                  .c_str()),
                  0);
        const Outcome r = Vdreport("-q -o enc.pdf enc.xml", 60);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, "");
        std::system(fmt::format("pdftotext {0}/enc.pdf {0}/enc.txt", ShellQuote(dir.string())).c_str());
        EXPECT_TRUE(Has(ReadFile(dir / "enc.txt"), "18.5 \xC2\xB0"
                                                   "C"))
            << "degree sign decoded";
    }
}

TEST_F(VdreportHostile, LargeProjectFilePeaksAtAFewTimesItsSize)
{
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers' shadow memory and quarantine say nothing of our peak";
    // 40 MB of project data in a report section, once printed (long texts the style
    // sheet passes over) and once left out of the run.
    const std::string base = ReadFile(Project());
    std::string rows;
    rows.reserve(41u << 20);
    const std::string value(200, 'x');
    for (int i = 0; rows.size() < (40u << 20); ++i)
        rows += fmt::format("<note>row {} {}</note>\n", i, value);
    for (const char* active : {"1", "0"}) {
        SCOPED_TRACE(active);
        std::string text = base;
        text.replace(text.rfind("</vdproject>"), 12,
                     fmt::format("<report name=\"Bulk\" stylesheet=\"ro.xsl\" active=\"{}\">", active) + rows +
                         "</report></vdproject>");
        WriteFile(dir / "big.xml", text);
        const double sizeMb = static_cast<double>(text.size()) / (1 << 20);
        const Outcome r = Vdreport("-q -o big.pdf big.xml", 120, 4096);
        EXPECT_EQ(r.code, 0) << r.err;
        const double peakMb = static_cast<double>(r.peakKb) / 1024;
        // At most six times the file beside a fixed base (toolkit, fonts, the report):
        // the toolkit's tree holds every character in four bytes. A section the run
        // does not print is never held at all.
        EXPECT_LT(peakMb, (active[0] == '1' ? 6 : 1) * sizeMb + 100)
            << "peak " << peakMb << " MB for " << sizeMb << " MB";
        RecordProperty(std::string("peak_mb_active_") + active, std::to_string(peakMb));
    }
}

TEST_F(VdreportHostile, CommandLine)
{
    const std::string project = Project();
    // -q: nothing on either stream; -oFILE, --out= prefix, and "--" before a file
    // whose name starts with a dash.
    fs::copy_file(project, dir / "-dash.xml");
    for (const std::string& args :
         {"-q -oa.pdf " + project, "--qu --out=b.pdf " + project, std::string("-q -o c.pdf -- -dash.xml")}) {
        SCOPED_TRACE(args);
        const Outcome r = Vdreport(args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out + r.err, "");
    }
    EXPECT_TRUE(fs::exists(dir / "a.pdf") && fs::exists(dir / "b.pdf") && fs::exists(dir / "c.pdf"));
    // -v adds the library's debug lines; --list-reports, --help and --version answer on stdout.
    Outcome r = Vdreport("-v -o d.pdf " + project);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "vdreport: debug: ")) << r.err;
    r = Vdreport("--list-reports " + project);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "RO\tro.xsl\tactive\n")) << r.out;
    EXPECT_EQ(CountLines(r.out), 3) << r.out;
    r = Vdreport("--help");
    EXPECT_EQ(r.code, 0);
    for (const char* option : {"--unit-system", "--strict", "--list-reports", "--xslt-timeout", "--data-dir"})
        EXPECT_TRUE(Has(r.out, option)) << option;
    r = Vdreport("--version");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("vdreport ", 0), 0u);
}
