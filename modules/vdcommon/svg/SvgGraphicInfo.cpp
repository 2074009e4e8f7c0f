#include "vdcommon/svg/SvgGraphicInfo.h"
#include "vdcommon/svg/SvgLimits.h"
#include "vdcommon/svg/SvgToPdfConverter.h"
#include "vdcommon/svg/SvgValues.h"
#include "vdcommon/utilities/Diagnostics.h"

#include <wx/log.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <fmt/format.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>

namespace {

std::runtime_error Refused(const std::string& name, const std::string& why)
{
    return std::runtime_error(fmt::format("plant graphic \"{}\" refused: {}", name, why));
}

// A graphic name as a path below the folder it is looked up in: '/'-separated, "."
// and empty parts dropped, ".." taking back the part before it. False when it would
// leave the folder, or names another scheme or archive ("#zip:", "file:", "\").
bool BelowFolder(const std::string& name, std::string& relative)
{
    if (name.find('#') != std::string::npos || name.find(':') != std::string::npos ||
        name.find('\\') != std::string::npos || name.find('\0') != std::string::npos)
        return false;
    std::vector<std::string> parts;
    for (std::string_view piece : svg::Split(name, '/')) {
        const std::string part(piece);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (parts.empty())
                return false;
            parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    relative.clear();
    for (const std::string& part : parts)
        relative += (relative.empty() ? "" : "/") + part;
    return !relative.empty();
}

std::string RealPath(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

std::shared_ptr<wxXmlDocument> Parsed(SvgDocumentLoad loaded, const std::string& name)
{
    if (!loaded.document)
        throw std::runtime_error(fmt::format("plant graphic \"{}\" could not be read: {}", name, loaded.error));
    return loaded.document;
}

} // namespace

std::shared_ptr<wxXmlDocument> FileLoadPolicy::Load(const wxString& fileName, const wxString& resourcePath)
{
    const std::string name = fileName.utf8_string();
    std::string relative;
    if (!BelowFolder(name, relative))
        throw Refused(name, "not a file below the data folder");
    const std::string root = RealPath(resourcePath.empty() ? std::string(".") : resourcePath.utf8_string());
    if (root.empty())
        throw std::runtime_error(fmt::format("plant graphic \"{}\" not found in data folder", name));
    const std::string candidate = root + "/" + relative;
    struct stat info {};
    if (lstat(candidate.c_str(), &info) != 0)
        throw std::runtime_error(fmt::format("plant graphic \"{}\" not found in data folder", name));
    // Links are followed only while they stay inside the data folder.
    const std::string real = RealPath(candidate);
    if (real.empty() || real.compare(0, root.size() + 1, root + "/") != 0)
        throw Refused(name, "it leads outside the data folder");
    diagnostics::Debug("Loading SVG file from path: " + real);
    return Parsed(SvgToPdfConverter::LoadFile(wxString::FromUTF8(real)), name);
}

std::shared_ptr<wxXmlDocument> ArchiveLoadPolicy::Load(const wxString& fileName, const wxString& resourcePath)
{
    const std::string name = fileName.utf8_string();
    std::string relative;
    if (!BelowFolder(name, relative))
        throw Refused(name, "not an entry of the resource archive");
    const wxString archivePath = resourcePath + wxS("vdbase.zrc");
    wxLogNull quiet;
    wxFFileInputStream file(archivePath);
    if (!file.IsOk())
        throw std::runtime_error(
            fmt::format("plant graphic \"{}\" not found: no resource archive {}", name, archivePath.utf8_string()));
    wxZipInputStream zip(file);
    const size_t limit = GetSvgLimits().maxDocumentBytes;
    for (std::unique_ptr<wxZipEntry> entry(zip.GetNextEntry()); entry; entry.reset(zip.GetNextEntry())) {
        std::string entryName;
        if (!BelowFolder(entry->GetName(wxPATH_UNIX).utf8_string(), entryName) || entryName != relative)
            continue;
        if (entry->GetSize() > 0 && static_cast<unsigned long long>(entry->GetSize()) > limit)
            throw Refused(name, fmt::format("larger than {} bytes once unpacked", limit));
        // The stated size may lie: what is read is counted, and reading stops at the limit.
        std::string bytes;
        char buffer[65536];
        while (true) {
            zip.Read(buffer, sizeof buffer);
            const size_t got = zip.LastRead();
            bytes.append(buffer, got);
            if (bytes.size() > limit)
                throw Refused(name, fmt::format("larger than {} bytes once unpacked", limit));
            if (got == 0 || zip.Eof())
                break;
        }
        if (zip.GetLastError() != wxSTREAM_NO_ERROR && zip.GetLastError() != wxSTREAM_EOF)
            throw std::runtime_error(fmt::format("plant graphic \"{}\" could not be read: the resource archive is "
                                                 "damaged",
                                                 name));
        return Parsed(SvgToPdfConverter::LoadBytes(bytes, name), name);
    }
    if (zip.GetLastError() != wxSTREAM_NO_ERROR && zip.GetLastError() != wxSTREAM_EOF)
        throw std::runtime_error(
            fmt::format("plant graphic \"{}\" could not be read: the resource archive is damaged", name));
    throw std::runtime_error(fmt::format("plant graphic \"{}\" not found in the resource archive", name));
}
