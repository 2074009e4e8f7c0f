// Throughput of the salted MD5 checksum over a file, side by side with md5sum on
// the same file. Usage: checksum FILE [ROUNDS]
// Prints both throughputs and their ratio (ours / md5sum; 1.0 = as fast).
#include "vdcommon/utilities/ChecksumCalculator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <wx/filename.h>
#include <wx/init.h>
#include <wx/wfstream.h>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double TimeOurs(const wxString& file, const ChecksumCalculator& calculator, wxString& digest)
{
    const auto start = Clock::now();
    wxFileInputStream in(file);
    digest = calculator.CalculateChecksum(in);
    return Seconds(start);
}

double TimeMd5sum(const std::string& file)
{
    const std::string command = "md5sum '" + file + "' > /dev/null";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "md5sum failed\n");
        std::exit(1);
    }
    return Seconds(start);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [ROUNDS]\n", argv[0]);
        return 2;
    }
    wxInitializer init;
    const std::string file = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const double mib = static_cast<double>(wxFileName::GetSize(file).GetValue()) / (1024.0 * 1024.0);
    const auto calculator = ChecksumCalculator::MakeChecksumCalculator(ChecksumCalculator::MD5);

    // Alternate the two, keeping the best run of each: the least disturbed by
    // whatever else the machine is doing.
    double ours = 1e30, theirs = 1e30;
    wxString digest;
    for (int i = 0; i < rounds; ++i) {
        ours = std::min(ours, TimeOurs(file, *calculator, digest));
        theirs = std::min(theirs, TimeMd5sum(file));
    }
    std::printf("input      %.0f MiB, best of %d runs each\n", mib, rounds);
    std::printf("checksum   %8.1f MiB/s  (%s)\n", mib / ours, static_cast<const char*>(digest.utf8_str()));
    std::printf("md5sum     %8.1f MiB/s\n", mib / theirs);
    std::printf("ratio      %.3f  (checksum / md5sum throughput)\n", theirs / ours);
    return 0;
}
