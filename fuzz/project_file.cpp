// Project files: the bytes are written to a file and read back as a project.
#include "FuzzSupport.h"
#include "host/ProjectFile.h"

#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vdfuzz::StartToolkit();
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/vd-fuzz-project-" + std::to_string(::getpid()) + ".vdproj";
    }();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
        vdhost::ProjectFile project = vdhost::ReadProjectFile(path);
        // The trees come from outside input and may be deep: free them without recursion.
        vdfuzz::DeleteTree(project.general.release());
        for (auto& report : project.reports)
            vdfuzz::DeleteTree(report.data.release());
    } catch (const vdhost::ProjectFileError&) {
    }
    return 0;
}
