#include "vdcommon/version.h"

namespace vdcommon {

int GetVersion()
{
    return VDCOMMON_VERSION;
}

const char* VersionString()
{
    return VDCOMMON_VERSION_STRING;
}

} // namespace vdcommon
