// SVG attribute texts: the input is split at the first two NUL bytes into path
// data, a style declaration list and a view box.
#include "vdcommon/svg/SvgPathParser.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string parts[3];
    size_t part = 0;
    for (char c : text) {
        if (c == '\0' && part < 2)
            ++part;
        else
            parts[part] += c;
    }
    const SvgPathParser parser;
    const auto commands = parser.ParsePathData(wxString::FromUTF8(parts[0]));
    const auto absolute = parser.ConvertToAbsolute(commands);
    if (absolute.size() != commands.size())
        __builtin_trap();
    for (const auto& command : absolute) {
        const int expected = SvgPathParser::ParameterCount(command.type);
        if (expected > 0 && command.params.size() % static_cast<size_t>(expected) != 0)
            __builtin_trap();
    }
    parser.ParseStyle(wxString::FromUTF8(parts[1]));
    parser.ParseViewBox(wxString::FromUTF8(parts[2]));
    double value = 0;
    SvgPathParser::ToNumber(wxString::FromUTF8(parts[2]), value);
    SvgPathParser::LeadingNumber(wxString::FromUTF8(parts[1]));
    return 0;
}
