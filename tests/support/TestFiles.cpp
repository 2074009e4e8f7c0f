#include "support/TestFiles.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace vdtest {

TempDir::TempDir(const std::string& tag)
{
    static std::atomic<int> counter{0};
    std::string pattern = (std::filesystem::temp_directory_path() /
                           (tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-XXXXXX"))
                              .string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder " + pattern);
    }
    path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes)
{
    if (file.has_parent_path()) {
        std::error_code ec;
        std::filesystem::create_directories(file.parent_path(), ec);
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ShellQuote(const std::string& s)
{
    std::string q = "'";
    for (const char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

int CountLines(const std::string& s)
{
    return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
}

} // namespace vdtest
