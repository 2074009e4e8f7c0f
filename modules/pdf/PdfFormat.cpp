// Number, string and stream encodings shared by the layer's writers.
#include "pdf/PdfDocumentImpl.h"

#include <wx/log.h>

#include <zlib.h>

#include <cmath>

namespace vdpdf {

namespace {
constexpr long long kPow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
constexpr double kLimit = 1e12;   // far beyond any page; keeps the scaled value inside 64 bits
} // namespace

void AppendInt(std::string& out, long long value)
{
    char buf[24];
    char* end = buf + sizeof buf;
    char* p = end;
    unsigned long long v = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : value;
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    if (value < 0)
        *--p = '-';
    out.append(p, end);
}

void AppendNumber(std::string& out, double value, int decimals)
{
    if (!std::isfinite(value)) {
        wxLogDebug("PDF: a non-finite number was written as 0");
        out += '0';
        return;
    }
    if (value > kLimit || value < -kLimit) {
        wxLogDebug("PDF: a number beyond %g was clamped", kLimit);
        value = value > 0 ? kLimit : -kLimit;
    }
    if (decimals < 0)
        decimals = 0;
    if (decimals > 8)
        decimals = 8;
    const long long scale = kPow10[decimals];
    long long scaled = std::llround(value * static_cast<double>(scale));
    if (scaled == 0) {
        out += '0';
        return;
    }
    if (scaled < 0) {
        out += '-';
        scaled = -scaled;
    }
    AppendInt(out, scaled / scale);
    long long frac = scaled % scale;
    if (frac == 0)
        return;
    int digits = decimals;
    while (frac % 10 == 0) {
        frac /= 10;
        --digits;
    }
    char buf[8];
    for (int i = digits - 1; i >= 0; --i) {
        buf[i] = static_cast<char>('0' + frac % 10);
        frac /= 10;
    }
    out += '.';
    out.append(buf, digits);
}

std::string Number(double value, int decimals)
{
    std::string s;
    AppendNumber(s, value, decimals);
    return s;
}

void AppendGlyphHex(std::string& out, uint32_t glyph)
{
    static const char hex[] = "0123456789ABCDEF";
    char b[4] = {hex[(glyph >> 12) & 15], hex[(glyph >> 8) & 15], hex[(glyph >> 4) & 15], hex[glyph & 15]};
    out.append(b, 4);
}

std::string LiteralString(const std::string& bytes)
{
    std::string out = "(";
    for (unsigned char c : bytes) {
        switch (c) {
        case '(': out += "\\("; break;
        case ')': out += "\\)"; break;
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default:
            if (c < 32 || c > 126) {
                char b[5];
                b[0] = '\\';
                b[1] = static_cast<char>('0' + ((c >> 6) & 7));
                b[2] = static_cast<char>('0' + ((c >> 3) & 7));
                b[3] = static_cast<char>('0' + (c & 7));
                out.append(b, 4);
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += ')';
    return out;
}

std::string TextString(const wxString& text)
{
    bool ascii = true;
    for (wxUniChar c : text) {
        if (c.GetValue() < 32 || c.GetValue() > 126) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return LiteralString(std::string(text.utf8_str()));
    std::string out = "<FEFF";
    for (wxUniChar ch : text) {
        uint32_t c = ch.GetValue();
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        if (c >= 0x10000) {
            c -= 0x10000;
            AppendGlyphHex(out, 0xD800 + (c >> 10));
            AppendGlyphHex(out, 0xDC00 + (c & 0x3FF));
        } else {
            AppendGlyphHex(out, c);
        }
    }
    out += '>';
    return out;
}

namespace {

// One deflate state per thread and level, reset between streams: a document deflates
// every page, and setting zlib up afresh each time costs more than small pages do.
struct Deflater {
    z_stream zs{};
    int level = -2;
    bool ready = false;
    ~Deflater()
    {
        if (ready)
            deflateEnd(&zs);
    }
    bool Prepare(int wanted)
    {
        if (ready && level == wanted)
            return deflateReset(&zs) == Z_OK;
        if (ready)
            deflateEnd(&zs);
        zs = z_stream{};
        ready = deflateInit(&zs, wanted) == Z_OK;
        level = wanted;
        return ready;
    }
};

} // namespace

bool Deflate(const std::string& in, std::string& out, int level)
{
    thread_local Deflater deflater;
    if (!deflater.Prepare(level))
        return false;
    z_stream& zs = deflater.zs;
    std::string result;
    result.resize(deflateBound(&zs, static_cast<uLong>(in.size())));
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = reinterpret_cast<Bytef*>(result.data());
    zs.avail_out = static_cast<uInt>(result.size());
    const int rc = deflate(&zs, Z_FINISH);
    if (rc != Z_STREAM_END)
        return false;
    result.resize(zs.total_out);
    out = std::move(result);
    return true;
}

double Sane(double value, const char* what)
{
    if (std::isfinite(value))
        return value;
    wxLogWarning("PDF: %s is not a finite number; 0 is used", what);
    return 0;
}

} // namespace vdpdf
