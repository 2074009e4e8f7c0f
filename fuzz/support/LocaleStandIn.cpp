// The language selection without the stored preference, for fuzzer binaries: the
// database module that keeps the preference does not compile with the fuzzing
// compiler, and the report only switches languages around its own texts.
#include "vdcommon/utilities/VDLocale.h"

#include <wx/intl.h>

std::string VDLocale::catalogPath;
std::vector<std::string> VDLocale::availableLanguages;
std::unique_ptr<wxLocale> VDLocale::currentLocale;

namespace {
std::string selected;
}

void VDLocale::Init(const std::string& path)
{
    catalogPath = path;
}
void VDLocale::ChangeLocale(const std::string& name)
{
    SelectLanguage(name);
}
std::vector<std::string> VDLocale::GetAvailableLanguages()
{
    return availableLanguages;
}
std::string VDLocale::GetName()
{
    return selected;
}
void VDLocale::SelectLanguage(const std::string& name)
{
    selected = name;
}
void VDLocale::ResetLanguage()
{
    selected.clear();
}
