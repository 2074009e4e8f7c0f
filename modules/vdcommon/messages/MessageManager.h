#pragma once
// The message manager of one module, typed by the module's message and group
// enumerations. Each manager owns its own copy of the entries, so activation is local
// to it.
#include "vdcommon/messages/IMessageManager.h"

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <unordered_set>
#include <utility>

namespace messages {

template <typename Messages, typename Groups>
class MessageManager final : public IMessageManager
{
    static_assert(std::is_enum_v<Messages> && std::is_enum_v<Groups>,
                  "a message manager is typed by the module's enumerations");

public:
    using MessageId = Messages;
    using GroupId = Groups;

    // Takes over the entries (sorted by identifier), copies the groups and resolves the
    // display order against the sorted entries: an identifier listed twice is shown
    // twice, an identifier without an entry is skipped.
    MessageManager(std::vector<MessageEntry> entries, const std::vector<MessageGroupEntry>& groups,
                   const std::vector<int>& displayOrder)
        : entries(std::move(entries)), groups(groups)
    {
        std::stable_sort(this->entries.begin(), this->entries.end(),
                         [](const MessageEntry& a, const MessageEntry& b) { return a.id < b.id; });
        displayList.reserve(displayOrder.size());
        for (int id : displayOrder) {
            const auto it = std::find_if(this->entries.begin(), this->entries.end(),
                                         [id](const MessageEntry& e) { return e.id == id; });
            if (it != this->entries.end())
                displayList.push_back(static_cast<std::size_t>(it - this->entries.begin()));
        }
    }

    void SetActiveFlags(const std::vector<uint32_t>& flags) override
    {
        const std::size_t count = std::min(entries.size(), flags.size() * 32);
        for (std::size_t k = 0; k < count; ++k)
            entries[k].active = ((flags[k / 32] >> (k % 32)) & 1u) != 0;
    }

    std::vector<std::string> GetActiveMessagesOfType(int type) const override
    {
        return Collect([type](const MessageEntry& e) { return e.active && e.type == type; });
    }

    std::vector<std::string> GetActiveMessages() const override
    {
        return Collect([](const MessageEntry& e) { return e.active; });
    }

    std::vector<uint32_t> GetActiveFlags() const override
    {
        std::vector<uint32_t> words((entries.size() + 31) / 32, 0u);
        for (std::size_t k = 0; k < entries.size(); ++k) {
            if (entries[k].active)
                words[k / 32] |= uint32_t{1} << (k % 32);
        }
        return words;
    }

    std::vector<MessageEntry> GetEntries() const override { return entries; }

    // The module's groups, as stored.
    const std::vector<MessageGroupEntry>& GetGroups() const { return groups; }

    // The identifiers of the display list, in display order.
    std::vector<int> GetDisplayOrder() const
    {
        std::vector<int> ids;
        ids.reserve(displayList.size());
        for (std::size_t index : displayList)
            ids.push_back(entries[index].id);
        return ids;
    }

private:
    template <typename Predicate>
    std::vector<std::string> Collect(Predicate take) const
    {
        std::vector<std::string> texts;
        std::unordered_set<std::string> seen;
        for (std::size_t index : displayList) {
            const MessageEntry& entry = entries[index];
            if (take(entry) && seen.insert(entry.text).second)
                texts.push_back(entry.text);
        }
        return texts;
    }

    std::vector<MessageEntry> entries; // sorted by id
    std::vector<MessageGroupEntry> groups;
    std::vector<std::size_t> displayList; // indices into `entries`, in display order
};

} // namespace messages
