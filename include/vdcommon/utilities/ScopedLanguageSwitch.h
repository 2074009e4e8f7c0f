#pragma once
#include "vdcommon/Export.h"
// Switches the VDLocale language for the lifetime of the object. A temporary
// switch: the user's stored language preference is neither written on entry
// nor on restore.

#include <string>

class VDCOMMON_API ScopedLanguageSwitch
{
public:
    explicit ScopedLanguageSwitch(const std::string& name);
    ~ScopedLanguageSwitch();

    ScopedLanguageSwitch(const ScopedLanguageSwitch&) = delete;
    ScopedLanguageSwitch& operator=(const ScopedLanguageSwitch&) = delete;

private:
    std::string previousLanguage;
};
