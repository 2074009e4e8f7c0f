#pragma once
#include "vdcommon/Export.h"
// Switches the C library locale (all categories) for the lifetime of the object.

#include <wx/string.h>

class VDCOMMON_API LocaleGuard
{
public:
    explicit LocaleGuard(const wxString& name);
    explicit LocaleGuard(const char* name);
    ~LocaleGuard();

    LocaleGuard(const LocaleGuard&) = delete;
    LocaleGuard& operator=(const LocaleGuard&) = delete;

    const wxString& GetSavedLocale() const { return savedLocale; }

private:
    wxString savedLocale;
};
