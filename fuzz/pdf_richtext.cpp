// Rich text markup written into a PDF page.
#include "FuzzSupport.h"
#include "vdcommon/pdf/PdfDocument.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vdfuzz::StartToolkit();
    wxLogNull noLog;
    PdfDocument doc;
    doc.SetCompression(false);
    doc.AddPage();
    doc.SetFont(wxS("Helvetica"), wxEmptyString, 11);
    doc.SetLineHeight(5);
    doc.WriteXml(wxString::FromUTF8(reinterpret_cast<const char*>(data), size));
    doc.CloseAndGetBuffer();
    return 0;
}
