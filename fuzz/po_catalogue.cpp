// PO catalogue texts: parsed, then looked up with the ids they contain.
#include "host/PoCatalogue.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    vdhost::PoCatalogue catalogue;
    try {
        catalogue.AddFromText(text, "fuzz.po");
    } catch (const vdhost::PoError&) {
        return 0;
    }
    catalogue.Translate("Hello");
    catalogue.Translate("Hello", "menu");
    catalogue.TranslatePlural("file", 0);
    catalogue.TranslatePlural("file", 7);
    catalogue.Translate(text.substr(0, 16));
    return 0;
}
