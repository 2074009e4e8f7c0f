#include "vdcommon/database/ProjectDatabase.h"

#include "database/SqliteConnection.h"

#include <mutex>
#include <optional>
#include <stdexcept>

#include <fmt/format.h>
#include <wx/log.h>
#include <wx/utils.h>

namespace {

struct ProjectState {
    std::mutex mutex;
    std::optional<vddb::SqliteConnection> file;   // the open project file, if any
    std::optional<vddb::SqliteConnection> memory; // made on first use, kept for the process
    std::string user;                             // set by the host; empty = login name
};

ProjectState& State()
{
    static ProjectState state;
    return state;
}

constexpr const char* kGetQuery = "SELECT value FROM user_parameters WHERE os_user = ?1 AND key = ?2";
constexpr const char* kSetQuery = "INSERT INTO user_parameters (os_user, key, value) VALUES (?1, ?2, ?3)"
                                  " ON CONFLICT (os_user, key) DO UPDATE SET value = excluded.value";

void CreateSchema(vddb::SqliteConnection& connection)
{
    connection.Execute("BEGIN IMMEDIATE");
    try {
        connection.Execute(fmt::format("PRAGMA application_id = {};"
                                       "PRAGMA user_version = {};"
                                       "CREATE TABLE user_parameters ("
                                       " os_user TEXT NOT NULL,"
                                       " key TEXT NOT NULL,"
                                       " value TEXT NOT NULL,"
                                       " PRIMARY KEY (os_user, key)) WITHOUT ROWID;",
                                       ProjectDatabase::ApplicationId, ProjectDatabase::SchemaVersion)
                               .c_str());
        connection.Execute("COMMIT");
    } catch (...) {
        try {
            connection.Execute("ROLLBACK");
        } catch (...) {
        }
        throw;
    }
}

// The store in use: the project file, or else the in-memory database.
vddb::SqliteConnection& Store(ProjectState& state)
{
    if (state.file)
        return *state.file;
    if (!state.memory) {
        vddb::SqliteConnection memory("", vddb::SqliteConnection::Mode::Memory, "in-memory project database");
        CreateSchema(memory);
        state.memory = std::move(memory);
    }
    return *state.memory;
}

std::string CurrentUser(const ProjectState& state)
{
    if (!state.user.empty())
        return state.user;
    const std::string login = wxGetUserId().ToStdString(wxConvUTF8);
    return login.empty() ? std::string("unknown") : login;
}

} // namespace

void ProjectDatabase::Open(const std::string& path, OpenMode mode)
{
    using Mode = vddb::SqliteConnection::Mode;
    vddb::SqliteConnection connection(path, mode == OpenMode::CreateIfMissing ? Mode::ReadWriteCreate : Mode::ReadWrite,
                                      "project database");
    try {
        auto applicationId = connection.PragmaInteger("application_id");
        auto version = connection.PragmaInteger("user_version");
        // A new (or zero-length) file has no tables and a blank header.
        const bool blank =
            applicationId == 0 && version == 0 && !connection.Prepare("SELECT 1 FROM sqlite_schema").Step();
        if (blank && mode == OpenMode::CreateIfMissing) {
            CreateSchema(connection);
            applicationId = ApplicationId;
            version = SchemaVersion;
        }
        connection.CheckSchema(applicationId, version, ApplicationId, SchemaVersion, {kGetQuery, kSetQuery});
    } catch (const std::runtime_error& e) {
        connection.FailToOpen(e.what());
    }

    ProjectState& state = State();
    std::lock_guard lock(state.mutex);
    state.file = std::move(connection);
}

void ProjectDatabase::Close()
{
    ProjectState& state = State();
    std::lock_guard lock(state.mutex);
    state.file.reset();
}

bool ProjectDatabase::IsOpen()
{
    ProjectState& state = State();
    std::lock_guard lock(state.mutex);
    return state.file.has_value();
}

std::string ProjectDatabase::GetPath()
{
    ProjectState& state = State();
    std::lock_guard lock(state.mutex);
    return state.file ? state.file->GetPath() : std::string();
}

bool ProjectDatabase::GetUserParameter(const std::string& key, std::string& value, const std::string& defaultValue)
{
    ProjectState& state = State();
    std::lock_guard lock(state.mutex);
    try {
        auto statement = Store(state).Prepare(kGetQuery);
        statement.Bind(1, CurrentUser(state)).Bind(2, key);
        if (statement.Step()) {
            value = statement.GetText(0);
            return true;
        }
    } catch (const std::exception& e) {
        wxLogDebug("Reading user parameter '%s' failed: %s", wxString::FromUTF8(key), wxString(e.what()));
    }
    value = defaultValue;
    return false;
}

bool ProjectDatabase::SetUserParameter(const std::string& key, const std::string& value)
{
    ProjectState& state = State();
    std::lock_guard lock(state.mutex);
    try {
        auto statement = Store(state).Prepare(kSetQuery);
        statement.Bind(1, CurrentUser(state)).Bind(2, key).Bind(3, value);
        statement.Step();
        return true;
    } catch (const std::exception& e) {
        wxLogDebug("Storing user parameter '%s' failed: %s", wxString::FromUTF8(key), wxString(e.what()));
        return false;
    }
}

std::string ProjectDatabase::GetUserName()
{
    ProjectState& state = State();
    std::lock_guard lock(state.mutex);
    return CurrentUser(state);
}

void ProjectDatabase::SetUserName(const std::string& user)
{
    ProjectState& state = State();
    std::lock_guard lock(state.mutex);
    state.user = user;
}
