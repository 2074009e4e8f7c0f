#include <gtest/gtest.h>

#include "vdcommon/database/MasterDatabase.h"
#include "vdcommon/database/ProjectDatabase.h"
#include "database/TestDatabaseFiles.h"
#include "vdcommon/utilities/LocaleGuard.h"
#include "vdcommon/utilities/ScopedLanguageSwitch.h"
#include "vdcommon/utilities/VDLocale.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <wx/translation.h>

namespace {

std::string Formatted(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string StoredLanguage()
{
    std::string value;
    ProjectDatabase::GetUserParameter("/Settings/Language", value, "<unset>");
    return value;
}

std::string Translated(const char* text, const char* domain)
{
    return wxGetTranslation(wxString::FromUTF8(text), wxString(domain)).utf8_string();
}

// Compiles the examples' German catalogues with msgfmt into <folder>/locale/de/LC_MESSAGES.
std::string CompileCatalogues(const vdtest::TempFolder& folder)
{
    const auto target = folder.Path() / "locale" / "de" / "LC_MESSAGES";
    std::filesystem::create_directories(target);
    for (const char* domain : {"virelda", "tamberly", "quillbar"}) {
        const std::string command = "msgfmt -o '" + (target / (std::string(domain) + ".mo")).string() + "' '" +
                                    VD_SOURCE_DIR + "/examples/locale/de/" + domain + ".po'";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("msgfmt failed for " + std::string(domain));
    }
    return (folder.Path() / "locale").string() + "/";
}

bool HasCLocale(const char* name)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const bool ok = std::setlocale(LC_ALL, name) != nullptr;
    std::setlocale(LC_ALL, saved.c_str());
    return ok;
}

} // namespace

TEST(LocaleGuard, SwitchesTheCLocaleForItsLifetime)
{
    if (!HasCLocale("de_DE.UTF-8"))
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
    const std::string before = std::setlocale(LC_ALL, nullptr);
    {
        LocaleGuard german("de_DE.UTF-8");
        EXPECT_EQ(german.GetSavedLocale(), wxString(before));
        EXPECT_EQ(Formatted(1.5), "1,5");
        {
            LocaleGuard c(wxString("C"));
            EXPECT_EQ(Formatted(1.5), "1.5");
            // A name the C library rejects changes nothing, and is still undone.
            LocaleGuard bogus("no_SUCH.locale");
            EXPECT_EQ(Formatted(1.5), "1.5");
            // Nor does a name that cannot even be converted (it must not
            // become "", the environment's locale).
            LocaleGuard unconvertible(wxString::FromUTF8("d\u00e9_DE\u4e2d"));
            EXPECT_EQ(std::string(std::setlocale(LC_ALL, nullptr)), "C");
        }
        EXPECT_EQ(Formatted(1.5), "1,5");
    }
    EXPECT_EQ(std::string(std::setlocale(LC_ALL, nullptr)), before);
}

// VDLocale's state is process-wide, so its behaviour is followed in one
// sequence: before any language, Init, changes, scoped switches, a second Init.
TEST(VDLocale, ChoosesSwitchesAndRemembersTheLanguage)
{
    // Selecting languages sets the C locale too; later tests get theirs back.
    LocaleGuard restoreAfterwards(std::setlocale(LC_ALL, nullptr));
    vdtest::TempFolder folder;
    MasterDatabase::Open(vdtest::CreateDemoMaster(folder));
    ProjectDatabase::Close();
    ProjectDatabase::SetUserName("vdlocale-test");
    const std::string catalogues = CompileCatalogues(folder);
    const bool germanInstalled = HasCLocale("de_DE.UTF-8") && HasCLocale("en_GB.UTF-8");

    // Nothing selected yet; a scoped switch must come back to exactly that.
    EXPECT_EQ(VDLocale::GetName(), "");
    {
        ScopedLanguageSwitch german("de_DE");
        EXPECT_EQ(VDLocale::GetName(), "de_DE");
    }
    EXPECT_EQ(VDLocale::GetName(), "");
    EXPECT_EQ(StoredLanguage(), "<unset>");

    // An unknown system language and nothing stored: en_GB.
    setenv("LANG", "xx_YY", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    unsetenv("LANGUAGE");
    VDLocale::Init(catalogues);
    EXPECT_EQ(VDLocale::GetName(), "en_GB");
    EXPECT_EQ(StoredLanguage(), "en_GB");
    if (germanInstalled) {
        // de_DE through the bare "de" folder; en_US and zh_CN have no folder,
        // fr_FR neither, es_ES is not active.
        EXPECT_EQ(VDLocale::GetAvailableLanguages(), (std::vector<std::string>{"en_GB", "de_DE"}));
    }
    EXPECT_EQ(Translated("Design report", "virelda"), "Design report");

    VDLocale::ChangeLocale("de_DE");
    EXPECT_EQ(VDLocale::GetName(), "de_DE");
    EXPECT_EQ(StoredLanguage(), "de_DE");
    EXPECT_EQ(Translated("Design report", "virelda"), "Auslegungsbericht");
    EXPECT_EQ(Translated("Bed expansion", "tamberly"), "Bettausdehnung");
    EXPECT_EQ(Translated("Backwash", "quillbar"), "Rückspülung");

    // A temporary switch leaves the stored choice alone, and undoes itself.
    {
        ScopedLanguageSwitch english("en_GB");
        EXPECT_EQ(VDLocale::GetName(), "en_GB");
        EXPECT_EQ(Translated("Design report", "virelda"), "Design report");
        EXPECT_EQ(StoredLanguage(), "de_DE");
    }
    EXPECT_EQ(VDLocale::GetName(), "de_DE");
    EXPECT_EQ(StoredLanguage(), "de_DE");
    EXPECT_EQ(Translated("Design report", "virelda"), "Auslegungsbericht");

    // A name the toolkit does not know falls back to English (U.K.).
    VDLocale::ChangeLocale("xx_XX");
    EXPECT_EQ(VDLocale::GetName(), "en_GB");

    // The stored choice wins at start-up, even when it is not on offer; a
    // second Init lists the languages afresh rather than twice.
    ProjectDatabase::SetUserParameter("/Settings/Language", "fr_FR");
    VDLocale::Init(catalogues);
    EXPECT_EQ(VDLocale::GetName(), "fr_FR");
    if (germanInstalled) {
        EXPECT_EQ(VDLocale::GetAvailableLanguages(), (std::vector<std::string>{"en_GB", "de_DE"}));
    }

    // With the system language available and nothing stored, it is chosen.
    if (germanInstalled) {
        ProjectDatabase::SetUserParameter("/Settings/Language", "");
        setenv("LANG", "de_DE.UTF-8", 1);
        VDLocale::Init(catalogues);
        EXPECT_EQ(VDLocale::GetName(), "de_DE");
    }

    VDLocale::ChangeLocale("en_GB");
    setenv("LANG", "C.UTF-8", 1);
    ProjectDatabase::SetUserName("");
    MasterDatabase::Close();
}
