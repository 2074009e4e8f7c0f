#pragma once
#include "vdcommon/Export.h"
// The bounds every SVG load and conversion keeps, in one place. Hostile or broken
// graphics hit one of these and give one clear message instead of a crash, a hang or
// unbounded memory. A host may change them once at start-up (SetSvgLimits).
#include <cstddef>

struct VDCOMMON_API SvgLimits {
    // Elements nested deeper than this refuse the document (an XML load) or are not
    // drawn (a tree handed in by the caller).
    int maxDepth = 1000;
    // Elements in one document; more refuse the document.
    std::size_t maxElements = 1000000;
    // Bytes of one graphic file or archive entry (after inflating); more refuse it.
    std::size_t maxDocumentBytes = 64u * 1024 * 1024;
    // Numbers in one path's data or point list; the path ends there.
    std::size_t maxPathNumbers = 4000000;
    // Elements drawn through `use` references in one conversion, so references that
    // multiply each other cannot make a conversion run for ever.
    long maxUseExpansions = 100000;
    // Pixels of one embedded image, read from its header before it is decoded.
    std::size_t maxImagePixels = 40u * 1000 * 1000;
};

// The limits in effect (the defaults above unless a host changed them).
VDCOMMON_API const SvgLimits& GetSvgLimits();
// Replaces the limits; call before converting (not while another thread converts).
VDCOMMON_API void SetSvgLimits(const SvgLimits& limits);
