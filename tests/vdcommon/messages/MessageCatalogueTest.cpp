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

struct ModuleLayout {
    const char* code;
    std::size_t entries;
    std::vector<int> displayOrder;
    std::vector<MessageGroupEntry> groups;
};

const std::vector<ModuleLayout> kModules = {
    {"VE",
     24,
     /*order*/ {0, 20, 1, 2, 3, 17, 18, 4, 5, 19, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 21, 22, 23},
     /*groups*/
     {{0, {0, 1, 2, 3, 17, 18, 20}},
      {1, {4, 21}},
      {2, {5, 23}},
      {3, {19, 6, 7, 8, 9, 10, 11, 12, 13}},
      {4, {6, 7, 14}},
      {5, {15, 16, 22}},
      {7, {}}}},
    {"VEC",
     37,
     /*order*/ {0,  21, 2,  3,  17, 18, 4,  5, 31, 32, 33, 34, 35, 24, 6,  7,  8,  9,  10,
                11, 12, 13, 19, 20, 22, 23, 6, 7,  14, 28, 29, 15, 16, 36, 25, 26, 27, 30},
     /*groups*/
     {{0, {0, 1, 2, 3, 17, 18, 21}},
      {1, {4, 30}},
      {2, {5, 31, 32, 33, 34, 35}},
      {3, {24, 6, 7, 8, 9, 10, 11, 12, 13, 19, 20, 22, 23}},
      {4, {6, 7, 14, 28, 29}},
      {5, {15, 16, 36}},
      {6, {27, 25, 26}},
      {7, {}}}},
    {"MB",
     22,
     /*order*/ {0, 1, 2, 3, 17, 18, 4, 5, 20, 19, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 21},
     /*groups*/
     {{0, {0, 1, 2, 3, 17, 18}},
      {1, {5, 20}},
      {2, {}},
      {3, {19, 6, 7, 8, 9, 10, 11, 12, 13}},
      {4, {6, 7, 14}},
      {5, {15, 16, 21}},
      {6, {20}},
      {8, {}}}},
    {"CP",
     24,
     /*order*/ {0, 1, 2, 3, 17, 18, 4, 5, 20, 19, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 21, 22, 23},
     /*groups*/
     {{0, {0, 1, 2, 3, 17, 18}},
      {1, {5, 20}},
      {2, {19, 8, 9, 10, 11, 12, 13}},
      {3, {6, 7, 14, 21}},
      {4, {15, 16, 22, 23}},
      {5, {}},
      {6, {}}}},
    {"SD",
     22,
     /*order*/ {0, 1, 2, 3, 17, 18, 4, 5, 20, 6, 7, 8, 9, 10, 11, 12, 13, 14, 19, 15, 16, 21},
     /*groups*/
     {{0, {0, 1, 2, 3, 17, 18}},
      {1, {4}},
      {2, {5, 20}},
      {3, {19, 6, 7, 8, 9, 10, 11, 12, 13}},
      {4, {6, 7, 14}},
      {5, {15, 16, 21}},
      {7, {}}}},
    {"ROCC",
     39,
     /*order*/ {1, 10, 0, 2, 3, 38, 39, 40, 4, 15, 16, 17, 5, 6, 7, 8, 9, 11, 12, 13, 32, 33, 34, 35, 36, 37, 41},
     /*groups*/
     {{0, {0, 1, 2, 10}},
      {1, {32, 33, 34, 35, 36, 37, 41}},
      {2, {19, 20, 21, 22, 23, 24, 25, 26, 27}},
      {3, {4, 15, 16, 17, 5, 6, 7, 8, 9, 11, 12, 13, 19, 20, 21, 22, 23, 24, 25, 26, 27, 32, 33, 34, 35, 36, 37, 41}}}},
    {"UF", 10,
     /*order*/ {9, 4, 5, 6, 7, 8, 0, 1, 2, 3},
     /*groups*/ {{0, {4, 5, 6, 7, 8, 9}}, {2, {0, 1, 2, 3}}}},
    {"FOODC",
     28,
     /*order*/ {0, 1, 2, 13, 3, 14, 4, 5, 6, 7, 8, 9, 10, 27, 11, 12, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26},
     /*groups*/
     {{0, {1, 2, 13, 3}},
      {1, {}},
      {2, {0, 14, 18, 26}},
      {3, {14, 27, 4, 5, 6, 7, 9, 8, 10, 11, 17, 20}},
      {4, {}},
      {5, {12, 15, 16, 19, 21, 22, 23, 24, 25}},
      {6, {}}}},
    {"BD", 3,
     /*order*/ {0, 1, 2},
     /*groups*/ {{0, {0, 1}}, {1, {}}, {2, {}}, {3, {0, 1}}, {4, {2}}, {5, {}}}},
    {"CA",
     57,
     /*order*/ {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
                19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37,
                38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56},
     /*groups*/
     {{0, {0, 2, 4, 5, 6, 7, 8}},
      {1, {}},
      {2, {0, 1, 2, 3, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24}},
      {3, {25}},
      {4, {26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47}},
      {5, {4, 5, 6, 48, 49, 50, 51, 52, 53, 54, 55, 56}},
      {6, {}},
      {7, {}}}},
};

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

