#pragma once
#include "vdcommon/Export.h"
// The messages of one calculation module: activation from bit words and the texts of
// the active messages in the module's display order.
#include "vdcommon/messages/MessageEntry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace messages {

class VDCOMMON_API IMessageManager
{
public:
    virtual ~IMessageManager() = default;

    // Entry k (in identifier order) takes bit k % 32 of word k / 32; entries beyond
    // the given words keep their flag, bits beyond the last entry are ignored.
    virtual void SetActiveFlags(const std::vector<uint32_t>& flags) = 0;
    // The distinct texts of the active entries of `type`, in display order.
    virtual std::vector<std::string> GetActiveMessagesOfType(int type) const = 0;
    // The distinct texts of all active entries, in display order.
    virtual std::vector<std::string> GetActiveMessages() const = 0;
    // The active flags as ceil(entries / 32) bit words.
    virtual std::vector<uint32_t> GetActiveFlags() const = 0;
    // A copy of all entries in identifier order, with their current flags.
    virtual std::vector<MessageEntry> GetEntries() const = 0;

protected:
    IMessageManager() = default;
    IMessageManager(const IMessageManager&) = default;
    IMessageManager& operator=(const IMessageManager&) = default;
};

} // namespace messages
