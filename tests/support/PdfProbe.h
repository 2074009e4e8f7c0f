#pragma once
// Probes that check PDF bytes with real clients (qpdf, poppler's pdftotext, pdfinfo,
// pdffonts, pdftoppm). Every function takes the PDF as bytes, writes them to a
// temporary file of its own, runs the client and removes the file again, so tests
// can call them in any order and in parallel processes.
//
//   std::string pdf = pdfprobe::Bytes(doc.CloseAndGetBuffer());
//   EXPECT_TRUE(pdfprobe::QpdfCheck(pdf).ok) << pdfprobe::QpdfCheck(pdf).output;
//   EXPECT_NE(pdfprobe::Text(pdf).find("Hello"), std::string::npos);
//   wxImage img = pdfprobe::Render(pdf, 72);               // page 1, 72 dpi
//   EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(img, 72, 20, 30), 255, 0, 0));
//   std::string ops = pdfprobe::PageContent(pdf, 1);       // decompressed operators
//
// Set VD_KEEP_PROBES=1 in the environment to keep the temporary files (their paths are
// printed to stderr) when a test needs looking at by hand.
#include <wx/colour.h>
#include <wx/image.h>
#include <wx/mstream.h>

#include <string>
#include <utility>
#include <vector>

namespace pdfprobe {

// The bytes of a memory stream (e.g. PdfDocument::CloseAndGetBuffer()).
std::string Bytes(const wxMemoryOutputStream& stream);
// The same, after a failed `qpdf --check` of them is reported as a test failure.
std::string Checked(const wxMemoryOutputStream& stream);

// A temporary file holding `bytes`; removed by the destructor (unless VD_KEEP_PROBES).
class TempFile
{
public:
    explicit TempFile(const std::string& bytes, const std::string& suffix = ".pdf");
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& Path() const { return path; }

private:
    std::string path;
};

// Runs a shell command; `output` is stdout, with stderr too when `withStderr`.
struct RunResult {
    int exitCode = -1;
    std::string output;
};
RunResult Run(const std::string& command, bool withStderr = true);

// `qpdf --check`: ok when qpdf exits with 0 (no errors and no warnings).
struct CheckResult {
    bool ok = false;
    std::string output;
};
CheckResult QpdfCheck(const std::string& pdf);

// `pdftotext` of pages first..last (0 = from the first / to the last), "-" output.
// layout: `-layout`. Returns "" when pdftotext fails.
std::string Text(const std::string& pdf, bool layout = false, int firstPage = 0, int lastPage = 0);

// One word of `pdftotext -bbox`: its box in points, origin top-left of the page.
struct Word {
    std::string text;
    int page = 0; // 1-based
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};
std::vector<Word> Words(const std::string& pdf);

// `pdfinfo`: page count and the size of page `page` in points (raw output kept).
struct Info {
    bool ok = false;
    int pages = 0;
    double width = 0, height = 0; // points
    std::string raw;
};
Info GetInfo(const std::string& pdf, int page = 1);

// `pdffonts` output (header lines included); "" on failure.
std::string Fonts(const std::string& pdf);

// `pdftoppm -r dpi -png` of one page, loaded as an image (IsOk() false on failure).
wxImage Render(const std::string& pdf, int dpi = 72, int page = 1);
// The pixel at a position in millimetres from the top-left of a page rendered at `dpi`
// (clamped to the image).
wxColour PixelMm(const wxImage& image, int dpi, double xMm, double yMm);
wxColour Pixel(const wxImage& image, int x, int y);
// True when every channel is within `tolerance` of r, g, b.
bool IsNear(const wxColour& colour, int r, int g, int b, int tolerance = 24);
// Channel c (0 red, 1 green, 2 blue) of pixel (x, y), flattened on white.
int FlatChannel(const wxImage& image, int x, int y, int c);
// The share of the pixels of the two images' common top-left area where a channel
// (flattened on white) differs by more than `tolerance`; 1 when that area is empty.
double DifferingShare(const wxImage& a, const wxImage& b, int tolerance);

// The whole document as qpdf's QDF form: objects uncompressed, object streams
// expanded, page and content-stream comments ("%% Page 1", "%% Contents for page 1").
// "" when qpdf cannot read the file.
std::string Qdf(const std::string& pdf);
// The decompressed content stream(s) of page `page` (1-based), concatenated.
std::string PageContent(const std::string& pdf, int page = 1);
// The outline (bookmarks) as (level, title) pairs in document order, read with mutool.
std::vector<std::pair<int, std::string>> Outline(const std::string& pdf);
// How often `needle` occurs in `haystack`.
int Count(const std::string& haystack, const std::string& needle);

} // namespace pdfprobe
