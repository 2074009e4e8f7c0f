// Number, string and stream encodings shared by the layer's writers.
#include "pdf/PdfDocumentImpl.h"

#include <wx/log.h>

#include <zlib.h>

#include <cmath>
#include <limits>
#include <memory>

namespace vdpdf {

namespace {
constexpr long long kPow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
constexpr double kLimit = 1e12; // far beyond any page; keeps the scaled value inside 64 bits
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

namespace {

// std::llround (halves away from zero) without the library call, which shows in
// profiles of content-heavy pages. Exact: below 2^52 the fraction is computed without
// rounding, and from there on every double is a whole number already.
inline long long RoundHalfAway(double v)
{
    if (!(v > -9e18 && v < 9e18))
        return std::llround(v);
    const long long whole = static_cast<long long>(v);
    const double fraction = v - static_cast<double>(whole);
    if (fraction >= 0.5)
        return whole + 1;
    if (fraction <= -0.5)
        return whole - 1;
    return whole;
}

} // namespace

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
    long long scaled = RoundHalfAway(value * static_cast<double>(scale));
    if (scaled == 0) {
        out += '0';
        return;
    }
    // Written backwards into a small buffer and appended once: numbers are most of a
    // content stream.
    const bool negative = scaled < 0;
    const unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(scaled) : static_cast<unsigned long long>(scaled);
    unsigned long long whole = magnitude / static_cast<unsigned long long>(scale);
    unsigned long long frac = magnitude % static_cast<unsigned long long>(scale);
    char buf[48];
    char* const end = buf + sizeof buf;
    char* p = end;
    if (frac != 0) {
        int digits = decimals;
        while (frac % 10 == 0) {
            frac /= 10;
            --digits;
        }
        for (int i = 0; i < digits; ++i) {
            *--p = static_cast<char>('0' + frac % 10);
            frac /= 10;
        }
        *--p = '.';
    }
    do {
        *--p = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole);
    if (negative)
        *--p = '-';
    out.append(p, end);
}

void AppendNumbers(std::string& out, std::initializer_list<double> values, int decimals)
{
    bool first = true;
    for (const double value : values) {
        if (!first)
            out += ' ';
        AppendNumber(out, value, decimals);
        first = false;
    }
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
    // Room for the worst case of the stream being deflated. The result is copied out
    // at its exact size: a string sized for the worst case would keep that capacity
    // (about the input's size) for as long as the document holds the stream.
    std::unique_ptr<unsigned char[]> scratch;
    size_t capacity = 0;
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
    unsigned char* Room(size_t size)
    {
        if (capacity < size) {
            scratch.reset();
            scratch = std::make_unique_for_overwrite<unsigned char[]>(size);
            capacity = size;
        }
        return scratch.get();
    }
    // A large image would otherwise pin its worst-case room for the thread's life.
    void Trim()
    {
        constexpr size_t kKeep = size_t{8} << 20;
        if (capacity > kKeep) {
            scratch.reset();
            capacity = 0;
        }
    }
};

} // namespace

bool Deflate(const void* data, size_t size, std::string& out, int level)
{
    // zlib counts in 32 bits; a larger stream is left to the caller's fallback
    // rather than deflated in part.
    if (size > std::numeric_limits<uInt>::max())
        return false;
    thread_local Deflater deflater;
    if (!deflater.Prepare(level))
        return false;
    z_stream& zs = deflater.zs;
    const uLong bound = deflateBound(&zs, static_cast<uLong>(size));
    unsigned char* room = deflater.Room(bound);
    zs.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    zs.avail_in = static_cast<uInt>(size);
    zs.next_out = room;
    zs.avail_out = static_cast<uInt>(bound);
    const bool done = deflate(&zs, Z_FINISH) == Z_STREAM_END;
    if (done)
        out.assign(reinterpret_cast<const char*>(room), zs.total_out);
    deflater.Trim();
    return done;
}

bool Deflate(const std::string& in, std::string& out, int level)
{
    return Deflate(in.data(), in.size(), out, level);
}

double Sane(double value, const char* what)
{
    if (std::isfinite(value))
        return value;
    wxLogWarning("PDF: %s is not a finite number; 0 is used", what);
    return 0;
}

} // namespace vdpdf
