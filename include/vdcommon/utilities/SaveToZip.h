#pragma once
#include "vdcommon/Export.h"
// Writes in-memory streams into a zip archive. Each stream becomes the entry
// <prefix><n>.dat, followed by checksum<n>.dat holding its salted MD5 (n from 1).
// The streams are not owned and must outlive Save.

#include <string>
#include <utility>
#include <vector>

#include <wx/string.h>

class ChecksumCalculator;
class wxMemoryOutputStream;
class wxOutputStream;
class wxZipOutputStream;

class VDCOMMON_API SaveToZip
{
public:
    SaveToZip(wxMemoryOutputStream& stream, const wxString& prefix, const wxString& comment);
    explicit SaveToZip(const std::string& prefix);

    void AddStream(wxMemoryOutputStream& stream, const wxString& comment);

    // Writes the archive to `out`. Throws std::runtime_error when the archive
    // cannot be written completely. More than 65535 entries are written in the
    // ZIP64 format.
    void Save(wxOutputStream& out);

private:
    bool WriteEntries(wxZipOutputStream& zip, const ChecksumCalculator& calculator) const;

    std::string prefix; // UTF-8
    std::vector<std::pair<wxMemoryOutputStream*, wxString>> entries;
};
