// The design-message catalogue: every module's table layout, the duplicated texts, the
// identifier gaps of "ROCC", flag handling, and the exact bytes of sample texts.
#include <gtest/gtest.h>

#include "vdcommon/messages/BDMessages.h"
#include "vdcommon/messages/CAMessages.h"
#include "vdcommon/messages/CPMessages.h"
#include "vdcommon/messages/CreateMessageManager.h"
#include "vdcommon/messages/FOODCMessages.h"
#include "vdcommon/messages/MBMessages.h"
#include "vdcommon/messages/MessageManager.h"
#include "vdcommon/messages/ROCCMessages.h"
#include "vdcommon/messages/SDMessages.h"
#include "vdcommon/messages/UFMessages.h"
#include "vdcommon/messages/VECMessages.h"
#include "vdcommon/messages/VEMessages.h"

#include <algorithm>
#include <optional>
#include <set>

using namespace messages;

namespace {

struct Layout {
    std::vector<int> displayOrder;
    std::vector<MessageGroupEntry> groups;
};

template <typename M, typename G>
std::optional<Layout> TryLayout(const IMessageManager& manager)
{
    if (const auto* typed = dynamic_cast<const MessageManager<M, G>*>(&manager))
        return Layout{typed->GetDisplayOrder(), typed->GetGroups()};
    return std::nullopt;
}

// The display order and groups of a catalogue manager, whatever its module.
Layout LayoutOf(const IMessageManager& manager)
{
    for (auto attempt : {&TryLayout<VEMessages, VEMessageGroups>, &TryLayout<VECMessages, VECMessageGroups>,
                         &TryLayout<MBMessages, MBMessageGroups>, &TryLayout<CPMessages, CPMessageGroups>,
                         &TryLayout<SDMessages, SDMessageGroups>, &TryLayout<ROCCMessages, ROCCMessageGroups>,
                         &TryLayout<UFMessages, UFMessageGroups>, &TryLayout<FOODCMessages, FOODCMessageGroups>,
                         &TryLayout<BDMessages, BDMessageGroups>, &TryLayout<CAMessages, CAMessageGroups>}) {
        if (auto layout = attempt(manager))
            return *layout;
    }
    ADD_FAILURE() << "not a catalogue manager";
    return {};
}

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

const char* const kModules[] = {"VE", "VEC", "MB", "CP", "SD", "ROCC", "UF", "FOODC", "BD", "CA"};

} // namespace

TEST(MessageCatalogue, ModuleCodesAreMatchedExactly)
{
    for (const char* bad : {"ve", "VE ", " VE", "", "V", "VEX", "rocc", "XX"})
        EXPECT_EQ(CreateMessageManager(bad), nullptr) << '"' << bad << '"';

    auto ve = CreateMessageManager("VE");
    ASSERT_NE(ve, nullptr);
    EXPECT_EQ(ve->GetEntries().size(), 24u);
    EXPECT_TRUE(ve->GetActiveMessages().empty());
    EXPECT_EQ(ve->GetActiveFlags(), std::vector<uint32_t>{0u});
}

TEST(MessageCatalogue, EveryModuleIsConsistent)
{
    for (const char* code : kModules) {
        SCOPED_TRACE(code);
        auto manager = CreateMessageManager(code);
        ASSERT_NE(manager, nullptr);
        const auto entries = manager->GetEntries();
        EXPECT_TRUE(
            std::is_sorted(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.id < b.id; }));
        std::set<int> ids;
        for (const MessageEntry& e : entries) {
            EXPECT_EQ(e.type, 1) << e.id;
            EXPECT_FALSE(e.active) << e.id;
            EXPECT_FALSE(e.text.empty()) << e.id;
            ids.insert(e.id);
        }
        // Display order and groups name only entries that exist.
        const Layout layout = LayoutOf(*manager);
        ASSERT_FALSE(layout.displayOrder.empty());
        for (int id : layout.displayOrder)
            EXPECT_TRUE(ids.count(id)) << "display order names " << id;
        for (const MessageGroupEntry& group : layout.groups)
            for (int id : group.messages)
                EXPECT_TRUE(ids.count(id)) << "group names " << id;

        // Every entry active: each text once, in display order, and nothing of type 0.
        manager->SetActiveFlags({0xFFFFFFFFu, 0xFFFFFFFFu});
        const auto texts = manager->GetActiveMessages();
        EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()).size(), texts.size());
        EXPECT_EQ(manager->GetActiveMessagesOfType(1), texts);
        EXPECT_TRUE(manager->GetActiveMessagesOfType(0).empty());
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.front(), TextOf(code, layout.displayOrder.front()));
    }
}

