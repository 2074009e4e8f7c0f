// The PDF layer on a plain grid: PAGES A4 pages of CELLS cells, each a stroked
// rectangle with a short text in one embedded TrueType font, compressed streams,
// written to OUT. The same grid is drawn by pdf_grid_cairo.c and pdf_grid_reportlab.py
// (and pdf_grid_hpdf.c) so they can be compared. Text is shaped (HarfBuzz, kerning
// on) as in every document of the layer. TEXT chooses the cells' texts: "latin"
// (the default, the peers' texts), "cjk" (Chinese, set in a fallback font) or
// "mixed" (ten scripts in turn, right-to-left ones included). Prints the in-process
// time of the work (font loading, drawing, closing and writing the file), wall
// clock and processor seconds.
// Usage: pdf_grid PAGES CELLS FONT_FILE OUT [TEXT]
#include "host/HeadlessToolkit.h"
#include "vdcommon/pdf/PdfDocument.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/resource.h>

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s PAGES CELLS FONT_FILE OUT\n", argv[0]);
        return 2;
    }
    const int pages = std::max(1, std::atoi(argv[1]));
    const int cells = std::max(1, std::atoi(argv[2]));
    const std::string mode = argc > 5 ? argv[5] : "latin";
    if (mode != "latin" && mode != "cjk" && mode != "mixed") {
        std::fprintf(stderr, "pdf_grid: TEXT is latin, cjk or mixed\n");
        return 2;
    }
    // A short label per script, followed by the cell's numbers.
    static const char* const kMixed[] = {"P%d C%d",       "Стр %d яч %d", "Σελ %d κελί %d",  "页 %d 格 %d",
                                         "頁 %d セル %d", "쪽 %d 칸 %d",  "صفحة %d خلية %d", "עמוד %d תא %d",
                                         "पृष्ठ %d कक्ष %d", "หน้า %d ช่อง %d"};
    vdhost::HeadlessToolkit toolkit;
    if (!toolkit.IsOk())
        return 1;

    // Grid geometry in millimetres, shared with the peers (which work in points).
    const int columns = 12;
    const int rows = (cells + columns - 1) / columns;
    const double left = 10, top = 10, width = 190.0 / columns, height = 277.0 / rows;

    auto cpuNow = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
    };
    const double cpuStart = cpuNow();
    const auto start = std::chrono::steady_clock::now();
    PdfDocument doc;
    doc.SetCompression(true);
    doc.SetAutoPageBreak(false);
    if (!doc.AddFont("GridSans", "", wxString::FromUTF8(argv[3])) || !doc.SetFont("GridSans", "", 6)) {
        std::fprintf(stderr, "pdf_grid: cannot use the font %s\n", argv[3]);
        return 1;
    }
    char text[64];
    for (int p = 1; p <= pages; ++p) {
        doc.AddPage();
        for (int n = 0; n < cells; ++n) {
            const double x = left + (n % columns) * width;
            const double y = top + (n / columns) * height;
            doc.Rect(x, y, width, height);
            if (mode == "latin") {
                std::snprintf(text, sizeof text, "P%d C%d", p, n + 1);
                doc.Text(x + 1, y + height - 2, wxString::FromAscii(text));
                continue;
            }
            const char* format = mode == "cjk" ? "第%d页 单元%d" : kMixed[n % 10];
            std::snprintf(text, sizeof text, format, p, n + 1);
            doc.Text(x + 1, y + height - 2, wxString::FromUTF8(text));
        }
    }
    if (!doc.SaveAsFile(wxString::FromUTF8(argv[4]))) {
        std::fprintf(stderr, "pdf_grid: cannot write %s\n", argv[4]);
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = cpuNow() - cpuStart;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("seconds %.4f cpu %.4f rss_mb %.1f\n", seconds, cpu, usage.ru_maxrss / 1024.0);
    return 0;
}
