#include "vdcommon/calculations/BedExpansionByFunction.h"

#include "vdcommon/calculations/TemperatureConverter.h"

#include <cmath>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>
#include <muParser.h>

namespace {

// Vogel equation for the viscosity of water, T in kelvin; only ratios are used.
constexpr double kVogelA = 0.02939;
constexpr double kVogelB = 507.88;
constexpr double kVogelC = 149.3;
// 507.88 / (293.15 - 149.3): the exponent at the formulas' reference of 20 °C.
constexpr double kReferenceExponent = 3.5306221758776513;

} // namespace

BedExpansionByFunction::BedExpansionByFunction(std::expected<DBObjects::MathExpressionFormula, std::string> result)
    : formula(std::move(result))
{}

double BedExpansionByFunction::GetBedExpansion(double x, const Temperature& temperature) const
{
    if (!formula)
        return 0.0;
    if (!std::isfinite(x))
        throw std::invalid_argument("Bed expansion: the velocity is not a finite number");

    double e = 0.0;
    {
        mu::Parser parser;
        parser.SetExpr(formula->expression);
        double variable = x;
        parser.DefineVar("x", &variable);
        for (std::size_t i = 0; i < formula->coefficients.size(); ++i)
            parser.DefineConst(fmt::format("a{}", i), formula->coefficients[i]);

        if (formula->clampLower && variable < formula->lowerBound)
            variable = formula->lowerBound;
        if (formula->clampUpper && variable > formula->upperBound)
            variable = formula->upperBound;

        const double percent = parser.Eval();
        // A division by zero or a root of a negative number gives no expansion
        // at all; reporting it as a number would hide a faulty formula.
        if (!std::isfinite(percent))
            throw mu::ParserError(fmt::format("Bed expansion formula '{}' gives no finite value at x = {}",
                                              formula->expression, variable));
        e = percent * 0.01;
    }
    if (e <= 0.0)
        return 0.0;

    const double t = TemperatureConverter().ConvertToCelsius(temperature);
    const double kelvin = t + 273.15;
    if (!std::isfinite(t) || kelvin <= kVogelC)
        throw std::invalid_argument(fmt::format("Bed expansion: temperature {} °C is out of range", t));

    return e * (kVogelA * std::exp(kVogelB / (kelvin - kVogelC))) / (kVogelA * std::exp(kReferenceExponent));
}

std::string BedExpansionByFunction::GetDisplayText() const
{
    if (!formula)
        return "N/A";
    if (formula->coefficients[0] == 0.0)
        return fmt::format("{}", formula->coefficients[1]);
    return {};
}

bool BedExpansionByFunction::IsValid() const
{
    return formula.has_value();
}
