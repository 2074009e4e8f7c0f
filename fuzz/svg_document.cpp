// Whole SVG documents, read by the converter's own loader (expat, with its bounds),
// drawn into a PDF page.
#include "FuzzSupport.h"
#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/svg/SvgToPdfConverter.h"

#include <wx/xml/xml.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vdfuzz::StartToolkit();
    const SvgDocumentLoad loaded =
        SvgToPdfConverter::LoadBytes(std::string(reinterpret_cast<const char*>(data), size), "fuzz.svg");
    if (!loaded.document || !loaded.document->GetRoot())
        return 0;
    PdfDocument doc(wxPORTRAIT, wxS("pt"));
    doc.SetCompression(false);
    doc.AddPage();
    doc.SetFont(wxS("Helvetica"), wxEmptyString, 12);
    SvgToPdfConverter converter;
    converter.ConvertSvgToPdf(loaded.document->GetRoot(), &doc, 0, 0, 200, 200);
    doc.CloseAndGetBuffer();
    return 0;
}
