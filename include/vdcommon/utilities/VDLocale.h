#pragma once
#include "vdcommon/Export.h"
// The process-wide user-interface language: which languages can be offered,
// which one is in force, and the application's translation catalogues
// ("virelda", "tamberly", "quillbar") loaded through the toolkit's locale.
// State is process-wide and unguarded: use from the user-interface thread only.

#include <memory>
#include <string>
#include <vector>

class wxLocale;

class VDCOMMON_API VDLocale
{
public:
    // Sets the catalogue path (a directory prefix: catalogue folders are named
    // path + code, or path + bare language, with no separator added), builds the
    // list of available languages from the master database and selects the
    // user's stored language, else the system's, else "en_GB".
    static void Init(const std::string& path);

    // Switches to the language and records it as the user's choice.
    static void ChangeLocale(const std::string& name);

    static std::vector<std::string> GetAvailableLanguages();

    // Canonical name of the current language (such as de_DE); empty before any
    // language has been selected.
    static std::string GetName();

private:
    friend class ScopedLanguageSwitch;
    friend class VDLocaleModule;

    // Selects the language without touching the stored preference.
    static void SelectLanguage(const std::string& name);
    // Drops the current toolkit locale, back to the state before any selection.
    static void ResetLanguage();

    static std::string catalogPath;
    static std::vector<std::string> availableLanguages;
    static std::unique_ptr<wxLocale> currentLocale;
};
