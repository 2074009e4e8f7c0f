// Colours and number conversion of the PDF layer.
#include "vdcommon/pdf/PdfTypes.h"
#include "pdf/PdfDocumentImpl.h"
#include "pdf/PdfSharedNumbers.h"

#include <wx/colour.h>
#include <wx/gdicmn.h>

#include <charconv>
#include <cmath>
#include <string>

namespace {

int HexValue(wxUniChar c)
{
    auto v = c.GetValue();
    if (v >= '0' && v <= '9')
        return static_cast<int>(v - '0');
    if (v >= 'a' && v <= 'f')
        return static_cast<int>(v - 'a' + 10);
    if (v >= 'A' && v <= 'F')
        return static_cast<int>(v - 'A' + 10);
    return -1;
}

} // namespace

PdfColour::PdfColour() = default;

PdfColour::PdfColour(unsigned char grey) : red(grey), green(grey), blue(grey) {}

PdfColour::PdfColour(unsigned char r, unsigned char g, unsigned char b) : red(r), green(g), blue(b) {}

PdfColour::PdfColour(const wxColour& colour)
{
    if (colour.IsOk()) {
        red = colour.Red();
        green = colour.Green();
        blue = colour.Blue();
    } else {
        valid = false;
    }
}

PdfColour::PdfColour(const wxString& text)
{
    wxString t = text;
    t.Trim(true).Trim(false);
    valid = false;
    if (t.StartsWith("#")) {
        wxString h = t.Mid(1);
        int v[6];
        if (h.length() == 6 || h.length() == 3) {
            bool ok = true;
            for (size_t i = 0; i < h.length(); ++i) {
                v[i] = HexValue(h[i]);
                ok = ok && v[i] >= 0;
            }
            if (ok) {
                if (h.length() == 6) {
                    red = static_cast<unsigned char>(v[0] * 16 + v[1]);
                    green = static_cast<unsigned char>(v[2] * 16 + v[3]);
                    blue = static_cast<unsigned char>(v[4] * 16 + v[5]);
                } else {
                    red = static_cast<unsigned char>(v[0] * 17);
                    green = static_cast<unsigned char>(v[1] * 17);
                    blue = static_cast<unsigned char>(v[2] * 17);
                }
                valid = true;
            }
        }
    } else if (t.Lower().StartsWith("rgb(")) {
        wxColour c;
        if (c.Set(t)) {
            red = c.Red();
            green = c.Green();
            blue = c.Blue();
            valid = true;
        }
    } else if (!t.empty() && wxTheColourDatabase) {
        wxColour c = wxTheColourDatabase->Find(t.Upper());
        if (c.IsOk()) {
            red = c.Red();
            green = c.Green();
            blue = c.Blue();
            valid = true;
        }
    }
    if (!valid)
        red = green = blue = 0;
}

wxString PdfColour::GetOperands() const
{
    std::string s;
    vdpdf::AppendNumber(s, red / 255.0);
    s += ' ';
    vdpdf::AppendNumber(s, green / 255.0);
    s += ' ';
    vdpdf::AppendNumber(s, blue / 255.0);
    return wxString::FromAscii(s.c_str());
}

double PdfUtility::String2Double(const wxString& text)
{
    std::string s = text.utf8_string();
    size_t i = 0;
    while (i < s.size() &&
           (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' || s[i] == '\f' || s[i] == '\v'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    // Take only what a plain decimal number may contain, so that "inf", "nan",
    // hexadecimal and a second sign never count.
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        return 0;
    const size_t start = i;
    const size_t length = vdpdf::DecimalNumberLength(std::string_view(s), start);
    if (length == 0)
        return 0;
    const size_t mantissaEnd = start + length;
    std::string number = s.substr(start, mantissaEnd - start);
    if (number[0] == '.')
        number.insert(number.begin(), '0');
    double value = 0;
    auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || !std::isfinite(value))
        return 0;
    return negative ? -value : value;
}

wxString PdfUtility::Double2String(double value, int precision)
{
    return wxString::FromAscii(vdpdf::Number(value, precision).c_str());
}
