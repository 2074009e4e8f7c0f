#pragma once
#include "vdcommon/Export.h"
// Bed expansion of an ion-exchange resin bed, as a fraction of the settled bed
// height, for a backwash velocity and a water temperature.

#include "vdcommon/calculations/Temperature.h"

#include <string>

class VDCOMMON_API BedExpansionI
{
public:
    virtual ~BedExpansionI() = default;
    virtual double GetBedExpansion(double x, const Temperature& temperature) const = 0;
    virtual std::string GetDisplayText() const = 0;
    virtual bool IsValid() const = 0;
};
