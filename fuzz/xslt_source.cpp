// Source documents of the XSLT transformer, with a fixed style sheet that walks
// every node of the source.
#include "FuzzSupport.h"
#include "vdcommon/report/XsltInMemoryTransformer.h"

#include <stdexcept>

#ifndef VD_FUZZ_DIR
#error "VD_FUZZ_DIR must name the fuzz folder"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vdfuzz::StartToolkit();
    wxLogNull noLog;
    const wxString sheet = wxString::FromUTF8(VD_FUZZ_DIR "/xslt_source.xsl");
    try {
        XsltInMemoryTransformer transformer;
        vdfuzz::TreePtr result(transformer.Transform(wxString::FromUTF8(reinterpret_cast<const char*>(data), size),
                                                     sheet, wxS("metric"), wxS("."), 1));
    } catch (const std::runtime_error&) {
        // malformed source documents are reported, which is the expected outcome
    }
    return 0;
}
