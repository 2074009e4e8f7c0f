#include "vdcommon/utilities/ScopedLanguageSwitch.h"

#include "vdcommon/utilities/VDLocale.h"

#include <exception>

ScopedLanguageSwitch::ScopedLanguageSwitch(const std::string& name) : previousLanguage(VDLocale::GetName())
{
    VDLocale::SelectLanguage(name);
}

ScopedLanguageSwitch::~ScopedLanguageSwitch()
{
    try {
        // With no language selected before the switch there is nothing to go
        // back to but "no language": selecting an empty name would pick the
        // fallback language instead.
        if (previousLanguage.empty())
            VDLocale::ResetLanguage();
        else
            VDLocale::SelectLanguage(previousLanguage);
    } catch (...) {
        std::terminate();
    }
}
