// Every example report in four PDF readers: poppler (pdftocairo, pdftotext), mupdf
// (mutool), pdf.js and PDFium (both in node, installed by tests/apps/readers/install.sh).
// Each must open and render every page, and their page images must agree by the metric of
// the SVG conformance test: every reader renders at 4x (384 dpi, one scale for both axes),
// the render is box-filtered down to 96 dpi, a pixel differs when one of its channels
// differs from poppler's by more than 25 counts, and fewer than 2 % of a page's pixels may.
// Every reader must extract the same words from every page.
#include <gtest/gtest.h>

#include "support/PdfProbe.h"
#include "support/TestFiles.h"

#include <wx/image.h>

#include <fmt/format.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using vdtest::ReadFile;

const std::string kBinary = VD_BINARY_DIR "/apps/vdreport/vdreport";
const std::string kReaders = VD_SOURCE_DIR "/tests/apps/readers";
const std::string kExamples = VD_SOURCE_DIR "/examples";
constexpr int kDpi = 96;
constexpr int kSupersampling = 4;
constexpr int kChannelTolerance = 25;
// Landscape A4 at kDpi, give or take a pixel of each reader's rounding.
constexpr int kWidth = 1123;
constexpr int kHeight = 794;

int System(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

// Binary PPM (P6), as mupdf, pdf.js and PDFium write it here.
Image ReadPpm(const fs::path& file)
{
    Image image;
    std::ifstream in(file, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    in >> magic >> image.width >> image.height >> maxValue;
    in.get();
    if (!in || magic != "P6" || maxValue != 255)
        return {};
    image.rgb.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    in.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
    return image;
}

// A PNG flattened on white.
Image ReadPng(const fs::path& file)
{
    wxImage png;
    if (!png.LoadFile(file.string(), wxBITMAP_TYPE_PNG))
        return {};
    Image image{png.GetWidth(), png.GetHeight(), {}};
    const unsigned char* data = png.GetData();
    image.rgb.assign(data, data + static_cast<std::size_t>(image.width) * image.height * 3);
    if (png.HasAlpha()) {
        for (std::size_t i = 0; i < image.rgb.size(); ++i) {
            const int alpha = png.GetAlpha()[i / 3];
            image.rgb[i] = static_cast<unsigned char>((image.rgb[i] * alpha + 255 * (255 - alpha) + 127) / 255);
        }
    }
    return image;
}

// The image box-filtered down by `factor` (whole blocks only), as the conformance test does.
Image BoxFilter(const Image& big, int factor)
{
    Image small{big.width / factor, big.height / factor, {}};
    small.rgb.resize(static_cast<std::size_t>(small.width) * small.height * 3);
    const int n = factor * factor;
    for (int y = 0; y < small.height; ++y)
        for (int x = 0; x < small.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < factor; ++dy)
                    for (int dx = 0; dx < factor; ++dx)
                        sum +=
                            big.rgb[3 * (static_cast<std::size_t>(y * factor + dy) * big.width + x * factor + dx) + c];
                small.rgb[3 * (static_cast<std::size_t>(y) * small.width + x) + c] =
                    static_cast<unsigned char>((sum + n / 2) / n);
            }
    return small;
}

// Share of the common area's pixels where one channel differs by more than the tolerance.
double DifferingShare(const Image& a, const Image& b)
{
    const int w = std::min(a.width, b.width), h = std::min(a.height, b.height);
    if (w <= 0 || h <= 0)
        return 1.0;
    std::size_t differing = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const auto* p = &a.rgb[3 * (static_cast<std::size_t>(y) * a.width + x)];
            const auto* q = &b.rgb[3 * (static_cast<std::size_t>(y) * b.width + x)];
            bool differs = false;
            for (int c = 0; c < 3; ++c)
                differs = differs || std::abs(p[c] - q[c]) > kChannelTolerance;
            differing += differs ? 1 : 0;
        }
    }
    return static_cast<double>(differing) / (static_cast<double>(w) * h);
}

// The words of a page, sorted: readers order and space the text differently, the words
// themselves must be the same.
std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        words.push_back(word);
    std::sort(words.begin(), words.end());
    return words;
}

std::string Difference(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    std::vector<std::string> onlyA, onlyB;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(onlyA));
    std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(onlyB));
    std::string out = "only in one:";
    for (std::size_t i = 0; i < std::min<std::size_t>(onlyA.size(), 8); ++i)
        out += " [" + onlyA[i] + "]";
    out += " / only in the other:";
    for (std::size_t i = 0; i < std::min<std::size_t>(onlyB.size(), 8); ++i)
        out += " [" + onlyB[i] + "]";
    return out;
}

