#pragma once
// Reading a whole file that comes from outside (a project file, a catalogue): only a
// regular file, only up to limits::Get().inputFileBytes. A device such as /dev/zero, a
// pipe or a folder is refused before a byte is read, so no input can make a reader
// run until memory is exhausted or block forever.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace inputfile {

class InputFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The file's bytes. `what` names the file in the error ("project file", "catalogue"):
// "<what> not found: PATH", "<what> is a folder: PATH", "<what> is not a regular file:
// PATH", "<what> is larger than the limit of N bytes: PATH", "cannot read <what>: PATH".
std::string Read(const std::string& path, const std::string& what);

// The same checks, then the open file descriptor (the caller closes it) and its size,
// for readers that stream the file instead of holding it whole.
int Open(const std::string& path, const std::string& what, std::uint64_t& size);

} // namespace inputfile
