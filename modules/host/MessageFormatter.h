#pragma once
// Completes design-message texts: fills the placeholders "$(key)", "$(key,min)",
// "$(key,max)" and "$(key,unit)" from the project's limit table, converting
// metric values and unit symbols when the report is in US units. A placeholder
// whose key or field is unknown stays in the text exactly as written, so a gap in
// the limit table is visible in the report instead of silently vanishing.
#include "vdcommon/report/IMessageFormatter.h"

#include <optional>
#include <string>
#include <vector>

namespace vdhost {

// One row of the limit table; values are metric, in `unit`.
struct LimitEntry {
    std::string key;
    std::string module; // empty: applies to every module
    std::optional<double> value;
    std::optional<double> min;
    std::optional<double> max;
    std::string unit;  // metric unit symbol, e.g. "m", "°C", "m³/h", "%"
    int decimals = -1; // -1: up to three decimals, trailing zeros dropped
};

// A value in the requested unit system.
struct ConvertedValue {
    double value = 0.0;
    std::string unit;
};

// Converts a metric value to US customary units; units without a US counterpart
// (%, ppm, NTU, ...) come back unchanged.
ConvertedValue ToUnitSystem(double metricValue, const std::string& metricUnit, bool us);
// True for the unit-system names that mean US customary units ("US", "us", "USC", "imperial").
bool IsUsUnitSystem(const std::string& unitSystem);

class MessageFormatter : public IMessageFormatter
{
public:
    explicit MessageFormatter(std::vector<LimitEntry> limits, std::string decimalSeparator = ".");

    std::string FormatMessage(const std::string& moduleType, const std::string& translatedText,
                              const std::string& unitSystem) override;

    // A number with the configured decimal separator.
    std::string FormatNumber(double value, int decimals) const;

private:
    const LimitEntry* Find(const std::string& moduleType, const std::string& key) const;
    std::optional<std::string> Expand(const std::string& moduleType, const std::string& body, bool us) const;

    std::vector<LimitEntry> limits;
    std::string decimalSeparator;
};

} // namespace vdhost
