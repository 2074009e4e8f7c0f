// Draws an SVG plant graphic on a one-page PDF whose page is the graphic's size, so a
// designer can check how it will look in a report.
//
//   vdsvg IN.svg -o OUT.pdf [--width W --height H] [--font-dir DIR]
//
// W and H are points; without them the graphic's own width and height (or its
// viewBox) give the page. --font-dir registers every font file of DIR (may repeat).
#include "host/HeadlessToolkit.h"
#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/pdf/PdfFontManager.h"
#include "pdf/PdfSvgSupport.h"
#include "vdcommon/svg/SvgToPdfConverter.h"
#include "vdcommon/utilities/Diagnostics.h"

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/xml/xml.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: vdsvg IN.svg -o OUT.pdf [--width W --height H] [--font-dir DIR]\n");
    return 2;
}

// Warnings and errors of the renderer go to standard error; nothing else is printed.
class StderrSink : public diagnostics::Sink
{
public:
    void Write(diagnostics::Level level, std::string_view line) override
    {
        if (level == diagnostics::Level::Warning || level == diagnostics::Level::Error)
            std::fprintf(stderr, "vdsvg: %s: %.*s\n", level == diagnostics::Level::Warning ? "warning" : "error",
                         static_cast<int>(line.size()), line.data());
    }
};

bool ReadNumber(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value > 0 && value < 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    std::string in, out;
    double width = 0, height = 0;
    std::vector<std::string> fontDirs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "-o" && hasValue) {
            out = argv[++i];
        } else if (arg == "--width" && hasValue) {
            if (!ReadNumber(argv[++i], width))
                return Usage();
        } else if (arg == "--height" && hasValue) {
            if (!ReadNumber(argv[++i], height))
                return Usage();
        } else if (arg == "--font-dir" && hasValue) {
            fontDirs.push_back(argv[++i]);
        } else if (!arg.empty() && arg[0] != '-' && in.empty()) {
            in = arg;
        } else {
            return Usage();
        }
    }
    if (in.empty() || out.empty())
        return Usage();

    vdhost::HeadlessToolkit toolkit;
    if (!toolkit.IsOk()) {
        std::fprintf(stderr, "vdsvg: the toolkit could not start\n");
        return 1;
    }
    wxLog::EnableLogging(false);
    diagnostics::ScopedSink sink(std::make_shared<StderrSink>());

    for (const std::string& dir : fontDirs) {
        wxArrayString files;
        wxDir::GetAllFiles(wxString::FromUTF8(dir), &files, wxEmptyString, wxDIR_FILES);
        for (const wxString& file : files) {
            const wxString ext = wxFileName(file).GetExt().Lower();
            if (ext != wxS("ttf") && ext != wxS("otf") && ext != wxS("ttc"))
                continue;
            // A face of another weight than regular or bold ("NotoSans-Light.ttf") is
            // registered as the family "Noto Sans Light", the name the renderer asks for
            // such weights; registering it under its own family would take the place of
            // the regular face.
            static const wxString kWeights[] = {wxS("Thin"),     wxS("ExtraLight"), wxS("Light"), wxS("Medium"),
                                                wxS("SemiBold"), wxS("ExtraBold"),  wxS("Black")};
            const wxString suffix = wxFileName(file).GetName().AfterLast(wxS('-'));
            const auto font = PdfFontManager::LoadFont(file);
            bool weighted = false;
            for (const wxString& weight : kWeights)
                weighted = weighted || suffix == weight;
            if (font && weighted)
                PdfFontManager::GetFontManager()->RegisterFontAs(file, font->GetFamily() + wxS(" ") + suffix, wxS(""));
            else
                PdfFontManager::GetFontManager()->RegisterFont(file);
        }
    }

    SvgDocumentLoad loaded = SvgToPdfConverter::LoadFile(wxString::FromUTF8(in));
    if (!loaded.document) {
        std::fprintf(stderr, "vdsvg: %s\n", loaded.error.c_str());
        return 1;
    }
    double intrinsicW = 0, intrinsicH = 0;
    SvgToPdfConverter::GetIntrinsicSize(loaded.document->GetRoot(), intrinsicW, intrinsicH);
    if (width <= 0 && height <= 0) {
        width = intrinsicW;
        height = intrinsicH;
    } else if (width <= 0) {
        width = intrinsicH > 0 ? height * intrinsicW / intrinsicH : height;
    } else if (height <= 0) {
        height = intrinsicW > 0 ? width * intrinsicH / intrinsicW : width;
    }

    PdfDocument document(wxPORTRAIT, wxS("pt"));
    pdfsvg::SetPageSize(document, width, height);
    document.SetMargins(0, 0, 0);
    document.SetAutoPageBreak(false);
    document.AddPage();
    document.SetXY(0, 0);
    SvgToPdfConverter converter;
    if (!converter.ConvertSvgToPdf(loaded.document->GetRoot(), &document, 0, 0, width, height)) {
        std::fprintf(stderr, "vdsvg: %s: nothing to draw\n", in.c_str());
        return 1;
    }
    document.CloseAndGetBuffer();
    if (!document.SaveAsFile(wxString::FromUTF8(out))) {
        std::fprintf(stderr, "vdsvg: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