class Readers : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (System("command -v node >/dev/null 2>&1") != 0)
            skipReason = "node missing";
        else if (System("bash " + kReaders + "/install.sh") != 0)
            skipReason = "the node PDF readers could not be installed (npm registry unreachable?)";
    }
    void SetUp() override
    {
        if (!skipReason.empty())
            GTEST_SKIP() << skipReason;
        if (!fs::exists(kBinary))
            GTEST_SKIP() << "vdreport not built";
        for (const char* tool : {"pdftocairo", "pdftotext", "pdfinfo", "mutool"})
            if (System(std::string("command -v ") + tool + " >/dev/null 2>&1") != 0)
                GTEST_SKIP() << tool << " missing";
        dir = fs::temp_directory_path() / ("vdreport-readers-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        std::error_code ec;
        if (!dir.empty() && !std::getenv("VD_KEEP_PROBES"))
            fs::remove_all(dir, ec);
    }
    static inline std::string skipReason;
    fs::path dir;
};

} // namespace

TEST_F(Readers, FourReadersAgreeOnEveryExampleReport)
{
    for (const std::string example : {"combined", "ro-two-pass", "uf-seawater", "iex-demin"}) {
        SCOPED_TRACE(example);
        const fs::path out = dir / example;
        fs::create_directories(out);
        const fs::path pdf = out / "report.pdf";
        ASSERT_EQ(System(fmt::format("{} -q -o '{}' '{}/{}/project.xml'", kBinary, pdf.string(), kExamples, example)),
                  0);
        const std::string bytes = ReadFile(pdf);
        ASSERT_EQ(bytes.rfind("%PDF-", 0), 0u);

        // pdf.js and PDFium, box-filtered as they are written
        const fs::path log = out / "node.log";
        ASSERT_EQ(System(fmt::format("node '{}/render.mjs' '{}' '{}' {} {} >'{}' 2>&1", kReaders, pdf.string(),
                                     out.string(), kDpi * kSupersampling, kSupersampling, log.string())),
                  0)
            << ReadFile(log);
        std::istringstream pagesText(ReadFile(log));
        std::map<std::string, int> pagesOf;
        for (std::string reader; pagesText >> reader;)
            pagesText >> pagesOf[reader];

        const int pages = pdfprobe::GetInfo(bytes).pages;
        ASSERT_GT(pages, 1);
        EXPECT_EQ(pagesOf["pdfium"], pages);
        EXPECT_EQ(pagesOf["pdfjs"], pages);

        for (int page = 1; page <= pages; ++page) {
            SCOPED_TRACE(fmt::format("page {}", page));
            // poppler (its cairo renderer, as in the conformance test) and mupdf, one page
            // at a time: a page at 4x is 40 MB uncompressed.
            const fs::path popplerPng = out / "poppler.png", mupdfPnm = out / "mupdf.pnm";
            ASSERT_EQ(System(fmt::format("pdftocairo -png -singlefile -r {0} -f {1} -l {1} '{2}' '{3}'",
                                         kDpi * kSupersampling, page, pdf.string(), (out / "poppler").string())),
                      0);
            ASSERT_EQ(System(fmt::format("mutool draw -q -c rgb -r {} -o '{}' '{}' {} 2>/dev/null",
                                         kDpi * kSupersampling, mupdfPnm.string(), pdf.string(), page)),
                      0);
            const Image reference = BoxFilter(ReadPng(popplerPng), kSupersampling);
            ASSERT_LE(std::abs(reference.width - kWidth), 1);
            ASSERT_LE(std::abs(reference.height - kHeight), 1);
            const std::map<std::string, Image> others = {
                {"mupdf", BoxFilter(ReadPpm(mupdfPnm), kSupersampling)},
                {"pdfjs", ReadPpm(out / fmt::format("pdfjs-{}.ppm", page))},
                {"pdfium", ReadPpm(out / fmt::format("pdfium-{}.ppm", page))},
            };
            fs::remove(popplerPng);
            fs::remove(mupdfPnm);
            for (const auto& [reader, image] : others) {
                ASSERT_GT(image.width, 0) << reader << " rendered nothing";
                EXPECT_LE(std::abs(image.width - kWidth), 1) << reader;
                EXPECT_LE(std::abs(image.height - kHeight), 1) << reader;
                EXPECT_LT(DifferingShare(reference, image), 0.02) << reader;
            }

            const fs::path popplerText = out / fmt::format("poppler-{}.txt", page);
            const fs::path mupdfText = out / fmt::format("mupdf-{}.txt", page);
            System(fmt::format("pdftotext -f {0} -l {0} '{1}' '{2}'", page, pdf.string(), popplerText.string()));
            System(fmt::format("mutool draw -q -F txt -o '{}' '{}' {} 2>/dev/null", mupdfText.string(), pdf.string(),
                               page));
            const auto words = Words(ReadFile(popplerText));
            ASSERT_FALSE(words.empty());
            for (const auto& [reader, file] :
                 std::map<std::string, fs::path>{{"mupdf", mupdfText},
                                                 {"pdfjs", out / fmt::format("pdfjs-{}.txt", page)},
                                                 {"pdfium", out / fmt::format("pdfium-{}.txt", page)}}) {
                const auto other = Words(ReadFile(file));
                EXPECT_EQ(words, other) << reader << ": " << Difference(words, other);
            }
        }
    }
}
