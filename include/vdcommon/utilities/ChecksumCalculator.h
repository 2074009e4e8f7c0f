#pragma once
#include "vdcommon/Export.h"
// Checksums of streams. The one kind offered is a salted MD5 (see Md5).

#include <memory>

#include <wx/string.h>

class wxInputStream;

class VDCOMMON_API ChecksumCalculator
{
public:
    enum Type {
        MD5 = 0
    };

    ChecksumCalculator() = default;
    ChecksumCalculator(const ChecksumCalculator&) = default;
    ChecksumCalculator& operator=(const ChecksumCalculator&) = default;
    virtual ~ChecksumCalculator() = default;

    // Throws std::invalid_argument ("Checksumcalculator type unknown") for a
    // type that is not listed above.
    static std::unique_ptr<ChecksumCalculator> MakeChecksumCalculator(const Type& type);

    // Checksum of the stream from its current position to its end. Throws
    // std::runtime_error when the stream cannot be read.
    virtual wxString CalculateChecksum(wxInputStream& stream) const = 0;
};
