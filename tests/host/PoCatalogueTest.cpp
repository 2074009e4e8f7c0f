#include "host/PoCatalogue.h"

#include <gtest/gtest.h>

#include "support/TestFiles.h"

using vdhost::PoCatalogue;
using vdhost::PoCatalogueSet;
using vdhost::PoError;

TEST(PoCatalogue, ReadsEntriesContextsPluralsEscapesAndMultiLineStrings)
{
    PoCatalogue cat;
    cat.AddFromText(R"(# header
msgid ""
msgstr ""
"Language: de\n"

#, fuzzy, c-format
msgid "Guess"
msgstr "Vermutung"

msgid "Flow"
msgstr "Durchfluss"

msgctxt "valve"
msgid "Open"
msgstr "Offen"

msgid "Open"
msgstr "Öffnen"

msgid "one file"
msgid_plural "%d files"
msgstr[0] "eine Datei"
msgstr[1] "%d Dateien"

msgid ""
"Line one\n"
"and \"two\"\tend"
msgstr "Zeile eins\n"
"und \"zwei\"\tEnde \\ \101"

msgid "Untranslated"
msgstr ""

#~ msgid "Old"
#~ msgstr "Alt"
)",
                    "test.po");
    EXPECT_EQ(cat.Translate("Flow"), "Durchfluss"); // the fuzzy flag before it is not its own
    EXPECT_EQ(cat.Translate("Open"), "\xC3\x96"
                                     "ffnen");
    EXPECT_EQ(cat.Translate("Open", "valve"), "Offen");
    EXPECT_EQ(cat.TranslatePlural("one file", 1), "%d Dateien");
    EXPECT_EQ(cat.Translate("one file"), "eine Datei");
    EXPECT_EQ(cat.Translate("Line one\nand \"two\"\tend"), "Zeile eins\nund \"zwei\"\tEnde \\ A");
    EXPECT_EQ(cat.Translate("Guess"), "");
    EXPECT_EQ(cat.Translate("Untranslated"), "");
    EXPECT_EQ(cat.Translate("Old"), "");
    EXPECT_EQ(cat.Translate(""), ""); // the header is never a translation
}

TEST(PoCatalogue, MalformedInputNamesFileAndLine)
{
    PoCatalogue cat;
    try {
        cat.AddFromText("msgid \"a\"\nmsgstr \"unterminated\n", "bad.po");
        FAIL() << "no error";
    } catch (const PoError& e) {
        EXPECT_NE(std::string(e.what()).find("bad.po:2"), std::string::npos) << e.what();
    }
    EXPECT_THROW(cat.AddFromText("msgstr \"x\"\n", "t.po"), PoError);
    EXPECT_THROW(cat.AddFromText("msgid \"a\"\nmsgstr \"\\q\"\n", "t.po"), PoError);
    EXPECT_THROW(cat.AddFromText("bogus \"a\"\n", "t.po"), PoError);
    EXPECT_THROW(cat.AddFromFile("/nonexistent/x.po"), PoError);
}

TEST(PoCatalogueSet, LoadsLanguageFoldersWithFallbackToBaseLanguage)
{
    const vdtest::TempDir dir("vdhost-po");
    vdtest::WriteFile(dir / "de" / "a.po", "msgid \"Disclaimer\"\nmsgstr \"Haftungsausschluss\"\n");
    vdtest::WriteFile(dir / "de" / "b.po", "msgid \"Flow\"\nmsgstr \"Durchfluss\"\n");
    vdtest::WriteFile(dir / "de" / "ignored.txt", "garbage");

    PoCatalogueSet set(dir.Str());
    EXPECT_TRUE(set.HasLanguage("de_DE"));
    EXPECT_FALSE(set.HasLanguage("fr_FR"));
    EXPECT_EQ(set.Translate("de_DE", "Flow"), "Durchfluss");
    EXPECT_EQ(set.Translate("de", "Disclaimer"), "Haftungsausschluss");
    EXPECT_EQ(set.Translate("fr", "Flow"), "");

    const ITranslationProvider& provider = set;
    EXPECT_EQ(provider.Translate("Flow"), "Flow"); // no language chosen: English
    set.SetLanguage("de_DE.UTF-8");
    EXPECT_EQ(provider.Translate("Flow"), "Durchfluss");
    EXPECT_EQ(provider.Translate("Unknown"), "Unknown");
}
