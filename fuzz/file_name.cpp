// File names made from arbitrary texts: the result keeps only the allowed
// characters, is at most 72 long and does not end with a blank (a blank of the
// text itself may start it).
#include "vdcommon/utilities/Files.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const wxString text = wxString::FromUTF8(reinterpret_cast<const char*>(data), size);
    const wxString name = Files::ConstructFileName(text);
    if (name.length() > 72)
        __builtin_trap();
    if (!name.empty() && name.Last() == wxS(' '))
        __builtin_trap();
    for (wxUniChar c : name) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                             wxString(wxS(" _+-.#$")).find(c) != wxString::npos;
        if (!allowed)
            __builtin_trap();
    }
    return 0;
}
