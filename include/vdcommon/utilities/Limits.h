#pragma once
#include "vdcommon/Export.h"
// Bounds on what the library accepts from outside: one place, with their defaults as
// named constants, read by every reader and changeable by a host (Get, Set, ScopedLimits).
// Hitting a limit gives one clear error or warning line, never a crash or a hang.
// docs/limits.md lists them with the reason for each default.

#include <cstddef>
#include <cstdint>

namespace limits {

// Element nesting of every XML input (project file, XSLT result, SVG, markup).
constexpr std::size_t kDefaultXmlDepth = 256;
// Size of a project file, a catalogue or any other file read whole into memory.
constexpr std::uint64_t kDefaultInputFileBytes = std::uint64_t{1} << 30; // 1 GiB
// Decoded pixels of a raster image (width x height) read from its header before decoding.
constexpr std::uint64_t kDefaultImagePixels = 40'000'000; // e.g. 8000 x 5000
// Nesting of a catalogue's Plural-Forms expression (parentheses, "?:" and "!").
constexpr int kDefaultCatalogueExpressionDepth = 64;
// Nested template calls and variables of one XSLT transformation.
constexpr int kDefaultXsltDepth = 3000;
// Wall time of one XSLT transformation in seconds; 0 means no limit.
constexpr double kDefaultXsltSeconds = 300.0;
// SVG graphics keep bounds of their own (nesting, elements, bytes, path numbers, `use`
// expansions, embedded image pixels): vdcommon/svg/SvgLimits.h, changed with SetSvgLimits.

struct VDCOMMON_API Limits {
    std::size_t xmlDepth = kDefaultXmlDepth;
    std::uint64_t inputFileBytes = kDefaultInputFileBytes;
    std::uint64_t imagePixels = kDefaultImagePixels;
    int catalogueExpressionDepth = kDefaultCatalogueExpressionDepth;
    int xsltDepth = kDefaultXsltDepth;
    double xsltSeconds = kDefaultXsltSeconds;
};

// The limits in force (a copy; safe from any thread).
VDCOMMON_API Limits Get();

// Replaces the limits process-wide. Set them before a report starts: workers read them
// when their step begins.
VDCOMMON_API void Set(const Limits& limits);

// Sets limits for the lifetime of the object and restores the previous ones.
class VDCOMMON_API ScopedLimits
{
public:
    explicit ScopedLimits(const Limits& limits);
    ~ScopedLimits();
    ScopedLimits(const ScopedLimits&) = delete;
    ScopedLimits& operator=(const ScopedLimits&) = delete;

private:
    Limits previous;
};

} // namespace limits
