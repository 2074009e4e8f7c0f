#include <gtest/gtest.h>

#include "vdcommon/database/MasterDatabase.h"
#include "vdcommon/database/ProjectDatabase.h"
#include "database/TestDatabaseFiles.h"

namespace {

class ProjectDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override { ProjectDatabase::SetUserName(""); }
    void TearDown() override
    {
        ProjectDatabase::Close();
        ProjectDatabase::SetUserName("");
    }
    vdtest::TempFolder folder;
};

std::string Get(const std::string& key, const std::string& fallback = "default")
{
    std::string value = "garbage";
    ProjectDatabase::GetUserParameter(key, value, fallback);
    return value;
}

} // namespace

TEST_F(ProjectDatabaseTest, InMemoryStoreServesWithoutAProjectForTheWholeProcess)
{
    ProjectDatabase::Close();
    EXPECT_FALSE(ProjectDatabase::IsOpen());

    std::string value = "garbage";
    EXPECT_FALSE(ProjectDatabase::GetUserParameter("/Test/Memory", value, "fallback"));
    EXPECT_EQ(value, "fallback");

    EXPECT_TRUE(ProjectDatabase::SetUserParameter("/Test/Memory", "kept"));
    EXPECT_TRUE(ProjectDatabase::GetUserParameter("/Test/Memory", value, "fallback"));
    EXPECT_EQ(value, "kept");

    // A project file has its own parameters; closing it brings the memory store back.
    ProjectDatabase::Open(folder.File("p.vdp"), ProjectDatabase::OpenMode::CreateIfMissing);
    EXPECT_EQ(Get("/Test/Memory"), "default");
    ProjectDatabase::Close();
    EXPECT_EQ(Get("/Test/Memory"), "kept");
}

TEST_F(ProjectDatabaseTest, ParametersPersistInTheFilePerUser)
{
    const std::string file = folder.File("project.vdp");
    EXPECT_THROW(ProjectDatabase::Open(file), std::runtime_error); // not there yet
    ProjectDatabase::Open(file, ProjectDatabase::OpenMode::CreateIfMissing);
    ASSERT_TRUE(ProjectDatabase::IsOpen());
    EXPECT_EQ(ProjectDatabase::GetPath(), file);
    EXPECT_FALSE(ProjectDatabase::GetUserName().empty());

    ProjectDatabase::SetUserName("alice");
    EXPECT_TRUE(ProjectDatabase::SetUserParameter("/Settings/Language", "de_DE"));
    EXPECT_TRUE(ProjectDatabase::SetUserParameter("/Settings/Language", "fr_FR")); // overwrites
    // Keys and values are bound, never spliced into SQL; any text is kept as is.
    const std::string odd = "it's; DROP TABLE user_parameters; -- «ü» \n";
    EXPECT_TRUE(ProjectDatabase::SetUserParameter(odd, odd));
    EXPECT_TRUE(ProjectDatabase::SetUserParameter("/Empty", ""));

    ProjectDatabase::SetUserName("bob");
    EXPECT_EQ(Get("/Settings/Language"), "default");
    ProjectDatabase::SetUserParameter("/Settings/Language", "zh_CN");

    ProjectDatabase::Close();
    ProjectDatabase::Open(file);
    EXPECT_EQ(Get("/Settings/Language"), "zh_CN");
    ProjectDatabase::SetUserName("alice");
    EXPECT_EQ(Get("/Settings/Language"), "fr_FR");
    EXPECT_EQ(Get(odd), odd);
    // A stored empty value comes back empty; the caller decides what that means.
    std::string value = "garbage";
    EXPECT_TRUE(ProjectDatabase::GetUserParameter("/Empty", value, "default"));
    EXPECT_EQ(value, "");
}

TEST_F(ProjectDatabaseTest, WrongFilesAreRefused)
{
    ProjectDatabase::Open(folder.File("good.vdp"), ProjectDatabase::OpenMode::CreateIfMissing);
    ProjectDatabase::SetUserParameter("/Test/Key", "good");

    // A master database is not a project database, even when asked to create.
    const std::string master = vdtest::CreateDemoMaster(folder);
    for (auto mode : {ProjectDatabase::OpenMode::OpenExisting, ProjectDatabase::OpenMode::CreateIfMissing})
        vdtest::ExpectError([&] { ProjectDatabase::Open(master, mode); }, {"not a project database"});

    const std::string newer = folder.File("newer.vdp");
    vdtest::CreateDatabase(newer, "PRAGMA application_id = 1447317572; PRAGMA user_version = 7;");
    vdtest::ExpectError([&] { ProjectDatabase::Open(newer); }, {"schema version 7"});

    for (const std::string& bad : {folder.Path().string(), folder.File("no/such/dir/x.vdp")})
        EXPECT_THROW(ProjectDatabase::Open(bad, ProjectDatabase::OpenMode::CreateIfMissing), std::runtime_error);

    // The project opened before is still the one in use.
    EXPECT_EQ(Get("/Test/Key"), "good");

    // An empty file becomes a project only when asked to.
    const std::string empty = folder.File("empty.vdp");
    vdtest::WriteFile(empty, "");
    EXPECT_THROW(ProjectDatabase::Open(empty), std::runtime_error);
    ProjectDatabase::Open(empty, ProjectDatabase::OpenMode::CreateIfMissing);
    EXPECT_TRUE(ProjectDatabase::SetUserParameter("/Test/Key", "v"));
    EXPECT_EQ(Get("/Test/Key"), "v");
}
