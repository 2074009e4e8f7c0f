#pragma once
// Files and folders for tests: a private temporary folder removed with everything in
// it, and whole-file reads and writes. Names are unique per process and call, so cases
// of one executable can run in parallel processes without meeting.
#include <filesystem>
#include <string>

namespace vdtest {

class TempDir
{
public:
    // A new, empty folder "<tag>-<pid>-<n>-XXXXXX" in the system's temporary folder.
    explicit TempDir(const std::string& tag = "vdtest");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path / name; }
    std::string Str() const { return path.string(); }

private:
    std::filesystem::path path;
};

// The whole file as bytes; "" when it cannot be read.
std::string ReadFile(const std::filesystem::path& file);
// Replaces the file with `bytes`, creating missing parent folders.
void WriteFile(const std::filesystem::path& file, const std::string& bytes);
// `s` quoted for a POSIX shell.
std::string ShellQuote(const std::string& s);

inline bool Has(const std::string& haystack, const std::string& needle)
{
    return haystack.find(needle) != std::string::npos;
}
int CountLines(const std::string& s);

} // namespace vdtest
