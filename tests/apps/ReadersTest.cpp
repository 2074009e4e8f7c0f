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
#include <wx/log.h>

#include <fmt/format.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
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

// A page image (PNG or binary PPM) box-filtered down by `factor`, whole blocks only, as
// the conformance test does. Not ok when the file cannot be read.
wxImage Load(const fs::path& file, int factor = 1)
{
    wxImage big;
    {
        wxLogNull quiet;
        if (!big.LoadFile(file.string()) || big.GetWidth() < factor || big.GetHeight() < factor)
            return {};
    }
    wxImage small(big.GetWidth() / factor, big.GetHeight() / factor);
    const int n = factor * factor;
    for (int y = 0; y < small.GetHeight(); ++y)
        for (int x = 0; x < small.GetWidth(); ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < factor; ++dy)
                    for (int dx = 0; dx < factor; ++dx)
                        sum += pdfprobe::FlatChannel(big, x * factor + dx, y * factor + dy, c);
                small.GetData()[(static_cast<std::size_t>(y) * small.GetWidth() + x) * 3 + c] =
                    static_cast<unsigned char>((sum + n / 2) / n);
            }
    return small;
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
            const wxImage reference = Load(popplerPng, kSupersampling);
            ASSERT_LE(std::abs(reference.GetWidth() - kWidth), 1);
            ASSERT_LE(std::abs(reference.GetHeight() - kHeight), 1);
            const std::map<std::string, wxImage> others = {
                {"mupdf", Load(mupdfPnm, kSupersampling)},
                {"pdfjs", Load(out / fmt::format("pdfjs-{}.ppm", page))},
                {"pdfium", Load(out / fmt::format("pdfium-{}.ppm", page))},
            };
            fs::remove(popplerPng);
            fs::remove(mupdfPnm);
            for (const auto& [reader, image] : others) {
                ASSERT_TRUE(image.IsOk()) << reader << " rendered nothing";
                EXPECT_LE(std::abs(image.GetWidth() - kWidth), 1) << reader;
                EXPECT_LE(std::abs(image.GetHeight() - kHeight), 1) << reader;
                EXPECT_LT(pdfprobe::DifferingShare(reference, image, kChannelTolerance), 0.02) << reader;
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
