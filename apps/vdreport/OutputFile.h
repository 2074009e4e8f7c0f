#pragma once
// The report's output file, written so that nothing else is ever touched: a temporary
// file with an unpredictable name is created beside the destination (O_CREAT|O_EXCL,
// so an existing file or link of that name is never opened), filled, and renamed over
// the destination in one step. It is removed on every failure and, through the signal
// handlers InstallSignalCleanup sets up, when the run is interrupted.
#include <wx/mstream.h>

#include <string>

namespace vdreport {

// SIGINT, SIGTERM, SIGHUP and SIGQUIT remove the temporary file, then end the
// process as the signal would have.
void InstallSignalCleanup();

class OutputFile
{
public:
    // Checks the destination and creates the temporary file at once, so that a run
    // that cannot write fails before any work. Refuses a destination that is a folder,
    // lies in a folder that does not exist, or is `input` itself (the same file, by
    // device and inode, whatever the names). Throws std::runtime_error.
    OutputFile(const std::string& destination, const std::string& input);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& Destination() const { return destination; }

    // Writes the PDF and renames it over the destination.
    void Commit(const wxMemoryOutputStream& pdf);

private:
    std::string destination;
    std::string temporary;
    int fd = -1;
};

} // namespace vdreport
