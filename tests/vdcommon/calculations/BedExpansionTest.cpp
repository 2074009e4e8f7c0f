#include <gtest/gtest.h>

#include "vdcommon/database/MasterDatabase.h"
#include "database/TestDatabaseFiles.h"
#include "vdcommon/calculations/BedExpansionByFunction.h"
#include "vdcommon/calculations/BedExpansionDesktopFactory.h"
#include "vdcommon/calculations/TemperatureConverter.h"

#include <cmath>
#include <limits>

#include <muParser.h>

namespace {

DBObjects::MathExpressionFormula Linear(double a0, double a1)
{
    DBObjects::MathExpressionFormula formula;
    formula.name = "TEST";
    formula.expression = "a0 + a1*x";
    formula.lowerBound = 5;
    formula.upperBound = 20;
    formula.coefficients[0] = a0;
    formula.coefficients[1] = a1;
    return formula;
}

BedExpansionByFunction With(const DBObjects::MathExpressionFormula& formula)
{
    return BedExpansionByFunction(formula);
}

Temperature Celsius(double t)
{
    return {t, TemperatureUnit::Celsius};
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

} // namespace

TEST(BedExpansion, EvaluatesTheFormulaAndCorrectsForTemperature)
{
    const auto bed = With(Linear(5, 2));
    EXPECT_TRUE(bed.IsValid());
    EXPECT_DOUBLE_EQ(bed.GetBedExpansion(10, Celsius(20)), 0.25);
    EXPECT_NEAR(bed.GetBedExpansion(10, {293.15, TemperatureUnit::Kelvin}), 0.25, 1e-12);
    EXPECT_NEAR(bed.GetBedExpansion(10, {68, TemperatureUnit::Fahrenheit}), 0.25, 1e-12);
    // Colder water is more viscous and lifts the bed further.
    const double cold = bed.GetBedExpansion(10, Celsius(10));
    const double warm = bed.GetBedExpansion(10, Celsius(30));
    EXPECT_GT(cold, 0.25);
    EXPECT_LT(warm, 0.25);
    EXPECT_NEAR(cold, 0.25 * std::exp(507.88 / 133.85) / std::exp(507.88 / 143.85), 1e-12);

    auto clamped = Linear(5, 2);
    clamped.clampUpper = true;
    EXPECT_DOUBLE_EQ(With(clamped).GetBedExpansion(30, Celsius(20)), 0.45);
    EXPECT_DOUBLE_EQ(bed.GetBedExpansion(30, Celsius(20)), 0.65); // bounds ignored without the flag
    clamped.clampLower = true;
    EXPECT_DOUBLE_EQ(With(clamped).GetBedExpansion(1, Celsius(20)), 0.15);

    EXPECT_EQ(With(Linear(-3, 0)).GetBedExpansion(10, Celsius(20)), 0.0);
    EXPECT_EQ(With(Linear(0, 0)).GetBedExpansion(10, Celsius(20)), 0.0);

    auto allConstants = Linear(0, 0);
    allConstants.expression = "a0+a1+a2+a3+a4+a5+a6+a7+a8+a9";
    for (std::size_t i = 0; i < 10; ++i)
        allConstants.coefficients[i] = static_cast<double>(i + 1);
    EXPECT_DOUBLE_EQ(With(allConstants).GetBedExpansion(0, Celsius(20)), 0.55);
}

TEST(BedExpansion, DisplayTextAndMissingFormula)
{
    EXPECT_EQ(With(Linear(0, 12.5)).GetDisplayText(), "12.5");
    EXPECT_EQ(With(Linear(0, 3)).GetDisplayText(), "3");
    EXPECT_EQ(With(Linear(1, 12.5)).GetDisplayText(), "");

    const BedExpansionByFunction none(std::unexpected(std::string("no formula")));
    EXPECT_FALSE(none.IsValid());
    EXPECT_EQ(none.GetDisplayText(), "N/A");
    EXPECT_EQ(none.GetBedExpansion(10, Celsius(20)), 0.0);
    EXPECT_EQ(none.GetBedExpansion(kNaN, Celsius(kNaN)), 0.0);
}

TEST(BedExpansion, BadFormulasAndInputsAreReported)
{
    // Syntax errors, unknown names, an empty text and results without a finite value.
    for (const char* expression : {"a0 + * x", "a0 + b7*x", "", "a1 / (x - 10)", "sqrt(a0 - x)"}) {
        auto broken = Linear(5, 2);
        broken.expression = expression;
        EXPECT_THROW(With(broken).GetBedExpansion(10, Celsius(20)), mu::ParserError) << expression;
    }

    const auto bed = With(Linear(5, 2));
    EXPECT_THROW(bed.GetBedExpansion(kNaN, Celsius(20)), std::invalid_argument);
    EXPECT_THROW(bed.GetBedExpansion(kInf, Celsius(20)), std::invalid_argument);
    for (const Temperature t :
         {Celsius(kNaN), Celsius(-kInf), Temperature{-10, TemperatureUnit::Kelvin}, Celsius(-123.85)})
        EXPECT_THROW(bed.GetBedExpansion(10, t), std::invalid_argument) << t.value;
    EXPECT_TRUE(std::isfinite(bed.GetBedExpansion(10, Celsius(-5))));
}

TEST(TemperatureConverter, UnknownUnitsAndNaNPassThrough)
{
    // Kelvin and Fahrenheit are checked through the bed expansion above.
    const TemperatureConverter converter;
    EXPECT_EQ(converter.ConvertToCelsius({25, static_cast<TemperatureUnit>(7)}), 25.0);
    EXPECT_TRUE(std::isnan(converter.ConvertToCelsius({kNaN, TemperatureUnit::Kelvin})));
}

// The demo master data through the factory: every resin class gives a rising
// curve of plausible size over the backwash range, flat beyond its clamp.
TEST(BedExpansionDesktopFactory, DemoFormulasArePlausible)
{
    vdtest::TempFolder folder;
    MasterDatabase::Open(vdtest::CreateDemoMaster(folder));

    const auto unknown = BedExpansionDesktopFactory::Create("NO_SUCH_RESIN");
    ASSERT_TRUE(unknown);
    EXPECT_FALSE(unknown->IsValid());
    EXPECT_EQ(unknown->GetDisplayText(), "N/A");

    for (const char* key :
         {"SAC_GEL", "SAC_MACRO", "WAC_GEL", "WAC_MACRO", "SBA_GEL", "SBA_MACRO", "WBA_GEL", "WBA_MACRO"}) {
        SCOPED_TRACE(key);
        const auto bed = BedExpansionDesktopFactory::Create(key);
        ASSERT_TRUE(bed->IsValid());
        const double at5 = bed->GetBedExpansion(5, Celsius(20));
        EXPECT_GT(at5, 0.10);
        EXPECT_LT(at5, 0.60);
        double previous = 0.0;
        for (double v = 5; v <= 30; v += 1) {
            const double e = bed->GetBedExpansion(v, Celsius(20));
            EXPECT_GE(e, previous) << v;
            EXPECT_LT(e, 2.5) << v;
            previous = e;
        }
        EXPECT_EQ(bed->GetBedExpansion(40, Celsius(20)), bed->GetBedExpansion(30, Celsius(20)));
        EXPECT_GT(bed->GetBedExpansion(10, Celsius(5)), bed->GetBedExpansion(10, Celsius(25)));
    }
    MasterDatabase::Close();
}
