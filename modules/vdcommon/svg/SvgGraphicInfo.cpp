#include "vdcommon/svg/SvgGraphicInfo.h"
#include "vdcommon/utilities/Diagnostics.h"

#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/fs_arc.h>
#include <wx/log.h>
#include <wx/wfstream.h>

#include <fmt/format.h>

#include <mutex>
#include <stdexcept>

std::shared_ptr<wxXmlDocument> FileLoadPolicy::Load(const wxString& fileName, const wxString& resourcePath)
{
    wxString path = resourcePath;
    if (!path.empty() && !path.EndsWith(wxString(wxFileName::GetPathSeparator()))) {
        path += wxFileName::GetPathSeparator();
    }
    path += fileName;
    const std::string utf8Path = path.utf8_string();
    diagnostics::Info("Loading SVG file from path: " + utf8Path);

    if (!wxFileName::FileExists(path)) {
        throw std::runtime_error("SvgRenderer: File not found at path: " + utf8Path);
    }
    wxFileInputStream in(path);
    if (!in.IsOk()) {
        throw std::runtime_error("SvgRenderer: Failed to open file: " + utf8Path);
    }
    auto document = std::make_shared<wxXmlDocument>();
    bool loaded = false;
    {
        // The toolkit reports the parse error through its log; the exception carries it.
        wxLogNull quiet;
        loaded = document->Load(in, wxS("UTF-8"), wxXMLDOC_NONE);
    }
    if (!loaded) {
        // This toolkit version exposes no position of the parse error.
        throw std::runtime_error(fmt::format("SvgRenderer: Failed to parse XML from file: {} error: line: {}, column: {}, message: {}",
                                             utf8Path, 0, 0, "not well-formed XML"));
    }
    return document;
}

std::shared_ptr<wxXmlDocument> ArchiveLoadPolicy::Load(const wxString& fileName, const wxString& resourcePath)
{
    // One handler for the whole process: the toolkit keeps every added handler, so
    // adding one per load would grow its list without end.
    static std::once_flag registered;
    std::call_once(registered, [] { wxFileSystem::AddHandler(new wxArchiveFSHandler); });

    const wxString archiveUrl = wxFileSystem::FileNameToURL(wxFileName(resourcePath + wxS("vdbase.zrc")));
    wxFileSystem fileSystem;
    std::unique_ptr<wxFSFile> file(fileSystem.OpenFile(archiveUrl + wxS("#zip:") + fileName, wxFS_READ | wxFS_SEEKABLE));
    if (!file || !file->GetStream()) {
        throw std::runtime_error("SvgRenderer: File not found in archive");
    }
    return std::make_shared<wxXmlDocument>(*file->GetStream());
}
