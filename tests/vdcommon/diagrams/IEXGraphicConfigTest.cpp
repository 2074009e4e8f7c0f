#include "vdcommon/diagrams/IEXGraphicConfig.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

namespace {

using Entry = IEXGraphicConfig::ArrangementEntry;
using Keys = std::vector<std::string>;
using Query = std::tuple<int, int, int>;

struct Recorder {
    int answer = 1;
    std::vector<Query> asked;
    IEXGraphicConfig::CountQuery Callback()
    {
        return [this](const std::string& key, int unit, int filter, int compartment) {
            EXPECT_EQ(key, "compartment/count");
            asked.emplace_back(unit, filter, compartment);
            return answer;
        };
    }
};

IEXGraphicConfig::Options UpCationDownTwoResinAnion()
{
    IEXGraphicConfig::Options o;
    o.cation.up = true;
    o.anion.down = true;
    o.anion.twoResins = true;
    return o;
}

} // namespace

TEST(IEXGraphicConfig, MultistepIgnoresEverythingElse)
{
    IEXGraphicConfig::Options o = UpCationDownTwoResinAnion();
    o.multistep = true;
    o.polisher = true;
    Recorder r;
    const IEXGraphicConfig config(o, r.Callback());
    EXPECT_EQ(config.GetGraphicConfigTypes(), (std::vector<Entry>{{"MULTISTEP", {"MULTISTEP"}}}));
    EXPECT_TRUE(r.asked.empty());

    // Nothing needs a count, so even an empty callback is fine.
    EXPECT_NO_THROW(IEXGraphicConfig(o, nullptr));
}

TEST(IEXGraphicConfig, SingleCompartmentsGiveEmptyKeysAndTwoGiveFullOnes)
{
    Recorder r;
    const IEXGraphicConfig config(UpCationDownTwoResinAnion(), r.Callback());
    const std::vector<Entry> expected = {
        {"UP_SINGLE_FILTER",
         {"SINGLE_FILTER_C", "COMPARTMENT_LABEL_EMPTY_1_C", "COMPARTMENT_COUNT_EMPTY_1_C",
          "COMPARTMENT_LABEL_EMPTY_2_C", "COMPARTMENT_COUNT_EMPTY_2_C"}},
        {"DOWN_SINGLE_FILTER_TWO_RESINS",
         {"SINGLE_FILTER_TWO_RESINS_DOWN_A", "COMPARTMENT_LABEL_EMPTY_1_A", "COMPARTMENT_COUNT_EMPTY_1_A",
          "COMPARTMENT_LABEL_EMPTY_2_A", "COMPARTMENT_COUNT_EMPTY_2_A", "OUT_ANION"}}};
    EXPECT_EQ(config.GetGraphicConfigTypes(), expected);
    EXPECT_EQ(r.asked, (std::vector<Query>{{1, 1, 1}, {2, 1, 1}, {2, 1, 2}}));
    // Built once: asking again calls nothing.
    EXPECT_EQ(config.GetGraphicConfigTypes(), expected);
    EXPECT_EQ(r.asked.size(), 3u);

    r.answer = 2;
    const auto types = IEXGraphicConfig(UpCationDownTwoResinAnion(), r.Callback()).GetGraphicConfigTypes();
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types[0].second, (Keys{"SINGLE_FILTER_C", "COMPARTMENT_LABEL_1_C", "COMPARTMENT_COUNT_1_C",
                                     "COMPARTMENT_LABEL_EMPTY_2_C", "COMPARTMENT_COUNT_EMPTY_2_C"}));
    EXPECT_EQ(types[1].second,
              (Keys{"SINGLE_FILTER_TWO_RESINS_DOWN_A", "COMPARTMENT_LABEL_1_A", "COMPARTMENT_COUNT_1_A",
                    "COMPARTMENT_LABEL_2_A", "COMPARTMENT_COUNT_COMPART2_A", "OUT_ANION"}));
}

