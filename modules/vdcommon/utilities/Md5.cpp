#include "vdcommon/utilities/Md5.h"

#include <cstring>
#include <stdexcept>

#include <wx/stream.h>

namespace {

constexpr std::size_t kReadBlock = 102400;

inline std::uint32_t RotateLeft(std::uint32_t x, int s)
{
    return (x << s) | (x >> (32 - s));
}

inline std::uint32_t LoadLittleEndian(const unsigned char* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

// The four rounds of RFC 1321, written out. The boolean functions use forms
// with shorter dependency chains than the reference text (same values):
//   F = d ^ (b & (c ^ d)), G split into two independent additions
//   (b & d) + (c & ~d), I = c ^ (b | ~d).
// The message word and the constant are added first, as they do not depend
// on the previous step.
#define MD5_F(a, b, c, d, k, s, t)  \
    a += X(k) + (t);                \
    a += (d) ^ ((b) & ((c) ^ (d))); \
    a = RotateLeft(a, s) + (b);
#define MD5_G(a, b, c, d, k, s, t) \
    a += X(k) + (t);               \
    a += (c) & ~(d);               \
    a += (b) & (d);                \
    a = RotateLeft(a, s) + (b);
#define MD5_H(a, b, c, d, k, s, t) \
    a += X(k) + (t);               \
    a += (b) ^ (c) ^ (d);          \
    a = RotateLeft(a, s) + (b);
#define MD5_I(a, b, c, d, k, s, t) \
    a += X(k) + (t);               \
    a += (c) ^ ((b) | ~(d));       \
    a = RotateLeft(a, s) + (b);

// Hashes whole 64-byte blocks straight from the caller's memory; the state
// stays in registers from one block to the next.
void CompressBlocks(std::uint32_t state[4], const unsigned char* p, std::size_t blocks)
{
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks > 0; --blocks, p += 64) {
#define X(k) LoadLittleEndian(p + 4 * (k))
        const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

        // clang-format off
        MD5_F(a, b, c, d, 0, 7, 0xd76aa478) MD5_F(d, a, b, c, 1, 12, 0xe8c7b756)
        MD5_F(c, d, a, b, 2, 17, 0x242070db) MD5_F(b, c, d, a, 3, 22, 0xc1bdceee)
        MD5_F(a, b, c, d, 4, 7, 0xf57c0faf) MD5_F(d, a, b, c, 5, 12, 0x4787c62a)
        MD5_F(c, d, a, b, 6, 17, 0xa8304613) MD5_F(b, c, d, a, 7, 22, 0xfd469501)
        MD5_F(a, b, c, d, 8, 7, 0x698098d8) MD5_F(d, a, b, c, 9, 12, 0x8b44f7af)
        MD5_F(c, d, a, b, 10, 17, 0xffff5bb1) MD5_F(b, c, d, a, 11, 22, 0x895cd7be)
        MD5_F(a, b, c, d, 12, 7, 0x6b901122) MD5_F(d, a, b, c, 13, 12, 0xfd987193)
        MD5_F(c, d, a, b, 14, 17, 0xa679438e) MD5_F(b, c, d, a, 15, 22, 0x49b40821)

        MD5_G(a, b, c, d, 1, 5, 0xf61e2562) MD5_G(d, a, b, c, 6, 9, 0xc040b340)
        MD5_G(c, d, a, b, 11, 14, 0x265e5a51) MD5_G(b, c, d, a, 0, 20, 0xe9b6c7aa)
        MD5_G(a, b, c, d, 5, 5, 0xd62f105d) MD5_G(d, a, b, c, 10, 9, 0x02441453)
        MD5_G(c, d, a, b, 15, 14, 0xd8a1e681) MD5_G(b, c, d, a, 4, 20, 0xe7d3fbc8)
        MD5_G(a, b, c, d, 9, 5, 0x21e1cde6) MD5_G(d, a, b, c, 14, 9, 0xc33707d6)
        MD5_G(c, d, a, b, 3, 14, 0xf4d50d87) MD5_G(b, c, d, a, 8, 20, 0x455a14ed)
        MD5_G(a, b, c, d, 13, 5, 0xa9e3e905) MD5_G(d, a, b, c, 2, 9, 0xfcefa3f8)
        MD5_G(c, d, a, b, 7, 14, 0x676f02d9) MD5_G(b, c, d, a, 12, 20, 0x8d2a4c8a)

        MD5_H(a, b, c, d, 5, 4, 0xfffa3942) MD5_H(d, a, b, c, 8, 11, 0x8771f681)
        MD5_H(c, d, a, b, 11, 16, 0x6d9d6122) MD5_H(b, c, d, a, 14, 23, 0xfde5380c)
        MD5_H(a, b, c, d, 1, 4, 0xa4beea44) MD5_H(d, a, b, c, 4, 11, 0x4bdecfa9)
        MD5_H(c, d, a, b, 7, 16, 0xf6bb4b60) MD5_H(b, c, d, a, 10, 23, 0xbebfbc70)
        MD5_H(a, b, c, d, 13, 4, 0x289b7ec6) MD5_H(d, a, b, c, 0, 11, 0xeaa127fa)
        MD5_H(c, d, a, b, 3, 16, 0xd4ef3085) MD5_H(b, c, d, a, 6, 23, 0x04881d05)
        MD5_H(a, b, c, d, 9, 4, 0xd9d4d039) MD5_H(d, a, b, c, 12, 11, 0xe6db99e5)
        MD5_H(c, d, a, b, 15, 16, 0x1fa27cf8) MD5_H(b, c, d, a, 2, 23, 0xc4ac5665)

        MD5_I(a, b, c, d, 0, 6, 0xf4292244) MD5_I(d, a, b, c, 7, 10, 0x432aff97)
        MD5_I(c, d, a, b, 14, 15, 0xab9423a7) MD5_I(b, c, d, a, 5, 21, 0xfc93a039)
        MD5_I(a, b, c, d, 12, 6, 0x655b59c3) MD5_I(d, a, b, c, 3, 10, 0x8f0ccc92)
        MD5_I(c, d, a, b, 10, 15, 0xffeff47d) MD5_I(b, c, d, a, 1, 21, 0x85845dd1)
        MD5_I(a, b, c, d, 8, 6, 0x6fa87e4f) MD5_I(d, a, b, c, 15, 10, 0xfe2ce6e0)
        MD5_I(c, d, a, b, 6, 15, 0xa3014314) MD5_I(b, c, d, a, 13, 21, 0x4e0811a1)
        MD5_I(a, b, c, d, 4, 6, 0xf7537e82) MD5_I(d, a, b, c, 11, 10, 0xbd3af235)
        MD5_I(c, d, a, b, 2, 15, 0x2ad7d2bb) MD5_I(b, c, d, a, 9, 21, 0xeb86d391)
            // clang-format on

            a += a0;
        b += b0;
        c += c0;
        d += d0;
#undef X
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I

} // namespace

Md5::Md5(const wxString& saltText) : salt(saltText) {}

std::unique_ptr<Md5::Context> Md5::CreateContext()
{
    return std::make_unique<Context>();
}

void Md5::InitContext(Context& context) const
{
    context.state[0] = 0x67452301;
    context.state[1] = 0xefcdab89;
    context.state[2] = 0x98badcfe;
    context.state[3] = 0x10325476;
    context.count[0] = context.count[1] = 0;
    // All bytes of the salt's UTF-8 form: for an ASCII salt one byte per
    // character; any other salt is still hashed whole and the same everywhere.
    const wxScopedCharBuffer bytes = salt.utf8_str();
    Update(context, bytes.data(), bytes.length());
}

void Md5::Update(Context& context, const void* data, std::size_t size)
{
    const auto* input = static_cast<const unsigned char*>(data);
    std::size_t index = (context.count[0] >> 3) & 0x3f;

    const std::uint64_t bits = (static_cast<std::uint64_t>(context.count[1]) << 32 | context.count[0]) +
                               (static_cast<std::uint64_t>(size) << 3);
    context.count[0] = static_cast<std::uint32_t>(bits);
    context.count[1] = static_cast<std::uint32_t>(bits >> 32);

    if (index != 0) {
        const std::size_t fill = 64 - index;
        if (size < fill) {
            std::memcpy(context.buffer + index, input, size);
            return;
        }
        std::memcpy(context.buffer + index, input, fill);
        CompressBlocks(context.state, context.buffer, 1);
        input += fill;
        size -= fill;
    }
    const std::size_t blocks = size / 64;
    if (blocks != 0) {
        CompressBlocks(context.state, input, blocks);
        input += blocks * 64;
        size -= blocks * 64;
    }
    if (size != 0)
        std::memcpy(context.buffer, input, size);
}

wxString Md5::Finish(Context& context)
{
    unsigned char length[8];
    for (int i = 0; i < 4; ++i) {
        length[i] = static_cast<unsigned char>(context.count[0] >> (8 * i));
        length[4 + i] = static_cast<unsigned char>(context.count[1] >> (8 * i));
    }
    // The one-bit, zeros up to 56 bytes modulo 64, then the bit count.
    static const unsigned char padding[64] = {0x80};
    const std::size_t index = (context.count[0] >> 3) & 0x3f;
    const std::size_t padLength = index < 56 ? 56 - index : 120 - index;
    Update(context, padding, padLength);
    Update(context, length, 8);

    static const char digits[] = "0123456789abcdef";
    char text[32];
    for (int i = 0; i < 16; ++i) {
        const auto byte = static_cast<unsigned char>(context.state[i / 4] >> (8 * (i % 4)));
        text[2 * i] = digits[byte >> 4];
        text[2 * i + 1] = digits[byte & 0x0f];
    }
    return wxString::FromAscii(text, sizeof text);
}

void Md5::CalculateChecksumOfStream(Context& context, wxInputStream& stream)
{
    // A stream that cannot be read at all would otherwise give the checksum of
    // the salt alone, which looks like the checksum of an empty stream.
    if (!stream.IsOk() && !stream.Eof())
        throw std::runtime_error("Cannot compute a checksum: the stream cannot be read");

    // Not zero-filled: many small streams (zip entries) would pay for that.
    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(kReadBlock);
    for (;;) {
        stream.Read(buffer.get(), kReadBlock);
        const std::size_t got = stream.LastRead();
        if (got > 0)
            Update(context, buffer.get(), got);
        if (stream.Eof())
            break;
        if (!stream.IsOk())
            throw std::runtime_error("Cannot compute a checksum: reading the stream failed");
        // A stream that delivers nothing yet reports neither end nor error
        // would keep this loop going for ever; it has nothing more to give.
        if (got == 0)
            break;
    }
}

wxString Md5::GetChecksumFromContextAsString(Context& context)
{
    return Finish(context);
}

wxString Md5::CalculateChecksum(wxInputStream& stream) const
{
    const std::unique_ptr<Context> context = CreateContext();
    InitContext(*context);
    CalculateChecksumOfStream(*context, stream);
    return GetChecksumFromContextAsString(*context);
}
