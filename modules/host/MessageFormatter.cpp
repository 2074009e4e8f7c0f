#include "host/MessageFormatter.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace vdhost {

namespace {

struct UnitRule {
    const char* metric;
    const char* us;
    double factor;
    double offset;
};

// Metric symbol → US symbol: us = metric * factor + offset.
constexpr UnitRule kUnitRules[] = {
    {"m", "ft", 3.280839895, 0.0},
    {"mm", "in", 0.0393700787, 0.0},
    {"cm", "in", 0.393700787, 0.0},
    {"\xC2\xB0"
     "C",
     "\xC2\xB0"
     "F",
     1.8, 32.0},
    {"bar", "psi", 14.5037738, 0.0},
    {"kPa", "psi", 0.145037738, 0.0},
    {"m\xC2\xB3/h", "gpm", 4.40286754, 0.0},
    {"m3/h", "gpm", 4.40286754, 0.0},
    {"m\xC2\xB3", "gal", 264.172052, 0.0},
    {"m3", "gal", 264.172052, 0.0},
    {"L", "gal", 0.264172052, 0.0},
    {"l", "gal", 0.264172052, 0.0},
    {"m/h", "gpm/ft\xC2\xB2", 0.408733, 0.0},
    {"L/m\xC2\xB2h", "gfd", 0.589275, 0.0},
    {"lmh", "gfd", 0.589275, 0.0},
    {"kg", "lb", 2.20462262, 0.0},
    {"g/L", "lb/ft\xC2\xB3", 0.0624279606, 0.0},
    {"kg/m\xC2\xB3", "lb/ft\xC2\xB3", 0.0624279606, 0.0},
    {"m\xC2\xB2", "ft\xC2\xB2", 10.7639104, 0.0},
};

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string Trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

} // namespace

bool IsUsUnitSystem(const std::string& unitSystem)
{
    const std::string u = Lower(Trim(unitSystem));
    return u == "us" || u == "usc" || u == "us customary" || u == "imperial";
}

ConvertedValue ToUnitSystem(double metricValue, const std::string& metricUnit, bool us)
{
    if (us) {
        for (const auto& rule : kUnitRules)
            if (metricUnit == rule.metric)
                return {metricValue * rule.factor + rule.offset, rule.us};
    }
    return {metricValue, metricUnit};
}

MessageFormatter::MessageFormatter(std::vector<LimitEntry> limits_, std::string decimalSeparator_)
    : limits(std::move(limits_)), decimalSeparator(std::move(decimalSeparator_))
{
    if (decimalSeparator.empty())
        decimalSeparator = ".";
}

std::string MessageFormatter::FormatNumber(double value, int decimals) const
{
    if (!std::isfinite(value))
        return "?";
    std::string text;
    if (decimals >= 0) {
        text = fmt::format("{:.{}f}", value, std::min(decimals, 12));
    } else {
        text = fmt::format("{:.3f}", value);
        text.erase(text.find_last_not_of('0') + 1);
        if (!text.empty() && text.back() == '.')
            text.pop_back();
    }
    if (text == "-0")
        text = "0";
    if (const auto dot = text.find('.'); dot != std::string::npos)
        text.replace(dot, 1, decimalSeparator);
    return text;
}

const LimitEntry* MessageFormatter::Find(const std::string& moduleType, const std::string& key) const
{
    const LimitEntry* general = nullptr;
    for (const auto& l : limits) {
        if (l.key != key)
            continue;
        if (!l.module.empty() && l.module == moduleType)
            return &l;
        if (l.module.empty() && !general)
            general = &l;
    }
    return general;
}

std::optional<std::string> MessageFormatter::Expand(const std::string& moduleType, const std::string& body,
                                                    bool us) const
{
    std::string key = body;
    std::string field;
    if (const auto comma = body.find(','); comma != std::string::npos) {
        key = Trim(body.substr(0, comma));
        field = Lower(Trim(body.substr(comma + 1)));
    }
    const LimitEntry* entry = Find(moduleType, key);
    if (!entry)
        return std::nullopt;
    auto withUnit = [&](const std::optional<double>& v) -> std::optional<std::string> {
        if (!v)
            return std::nullopt;
        const ConvertedValue c = ToUnitSystem(*v, entry->unit, us);
        std::string text = FormatNumber(c.value, entry->decimals);
        if (!c.unit.empty())
            text += (c.unit == "%" ? "" : " ") + c.unit;
        return text;
    };
    if (field.empty())
        return withUnit(entry->value ? entry->value : (entry->max ? entry->max : entry->min));
    if (field == "min")
        return withUnit(entry->min);
    if (field == "max")
        return withUnit(entry->max);
    if (field == "unit")
        return ToUnitSystem(0.0, entry->unit, us).unit;
    return std::nullopt;
}

std::string MessageFormatter::FormatMessage(const std::string& moduleType, const std::string& translatedText,
                                            const std::string& unitSystem)
{
    const bool us = IsUsUnitSystem(unitSystem);
    std::string out;
    std::size_t pos = 0;
    while (pos < translatedText.size()) {
        const auto start = translatedText.find("$(", pos);
        if (start == std::string::npos)
            break;
        const auto end = translatedText.find(')', start + 2);
        if (end == std::string::npos)
            break;
        out.append(translatedText, pos, start - pos);
        const std::string body = translatedText.substr(start + 2, end - start - 2);
        if (auto expanded = Expand(moduleType, body, us))
            out += *expanded;
        else
            out.append(translatedText, start, end - start + 1);
        pos = end + 1;
    }
    out.append(translatedText, pos, std::string::npos);
    return out;
}

} // namespace vdhost
