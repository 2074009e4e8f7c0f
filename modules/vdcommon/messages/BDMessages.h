#pragma once
// Design messages of the "BD" calculation module: identifiers, groups and the
// factory of its message manager. The texts live in BDMessages.cpp.
#include "vdcommon/messages/IMessageManager.h"

#include <memory>

namespace messages {

enum class BDMessages : int {
    PlantDesignPressureLossCalculationsNot = 0,
    PlantDesignResinAdsorberEdited = 1,
    RegenerationSequenceNoBackwashBedExpansion = 2,
};

enum class BDMessageGroups : int {
    PlantDesign = 0,
    Unused1 = 1,
    Unused2 = 2,
    PlantDesign3 = 3,
    RegenerationSequence = 4,
    Unused5 = 5,
};

// A new manager holding its own copy of the module's entries, all inactive.
std::unique_ptr<IMessageManager> CreateBDMessageManager();

} // namespace messages
