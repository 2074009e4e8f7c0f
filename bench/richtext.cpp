// Rich text through the PDF layer: a document of PAGES pages (default 200) written with
// WriteXml from headings, justified paragraphs, lists and tables with header rows that
// repeat across page breaks. Prints pages per second and the peak resident memory.
// Usage: richtext [PAGES=200] [OUT]
#include "host/HeadlessToolkit.h"
#include "vdcommon/pdf/PdfDocument.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

wxString Section(int n)
{
    wxString s = wxString::Format("<h2>Section %d</h2><p align=\"justify\">", n);
    for (int i = 0; i < 12; ++i)
        s += wxString::Format("Sentence %d of section %d has <b>bold</b>, <i>italic</i> and "
                              "<font color=\"#336699\">coloured</font> words to wrap. ",
                              i, n);
    s += "</p><ul>";
    for (int i = 0; i < 5; ++i)
        s += wxString::Format(
            "<li>Item %d with <code>code</code> and a <a href=\"https://example.org/%d\">link</a></li>", i, i);
    s += "</ul><ol type=\"a\"><li>first</li><li>second</li></ol>"
         "<table border=\"1\"><colgroup><col width=\"40\"/><col/><col width=\"30\"/></colgroup>"
         "<thead><tr bgcolor=\"#cccccc\"><th>Key</th><th>Description</th><th>Value</th></tr></thead>"
         "<tbody odd=\"#ffffff\" even=\"#eeeeff\">";
    for (int r = 0; r < 25; ++r)
        s += wxString::Format("<tr><td>K%d.%d</td><td>A description that may wrap onto a second line "
                              "when the column is narrow</td><td align=\"right\">%.2f</td></tr>",
                              n, r, r * 1.25 + n);
    s += "</tbody></table><p></p>";
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const char* out = argc > 2 ? argv[2] : nullptr;
    vdhost::HeadlessToolkit toolkit;
    if (!toolkit.IsOk())
        return 1;

    auto cpuNow = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
    };
    const double cpuStart = cpuNow();
    const auto start = std::chrono::steady_clock::now();
    PdfDocument doc;
    doc.AddPage();
    doc.SetFont("Helvetica", "", 10);
    doc.SetLineHeight(4.5);
    int sections = 0;
    while (doc.GetPageCount() < pages)
        doc.WriteXml(Section(++sections));
    const size_t bytes = doc.CloseAndGetBuffer().GetLength();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = cpuNow() - cpuStart; // the wall clock also measures a busy machine's neighbours
    if (out && !doc.SaveAsFile(wxString::FromUTF8(out))) {
        std::fprintf(stderr, "richtext: cannot write %s\n", out);
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("richtext: %d pages (%d sections), %.3f s (%.3f s CPU), %.0f pages/s (%.0f per CPU second), "
                "%.1f MB output, peak RSS %.1f MB\n",
                doc.GetPageCount(), sections, seconds, cpu, doc.GetPageCount() / seconds, doc.GetPageCount() / cpu,
                bytes / 1e6, usage.ru_maxrss / 1024.0);
    return 0;
}
