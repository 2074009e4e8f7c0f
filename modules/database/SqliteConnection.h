#pragma once
// Thin RAII layer over the SQLite C interface, shared by the master and project
// databases. Every statement binds its parameters; no text is spliced into SQL.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace vddb {

class SqliteStatement;

class SqliteConnection
{
public:
    enum class Mode {
        ReadOnly,
        ReadWrite,
        ReadWriteCreate,
        Memory
    };

    SqliteConnection() = default;
    // Throws std::runtime_error naming `what` and the path when the file cannot be opened.
    SqliteConnection(const std::string& path, Mode mode, const std::string& what);
    ~SqliteConnection();

    SqliteConnection(SqliteConnection&& other) noexcept;
    SqliteConnection& operator=(SqliteConnection&& other) noexcept;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    bool IsOpen() const { return db != nullptr; }
    const std::string& GetPath() const { return path; }

    // Failures below throw std::runtime_error with SQLite's message; callers add
    // which database they were working on.
    // Runs statements without parameters (schema set-up).
    void Execute(const char* sql);
    SqliteStatement Prepare(std::string_view sql);

    std::int64_t PragmaInteger(const char* pragma);
    bool HasTable(const std::string& table);
    // Throws std::runtime_error when SQLite's quick check finds the file damaged.
    void CheckIntegrity();
    // Checks that the file is the database this code reads: the header's application id
    // and schema version as read, every query it will run (so its tables and columns are
    // all there) and the quick check. Throws std::runtime_error naming the first fault.
    void CheckSchema(std::int64_t applicationId, std::int64_t version, std::int64_t expectedId,
                     std::int64_t expectedVersion, std::initializer_list<std::string_view> queries);
    // Throws std::runtime_error "Cannot open <what> '<path>': <cause>".
    [[noreturn]] void FailToOpen(const std::string& cause) const;

    // Message of the last failure on this connection.
    std::string GetError() const;
    [[noreturn]] void Fail(const std::string& context) const;

private:
    sqlite3* db = nullptr;
    std::string path;
    std::string what;
};

class SqliteStatement
{
public:
    SqliteStatement(SqliteConnection& connection, sqlite3_stmt* stmt);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&&) = delete;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters are numbered from 1, as in SQLite.
    SqliteStatement& Bind(int index, const std::string& value);
    SqliteStatement& Bind(int index, std::int64_t value);

    // Advances to the next row; false when the statement is done. Throws on errors.
    bool Step();

    std::string GetText(int column) const;
    double GetDouble(int column) const;
    std::int64_t GetInteger(int column) const;
    bool IsNull(int column) const;

private:
    SqliteConnection* connection;
    sqlite3_stmt* stmt;
};

} // namespace vddb
