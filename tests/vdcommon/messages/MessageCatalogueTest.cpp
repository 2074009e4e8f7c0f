// The design-message catalogue: every module's table, the duplicated texts, the
// identifier gaps of "ROCC" and flag handling.
#include <gtest/gtest.h>

#include "vdcommon/messages/CreateMessageManager.h"
#include "vdcommon/messages/MessageManager.h"

#include <algorithm>
#include <set>

using namespace messages;

namespace {

std::vector<uint32_t> Bits(std::initializer_list<int> indices, std::size_t words = 2)
{
    std::vector<uint32_t> flags(words, 0u);
    for (int k : indices)
        flags[static_cast<std::size_t>(k) / 32] |= uint32_t{1} << (k % 32);
    return flags;
}

std::string TextOf(const std::string& code, int id)
{
    for (const MessageEntry& e : CreateMessageManager(code)->GetEntries()) {
        if (e.id == id)
            return e.text;
    }
    return "<missing>";
}

} // namespace

TEST(MessageCatalogue, EveryModuleIsConsistentAndCodesMatchExactly)
{
    for (const char* bad : {"ve", "VE ", " VE", "", "V", "VEX", "rocc", "XX"})
        EXPECT_EQ(CreateMessageManager(bad), nullptr) << '"' << bad << '"';
    for (const char* code : {"VE", "VEC", "MB", "CP", "SD", "ROCC", "UF", "FOODC", "BD", "CA"}) {
        SCOPED_TRACE(code);
        auto manager = CreateMessageManager(code);
        ASSERT_NE(manager, nullptr);
        const auto entries = manager->GetEntries();
        EXPECT_TRUE(
            std::is_sorted(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.id < b.id; }));
        for (const MessageEntry& e : entries) {
            EXPECT_EQ(e.type, 1) << e.id;
            EXPECT_FALSE(e.active) << e.id;
            EXPECT_FALSE(e.text.empty()) << e.id;
        }

        // Every entry active: each text once, and nothing of type 0.
        manager->SetActiveFlags({0xFFFFFFFFu, 0xFFFFFFFFu});
        const auto texts = manager->GetActiveMessages();
        EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()).size(), texts.size());
        EXPECT_EQ(manager->GetActiveMessagesOfType(1), texts);
        EXPECT_TRUE(manager->GetActiveMessagesOfType(0).empty());
        EXPECT_FALSE(texts.empty());
    }
}

TEST(MessageCatalogue, DuplicatedTextsAreListedOnceAtTheirFirstPlace)
{
    auto sd = CreateMessageManager("SD");
    EXPECT_EQ(TextOf("SD", 4), TextOf("SD", 5));
    sd->SetActiveFlags(Bits({5, 4, 20}, 1));
    EXPECT_EQ(sd->GetActiveMessages(), (std::vector<std::string>{TextOf("SD", 4), TextOf("SD", 20)}));

    auto ca = CreateMessageManager("CA");
    EXPECT_EQ(TextOf("CA", 34), TextOf("CA", 40));
    ca->SetActiveFlags(Bits({34, 35, 40}));
    EXPECT_EQ(ca->GetActiveMessages(), (std::vector<std::string>{TextOf("CA", 34), TextOf("CA", 35)}));

    // "VEC" shows 6 and 7 twice in its display order, and never shows 1.
    auto vec = CreateMessageManager("VEC");
    vec->SetActiveFlags(Bits({1, 6, 7}, 1));
    EXPECT_EQ(vec->GetActiveMessages(), (std::vector<std::string>{TextOf("VEC", 6), TextOf("VEC", 7)}));
    vec->SetActiveFlags(Bits({1}, 1));
    EXPECT_TRUE(vec->GetActiveMessages().empty());
    EXPECT_EQ(vec->GetActiveFlags(), (std::vector<uint32_t>{2u, 0u}));
}

TEST(MessageCatalogue, RoccIdentifiersHaveGapsSoBitsFollowTheSortedOrder)
{
    auto rocc = CreateMessageManager("ROCC");
    std::vector<int> ids;
    for (const MessageEntry& e : rocc->GetEntries())
        ids.push_back(e.id);
    std::vector<int> expected;
    for (int id = 0; id <= 41; ++id) {
        if (id != 14 && id != 18 && id != 31)
            expected.push_back(id);
    }
    EXPECT_EQ(ids, expected);

    rocc->SetActiveFlags({1u << 14});
    EXPECT_EQ(rocc->GetActiveMessages(), std::vector<std::string>{TextOf("ROCC", 15)});

    // Identifiers 19 to 30 (bits 17 to 28) are never listed; bit 29 is identifier 32.
    uint32_t hidden = 0;
    for (int bit = 17; bit <= 28; ++bit)
        hidden |= 1u << bit;
    rocc->SetActiveFlags({hidden, 0u});
    EXPECT_TRUE(rocc->GetActiveMessages().empty());
    rocc->SetActiveFlags({1u << 29});
    EXPECT_EQ(rocc->GetActiveMessages(), std::vector<std::string>{TextOf("ROCC", 32)});
}

TEST(MessageCatalogue, FlagWordsCoverTheEntriesAndNothingElse)
{
    auto ca = CreateMessageManager("CA");
    ca->SetActiveFlags({0xFFFFFFFFu, 0x01FFFFFFu});
    for (const MessageEntry& e : ca->GetEntries())
        EXPECT_TRUE(e.active) << e.id;
    EXPECT_EQ(ca->GetActiveMessages().size(), 56u); // 34 and 40 share a text
    EXPECT_EQ(ca->GetActiveFlags(), (std::vector<uint32_t>{0xFFFFFFFFu, 0x01FFFFFFu}));
    ca->SetActiveFlags({0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu});
    EXPECT_EQ(ca->GetActiveFlags(), (std::vector<uint32_t>{0xFFFFFFFFu, 0x01FFFFFFu}));

    // Fewer words than entries: entries beyond them keep their flag.
    ca->SetActiveFlags({0u});
    const auto flags = ca->GetActiveFlags();
    EXPECT_EQ(flags, (std::vector<uint32_t>{0u, 0x01FFFFFFu}));
    ca->SetActiveFlags({});
    EXPECT_EQ(ca->GetActiveFlags(), flags);

    // Activation belongs to one manager.
    EXPECT_TRUE(CreateMessageManager("CA")->GetActiveMessages().empty());
}
