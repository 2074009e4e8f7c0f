#include "host/MessageFormatter.h"

#include <gtest/gtest.h>

using vdhost::LimitEntry;
using vdhost::MessageFormatter;

namespace {

MessageFormatter MakeFormatter(const std::string& decsep = ".")
{
    std::vector<LimitEntry> limits;
    limits.push_back({"sh.limit", "", std::nullopt, std::nullopt, 2.4, "m", 2});
    limits.push_back({"temp.standardrange", "", std::nullopt, 5.0, 35.0, "\u00B0C", -1});
    limits.push_back({"toc.limit", "", 3.0, std::nullopt, std::nullopt, "ppm", -1});
    limits.push_back({"ratio.min", "", 1.25, std::nullopt, std::nullopt, "", -1});
    limits.push_back({"toc.limit", "VE", 2.0, std::nullopt, std::nullopt, "ppm", -1});
    limits.push_back({"recovery", "", 44.5, std::nullopt, std::nullopt, "%", -1});
    return MessageFormatter(std::move(limits), decsep);
}

} // namespace

// Metric values with their unit, min/max/unit fields, US conversion with the decimal
// comma, the module's own row before the common one, and placeholders that stay as written.
TEST(MessageFormatter, FillsPlaceholders)
{
    const std::string degC = "\u00B0C", degF = "\u00B0F";
    struct Case {
        const char* module;
        std::string text;
        const char* system;
        std::string expected;
        const char* decsep = ".";
    };
    const Case cases[] = {
        {"CA", "range $(temp.standardrange,min) and $(temp.standardrange,max).", "metric",
         "range 5 " + degC + " and 35 " + degC + "."},
        {"ROCC", "below $(toc.limit).", "metric", "below 3 ppm."},
        {"MB", "(1 : $(ratio.min))", "metric", "(1 : 1.25)"},
        {"X", "$(sh.limit,unit)", "metric", "m"},
        {"X", "$(recovery)", "metric", "44.5%"},
        {"VE", "$(sh.limit,max)", "US", "7,87 ft", ","},
        {"CA", "$(temp.standardrange,min)-$(temp.standardrange,max)", "US", "41 " + degF + "-95 " + degF, ","},
        {"X", "$(sh.limit,unit)", "US", "ft"},
        {"X", "$(toc.limit)", "US", "3 ppm"}, // no US counterpart
        {"MB", "$(ratio.min)", "metric", "1,25", ","},
        {"VE", "$(toc.limit)", "metric", "2 ppm"},
        {"VEC", "$(toc.limit)", "metric", "3 ppm"},
        {"X", "a $(nope) b", "metric", "a $(nope) b"},
        {"X", "$(toc.limit,min)", "metric", "$(toc.limit,min)"}, // no min stored
        {"X", "$(sh.limit,avg)", "metric", "$(sh.limit,avg)"},
        {"X", "open $(sh.limit,max", "metric", "open $(sh.limit,max"},
        {"X", "$()$", "metric", "$()$"},
        {"X", "", "metric", ""},
        {"X", "100 $ and (x)", "metric", "100 $ and (x)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeFormatter(c.decsep).FormatMessage(c.module, c.text, c.system), c.expected) << c.text;
}
