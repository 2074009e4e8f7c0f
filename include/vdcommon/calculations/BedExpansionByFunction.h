#pragma once
#include "vdcommon/Export.h"
// Bed expansion from a stored formula: a muParser expression in x with the
// constants a0 ... a9, giving per cent at 20 °C, corrected for the viscosity
// of water at the given temperature.

#include "vdcommon/database/DBObjects.h"
#include "vdcommon/calculations/BedExpansionI.h"

#include <expected>
#include <string>

class VDCOMMON_API BedExpansionByFunction : public BedExpansionI
{
public:
    explicit BedExpansionByFunction(std::expected<DBObjects::MathExpressionFormula, std::string> formula);

    // 0.0 without a formula or when the formula gives zero or less.
    // mu::ParserError when the expression cannot be parsed or evaluated, or
    // gives no finite number; std::invalid_argument for an x or a temperature
    // that is not a finite number, or a temperature at or below -123.85 °C,
    // where the viscosity model has its pole.
    double GetBedExpansion(double x, const Temperature& temperature) const override;
    std::string GetDisplayText() const override;
    bool IsValid() const override;

private:
    std::expected<DBObjects::MathExpressionFormula, std::string> formula;
};
