#include "vdcommon/utilities/Files.h"

#include <stdexcept>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

std::vector<wxString> Files::ms_tempFiles;

namespace {

constexpr std::size_t kMaxFileNameLength = 72;

bool IsAllowed(wxUniChar c)
{
    static const wxString allowed = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 _+-.#$";
    return allowed.find(c) != wxString::npos;
}

} // namespace

wxString Files::ConstructFileName(const wxString& text)
{
    wxString name;
    wxUniChar last = ' ';
    for (const wxUniChar c : text) {
        if (IsAllowed(c)) {
            name += c;
            last = c;
        } else {
            if (last != ' ')
                name += ' ';
            last = ' ';
        }
    }
    name.Trim(true);
    if (name.length() > kMaxFileNameLength) {
        name.Truncate(kMaxFileNameLength);
        // The cut may end the name with a blank, which the host's file system
        // does not accept at the end of a file name.
        name.Trim(true);
    }
    return name;
}

wxString Files::CreateTempFile(const wxString& extension, const wxString& directory)
{
    wxFileName folder;
    folder.AssignDir(directory);
    const wxString prefix = folder.GetPath(wxPATH_GET_VOLUME | wxPATH_GET_SEPARATOR);

    wxString name;
    {
        // The failure is reported by the exception below, not by a log box too.
        wxLogNull quiet;
        name = wxFileName::CreateTempFileName(prefix);
    }
    if (name.empty())
        throw std::runtime_error("Cannot create a temporary file in '" + directory.utf8_string() + "'");

    if (!extension.empty()) {
        wxRemoveFile(name);
        wxFileName withExtension(name);
        // "pdf" and ".pdf" both mean the extension pdf.
        withExtension.SetExt(extension.StartsWith(".") ? extension.Mid(1) : extension);
        name = withExtension.GetFullPath();
    }
    ms_tempFiles.push_back(name);
    return name;
}

void Files::RemoveTempFiles()
{
    for (const wxString& name : ms_tempFiles) {
        if (wxFileExists(name))
            wxRemoveFile(name);
    }
}
