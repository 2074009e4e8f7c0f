#pragma once
#include "vdcommon/Export.h"
// Read-only master data of the maker: locales to offer and bed-expansion formulas.
// One master database file is open per process at a time.

#include "vdcommon/database/DBObjects.h"

#include <cstdint>
#include <expected>
#include <string>
#include <vector>

class VDCOMMON_API MasterDatabase
{
public:
    // The layout of the tables this library reads; stored as the file's user_version.
    static constexpr int SchemaVersion = 1;
    // Marks a file as a master database (SQLite application_id, "VDMD").
    static constexpr std::int32_t ApplicationId = 0x56444D44;

    // Opens the file read-only, replacing a database opened before. Throws
    // std::runtime_error when the file is missing, is not an SQLite database,
    // or is not a master database of SchemaVersion; the previous one then stays open.
    static void Open(const std::string& path);
    static void Close();
    static bool IsOpen();
    static std::string GetPath();

    // The formula stored under the key, or an error text when there is none
    // (also when no master database is open or the query fails).
    static std::expected<DBObjects::MathExpressionFormula, std::string> GetBedExpansionFormula(const std::string& key);

    // Locales whose code matches the SQL LIKE pattern ("%" = all), in the stored
    // order. Empty when no master database is open; std::runtime_error when the
    // open file cannot be read.
    static std::vector<DBObjects::Locale> GetLocales(const std::string& pattern);
};
