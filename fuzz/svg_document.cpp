// Whole SVG documents drawn into a PDF page.
#include "FuzzSupport.h"
#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/svg/SvgToPdfConverter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vdfuzz::StartToolkit();
    auto root = vdfuzz::ParseTree(data, size);
    if (!root)
        return 0;
    PdfDocument doc(wxPORTRAIT, wxS("pt"));
    doc.SetCompression(false);
    doc.AddPage();
    doc.SetFont(wxS("Helvetica"), wxEmptyString, 12);
    SvgToPdfConverter converter;
    converter.ConvertSvgToPdf(root.get(), &doc, 0, 0, 200, 200);
    doc.CloseAndGetBuffer();
    return 0;
}
