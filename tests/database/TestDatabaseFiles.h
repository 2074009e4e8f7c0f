#pragma once
#include "support/TestFiles.h"

// Helpers for tests that need real database files: a private temporary folder
// and SQLite files made from SQL text (the demo seed or hand-made variants).

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace vdtest {

// A fresh folder under the system's temporary folder, removed with its contents.
struct TempFolder : TempDir {
    TempFolder() : TempDir("vdtest-db") {}
    std::string File(const std::string& name) const { return (Path() / name).string(); }
};

// Creates the SQLite file `file` by running `sql` on it.
inline void CreateDatabase(const std::string& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot create " + file);
    }
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot fill " + file + ": " + message);
}

// The demo master database, made from the seed the build uses.
inline std::string CreateDemoMaster(const TempFolder& folder, const std::string& name = "master.db")
{
    const std::string file = folder.File(name);
    CreateDatabase(file, ReadFile(VD_SOURCE_DIR "/examples/master-data.sql"));
    return file;
}

// Runs the body expecting std::runtime_error whose text contains every fragment.
template <typename F>
inline void ExpectError(F&& body, std::initializer_list<std::string> fragments)
{
    try {
        body();
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        for (const auto& fragment : fragments)
            EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
    }
}

} // namespace vdtest
