#include "vdcommon/calculations/TemperatureConverter.h"

double TemperatureConverter::ConvertToCelsius(const Temperature& temperature) const
{
    switch (temperature.unit) {
    case TemperatureUnit::Fahrenheit: return (temperature.value - 32.0) * 5.0 / 9.0;
    case TemperatureUnit::Kelvin: return temperature.value - 273.15;
    case TemperatureUnit::Celsius: break;
    }
    return temperature.value;
}
