#include "OutputFile.h"

#include <fmt/format.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vdreport {

namespace {

namespace fs = std::filesystem;

// What the signal handler may touch: a fixed buffer and a flag, nothing that allocates.
char pendingPath[PATH_MAX + 1];
std::atomic<bool> pending{false};
mode_t fileMode = 0644;

extern "C" void RemoveAndRaise(int signal)
{
    if (pending.exchange(false))
        ::unlink(pendingPath);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

void InstallSignalCleanup()
{
    // The mode a plain file would get: what the user's umask leaves of 0666.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    fileMode = 0666 & ~mask;
    struct sigaction action {};
    action.sa_handler = &RemoveAndRaise;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaction(signal, &action, nullptr);
}

OutputFile::OutputFile(const std::string& destination_, const std::string& input) : destination(destination_)
{
    const fs::path path(destination);
    std::error_code ec;
    const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
    if (!fs::is_directory(parent, ec))
        throw std::runtime_error(fmt::format("output folder does not exist: {}", parent.string()));
    struct stat target {};
    if (::stat(destination.c_str(), &target) == 0) {
        if (S_ISDIR(target.st_mode))
            throw std::runtime_error(fmt::format("output path is a folder: {}", destination));
        struct stat source {};
        if (::stat(input.c_str(), &source) == 0 && source.st_dev == target.st_dev && source.st_ino == target.st_ino)
            throw std::runtime_error(fmt::format("output file is the project file: {}", destination));
    }
    std::string pattern = (parent / ("." + path.filename().string() + ".XXXXXX")).string();
    if (pattern.size() > PATH_MAX)
        throw std::runtime_error(fmt::format("output path too long: {}", destination));
    fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error(fmt::format("cannot write output file: {} ({})", destination, std::strerror(errno)));
    temporary = pattern;
    std::memcpy(pendingPath, temporary.c_str(), temporary.size() + 1);
    pending = true;
}

OutputFile::~OutputFile()
{
    if (fd >= 0)
        ::close(fd);
    if (!temporary.empty()) {
        pending = false;
        ::unlink(temporary.c_str());
    }
}

void OutputFile::Commit(const wxMemoryOutputStream& pdf)
{
    const wxStreamBuffer* buffer = pdf.GetOutputStreamBuffer();
    const auto size = static_cast<std::size_t>(pdf.GetLength());
    if (size == 0 || buffer == nullptr)
        throw std::runtime_error("the report produced no PDF data");
    const auto* data = static_cast<const char*>(buffer->GetBufferStart());
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error(
                fmt::format("cannot write output file: {} ({})", destination, std::strerror(errno)));
        done += static_cast<std::size_t>(n);
    }
    if (::fchmod(fd, fileMode) != 0 || ::fsync(fd) != 0 || ::close(fd) != 0) {
        fd = -1;
        throw std::runtime_error(fmt::format("cannot write output file: {} ({})", destination, std::strerror(errno)));
    }
    fd = -1;
    // rename replaces a link at the destination itself, never the file it points to.
    if (::rename(temporary.c_str(), destination.c_str()) != 0)
        throw std::runtime_error(fmt::format("cannot write output file: {} ({})", destination, std::strerror(errno)));
    pending = false;
    temporary.clear();
}

} // namespace vdreport
