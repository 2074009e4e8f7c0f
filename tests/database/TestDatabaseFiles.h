#pragma once
#include "support/TestFiles.h"

// Helpers for tests that need real database files: a private temporary folder
// and SQLite files made from SQL text (the demo seed or hand-made variants).

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

namespace vdtest {

// A fresh folder under the system's temporary folder, removed with its contents.
struct TempFolder : TempDir {
    TempFolder() : TempDir("vdtest-db") {}
    std::string File(const std::string& name) const { return (Path() / name).string(); }
};

inline std::string ReadText(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

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

inline std::string DemoMasterSeed()
{
    return ReadText(std::string(VD_SOURCE_DIR) + "/examples/master-data.sql");
}

// The demo master database, made from the seed the build uses.
inline std::string CreateDemoMaster(const TempFolder& folder, const std::string& name = "master.db")
{
    const std::string file = folder.File(name);
    CreateDatabase(file, DemoMasterSeed());
    return file;
}

} // namespace vdtest
