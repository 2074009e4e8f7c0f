#include "host/MessageFormatter.h"

#include <gtest/gtest.h>

using vdhost::LimitEntry;
using vdhost::MessageFormatter;

namespace {

MessageFormatter MakeFormatter(const std::string& decsep = ".")
{
    std::vector<LimitEntry> limits;
    limits.push_back({"sh.limit", "", std::nullopt, std::nullopt, 2.4, "m", 2});
    limits.push_back({"temp.standardrange", "", std::nullopt, 5.0, 35.0,
                      "\xC2\xB0"
                      "C",
                      -1});
    limits.push_back({"toc.limit", "", 3.0, std::nullopt, std::nullopt, "ppm", -1});
    limits.push_back({"ratio.min", "", 1.25, std::nullopt, std::nullopt, "", -1});
    limits.push_back({"toc.limit", "VE", 2.0, std::nullopt, std::nullopt, "ppm", -1});
    limits.push_back({"recovery", "", 44.5, std::nullopt, std::nullopt, "%", -1});
    return MessageFormatter(std::move(limits), decsep);
}

} // namespace

TEST(MessageFormatter, FillsValuesMinMaxAndUnitInMetric)
{
    auto f = MakeFormatter();
    EXPECT_EQ(f.FormatMessage("CA", "range $(temp.standardrange,min) and $(temp.standardrange,max).", "metric"),
              "range 5 \xC2\xB0"
              "C and 35 \xC2\xB0"
              "C.");
    EXPECT_EQ(f.FormatMessage("ROCC", "below $(toc.limit).", "metric"), "below 3 ppm.");
    EXPECT_EQ(f.FormatMessage("MB", "(1 : $(ratio.min))", "metric"), "(1 : 1.25)");
    EXPECT_EQ(f.FormatMessage("X", "$(sh.limit,unit)", "metric"), "m");
    EXPECT_EQ(f.FormatMessage("X", "$(recovery)", "metric"), "44.5%");
}

TEST(MessageFormatter, ConvertsToUsUnitsAndUsesTheDecimalSeparator)
{
    auto f = MakeFormatter(",");
    EXPECT_EQ(f.FormatMessage("VE", "$(sh.limit,max)", "US"), "7,87 ft");
    EXPECT_EQ(f.FormatMessage("CA", "$(temp.standardrange,min)-$(temp.standardrange,max)", "US"), "41 \xC2\xB0"
                                                                                                  "F-95 \xC2\xB0"
                                                                                                  "F");
    EXPECT_EQ(f.FormatMessage("X", "$(sh.limit,unit)", "US"), "ft");
    EXPECT_EQ(f.FormatMessage("X", "$(toc.limit)", "US"), "3 ppm"); // no US counterpart
    EXPECT_EQ(f.FormatMessage("MB", "$(ratio.min)", "metric"), "1,25");
}

TEST(MessageFormatter, ModuleSpecificRowWins)
{
    auto f = MakeFormatter();
    EXPECT_EQ(f.FormatMessage("VE", "$(toc.limit)", "metric"), "2 ppm");
    EXPECT_EQ(f.FormatMessage("VEC", "$(toc.limit)", "metric"), "3 ppm");
}

TEST(MessageFormatter, UnknownOrIncompletePlaceholdersStayVisible)
{
    auto f = MakeFormatter();
    EXPECT_EQ(f.FormatMessage("X", "a $(nope) b", "metric"), "a $(nope) b");
    EXPECT_EQ(f.FormatMessage("X", "$(toc.limit,min)", "metric"), "$(toc.limit,min)"); // no min stored
    EXPECT_EQ(f.FormatMessage("X", "$(sh.limit,avg)", "metric"), "$(sh.limit,avg)");
    EXPECT_EQ(f.FormatMessage("X", "open $(sh.limit,max", "metric"), "open $(sh.limit,max");
    EXPECT_EQ(f.FormatMessage("X", "$()$", "metric"), "$()$");
    EXPECT_EQ(f.FormatMessage("X", "", "metric"), "");
    EXPECT_EQ(f.FormatMessage("X", "100 $ and (x)", "metric"), "100 $ and (x)");
}
