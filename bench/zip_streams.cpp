// SaveToZip against `zip -6` on the same files: mixed data (text, structured
// records, random bytes, long runs) of TOTAL MiB in several files.
//   zip_streams generate DIR [TOTAL_MIB=64]   writes the files (deterministic)
//   zip_streams run DIR OUT_DIR [ROUNDS=5]    alternates the two, prints medians
// Ours saves the archive of the streams (read into memory before the clock starts, as
// they are in memory in the application) to a file; zip runs as a whole command
// (start-up and reading the files from the page cache included, a few milliseconds).
#include "vdcommon/utilities/SaveToZip.h"

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/init.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Random {
    std::uint64_t state;
    std::uint64_t Next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

// One file of `bytes` bytes of the given kind.
std::string Make(int kind, std::size_t bytes, Random& random)
{
    static const char* const words[] = {"pressure",    "flow",        "membrane", "recovery", "stage",   "pass",
                                        "permeate",    "concentrate", "feed",     "module",   "element", "design",
                                        "temperature", "salinity",    "the",      "of",       "and",     "with"};
    std::string s;
    s.reserve(bytes + 256);
    while (s.size() < bytes) {
        switch (kind) {
        case 0: // prose
            s += words[random.Next() % std::size(words)];
            s += random.Next() % 12 == 0 ? ".\n" : " ";
            break;
        case 1: { // records
            char line[128];
            const auto v = random.Next();
            std::snprintf(line, sizeof line, "<value key=\"k%u\" amount=\"%u.%03u\" unit=\"m3/h\"/>\n",
                          static_cast<unsigned>(v % 100000), static_cast<unsigned>((v >> 20) % 1000),
                          static_cast<unsigned>((v >> 40) % 1000));
            s += line;
            break;
        }
        case 2: // incompressible
            for (int i = 0; i < 8; ++i) {
                const auto v = random.Next();
                s.append(reinterpret_cast<const char*>(&v), sizeof v);
            }
            break;
        default: // long runs with some noise, like raster image rows
            s.append(200 + random.Next() % 800, static_cast<char>(random.Next() % 4));
            s += static_cast<char>(random.Next());
        }
    }
    s.resize(bytes);
    return s;
}

double CpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int Generate(const std::string& dir, int totalMiB)
{
    wxFileName::Mkdir(dir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    Random random{0x9e3779b97f4a7c15ULL};
    // 16 files, kinds in turn: a third of the data compresses poorly.
    const int files = 16;
    const std::size_t each = static_cast<std::size_t>(totalMiB) * 1024 * 1024 / files;
    for (int i = 0; i < files; ++i) {
        const std::string data = Make(i % 4 == 2 ? 2 : i % 3 == 0 ? 0 : i % 3 == 1 ? 1 : 3, each, random);
        char name[64];
        std::snprintf(name, sizeof name, "/stream%02d.dat", i + 1);
        std::ofstream out(dir + name, std::ios::binary);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (!out) {
            std::fprintf(stderr, "zip_streams: cannot write %s%s\n", dir.c_str(), name);
            return 1;
        }
    }
    return 0;
}

int Run(const std::string& dir, const std::string& outDir, int rounds)
{
    wxArrayString files;
    wxDir::GetAllFiles(dir, &files, "stream*.dat", wxDIR_FILES);
    files.Sort();
    if (files.empty()) {
        std::fprintf(stderr, "zip_streams: no stream*.dat in %s\n", dir.c_str());
        return 1;
    }
    std::string list;
    double mib = 0;
    for (const wxString& f : files) {
        list += " '" + f.utf8_string() + "'";
        mib += static_cast<double>(wxFileName::GetSize(f).GetValue()) / (1024.0 * 1024.0);
    }
    const std::string oursFile = outDir + "/ours.zip", theirsFile = outDir + "/zip6.zip";
    const std::string command = "rm -f '" + theirsFile + "' && zip -q -6 -j '" + theirsFile + "'" + list;

    // Wall and processor seconds: on a busy machine the wall clock also measures the
    // neighbours.
    // The streams are what the archive is made of: they are in memory before the clock
    // starts, as they are in the application.
    std::vector<std::unique_ptr<wxMemoryOutputStream>> streams;
    for (const wxString& f : files) {
        std::ifstream in(f.utf8_string(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        auto& stream = streams.emplace_back(std::make_unique<wxMemoryOutputStream>());
        stream->Write(bytes.data(), bytes.size());
    }
    std::vector<double> ours, theirs, oursCpu, theirsCpu;
    for (int r = 0; r < rounds; ++r) {
        double cpu = CpuSeconds(RUSAGE_SELF);
        auto start = Clock::now();
        {
            SaveToZip zip("stream");
            for (auto& stream : streams)
                zip.AddStream(*stream, wxEmptyString);
            wxFileOutputStream out(oursFile);
            zip.Save(out);
        }
        ours.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        oursCpu.push_back(CpuSeconds(RUSAGE_SELF) - cpu);

        cpu = CpuSeconds(RUSAGE_CHILDREN);
        start = Clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "zip_streams: zip failed (Debian package zip)\n");
            return 1;
        }
        theirs.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        theirsCpu.push_back(CpuSeconds(RUSAGE_CHILDREN) - cpu);
    }
    const double a = Median(ours), b = Median(theirs);
    std::printf("input %.0f MiB in %zu files, median of %d runs each\n", mib, files.size(), rounds);
    std::printf("savetozip %.3f s %.1f MiB/s %.3f s_cpu %.2f MB\n", a, mib / a, Median(oursCpu),
                static_cast<double>(wxFileName::GetSize(oursFile).GetValue()) / 1e6);
    std::printf("zip6 %.3f s %.1f MiB/s %.3f s_cpu %.2f MB\n", b, mib / b, Median(theirsCpu),
                static_cast<double>(wxFileName::GetSize(theirsFile).GetValue()) / 1e6);
    std::printf("overhead %+.1f %% (processor time %+.1f %%)\n", (a / b - 1) * 100,
                (Median(oursCpu) / Median(theirsCpu) - 1) * 100);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    wxInitializer init;
    const std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "generate" && argc > 2)
            return Generate(argv[2], argc > 3 ? std::max(1, std::atoi(argv[3])) : 64);
        if (mode == "run" && argc > 3)
            return Run(argv[2], argv[3], argc > 4 ? std::max(1, std::atoi(argv[4])) : 5);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zip_streams: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: %s generate DIR [TOTAL_MIB] | run DIR OUT_DIR [ROUNDS]\n", argv[0]);
    return 2;
}
