// Table cells through the PDF layer: PAGES pages of CELLS framed cells each, in two
// fonts, written to memory (and to OUT when given). Prints pages per second and the
// peak resident memory. Usage: pdf_cells [PAGES=1000] [CELLS=60] [OUT]
#include "host/HeadlessToolkit.h"
#include "vdcommon/pdf/PdfDocument.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int cells = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    const char* out = argc > 3 ? argv[3] : nullptr;
    vdhost::HeadlessToolkit toolkit;
    if (!toolkit.IsOk())
        return 1;

    const int columns = cells >= 100 ? 6 : 3;
    const int rows = (cells + columns - 1) / columns;
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const double cpuStart =
        before.ru_utime.tv_sec + before.ru_utime.tv_usec / 1e6 + before.ru_stime.tv_sec + before.ru_stime.tv_usec / 1e6;
    const auto start = std::chrono::steady_clock::now();
    PdfDocument doc;
    doc.SetAutoPageBreak(false);
    const double width = 190.0 / columns;
    const double height = 267.0 / rows;
    const double fontSize = std::min(10.0, height * 72 / 25.4 * 0.6);
    size_t bytes = 0;
    {
        for (int p = 0; p < pages; ++p) {
            doc.AddPage();
            int n = 0;
            for (int r = 0; r < rows && n < cells; ++r) {
                doc.SetXY(10, 15 + r * height);
                for (int c = 0; c < columns && n < cells; ++c, ++n) {
                    if (c == 0)
                        doc.SetFont("Helvetica", "B", fontSize);
                    else if (c == 1)
                        doc.SetFont("Times", "", fontSize);
                    const bool fill = r % 2 == 1;
                    if (fill)
                        doc.SetFillColour(235, 240, 250);
                    doc.Cell(width, height, wxString::Format("Row %d col %d: %.2f", r + 1, c + 1, p * 0.5 + n),
                             PdfBorder::Frame, 0, c == 0 ? PdfAlignLeft : PdfAlignRight, fill);
                }
            }
        }
        bytes = doc.CloseAndGetBuffer().GetLength();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (out && !doc.SaveAsFile(wxString::FromUTF8(out))) {
        std::fprintf(stderr, "pdf_cells: cannot write %s\n", out);
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                       usage.ru_stime.tv_usec / 1e6 - cpuStart;
    // CPU time as well: on a busy machine the wall clock says more about the neighbours.
    std::printf("pdf_cells: %d pages x %d cells, %.3f s (%.3f s CPU), %.0f pages/s (%.0f per CPU second), "
                "%.1f MB output, peak RSS %.1f MB\n",
                pages, cells, seconds, cpu, pages / seconds, pages / cpu, bytes / 1e6, usage.ru_maxrss / 1024.0);
    return 0;
}
