#include "database/SqliteConnection.h"

#include <sqlite3.h>

#include <stdexcept>
#include <utility>

#include <fmt/format.h>

namespace vddb {

SqliteConnection::SqliteConnection(const std::string& filePath, Mode mode, const std::string& description)
    : path(filePath), what(description)
{
    int flags = 0;
    std::string name = filePath;
    switch (mode) {
    case Mode::ReadOnly: flags = SQLITE_OPEN_READONLY; break;
    case Mode::ReadWrite: flags = SQLITE_OPEN_READWRITE; break;
    case Mode::ReadWriteCreate: flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    case Mode::Memory:
        flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_MEMORY;
        name = ":memory:";
        break;
    }
    // Our own lock serialises every use; SQLite's full mutex is a cheap extra
    // guard should a host share a connection across threads anyway.
    flags |= SQLITE_OPEN_FULLMUTEX;
    // URIs are off so that a file name containing '?' or '#' is taken literally.
    const int rc = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        db = nullptr;
        FailToOpen(message);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 2000);
}

SqliteConnection::~SqliteConnection()
{
    if (db)
        sqlite3_close_v2(db);
}

SqliteConnection::SqliteConnection(SqliteConnection&& other) noexcept
    : db(std::exchange(other.db, nullptr)), path(std::move(other.path)), what(std::move(other.what))
{}

SqliteConnection& SqliteConnection::operator=(SqliteConnection&& other) noexcept
{
    if (this != &other) {
        if (db)
            sqlite3_close_v2(db);
        db = std::exchange(other.db, nullptr);
        path = std::move(other.path);
        what = std::move(other.what);
    }
    return *this;
}

std::string SqliteConnection::GetError() const
{
    return db ? sqlite3_errmsg(db) : std::string("not open");
}

void SqliteConnection::Fail(const std::string& context) const
{
    throw std::runtime_error(fmt::format("{}: {}", context, GetError()));
}

void SqliteConnection::Execute(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : GetError();
        sqlite3_free(message);
        throw std::runtime_error(text);
    }
}

SqliteStatement SqliteConnection::Prepare(std::string_view sql)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK)
        Fail("cannot prepare a query");
    return SqliteStatement(*this, stmt);
}

std::int64_t SqliteConnection::PragmaInteger(const char* pragma)
{
    SqliteStatement statement = Prepare(fmt::format("PRAGMA {}", pragma));
    return statement.Step() ? statement.GetInteger(0) : 0;
}

bool SqliteConnection::HasTable(const std::string& table)
{
    SqliteStatement statement = Prepare("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1");
    statement.Bind(1, table);
    return statement.Step();
}

void SqliteConnection::CheckIntegrity()
{
    SqliteStatement statement = Prepare("PRAGMA quick_check(1)");
    const std::string result = statement.Step() ? statement.GetText(0) : std::string("no answer");
    if (result != "ok")
        throw std::runtime_error(fmt::format("the file is damaged: {}", result));
}

void SqliteConnection::CheckSchema(std::int64_t applicationId, std::int64_t version, std::int64_t expectedId,
                                   std::int64_t expectedVersion, std::initializer_list<std::string_view> queries)
{
    if (applicationId != expectedId)
        throw std::runtime_error(fmt::format("the file is not a {}", what));
    if (version != expectedVersion)
        throw std::runtime_error(
            fmt::format("schema version {} is not supported (expected {})", version, expectedVersion));
    for (const std::string_view query : queries)
        Prepare(query);
    CheckIntegrity();
}

void SqliteConnection::FailToOpen(const std::string& cause) const
{
    throw std::runtime_error(fmt::format("Cannot open {} '{}': {}", what, path, cause));
}

SqliteStatement::SqliteStatement(SqliteConnection& conn, sqlite3_stmt* s) : connection(&conn), stmt(s) {}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(stmt);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : connection(other.connection), stmt(std::exchange(other.stmt, nullptr))
{}

SqliteStatement& SqliteStatement::Bind(int index, const std::string& value)
{
    if (sqlite3_bind_text(stmt, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        connection->Fail("cannot bind a parameter");
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value)
{
    if (sqlite3_bind_int64(stmt, index, value) != SQLITE_OK)
        connection->Fail("cannot bind a parameter");
    return *this;
}

bool SqliteStatement::Step()
{
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    connection->Fail("query failed");
}

std::string SqliteStatement::GetText(int column) const
{
    const auto* text = sqlite3_column_text(stmt, column);
    const int size = sqlite3_column_bytes(stmt, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)) : std::string();
}

double SqliteStatement::GetDouble(int column) const
{
    return sqlite3_column_double(stmt, column);
}

std::int64_t SqliteStatement::GetInteger(int column) const
{
    return sqlite3_column_int64(stmt, column);
}

bool SqliteStatement::IsNull(int column) const
{
    return sqlite3_column_type(stmt, column) == SQLITE_NULL;
}

} // namespace vddb
