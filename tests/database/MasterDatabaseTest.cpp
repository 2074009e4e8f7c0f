#include <gtest/gtest.h>

#include "vdcommon/database/MasterDatabase.h"
#include "database/TestDatabaseFiles.h"

#include <fstream>

namespace {

std::vector<std::string> Codes(const std::vector<DBObjects::Locale>& locales)
{
    std::vector<std::string> codes;
    for (const auto& locale : locales)
        codes.push_back(locale.code);
    return codes;
}

class MasterDatabaseTest : public ::testing::Test
{
protected:
    void TearDown() override { MasterDatabase::Close(); }
    vdtest::TempFolder folder;
};

} // namespace

TEST_F(MasterDatabaseTest, DemoSeedGivesLocalesInStoredOrderAndFormulas)
{
    MasterDatabase::Open(vdtest::CreateDemoMaster(folder));
    ASSERT_TRUE(MasterDatabase::IsOpen());

    const auto all = MasterDatabase::GetLocales("%");
    EXPECT_EQ(Codes(all), (std::vector<std::string>{"en_GB", "en_US", "de_DE", "fr_FR", "es_ES", "zh_CN"}));
    for (const auto& locale : all)
        EXPECT_EQ(locale.active, locale.code == "es_ES" ? "N" : "Y") << locale.code;
    EXPECT_EQ(all[5].description, "中文 (中国)");

    EXPECT_EQ(Codes(MasterDatabase::GetLocales("en%")), (std::vector<std::string>{"en_GB", "en_US"}));
    EXPECT_EQ(Codes(MasterDatabase::GetLocales("de_DE")), (std::vector<std::string>{"de_DE"}));
    // The pattern is a bound value: SQL in it is text to match, not SQL to run.
    EXPECT_TRUE(MasterDatabase::GetLocales("x' OR '1'='1").empty());
    EXPECT_TRUE(MasterDatabase::GetLocales("%'; DROP TABLE locales; --").empty());

    for (const char* key :
         {"SAC_GEL", "SAC_MACRO", "WAC_GEL", "WAC_MACRO", "SBA_GEL", "SBA_MACRO", "WBA_GEL", "WBA_MACRO"}) {
        const auto formula = MasterDatabase::GetBedExpansionFormula(key);
        ASSERT_TRUE(formula.has_value()) << key << ": " << formula.error();
        EXPECT_EQ(formula->name, key);
    }

    const auto missing = MasterDatabase::GetBedExpansionFormula("NO_SUCH_RESIN' OR 1=1 --");
    ASSERT_FALSE(missing.has_value());
    EXPECT_NE(missing.error().find("NO_SUCH_RESIN"), std::string::npos);
}

TEST_F(MasterDatabaseTest, BadFilesAreRefusedAndThePreviousDatabaseStays)
{
    // Nothing open: no locales and an error text.
    EXPECT_FALSE(MasterDatabase::IsOpen());
    EXPECT_TRUE(MasterDatabase::GetLocales("%").empty());
    EXPECT_FALSE(MasterDatabase::GetBedExpansionFormula("SAC_GEL").has_value());

    const std::string good = vdtest::CreateDemoMaster(folder);
    MasterDatabase::Open(good);

    vdtest::ExpectError([&] { MasterDatabase::Open(folder.File("missing.db")); }, {"missing.db", "master database"});

    const std::string text = folder.File("text.db");
    std::ofstream(text) << "this is not a database, just some text long enough to fill a header......\n";
    vdtest::ExpectError([&] { MasterDatabase::Open(text); }, {"text.db"});

    // A damaged file: the demo database with a stretch of its pages overwritten.
    const std::string damaged = vdtest::CreateDemoMaster(folder, "damaged.db");
    {
        std::fstream f(damaged, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(1024);
        const std::string junk(2048, '\x5a');
        f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    vdtest::ExpectError([&] { MasterDatabase::Open(damaged); }, {"damaged.db"});

    const std::string other = folder.File("other.db");
    vdtest::CreateDatabase(other, "CREATE TABLE t (a);");
    vdtest::ExpectError([&] { MasterDatabase::Open(other); }, {"not a master database"});

    const std::string newer = folder.File("newer.db");
    vdtest::CreateDatabase(newer, "PRAGMA user_version = 2; PRAGMA application_id = 1447316804;");
    vdtest::ExpectError([&] { MasterDatabase::Open(newer); }, {"schema version 2", "expected 1"});

    // Right header, wrong tables.
    const std::string hollow = folder.File("hollow.db");
    vdtest::CreateDatabase(hollow, "PRAGMA application_id = 1447316804; PRAGMA user_version = 1;"
                                   "CREATE TABLE locales (code TEXT);");
    vdtest::ExpectError([&] { MasterDatabase::Open(hollow); }, {"hollow.db"});

    EXPECT_TRUE(MasterDatabase::IsOpen());
    EXPECT_EQ(MasterDatabase::GetPath(), good);
    EXPECT_EQ(MasterDatabase::GetLocales("%").size(), 6u);
}
