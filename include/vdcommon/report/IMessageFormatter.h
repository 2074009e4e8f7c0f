#pragma once
#include "vdcommon/Export.h"
// Completion of design-message texts, supplied by the host: replaces the placeholders
// such as "$(sh.limit,max)" with values shown in the project's unit system. Owned by
// the report configuration and deleted through the virtual destructor.
#include <string>

class VDCOMMON_API IMessageFormatter
{
public:
    virtual ~IMessageFormatter() = default;

    // The finished text of one design message (all texts UTF-8). `moduleType` is the
    // module code of the notes element, `translatedText` the already translated
    // catalogue text and `unitSystem` the report's unit-system name.
    virtual std::string FormatMessage(const std::string& moduleType, const std::string& translatedText,
                                      const std::string& unitSystem) = 0;

protected:
    IMessageFormatter() = default;
    IMessageFormatter(const IMessageFormatter&) = default;
    IMessageFormatter& operator=(const IMessageFormatter&) = default;
};
