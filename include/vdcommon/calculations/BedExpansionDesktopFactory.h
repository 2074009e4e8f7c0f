#pragma once
#include "vdcommon/Export.h"

#include "vdcommon/calculations/BedExpansionI.h"

#include <memory>
#include <string>

class VDCOMMON_API BedExpansionDesktopFactory
{
public:
    // Always an object: an invalid one (0.0, "N/A") when the master database
    // has no formula under the key.
    static std::unique_ptr<BedExpansionI> Create(const std::string& key);
};
