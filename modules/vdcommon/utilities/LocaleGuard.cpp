#include "vdcommon/utilities/LocaleGuard.h"

#include <clocale>
#include <exception>

#include <wx/crt.h>

namespace {

// Locale names are plain ASCII. A name that does not convert must not turn
// into "", which the C library reads as "the environment's locale".
wxCharBuffer NarrowName(const wxString& name)
{
    const wxCharBuffer narrow = name.mb_str();
    return name.empty() || narrow.length() > 0 ? narrow : wxCharBuffer();
}

} // namespace

LocaleGuard::LocaleGuard(const wxString& name) : LocaleGuard(NarrowName(name).data()) {}

LocaleGuard::LocaleGuard(const char* name)
{
    // A null locale argument only reads the current setting of all categories
    // (a composite "LC_CTYPE=...;..." text when they differ, which setlocale
    // accepts back unchanged).
    if (const char* current = wxSetlocale(LC_ALL, static_cast<const char*>(nullptr)))
        savedLocale = wxString(current);
    // A name the C library rejects leaves the locale as it is. A null name would
    // be a mere query, so nothing is switched then either.
    if (name != nullptr)
        wxSetlocale(LC_ALL, name);
}

LocaleGuard::~LocaleGuard()
{
    // Restoring must never throw out of a destructor; a failure here would leave
    // the process in the wrong locale, so the program stops instead.
    try {
        if (!savedLocale.empty())
            wxSetlocale(LC_ALL, static_cast<const char*>(savedLocale.mb_str()));
    } catch (...) {
        std::terminate();
    }
}
