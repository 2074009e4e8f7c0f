// The manager's own rules, on a small table of its own.
#include <gtest/gtest.h>

#include "vdcommon/messages/MessageManager.h"

using namespace messages;

namespace {

enum class TestMessages : int {
    A = 0,
    B = 1,
    C = 2,
    D = 3
};
enum class TestGroups : int {
    Only = 0
};

MessageManager<TestMessages, TestGroups> MakeTestManager()
{
    // Unsorted on purpose; "C" has type 2.
    std::vector<MessageEntry> entries = {
        {3, "d", 1, false}, {0, "a", 1, false}, {2, "c", 2, false}, {1, "b", 1, false}};
    return MessageManager<TestMessages, TestGroups>(std::move(entries), {{0, {0, 1}}}, {3, 7, 0, 2, 0, 1});
}

} // namespace

TEST(MessageManager, SortsEntriesAndResolvesTheDisplayOrder)
{
    auto manager = MakeTestManager();
    const auto entries = manager.GetEntries();
    ASSERT_EQ(entries.size(), 4u);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(entries[static_cast<std::size_t>(k)].id, k);
    // 7 has no entry and is skipped; 0 is listed twice.
    EXPECT_EQ(manager.GetDisplayOrder(), (std::vector<int>{3, 0, 2, 0, 1}));
    EXPECT_EQ(manager.GetGroups(), (std::vector<MessageGroupEntry>{{0, {0, 1}}}));

    manager.SetActiveFlags({0b1111u});
    EXPECT_EQ(manager.GetActiveMessages(), (std::vector<std::string>{"d", "a", "c", "b"}));
    EXPECT_EQ(manager.GetActiveMessagesOfType(1), (std::vector<std::string>{"d", "a", "b"}));
    EXPECT_EQ(manager.GetActiveMessagesOfType(2), (std::vector<std::string>{"c"}));
    EXPECT_EQ(manager.GetActiveFlags(), (std::vector<uint32_t>{0b1111u}));

    // Bit k is the k-th entry in identifier order; bits past the entries are ignored.
    manager.SetActiveFlags({0b0110u | 0xFFFFFFF0u});
    EXPECT_EQ(manager.GetActiveMessages(), (std::vector<std::string>{"c", "b"}));
    EXPECT_EQ(manager.GetActiveFlags(), (std::vector<uint32_t>{0b0110u}));
}

TEST(MessageManager, EmptyTableHasNoFlagWords)
{
    MessageManager<TestMessages, TestGroups> empty({}, {}, {0, 1});
    empty.SetActiveFlags({0xFFFFFFFFu});
    EXPECT_TRUE(empty.GetActiveFlags().empty());
    EXPECT_TRUE(empty.GetActiveMessages().empty());
    EXPECT_TRUE(empty.GetDisplayOrder().empty());
}
