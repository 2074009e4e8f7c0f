#include "support/PdfProbe.h"
#include "support/TestFiles.h"

#include <wx/log.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace pdfprobe {

namespace {

bool KeepFiles()
{
    const char* keep = std::getenv("VD_KEEP_PROBES");
    return keep && *keep && std::string(keep) != "0";
}

std::string UniquePath(const std::string& suffix)
{
    static std::atomic<int> counter{0};
    auto dir = std::filesystem::temp_directory_path();
    return (dir / ("vdprobe-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + suffix)).string();
}

using vdtest::ReadFile;
using vdtest::ShellQuote;

// Extracts the text between "stream\n" after `from` and the following "endstream".
std::string StreamAfter(const std::string& text, size_t from)
{
    size_t s = text.find("stream\n", from);
    if (s == std::string::npos)
        return {};
    s += 7;
    size_t e = text.find("endstream", s);
    if (e == std::string::npos)
        return {};
    std::string data = text.substr(s, e - s);
    if (!data.empty() && data.back() == '\n')
        data.pop_back();
    return data;
}

} // namespace

std::string Bytes(const wxMemoryOutputStream& stream)
{
    std::string out(stream.GetLength(), '\0');
    if (!out.empty())
        stream.CopyTo(out.data(), out.size());
    return out;
}

std::string Checked(const wxMemoryOutputStream& stream)
{
    std::string pdf = Bytes(stream);
    const CheckResult check = QpdfCheck(pdf);
    EXPECT_TRUE(check.ok) << check.output;
    return pdf;
}

TempFile::TempFile(const std::string& bytes, const std::string& suffix) : path(UniquePath(suffix))
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (KeepFiles())
        std::fprintf(stderr, "pdfprobe: %s\n", path.c_str());
}

TempFile::~TempFile()
{
    if (!KeepFiles()) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
}

RunResult Run(const std::string& command, bool withStderr)
{
    RunResult result;
    std::string full = withStderr ? command + " 2>&1" : command;
    FILE* pipe = ::popen(full.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

CheckResult QpdfCheck(const std::string& pdf)
{
    TempFile file(pdf);
    RunResult run = Run("qpdf --check " + ShellQuote(file.Path()));
    return {run.exitCode == 0, run.output};
}

std::string Text(const std::string& pdf, bool layout, int firstPage, int lastPage)
{
    TempFile file(pdf);
    std::string cmd = "pdftotext -q -enc UTF-8";
    if (layout)
        cmd += " -layout";
    if (firstPage > 0)
        cmd += " -f " + std::to_string(firstPage);
    if (lastPage > 0)
        cmd += " -l " + std::to_string(lastPage);
    // stderr is dropped so that warnings never mix with the text.
    RunResult run = Run(cmd + " " + ShellQuote(file.Path()) + " - 2>/dev/null", false);
    return run.exitCode == 0 ? run.output : std::string();
}

std::vector<Word> Words(const std::string& pdf)
{
    std::vector<Word> words;
    TempFile file(pdf);
    RunResult run = Run("pdftotext -q -enc UTF-8 -bbox " + ShellQuote(file.Path()) + " - 2>/dev/null", false);
    if (run.exitCode != 0)
        return words;
    int page = 0;
    std::istringstream in(run.output);
    std::string line;
    auto attr = [](const std::string& l, const char* name) {
        std::string key = std::string(name) + "=\"";
        size_t p = l.find(key);
        if (p == std::string::npos)
            return 0.0;
        return std::strtod(l.c_str() + p + key.size(), nullptr);
    };
    while (std::getline(in, line)) {
        if (line.find("<page ") != std::string::npos) {
            ++page;
        } else if (line.find("<word ") != std::string::npos) {
            Word w;
            w.page = page;
            w.xMin = attr(line, "xMin");
            w.yMin = attr(line, "yMin");
            w.xMax = attr(line, "xMax");
            w.yMax = attr(line, "yMax");
            size_t gt = line.find('>');
            size_t end = line.rfind("</word>");
            if (gt != std::string::npos && end != std::string::npos && end > gt)
                w.text = line.substr(gt + 1, end - gt - 1);
            // Undo the HTML escapes pdftotext writes.
            for (auto [from, to] : {std::pair{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}}) {
                size_t p;
                while ((p = w.text.find(from)) != std::string::npos)
                    w.text.replace(p, std::strlen(from), to);
            }
            words.push_back(std::move(w));
        }
    }
    return words;
}

Info GetInfo(const std::string& pdf, int page)
{
    Info info;
    TempFile file(pdf);
    RunResult run =
        Run("pdfinfo -f " + std::to_string(page) + " -l " + std::to_string(page) + " " + ShellQuote(file.Path()));
    info.raw = run.output;
    info.ok = run.exitCode == 0;
    std::istringstream in(run.output);
    std::string line;
    while (std::getline(in, line)) {
        int n = 0;
        double w = 0, h = 0;
        if (line.rfind("Pages:", 0) == 0) {
            info.pages = std::atoi(line.c_str() + 6);
        } else if (std::sscanf(line.c_str(), "Page size: %lf x %lf", &w, &h) == 2 ||
                   (std::sscanf(line.c_str(), "Page %d size: %lf x %lf", &n, &w, &h) == 3 && n == page)) {
            info.width = w;
            info.height = h;
        }
    }
    return info;
}

std::string Fonts(const std::string& pdf)
{
    TempFile file(pdf);
    RunResult run = Run("pdffonts " + ShellQuote(file.Path()));
    return run.exitCode == 0 ? run.output : std::string();
}

wxImage Render(const std::string& pdf, int dpi, int page)
{
    TempFile file(pdf);
    const TempFile png("", ".png"); // pdftoppm adds the suffix to the prefix it is given
    const std::string prefix = png.Path().substr(0, png.Path().size() - 4);
    RunResult run = Run("pdftoppm -q -r " + std::to_string(dpi) + " -png -singlefile -f " + std::to_string(page) +
                        " -l " + std::to_string(page) + " " + ShellQuote(file.Path()) + " " + ShellQuote(prefix));
    wxImage image;
    if (run.exitCode == 0) {
        wxLogNull quiet;
        image.LoadFile(wxString::FromUTF8(png.Path()), wxBITMAP_TYPE_PNG);
    }
    return image;
}

wxColour Pixel(const wxImage& image, int x, int y)
{
    if (!image.IsOk())
        return wxColour();
    x = std::clamp(x, 0, image.GetWidth() - 1);
    y = std::clamp(y, 0, image.GetHeight() - 1);
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

wxColour PixelMm(const wxImage& image, int dpi, double xMm, double yMm)
{
    return Pixel(image, static_cast<int>(xMm / 25.4 * dpi), static_cast<int>(yMm / 25.4 * dpi));
}

bool IsNear(const wxColour& c, int r, int g, int b, int tolerance)
{
    return c.IsOk() && std::abs(c.Red() - r) <= tolerance && std::abs(c.Green() - g) <= tolerance &&
           std::abs(c.Blue() - b) <= tolerance;
}

int FlatChannel(const wxImage& image, int x, int y, int c)
{
    const int value = image.GetData()[(static_cast<size_t>(y) * image.GetWidth() + x) * 3 + c];
    const int alpha = image.HasAlpha() ? image.GetAlpha(x, y) : 255;
    return (value * alpha + 255 * (255 - alpha) + 127) / 255;
}

double DifferingShare(const wxImage& a, const wxImage& b, int tolerance)
{
    const int w = std::min(a.GetWidth(), b.GetWidth()), h = std::min(a.GetHeight(), b.GetHeight());
    if (!a.IsOk() || !b.IsOk() || w <= 0 || h <= 0)
        return 1.0;
    size_t differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                if (std::abs(FlatChannel(a, x, y, c) - FlatChannel(b, x, y, c)) > tolerance) {
                    ++differing;
                    break;
                }
    return static_cast<double>(differing) / (static_cast<double>(w) * h);
}

std::string Qdf(const std::string& pdf)
{
    TempFile in(pdf);
    const TempFile out("", ".qdf");
    RunResult run = Run("qpdf --qdf --object-streams=disable --decode-level=generalized " + ShellQuote(in.Path()) +
                        " " + ShellQuote(out.Path()));
    // qpdf exits with 3 for warnings; the file is still written.
    return run.exitCode == 0 || run.exitCode == 3 ? ReadFile(out.Path()) : std::string();
}

std::string PageContent(const std::string& pdf, int page)
{
    std::string qdf = Qdf(pdf);
    std::string marker = "%% Contents for page " + std::to_string(page) + "\n";
    std::string out;
    size_t p = 0;
    while ((p = qdf.find(marker, p)) != std::string::npos) {
        p += marker.size();
        if (!out.empty())
            out += '\n';
        out += StreamAfter(qdf, p);
    }
    return out;
}

std::vector<std::pair<int, std::string>> Outline(const std::string& pdf)
{
    // mutool prints one entry per line: a marker ("-", "+" or "|"), one tab per level
    // plus one, the quoted title, a tab and the destination.
    TempFile file(pdf);
    const auto result = Run("mutool show '" + file.Path() + "' outline", false);
    std::vector<std::pair<int, std::string>> entries;
    std::istringstream lines(result.output);
    std::string line;
    while (std::getline(lines, line)) {
        size_t pos = 1;
        while (pos < line.size() && line[pos] == '\t') {
            ++pos;
        }
        const auto open = line.find('"', pos);
        const auto close = line.find("\"\t", pos + 1);
        if (pos < 2 || open != pos || close == std::string::npos) {
            continue;
        }
        entries.emplace_back(static_cast<int>(pos) - 2, line.substr(open + 1, close - open - 1));
    }
    return entries;
}
int Count(const std::string& haystack, const std::string& needle)
{
    if (needle.empty())
        return 0;
    int n = 0;
    for (size_t p = haystack.find(needle); p != std::string::npos; p = haystack.find(needle, p + needle.size()))
        ++n;
    return n;
}

} // namespace pdfprobe
