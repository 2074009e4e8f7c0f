#pragma once
#include "vdcommon/Export.h"
// The message manager of a calculation module selected by its code.
#include "vdcommon/messages/IMessageManager.h"

#include <memory>
#include <string>

// A new manager for the module `moduleCode` ("VE", "VEC", "MB", "CP", "SD", "ROCC",
// "UF", "FOODC", "BD" or "CA", compared exactly), or null for any other code.
VDCOMMON_API std::unique_ptr<messages::IMessageManager> CreateMessageManager(const std::string& moduleCode);

namespace messages {
using ::CreateMessageManager;
}
