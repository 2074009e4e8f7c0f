#pragma once
#include "vdcommon/Export.h"
// Plain records of the design-message catalogue.
#include <string>
#include <vector>

namespace messages {

// One catalogue entry. `id` is the value of the module's message enumeration, `text`
// the English UTF-8 text (placeholders such as "$(sh.limit,max)" kept as they are).
struct VDCOMMON_API MessageEntry {
    int id = 0;
    std::string text;
    int type = 1;
    bool active = false;

    bool operator==(const MessageEntry&) const = default;
};

// One group of a module: the value of the module's group enumeration and the
// identifiers of its messages.
struct VDCOMMON_API MessageGroupEntry {
    int group = 0;
    std::vector<int> messages;

    bool operator==(const MessageGroupEntry&) const = default;
};

} // namespace messages
