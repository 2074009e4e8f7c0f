#include "vdcommon/utilities/VDLocale.h"

#include "vdcommon/database/MasterDatabase.h"
#include "vdcommon/database/ProjectDatabase.h"

#include <algorithm>
#include <exception>
#include <map>

#include <wx/dir.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/module.h>
#include <wx/translation.h>

std::string VDLocale::catalogPath;
std::vector<std::string> VDLocale::availableLanguages;
std::unique_ptr<wxLocale> VDLocale::currentLocale;

namespace {

const char* const kLanguageKey = "/Settings/Language";
const char* const kFallbackLanguage = "en_GB";
const char* const kCatalogues[] = {"virelda", "tamberly", "quillbar"};

// The catalogue path the current locale's catalogues were loaded from.
std::string selectedCatalogPath;

wxString FromNarrow(const std::string& text)
{
    return wxString::FromUTF8(text.data(), text.size());
}

} // namespace

// The toolkit locale must go before the toolkit itself does: left to static
// destruction it would restore translations and the C locale after the
// toolkit's shutdown.
class VDLocaleModule : public wxModule
{
public:
    bool OnInit() override { return true; }
    void OnExit() override { VDLocale::ResetLanguage(); }

private:
    wxDECLARE_DYNAMIC_CLASS(VDLocaleModule);
};

wxIMPLEMENT_DYNAMIC_CLASS(VDLocaleModule, wxModule);

void VDLocale::Init(const std::string& path)
{
    catalogPath = path;
    // A second Init (another catalogue path, another master database) lists
    // the languages afresh; appending would offer each language twice.
    availableLanguages.clear();

    std::vector<DBObjects::Locale> locales;
    try {
        locales = MasterDatabase::GetLocales("%");
    } catch (const std::exception& e) {
        // No languages to offer is a fallback, not a failure: en_GB stays usable.
        wxLogDebug("Reading the locales failed: %s", wxString(e.what()));
    }

    for (const DBObjects::Locale& record : locales) {
        if (record.active != "Y")
            continue;
        const std::string& code = record.code;
        const std::string lang = code.substr(0, code.find('_'));
        const wxLanguageInfo* full = wxLocale::FindLanguageInfo(FromNarrow(code));
        const wxLanguageInfo* bare = wxLocale::FindLanguageInfo(FromNarrow(lang));
        if (full == nullptr || !wxLocale::IsAvailable(full->Language))
            continue;
        // Catalogue folders are named by the full code, or by the bare language
        // for the region the toolkit associates with it (de for de_DE). English
        // is the texts' own language and needs no catalogue.
        const bool ownFolder = wxDir::Exists(FromNarrow(catalogPath + code));
        const bool referenceRegion = bare != nullptr && bare->CanonicalRef == FromNarrow(code) &&
                                     (lang == "en" || wxDir::Exists(FromNarrow(catalogPath + lang)));
        if (ownFolder || referenceRegion)
            availableLanguages.push_back(code);
    }

    const int system = wxLocale::GetSystemLanguage();
    std::string name = kFallbackLanguage;
    if (system != wxLANGUAGE_UNKNOWN && system != wxLANGUAGE_DEFAULT)
        name = wxLocale::GetLanguageCanonicalName(system).utf8_string();
    if (std::find(availableLanguages.begin(), availableLanguages.end(), name) == availableLanguages.end())
        name = kFallbackLanguage;

    std::string stored;
    ProjectDatabase::GetUserParameter(kLanguageKey, stored, name);
    if (stored.empty())
        stored = name;
    ChangeLocale(stored);
}

void VDLocale::ChangeLocale(const std::string& name)
{
    ProjectDatabase::SetUserParameter(kLanguageKey, name);
    SelectLanguage(name);
}

void VDLocale::SelectLanguage(const std::string& name)
{
    // The toolkit looks a name up by comparing it with every language it knows; a
    // report switches between the same two names again and again.
    static std::map<std::string, int> languageByName;
    auto known = languageByName.find(name);
    if (known == languageByName.end()) {
        const wxLanguageInfo* info = name.empty() ? nullptr : wxLocale::FindLanguageInfo(FromNarrow(name));
        known = languageByName.emplace(name, info != nullptr ? info->Language : wxLANGUAGE_ENGLISH_UK).first;
    }
    const int language = known->second;
    // The language in force already, from the same catalogues: a new locale would be
    // the same again. Switches like this one come once per drawing of a report, and
    // each would load and parse every catalogue twice.
    if (currentLocale && currentLocale->GetLanguage() == language && selectedCatalogPath == catalogPath)
        return;

    // The old locale goes first: it restores the state before it, which the
    // new one then saves and restores in turn.
    currentLocale.reset();
    currentLocale = std::make_unique<wxLocale>();
    if (!catalogPath.empty())
        wxFileTranslationsLoader::AddCatalogLookupPathPrefix(FromNarrow(catalogPath));

    // A language whose C locale is not installed, or a missing catalogue, is no
    // error here: the texts simply stay untranslated. The toolkit would
    // otherwise show a warning box in a GUI host.
    wxLogNull quiet;
    currentLocale->Init(language, wxLOCALE_LOAD_DEFAULT);
    for (const char* catalogue : kCatalogues)
        currentLocale->AddCatalog(catalogue);
    selectedCatalogPath = catalogPath;
}

void VDLocale::ResetLanguage()
{
    currentLocale.reset();
}

std::vector<std::string> VDLocale::GetAvailableLanguages()
{
    return availableLanguages;
}

std::string VDLocale::GetName()
{
    return currentLocale ? currentLocale->GetCanonicalName().utf8_string() : std::string();
}
