// Throughput of the salted MD5 checksum over a file, side by side with md5sum and
// `openssl md5` on the same file (taken in turn, so a busy machine slows all three
// alike). Usage: checksum FILE [ROUNDS]
// Prints the median throughputs and the ratios (ours / peer; 1.0 = as fast).
#include "vdcommon/utilities/ChecksumCalculator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/resource.h>

#include <wx/filename.h>
#include <wx/init.h>
#include <wx/wfstream.h>

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Wall and processor seconds of each run. Wall time suffers when other work shares
// the machine; processor time shows the cost of the hashing itself.
struct Timings {
    std::vector<double> wall, cpu;

    template <typename F>
    void Measure(int who, F&& run)
    {
        const auto start = Clock::now();
        const double cpuStart = CpuSeconds(who);
        run();
        wall.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        cpu.push_back(CpuSeconds(who) - cpuStart);
    }
    static double Median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    double Wall() const { return Median(wall); }
    double Cpu() const { return Median(cpu); }
};

void Run(const std::string& command, const char* tool)
{
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "checksum: %s failed (is it installed?)\n", tool);
        std::exit(1);
    }
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

    Timings ours, md5sum, openssl;
    wxString digest;
    const std::string md5sumCommand = "md5sum '" + file + "' > /dev/null";
    const std::string opensslCommand = "openssl md5 '" + file + "' > /dev/null";
    for (int i = 0; i < rounds; ++i) {
        ours.Measure(RUSAGE_SELF, [&] {
            wxFileInputStream in(file);
            digest = calculator->CalculateChecksum(in);
        });
        md5sum.Measure(RUSAGE_CHILDREN, [&] { Run(md5sumCommand, "md5sum"); });
        openssl.Measure(RUSAGE_CHILDREN, [&] { Run(opensslCommand, "openssl"); });
    }
    std::printf("input      %.0f MiB, median of %d runs each\n", mib, rounds);
    std::printf("                 wall MiB/s   cpu MiB/s\n");
    std::printf("checksum   %13.1f %11.1f   (%s)\n", mib / ours.Wall(), mib / ours.Cpu(),
                static_cast<const char*>(digest.utf8_str()));
    std::printf("md5sum     %13.1f %11.1f\n", mib / md5sum.Wall(), mib / md5sum.Cpu());
    std::printf("openssl    %13.1f %11.1f\n", mib / openssl.Wall(), mib / openssl.Cpu());
    std::printf("ratio_md5sum  %10.3f %11.3f   (checksum / md5sum throughput)\n", md5sum.Wall() / ours.Wall(),
                md5sum.Cpu() / ours.Cpu());
    std::printf("ratio_openssl %10.3f %11.3f   (checksum / openssl md5 throughput)\n", openssl.Wall() / ours.Wall(),
                openssl.Cpu() / ours.Cpu());
    return 0;
}
