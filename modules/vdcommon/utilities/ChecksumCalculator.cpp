#include "vdcommon/utilities/ChecksumCalculator.h"

#include "vdcommon/utilities/Md5.h"

#include <stdexcept>

std::unique_ptr<ChecksumCalculator> ChecksumCalculator::MakeChecksumCalculator(const Type& type)
{
    switch (type) {
    case MD5: return std::make_unique<Md5>(wxString("Quorvel Fixture"));
    }
    throw std::invalid_argument("Checksumcalculator type unknown");
}