TEST(MessageCatalogue, EveryModuleHasItsEntriesDisplayOrderAndGroups)
{
    for (const ModuleLayout& module : kModules) {
        SCOPED_TRACE(module.code);
        auto manager = CreateMessageManager(module.code);
        ASSERT_NE(manager, nullptr);
        const auto entries = manager->GetEntries();
        EXPECT_EQ(entries.size(), module.entries);
        EXPECT_TRUE(
            std::is_sorted(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.id < b.id; }));
        for (const MessageEntry& e : entries) {
            EXPECT_EQ(e.type, 1) << e.id;
            EXPECT_FALSE(e.active) << e.id;
            EXPECT_FALSE(e.text.empty()) << e.id;
        }
        const Layout layout = LayoutOf(*manager);
        EXPECT_EQ(layout.displayOrder, module.displayOrder);
        EXPECT_EQ(layout.groups, module.groups);

        // Every entry active: each text once, in display order, and nothing of type 0.
        manager->SetActiveFlags({0xFFFFFFFFu, 0xFFFFFFFFu});
        const auto texts = manager->GetActiveMessages();
        EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()).size(), texts.size());
        EXPECT_EQ(manager->GetActiveMessagesOfType(1), texts);
        EXPECT_TRUE(manager->GetActiveMessagesOfType(0).empty());
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.front(), TextOf(module.code, module.displayOrder.front()));
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

TEST(MessageCatalogue, SampleTextsAreExactBytes)
{
    struct Sample {
        const char* code;
        int id;
        std::string text;
    };
    const Sample samples[] = {
        {"VE", 20,
         "Water analysis: The reduction of the TOC is only an assumption and only valid for substances which can be "
         "reversibly adsorbed by the implemeted ion exchange resins."},
        {"VE", 7, "Dimensioning: The maximum permitted bed depth of $(sh.limit,max) is exceeded in a filter."},
        {"VEC", 35, "Resins: Feed temperature surpasses SAC (Polisher) resin's maximum operating limit."},
        {"VEC", 26,
         "Cost calculation: The annualized operating cost increase exceeds the resin replacement cost. Consider "
         "replacing the resins in use."},
        {"MB", 20,
         "Dimensioning: The ratio of cation / anion resin volume is not within the recommended range (1 : $(ratio.min) "
         ".. $(ratio.max)). This might result in kinetic problems."},
        {"CP", 17, "Water analysis: No silica load specified."},
        {"CP", 21, "Dimensioning: Filter diameter is above the recommended limit of $(d.limit.warning,max)"},
        {"SD", 17, "Water analysis: Iron load specified. Cleaning the resin with acid might be required."},
        {"ROCC", 24,
         "Design: CC sequence time not within recommended range ($(range.time.cc.min) .. $(range.time.cc.max)).  This "
         "may be acceptable in some cases. Increase volume."},
        {"ROCC", 40,
         "Water analysis: Please ensure that the concentration of Fe(3+) and Fe(2+) is < 0,05 mg/l. If the dissoved "
         "oxygen is > 0, 05 mg / l and pH < 6 a concentration up to 4 mg / l for Fe(2 + ) is possible."},
        {"UF", 9, "Water analysis: Turbidity above the recommended limit of 100 NTU"},
        {"FOODC", 4, "Filter: The freeboard height $(h.fb.limit,unit) is above the recommended limit."},
        {"FOODC", 26,
         "Specific consumption of conditioning chemical exceeds $(cond.consumption.th.init,max), risking "
         "over-treatment."},
        {"BD", 2,
         "Regeneration sequence: No backwash bed expansion coefficient available for selected resin/adsorber. "
         "Calculation of initial backwash velocity not possible."},
        {"CA", 11, "Feed analysis: Barium (Ba) standard range is  0.05-0.5 ppm."},
        {"CA", 20,
         "Feed analysis: To avoid permanent damage to the resin, do not exceed 100 ppb of free chlorine; minimal "
         "levels are recommended - this applies to HCl as well.."},
        // Every text with a character outside ASCII, byte by byte.
        {"UF", 4,
         "Water analysis: Source flow above the recommended limit of 10000 m"
         "\xC2\xB3"
         "/h."},
        {"UF", 5,
         "Water analysis: Temperature above the recommended limit of 45 "
         "\xC2\xB0"
         "C."},
        {"CA", 50,
         "Plant design: Recommended specicific flow rate standard range is 10"
         "\xE2\x80\x93"
         "18"
         "\xC2\xA0"
         "BV/h. Lower rates (<5"
         "\xC2\xA0"
         "BV/h) may lead to backmixing. "},
    };
    for (const Sample& s : samples)
        EXPECT_EQ(TextOf(s.code, s.id), s.text) << s.code << ' ' << s.id;

    // No other text carries a non-ASCII byte.
    int nonAscii = 0;
    for (const ModuleLayout& module : kModules) {
        for (const MessageEntry& e : CreateMessageManager(module.code)->GetEntries())
            nonAscii += std::any_of(e.text.begin(), e.text.end(), [](char c) { return (c & 0x80) != 0; });
    }
    EXPECT_EQ(nonAscii, 3);
}