TEST(MessageCatalogue, DuplicatedTextsAreListedOnceAtTheirFirstPlace)
{
    auto sd = CreateMessageManager("SD");
    EXPECT_EQ(TextOf("SD", 4), TextOf("SD", 5));
    sd->SetActiveFlags(Bits({5, 4, 20}, 1));
    EXPECT_EQ(sd->GetActiveMessages(),
              (std::vector<std::string>{
                  "Resins: Residual conductivity relates to Na leakage.",
                  "Regeneration: Using raw water for dilution and rinsing may have an impact on leakage."}));

    auto ca = CreateMessageManager("CA");
    EXPECT_EQ(TextOf("CA", 34), TextOf("CA", 40));
    ca->SetActiveFlags(Bits({34, 35, 40}));
    EXPECT_EQ(ca->GetActiveMessages(),
              (std::vector<std::string>{"Resin and regenerants: Recommended standard value is 4-5% of KOH.",
                                        TextOf("CA", 35)}));

    // "VEC" shows 6 and 7 twice in its display order, and never shows 1.
    auto vec = CreateMessageManager("VEC");
    vec->SetActiveFlags(Bits({1, 6, 7}, 1));
    EXPECT_EQ(vec->GetActiveMessages(),
              (std::vector<std::string>{
                  "Dimensioning: Please take note of the bed depth to filter diameter ratio.",
                  "Dimensioning: The maximum permitted bed depth of $(sh.limit,max) is exceeded in a filter."}));
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
    EXPECT_EQ(rocc->GetActiveMessages(),
              std::vector<std::string>{
                  "Design: Calculation failed - Osmotic pressure exceeds feed pressure for one or more elements."});

    // Identifiers 19 to 30 (bits 17 to 28) are never listed; bit 29 is identifier 32.
    uint32_t hidden = 0;
    for (int bit = 17; bit <= 28; ++bit)
        hidden |= 1u << bit;
    rocc->SetActiveFlags({hidden, 0u});
    EXPECT_TRUE(rocc->GetActiveMessages().empty());
    rocc->SetActiveFlags({1u << 29});
    EXPECT_EQ(rocc->GetActiveMessages(), std::vector<std::string>{TextOf("ROCC", 32)});

    // The discontinuation notices and the contact recommendation exist and read like the rest.
    for (int id : {30, 32, 33, 34, 35, 36, 37, 41}) {
        const std::string text = TextOf("ROCC", id);
        EXPECT_GT(text.size(), 40u) << id;
        EXPECT_EQ(text.back(), '.') << id;
    }
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

TEST(MessageCatalogue, TextsOutsideAsciiAreExactUtf8)
{
    struct Sample {
        const char* code;
        int id;
        std::string text;
    };
    const Sample samples[] = {
        {"UF", 4, "Water analysis: Source flow above the recommended limit of 10000 m\xC2\xB3/h."},
        {"UF", 5,
         "Water analysis: Temperature above the recommended limit of 45 \xC2\xB0"
         "C."},
        {"CA", 50,
         "Plant design: Recommended specicific flow rate standard range is 10\xE2\x80\x93"
         "18\xC2\xA0"
         "BV/h. Lower "
         "rates (<5\xC2\xA0"
         "BV/h) may lead to backmixing. "},
    };
    for (const Sample& s : samples)
        EXPECT_EQ(TextOf(s.code, s.id), s.text) << s.code << ' ' << s.id;

    // No other text carries a non-ASCII byte.
    int nonAscii = 0;
    for (const char* code : kModules) {
        for (const MessageEntry& e : CreateMessageManager(code)->GetEntries())
            nonAscii += std::any_of(e.text.begin(), e.text.end(), [](char c) { return (c & 0x80) != 0; });
    }
    EXPECT_EQ(nonAscii, 3);
}
