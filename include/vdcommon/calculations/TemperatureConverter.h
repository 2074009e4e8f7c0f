#pragma once
#include "vdcommon/Export.h"

#include "vdcommon/calculations/Temperature.h"

class VDCOMMON_API TemperatureConverter
{
public:
    virtual ~TemperatureConverter() = default;

    // Degrees Celsius of the temperature. A unit value outside the enumeration
    // is taken as Celsius already.
    double ConvertToCelsius(const Temperature& temperature) const;
};
