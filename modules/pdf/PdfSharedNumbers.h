#pragma once
// Number scanning shared by the readers of numbers in text (PDF values, SVG
// attributes): what counts as a plain decimal number, whatever the character type.

#include <cstddef>
#include <string_view>

namespace vdpdf {

// Length of the C-locale decimal number at `pos` of `text`: an optional sign, digits
// with at most one '.', and an exponent only when digits follow its 'e'. 0 when no
// digit is there, so "inf", "nan" and hexadecimal never count.
template <typename Char>
size_t DecimalNumberLength(std::basic_string_view<Char> text, size_t pos)
{
    auto isDigit = [&](size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    size_t i = pos;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    for (; isDigit(i); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; isDigit(i); ++i)
            ++digits;
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (isDigit(j)) {
            while (isDigit(j))
                ++j;
            i = j;
        }
    }
    return i - pos;
}

} // namespace vdpdf
