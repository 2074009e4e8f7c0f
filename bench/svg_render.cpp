// SVG plant graphic into a PDF page.
//
//   svg_render generate OUT.svg [ELEMENTS]   writes a plant graphic of about ELEMENTS
//                                            elements (default 5000) in the subset
//                                            the converter draws
//   svg_render convert IN.svg OUT.pdf        one conversion, as a command-line tool
//                                            would do it (load, draw, write)
//   svg_render time IN.svg [ROUNDS]          the same in-process, ROUNDS times, with
//                                            the median of each step
#include "host/HeadlessToolkit.h"
#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/svg/SvgToPdfConverter.h"

#include <wx/xml/xml.h>

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// A plant drawn as rows of process units (tank, pump, valves, pipes, instruments,
// labels) with a symbol library, a style sheet and gradients: everything a real
// plant overview uses, repeated until the element count is reached.
std::string Generate(int elements)
{
    std::string svg;
    svg.reserve(static_cast<size_t>(elements) * 120);
    const int perUnit = 16;
    const int units = std::max(1, elements / perUnit);
    const int columns = 25;
    const int rows = (units + columns - 1) / columns;
    const double cellW = 120, cellH = 140;
    svg += fmt::format(R"svg(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="{0}" height="{1}" viewBox="0 0 {0} {1}">
<style>
 .pipe {{ fill: none; stroke: #1f5f9f; stroke-width: 3 }}
 .pipe-dashed {{ fill: none; stroke: #7f7f7f; stroke-width: 1.5; stroke-dasharray: 6,3 }}
 .tank {{ stroke: #202020; stroke-width: 1.5 }}
 .label {{ fill: #000000 }}
</style>
<defs>
 <linearGradient id="resin" x1="0" y1="0" x2="1" y2="0"><stop offset="0" stop-color="#c89b5a"/><stop offset="0.5" stop-color="#f0d9a8"/><stop offset="1" stop-color="#c89b5a"/></linearGradient>
 <radialGradient id="pumpBody"><stop offset="0" stop-color="#ffffff"/><stop offset="1" stop-color="#5a8fc8"/></radialGradient>
 <g id="valve"><polygon points="0,0 12,6 0,12" fill="#333333"/><polygon points="24,0 12,6 24,12" fill="#333333"/><line x1="12" y1="6" x2="12" y2="-4" stroke="#333333" stroke-width="1.5"/></g>
 <g id="instrument"><circle cx="0" cy="0" r="7" fill="#ffffff" stroke="#000000" stroke-width="1"/><line x1="-7" y1="0" x2="7" y2="0" stroke="#000000" stroke-width="0.5"/></g>
 <clipPath id="tankClip"><rect x="0" y="0" width="40" height="70" rx="8"/></clipPath>
</defs>
)svg",
                       columns * cellW + 20, rows * cellH + 20);
    for (int u = 0; u < units; ++u) {
        const double x = 10 + (u % columns) * cellW, y = 10 + (u / columns) * cellH;
        svg += fmt::format(R"svg(<g id="unit{0}" transform="translate({1:.1f},{2:.1f})">
 <rect class="tank" x="10" y="10" width="40" height="70" rx="8" fill="url(#resin)"/>
 <g clip-path="url(#tankClip)" transform="translate(10,10)"><rect x="0" y="{3}" width="40" height="20" style="fill:#9fc5e8;fill-opacity:0.6"/></g>
 <path class="pipe" d="M 30 10 V 2 H 100 V 40"/>
 <path class="pipe" d="M 30 80 V 95 Q 30 100 35 100 H 70"/>
 <circle cx="80" cy="100" r="10" fill="url(#pumpBody)" stroke="#000000" stroke-width="1"/>
 <path d="M 74 94 L 88 100 L 74 106 Z" fill="#000000"/>
 <use xlink:href="#valve" x="55" y="-4"/>
 <use xlink:href="#valve" x="88" y="94" transform="rotate(90 100 100)"/>
 <use xlink:href="#instrument" x="100" y="55"/>
 <path class="pipe-dashed" d="M 100 62 V 80 A 10 10 0 0 1 90 90"/>
 <polyline points="50,45 60,45 60,60 70,60" fill="none" stroke="#aa3300" stroke-width="1"/>
 <ellipse cx="30" cy="45" rx="12" ry="4" fill="none" stroke="#555555" stroke-width="0.8"/>
 <text x="30" y="125" class="label" font-family="Arial" font-size="9" text-anchor="middle">Unit {0}</text>
 <text x="60" y="135" font-family="Arial" font-size="7"><tspan fill="#1f5f9f">Q</tspan> {4} m3/h</text>
</g>
)svg",
                           u, x, y, 40 - (u % 5) * 6, 10 + u % 90);
    }
    svg += "</svg>\n";
    return svg;
}

struct Timings {
    double load = 0, convert = 0, close = 0;
};

bool ConvertOnce(const std::string& in, const std::string& out, Timings& t)
{
    const auto start = Clock::now();
    const SvgDocumentLoad xml = SvgToPdfConverter::LoadFile(wxString::FromUTF8(in));
    if (!xml.document || !xml.document->GetRoot())
        return false;
    const auto loaded = Clock::now();
    PdfDocument doc(wxLANDSCAPE);
    doc.AddPage();
    doc.SetFont(wxS("Arial"), wxEmptyString, 10);
    SvgToPdfConverter converter;
    converter.ConvertSvgToPdf(xml.document->GetRoot(), &doc, 0, 0, 277, 190);
    const auto converted = Clock::now();
    const bool written =
        out.empty() ? doc.CloseAndGetBuffer().GetLength() > 0 : doc.SaveAsFile(wxString::FromUTF8(out));
    const auto closed = Clock::now();
    t.load = Ms(loaded - start);
    t.convert = Ms(converted - loaded);
    t.close = Ms(closed - converted);
    return written;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "generate" && argc >= 3) {
        const int elements = argc > 3 ? std::max(16, std::atoi(argv[3])) : 5000;
        std::ofstream(argv[2], std::ios::binary) << Generate(elements);
        return 0;
    }
    vdhost::HeadlessToolkit toolkit;
    if (!toolkit.IsOk()) {
        std::fprintf(stderr, "svg_render: cannot start the toolkit\n");
        return 1;
    }
    Timings t;
    if (mode == "convert" && argc >= 4)
        return ConvertOnce(argv[2], argv[3], t) ? 0 : 1;
    if (mode == "time" && argc >= 3) {
        const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
        std::vector<double> load, convert, close, total;
        for (int i = 0; i < rounds; ++i) {
            if (!ConvertOnce(argv[2], "", t)) {
                std::fprintf(stderr, "svg_render: cannot read %s\n", argv[2]);
                return 1;
            }
            load.push_back(t.load);
            convert.push_back(t.convert);
            close.push_back(t.close);
            total.push_back(t.load + t.convert + t.close);
        }
        std::printf("svg_render in-process, median of %d: load %.1f ms, draw %.1f ms, write %.1f ms, total %.1f ms\n",
                    rounds, Median(load), Median(convert), Median(close), Median(total));
        return 0;
    }
    std::fprintf(stderr,
                 "usage: svg_render generate OUT.svg [ELEMENTS] | convert IN.svg OUT.pdf | time IN.svg [ROUNDS]\n");
    return 2;
}
