#include "vdcommon/utilities/InputFile.h"

#include "vdcommon/utilities/Limits.h"

#include <fmt/format.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inputfile {
namespace {

struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

int Open(const std::string& path, const std::string& what, std::uint64_t& size)
{
    const std::uint64_t limit = limits::Get().inputFileBytes;
    // Non-blocking, so that opening a FIFO without a writer does not wait; the type
    // is checked on the opened descriptor, so nothing can be swapped in between.
    Descriptor file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw InputFileError(fmt::format("{} not found: {}", what, path));
        throw InputFileError(fmt::format("cannot read {}: {}", what, path));
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        throw InputFileError(fmt::format("cannot read {}: {}", what, path));
    if (S_ISDIR(info.st_mode))
        throw InputFileError(fmt::format("{} is a folder: {}", what, path));
    if (!S_ISREG(info.st_mode))
        throw InputFileError(fmt::format("{} is not a regular file: {}", what, path));
    size = static_cast<std::uint64_t>(info.st_size);
    if (size > limit)
        throw InputFileError(fmt::format("{} is larger than the limit of {} bytes: {}", what, limit, path));
    const int fd = file.fd;
    file.fd = -1;
    return fd;
}

std::string Read(const std::string& path, const std::string& what)
{
    std::uint64_t size = 0;
    Descriptor file;
    file.fd = Open(path, what, size);
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw InputFileError(fmt::format("cannot read {}: {}", what, path));
        if (got == 0)
            break; // shrank while reading: take what is there
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

} // namespace inputfile
