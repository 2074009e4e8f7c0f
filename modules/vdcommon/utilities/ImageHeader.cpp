#include "vdcommon/utilities/ImageHeader.h"

#include "vdcommon/utilities/Limits.h"

#include <fmt/format.h>

#include <array>
#include <cstring>
#include <fstream>

namespace imageheader {
namespace {

std::uint32_t BigEndian(const unsigned char* p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | p[i];
    return value;
}

std::optional<Size> JpegSize(std::ifstream& in)
{
    // Walk the marker segments up to the first start-of-frame, which holds the size.
    in.seekg(2);
    for (int segments = 0; segments < 10000; ++segments) {
        int c = in.get();
        if (c != 0xFF)
            return std::nullopt;
        while (c == 0xFF)
            c = in.get();
        if (c == EOF)
            return std::nullopt;
        const int marker = c;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue; // no length
        unsigned char length[2];
        if (!in.read(reinterpret_cast<char*>(length), 2))
            return std::nullopt;
        const std::uint32_t segmentLength = BigEndian(length, 2);
        if (segmentLength < 2)
            return std::nullopt;
        const bool startOfFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame) {
            unsigned char frame[5];
            if (!in.read(reinterpret_cast<char*>(frame), 5))
                return std::nullopt;
            return Size{BigEndian(frame + 3, 2), BigEndian(frame + 1, 2)};
        }
        in.seekg(segmentLength - 2, std::ios::cur);
    }
    return std::nullopt;
}

} // namespace

std::optional<Size> ReadSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::array<unsigned char, 24> head{};
    in.read(reinterpret_cast<char*>(head.data()), head.size());
    const auto got = static_cast<std::size_t>(in.gcount());
    in.clear();
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (got >= 24 && std::memcmp(head.data(), png, 8) == 0 && std::memcmp(head.data() + 12, "IHDR", 4) == 0)
        return Size{BigEndian(head.data() + 16, 4), BigEndian(head.data() + 20, 4)};
    if (got >= 10 && (std::memcmp(head.data(), "GIF87a", 6) == 0 || std::memcmp(head.data(), "GIF89a", 6) == 0))
        return Size{static_cast<std::uint32_t>(head[6] | (head[7] << 8)),
                    static_cast<std::uint32_t>(head[8] | (head[9] << 8))};
    if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
        return JpegSize(in);
    return std::nullopt;
}

std::string CheckPixels(const std::string& path)
{
    const auto size = ReadSize(path);
    const std::uint64_t limit = limits::Get().imagePixels;
    if (!size || size->Pixels() <= limit)
        return {};
    return fmt::format("{} x {} pixels, more than the limit of {}", size->width, size->height, limit);
}

} // namespace imageheader
