#pragma once
// Compile-time form of a module's catalogue tables and the step that turns them into a
// manager. Used by the module table sources only.
#include "vdcommon/messages/MessageManager.h"

#include <memory>
#include <span>
#include <string_view>

namespace messages {

template <typename Messages>
struct TableEntry {
    Messages id;
    std::string_view text;
};

template <typename Messages, typename Groups>
struct TableGroup {
    Groups group;
    std::span<const Messages> messages;
};

// A new manager with its own copy of the tables; every entry has type 1 and starts
// inactive.
template <typename Messages, typename Groups>
std::unique_ptr<IMessageManager> MakeManager(std::span<const TableEntry<Messages>> entries,
                                             std::span<const TableGroup<Messages, Groups>> groups,
                                             std::span<const Messages> displayOrder)
{
    std::vector<MessageEntry> entryList;
    entryList.reserve(entries.size());
    for (const auto& e : entries)
        entryList.push_back(MessageEntry{static_cast<int>(e.id), std::string(e.text), 1, false});

    std::vector<MessageGroupEntry> groupList;
    groupList.reserve(groups.size());
    for (const auto& g : groups) {
        MessageGroupEntry group{static_cast<int>(g.group), {}};
        for (Messages id : g.messages)
            group.messages.push_back(static_cast<int>(id));
        groupList.push_back(std::move(group));
    }

    std::vector<int> order;
    order.reserve(displayOrder.size());
    for (Messages id : displayOrder)
        order.push_back(static_cast<int>(id));

    return std::make_unique<MessageManager<Messages, Groups>>(std::move(entryList), groupList, order);
}

} // namespace messages
