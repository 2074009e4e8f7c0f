#pragma once
#include "vdcommon/Export.h"
// The current project's store. This library keeps the user parameters in it,
// one set per operating-system user. With no project file open, an in-memory
// database serves for the rest of the process, so user parameters always work.

#include <cstdint>
#include <string>

class VDCOMMON_API ProjectDatabase
{
public:
    static constexpr int SchemaVersion = 1;
    // Marks a file as a project database (SQLite application_id, "VDPD").
    static constexpr std::int32_t ApplicationId = 0x56445044;

    enum class OpenMode {
        OpenExisting,
        CreateIfMissing
    };

    // Opens a project file read-write, replacing one opened before. With
    // CreateIfMissing, a missing or empty file is created with the current
    // schema. Throws std::runtime_error when the file cannot be opened, is not
    // an SQLite database, or is not a project database of SchemaVersion; the
    // previous state then stays in force.
    static void Open(const std::string& path, OpenMode mode = OpenMode::OpenExisting);
    // Closes the project file; the in-memory store serves again.
    static void Close();
    // Whether a project file (not the in-memory store) is open.
    static bool IsOpen();
    static std::string GetPath();

    // Writes the stored value of the key for the current user into `value` and
    // returns true; when nothing is stored (or the store cannot be read) writes
    // `defaultValue` and returns false.
    static bool GetUserParameter(const std::string& key, std::string& value, const std::string& defaultValue);
    // Stores the value for the current user; false when it could not be stored.
    static bool SetUserParameter(const std::string& key, const std::string& value);

    // The user the parameters belong to: the login name of the process, unless
    // the host names another one with SetUserName (an empty name resets it).
    static std::string GetUserName();
    static void SetUserName(const std::string& user);
};
