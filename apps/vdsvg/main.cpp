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

// The command line; false when it is not one vdsvg understands.
struct Options {
    std::string in, out;
    double width = 0, height = 0;
    std::vector<std::string> fontDirs;
};

bool ParseArguments(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "-o" && hasValue) {
            options.out = argv[++i];
        } else if (arg == "--width" && hasValue) {
            if (!ReadNumber(argv[++i], options.width))
                return false;
        } else if (arg == "--height" && hasValue) {
            if (!ReadNumber(argv[++i], options.height))
                return false;
        } else if (arg == "--font-dir" && hasValue) {
            options.fontDirs.push_back(argv[++i]);
        } else if (!arg.empty() && arg[0] != '-' && options.in.empty()) {
            options.in = arg;
        } else {
            return false;
        }
    }
    return !options.in.empty() && !options.out.empty();
}

void RegisterFonts(const std::string& dir)
{
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

// The page size: as given, the missing side in the graphic's proportions, or the
// graphic's own size.
void PageSize(const wxXmlNode* root, double& width, double& height)
{
    double intrinsicW = 0, intrinsicH = 0;
    SvgToPdfConverter::GetIntrinsicSize(root, intrinsicW, intrinsicH);
    if (width <= 0 && height <= 0) {
        width = intrinsicW;
        height = intrinsicH;
    } else if (width <= 0) {
        width = intrinsicH > 0 ? height * intrinsicW / intrinsicH : height;
    } else if (height <= 0) {
        height = intrinsicW > 0 ? width * intrinsicH / intrinsicW : width;
    }
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseArguments(argc, argv, options))
        return Usage();
    const std::string& in = options.in;
    const std::string& out = options.out;

    vdhost::HeadlessToolkit toolkit;
    if (!toolkit.IsOk()) {
        std::fprintf(stderr, "vdsvg: the toolkit could not start\n");
        return 1;
    }
    wxLog::EnableLogging(false);
    diagnostics::ScopedSink sink(std::make_shared<StderrSink>());
    for (const std::string& dir : options.fontDirs)
        RegisterFonts(dir);

    SvgDocumentLoad loaded = SvgToPdfConverter::LoadFile(wxString::FromUTF8(in));
    if (!loaded.document) {
        std::fprintf(stderr, "vdsvg: %s\n", loaded.error.c_str());
        return 1;
    }
    double width = options.width, height = options.height;
    PageSize(loaded.document->GetRoot(), width, height);

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
