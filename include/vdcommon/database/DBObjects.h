#pragma once
#include "vdcommon/Export.h"
// Plain records handed out by the master and project databases.

#include <array>
#include <string>

namespace DBObjects {

// A bed-expansion formula: a muParser expression in the variable x with the
// constants a0 ... a9.
struct VDCOMMON_API MathExpressionFormula {
    std::string name;                      // key the formula is stored under
    std::string expression;                // muParser expression in x
    double lowerBound = 0.0;               // lower limit of x
    double upperBound = 0.0;               // upper limit of x
    double referenceTemperature = 20.0;    // °C the formula was measured at (informative)
    bool clampLower = false;               // raise x below lowerBound to it
    bool clampUpper = false;               // lower x above upperBound to it
    std::array<double, 10> coefficients{}; // a0 ... a9
};

// A locale the application may offer.
struct VDCOMMON_API Locale {
    std::string code;        // language_REGION, such as de_DE
    std::string active;      // "Y" when the locale is offered
    std::string description; // human-readable name, such as "Deutsch (Deutschland)"
    int sortOrder = 0;       // position in the offered list
};

// A text of a report or graphic that is filled from a project detail.
struct VDCOMMON_API TextToDetailMapping {
    std::string identifier;  // id of the text being replaced (the host's key)
    std::string mappingType; // "T_DETAIL", "T_DETAIL_REPLACE", or others left alone
    std::string text;        // in: "class/name" reference; out: the value text (UTF-8)
    int liquidId = -1;
    int stepId = -1;
    int filterId = -1;
    int compartmentId = -1;
    int componentId = -1;
    int precision = 6;     // significant digits of a numeric value
    bool withUnit = false; // append the detail's unit
};

} // namespace DBObjects
