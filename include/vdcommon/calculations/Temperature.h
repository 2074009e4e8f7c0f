#pragma once
#include "vdcommon/Export.h"
// A temperature as the host passes it to calculations.

#include <cstdint>

enum class TemperatureUnit : std::int32_t {
    Kelvin = 0,
    Celsius = 1,
    Fahrenheit = 2,
};

struct VDCOMMON_API Temperature {
    double value = 20.0;
    TemperatureUnit unit = TemperatureUnit::Celsius;
};