TEST(IEXGraphicConfig, DoubleFilterLayeredAndPolisher)
{
    IEXGraphicConfig::Options o;
    o.cation.down = true;
    o.cation.doubleFilter = true;
    o.anion.up = true;
    o.anion.twoResins = true;
    o.anion.layered = true;
    o.polisher = true;
    o.polisherUnit.up = true;
    Recorder r;
    r.answer = 3;
    const auto types = IEXGraphicConfig(o, r.Callback()).GetGraphicConfigTypes();
    const std::vector<Entry> expected = {
        {"DOWN_DOUBLE_FILTER",
         {"DOUBLE_FILTER_C", "COMPARTMENT_LABEL_1_C", "COMPARTMENT_COUNT_1_C", "COMPARTMENT_LABEL_2_C",
          "COMPARTMENT_COUNT_2_C"}},
        {"UP_SINGLE_FILTER_TWO_RESINS",
         {"SINGLE_FILTER_TWO_RESINS_UP_LAYERED_A", "COMPARTMENT_LABEL_1_A", "COMPARTMENT_COUNT_1_A",
          "COMPARTMENT_LABEL_EMPTY_2_A", "COMPARTMENT_COUNT_EMPTY_2_A", "OUT_ANION_WITH_POLISHER"}},
        {"UP_SINGLE_FILTER", {"SINGLE_FILTER_P", "COMPARTMENT_LABEL_1_P", "COMPARTMENT_COUNT_1_P"}}};
    EXPECT_EQ(types, expected);
    EXPECT_EQ(r.asked, (std::vector<Query>{{1, 1, 1}, {1, 2, 1}, {2, 1, 1}, {3, 1, 1}}));

    o.polisherUnit.up = false;
    r.answer = 0;
    const auto down = IEXGraphicConfig(o, r.Callback()).GetGraphicConfigTypes();
    EXPECT_EQ(down[2], (Entry{"DOWN_SINGLE_FILTER",
                              {"SINGLE_FILTER_P", "COMPARTMENT_LABEL_EMPTY_1_P", "COMPARTMENT_COUNT_EMPTY_1_P"}}));
}

TEST(IEXGraphicConfig, DegasserVariantsAndLiftBed)
{
    Recorder r;
    IEXGraphicConfig::Options o;
    o.cation.liftBed = true;
    o.cation.up = true;
    o.cation.twoResins = true;
    o.anion.liftBed = true;
    o.degasser = true;
    auto types = IEXGraphicConfig(o, r.Callback()).GetGraphicConfigTypes();
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types[0].first, "UP_SINGLE_FILTER_TWO_RESINS"); // lift bed only
    EXPECT_EQ(types[0].second.front(), "LIFT_BED_C");
    EXPECT_EQ(types[1].first, "UP_SINGLE_FILTER_TWO_RESINS_DEGASSER");
    EXPECT_EQ(types[1].second.front(), "LIFT_BED_A");

    const std::tuple<bool, bool, const char*> afterWeak[] = {{true, true, "UP_DOUBLE_FILTER_DEGASSER_AFTER_WEAK"},
                                                             {false, true, "DOWN_DOUBLE_FILTER_DEGASSER_AFTER_WEAK"},
                                                             {true, false, "UP_SINGLE_FILTER_DEGASSER_AFTER_WEAK"},
                                                             {false, false, "DOWN_SINGLE_FILTER_DEGASSER_AFTER_WEAK"}};
    for (const auto& [up, doubleFilter, type] : afterWeak) {
        IEXGraphicConfig::Options w;
        w.cation.down = true;
        w.degasser = true;
        w.degasserAfterWeak = true;
        w.anion.up = up;
        w.anion.down = !up;
        w.anion.doubleFilter = doubleFilter;
        w.anion.twoResins = true; // ignored after the weak stage
        types = IEXGraphicConfig(w, r.Callback()).GetGraphicConfigTypes();
        ASSERT_EQ(types.size(), 2u);
        EXPECT_EQ(types[1].first, type);
        EXPECT_EQ(types[1].second.front(), doubleFilter ? "DOUBLE_FILTER_A" : "SINGLE_FILTER_A");
    }

    // Without a degasser the anion's single-filter "up" rules do not look at lift bed.
    IEXGraphicConfig::Options plain;
    plain.cation.down = true;
    plain.anion.up = true;
    plain.anion.liftBed = true;
    types = IEXGraphicConfig(plain, r.Callback()).GetGraphicConfigTypes();
    ASSERT_EQ(types.size(), 3u);
    EXPECT_EQ(types[1].first, "UP_SINGLE_FILTER_TWO_RESINS");
    EXPECT_EQ(types[2].first, "UP_SINGLE_FILTER");
    EXPECT_EQ(types[2].second, (Keys{"SINGLE_FILTER_A"}));
    EXPECT_EQ(types[1].second.back(), "OUT_ANION"); // keys stay with the anion's own entry
}

TEST(IEXGraphicConfig, UnitWithoutArrangementAndMissingCallback)
{
    // No cation flags: the anion keys still go to the anion's entry, not the cation's.
    IEXGraphicConfig::Options o;
    o.anion.down = true;
    Recorder r;
    const auto types = IEXGraphicConfig(o, r.Callback()).GetGraphicConfigTypes();
    ASSERT_EQ(types.size(), 1u);
    EXPECT_EQ(types[0].first, "DOWN_SINGLE_FILTER");
    EXPECT_EQ(types[0].second.front(), "SINGLE_FILTER_A");
    EXPECT_EQ(types[0].second.back(), "OUT_ANION");
    EXPECT_EQ(r.asked, (std::vector<Query>{{2, 1, 1}}));

    EXPECT_NO_THROW(IEXGraphicConfig(IEXGraphicConfig::Options{}, nullptr));
    EXPECT_THROW(IEXGraphicConfig(UpCationDownTwoResinAnion(), nullptr), std::bad_function_call);
}
