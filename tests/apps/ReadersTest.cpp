// Every example report in four PDF readers: poppler (pdftoppm, pdftotext), mupdf (mutool),
// pdf.js and PDFium (both in node, installed by tests/apps/readers/install.sh). Each
// must open and render every page; the page images of mupdf, pdf.js and PDFium must
// agree with poppler's by the metric of the SVG conformance test (144 dpi; a pixel
// differs when one of its channels differs by more than 64 counts; fewer than 2 % of
// the pixels may), with one allowance for text: a pixel matched by a neighbour one
// pixel away does not differ. Every reader must extract the same words from every page.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kBinary = VD_BINARY_DIR "/apps/vdreport/vdreport";
const std::string kReaders = VD_SOURCE_DIR "/tests/apps/readers";
const std::string kExamples = VD_SOURCE_DIR "/examples";
// Landscape A4 at 144 dpi.
constexpr int kDpi = 144;
constexpr int kWidth = 1684;
constexpr int kHeight = 1191;
constexpr int kChannelTolerance = 64;

int System(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Slurp(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

// Binary PPM (P6) or PGM (P5), as the readers write them.
Image ReadPnm(const fs::path& file)
{
    Image image;
    std::ifstream in(file, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    in >> magic >> image.width >> image.height >> maxValue;
    in.get();
    if (!in || (magic != "P6" && magic != "P5") || maxValue != 255)
        return {};
    const std::size_t pixels = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    std::vector<unsigned char> raw(pixels * (magic == "P6" ? 3 : 1));
    in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
    if (magic == "P6") {
        image.rgb = std::move(raw);
    } else {
        image.rgb.resize(pixels * 3);
        for (std::size_t i = 0; i < pixels; ++i)
            image.rgb[3 * i] = image.rgb[3 * i + 1] = image.rgb[3 * i + 2] = raw[i];
    }
    return image;
}

// Share of pixels (of the common area) of `a` that no pixel of `b` at the same place or
// one pixel beside it matches within kChannelTolerance in every channel. Readers round
// baselines and glyph edges to whole pixels each their own way; a one-pixel shift of a
// text line is not a difference of the PDF, a missing glyph, colour or shape is.
double UnmatchedShare(const Image& a, const Image& b)
{
    const int w = std::min(a.width, b.width), h = std::min(a.height, b.height);
    if (w <= 0 || h <= 0)
        return 1.0;
    auto close = [&](const unsigned char* p, int x, int y) {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return false;
        const auto* q = &b.rgb[3 * (static_cast<std::size_t>(y) * b.width + x)];
        for (int c = 0; c < 3; ++c)
            if (std::abs(p[c] - q[c]) > kChannelTolerance)
                return false;
        return true;
    };
    std::size_t differing = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const auto* p = &a.rgb[3 * (static_cast<std::size_t>(y) * a.width + x)];
            bool matched = false;
            for (int dy = -1; dy <= 1 && !matched; ++dy)
                for (int dx = -1; dx <= 1 && !matched; ++dx)
                    matched = close(p, x + dx, y + dy);
            differing += matched ? 0 : 1;
        }
    }
    return static_cast<double>(differing) / (static_cast<double>(w) * h);
}

double DifferingShare(const Image& a, const Image& b)
{
    return std::max(UnmatchedShare(a, b), UnmatchedShare(b, a));
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
        for (const char* tool : {"pdftoppm", "pdftotext", "pdfinfo", "mutool"})
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
        const std::string info = Slurp(pdf); // keeps the file read once before the readers
        ASSERT_EQ(info.rfind("%PDF-", 0), 0u);

        // poppler and mupdf
        ASSERT_EQ(System(fmt::format("pdftoppm -r {} -scale-to-x {} -scale-to-y {} '{}' '{}/poppler'", kDpi, kWidth,
                                     kHeight, pdf.string(), out.string())),
                  0);
        ASSERT_EQ(System(fmt::format("mutool draw -q -c rgb -r {} -o '{}/mupdf-%d.pnm' '{}' 2>/dev/null", kDpi,
                                     out.string(), pdf.string())),
                  0);
        // pdf.js and PDFium
        const fs::path log = out / "node.log";
        ASSERT_EQ(System(fmt::format("node '{}/render.mjs' '{}' '{}' {} {} >'{}' 2>&1", kReaders, pdf.string(),
                                     out.string(), kWidth, kHeight, log.string())),
                  0)
            << Slurp(log);
        std::istringstream pagesText(Slurp(log));
        std::map<std::string, int> pagesOf;
        for (std::string reader; pagesText >> reader;)
            pagesText >> pagesOf[reader];

        int pages = 0;
        std::istringstream pdfinfo([&] {
            const fs::path infoFile = out / "info.txt";
            System(fmt::format("pdfinfo '{}' > '{}'", pdf.string(), infoFile.string()));
            return Slurp(infoFile);
        }());
        for (std::string line; std::getline(pdfinfo, line);)
            if (line.rfind("Pages:", 0) == 0)
                pages = std::stoi(line.substr(6));
        ASSERT_GT(pages, 1);
        EXPECT_EQ(pagesOf["pdfium"], pages);
        EXPECT_EQ(pagesOf["pdfjs"], pages);

        const int digits = static_cast<int>(std::to_string(pages).size());
        for (int page = 1; page <= pages; ++page) {
            SCOPED_TRACE(fmt::format("page {}", page));
            const Image reference = ReadPnm(out / fmt::format("poppler-{:0{}}.ppm", page, digits));
            ASSERT_EQ(reference.width, kWidth);
            ASSERT_EQ(reference.height, kHeight);
            const std::map<std::string, fs::path> others = {
                {"mupdf", out / fmt::format("mupdf-{}.pnm", page)},
                {"pdfjs", out / fmt::format("pdfjs-{}.ppm", page)},
                {"pdfium", out / fmt::format("pdfium-{}.ppm", page)},
            };
            for (const auto& [reader, file] : others) {
                const Image image = ReadPnm(file);
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
            const auto words = Words(Slurp(popplerText));
            ASSERT_FALSE(words.empty());
            for (const auto& [reader, file] :
                 std::map<std::string, fs::path>{{"mupdf", mupdfText},
                                                 {"pdfjs", out / fmt::format("pdfjs-{}.txt", page)},
                                                 {"pdfium", out / fmt::format("pdfium-{}.txt", page)}}) {
                const auto other = Words(Slurp(file));
                EXPECT_EQ(words, other) << reader << ": " << Difference(words, other);
            }
        }
    }
}
