#include "host/ToolkitTranslations.h"

#include <gtest/gtest.h>
#include <wx/intl.h>
#include <wx/translation.h>

using namespace vdhost;

namespace {

PoCatalogueSet GermanSet()
{
    PoCatalogueSet set;
    set.Catalogue("de").AddFromText(
        "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
        "\"Plural-Forms: nplurals=2; plural=(n != 1);\\n\"\n\n"
        "msgid \"Plant overview\"\nmsgstr \"Anlagen\xC3\xBC"
        "bersicht\"\n\n"
        "msgctxt \"diagram\"\nmsgid \"Pass\"\nmsgstr \"Durchgang\"\n\n"
        "msgid \"file\"\nmsgid_plural \"files\"\nmsgstr[0] \"Datei\"\nmsgstr[1] \"Dateien\"\n\n"
        "#, fuzzy\nmsgid \"Rough\"\nmsgstr \"Grob\"\n",
        "de.po");
    return set;
}

} // namespace

TEST(ToolkitTranslations, TheToolkitReadsTheCompiledCatalogue)
{
    const PoCatalogueSet set = GermanSet();
    ASSERT_EQ(wxTranslations::Get(), nullptr);
    {
        const ScopedToolkitTranslations scope(set, "de_DE"); // falls back to "de"
        ASSERT_TRUE(scope.IsActive());
        const wxTranslations* t = wxTranslations::Get();
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(wxGetTranslation("Plant overview"), wxString::FromUTF8("Anlagen\xC3\xBC"
                                                                         "bersicht"));
        EXPECT_EQ(wxGetTranslation("Pass", wxString(), "diagram"), "Durchgang");
        EXPECT_EQ(wxGetTranslation("file", "files", 1), "Datei");
        EXPECT_EQ(wxGetTranslation("file", "files", 3), "Dateien");
        EXPECT_EQ(wxGetTranslation("Rough"), "Rough");  // fuzzy entries are no translation
        EXPECT_EQ(t->GetTranslatedString(""), nullptr); // the header is never a text
        EXPECT_EQ(wxGetTranslation("Unknown"), "Unknown");
    }
    EXPECT_EQ(wxTranslations::Get(), nullptr); // removed again
}

TEST(ToolkitTranslations, EnglishAndUnknownLanguagesInstallNothing)
{
    const PoCatalogueSet set = GermanSet();
    for (const char* language : {"en_GB", "en", "", "fr_FR"}) {
        const ScopedToolkitTranslations scope(set, language);
        EXPECT_FALSE(scope.IsActive()) << language;
        EXPECT_EQ(wxTranslations::Get(), nullptr) << language;
    }
}
