#pragma once
#include "vdcommon/Export.h"
// File names made from free text, and temporary files removed together.
// The temporary-file list is process-wide and unguarded: use it from one thread.

#include <vector>

#include <wx/string.h>

class VDCOMMON_API Files
{
public:
    // Keeps letters A-Z a-z, digits and " _+-.#$"; any run of other characters
    // becomes one space (none at the start). Trailing blanks are trimmed and
    // the name is cut to at most 72 characters, again without a trailing blank.
    static wxString ConstructFileName(const wxString& text);

    // A new temporary file name in `directory` (the system's temporary folder
    // when empty). Without an extension the file is created empty; with one,
    // the name carries it and the file does not exist yet. Every name is
    // remembered for RemoveTempFiles. Throws std::runtime_error when no
    // temporary file can be made in the directory.
    static wxString CreateTempFile(const wxString& extension, const wxString& directory);

    // Deletes every remembered file that exists.
    static void RemoveTempFiles();

private:
    static std::vector<wxString> ms_tempFiles;
};
