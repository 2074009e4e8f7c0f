// Throughput of the salted MD5 checksum over a file, side by side with md5sum on
// the same file. Usage: checksum FILE [ROUNDS]
// Prints both throughputs and their ratio (ours / md5sum; 1.0 = as fast).
#include "vdcommon/utilities/ChecksumCalculator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/resource.h>

#include <wx/filename.h>
#include <wx/init.h>
#include <wx/wfstream.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Timing
{
    double wall = 1e30; // seconds
    double cpu = 1e30;  // user + system seconds

    void KeepBest(const Timing& other)
    {
        wall = std::min(wall, other.wall);
        cpu = std::min(cpu, other.cpu);
    }
};

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Wall time suffers when other work shares the machine; processor time shows
// the cost of the hashing itself. Both are reported.
template <typename F>
Timing Measure(int who, F&& run)
{
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds(who);
    run();
    return {std::chrono::duration<double>(Clock::now() - start).count(), CpuSeconds(who) - cpuStart};
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
    Timing ours, theirs;
    wxString digest;
    const std::string command = "md5sum '" + file + "' > /dev/null";
    for (int i = 0; i < rounds; ++i) {
        ours.KeepBest(Measure(RUSAGE_SELF, [&] {
            wxFileInputStream in(file);
            digest = calculator->CalculateChecksum(in);
        }));
        theirs.KeepBest(Measure(RUSAGE_CHILDREN, [&] {
            if (std::system(command.c_str()) != 0) {
                std::fprintf(stderr, "md5sum failed\n");
                std::exit(1);
            }
        }));
    }
    std::printf("input      %.0f MiB, best of %d runs each\n", mib, rounds);
    std::printf("                 wall MiB/s   cpu MiB/s\n");
    std::printf("checksum   %13.1f %11.1f   (%s)\n", mib / ours.wall, mib / ours.cpu,
                static_cast<const char*>(digest.utf8_str()));
    std::printf("md5sum     %13.1f %11.1f\n", mib / theirs.wall, mib / theirs.cpu);
    std::printf("ratio      %13.3f %11.3f   (checksum / md5sum throughput)\n",
                theirs.wall / ours.wall, theirs.cpu / ours.cpu);
    return 0;
}
