#pragma once
// The pixel size of a raster image read from its header alone (PNG, JPEG, GIF), so that
// an image can be refused before it is decoded: a small file may declare a picture of
// gigabytes once decoded.

#include <cstdint>
#include <optional>
#include <string>

namespace imageheader {

struct Size {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint64_t Pixels() const { return std::uint64_t{width} * height; }
};

// The declared size; nullopt when the file cannot be read or is none of these formats.
std::optional<Size> ReadSize(const std::string& path);

// Empty when the image may be decoded under limits::Get().imagePixels (or its size
// cannot be told from the header, which leaves the decision to the decoder); else
// the reason, e.g. "24000 x 24000 pixels, more than the limit of 40000000".
std::string CheckPixels(const std::string& path);

} // namespace imageheader
