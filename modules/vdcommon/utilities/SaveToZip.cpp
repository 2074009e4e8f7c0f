#include "vdcommon/utilities/SaveToZip.h"

#include "vdcommon/utilities/ChecksumCalculator.h"

#include <memory>
#include <stdexcept>

#include <fmt/format.h>
#include <wx/datetime.h>
#include <wx/mstream.h>
#include <wx/txtstrm.h>
#include <wx/zipstrm.h>

SaveToZip::SaveToZip(wxMemoryOutputStream& stream, const wxString& prefixText, const wxString& comment)
    : prefix(prefixText.utf8_string())
{
    AddStream(stream, comment);
}

SaveToZip::SaveToZip(const std::string& prefixText) : prefix(prefixText) {}

void SaveToZip::AddStream(wxMemoryOutputStream& stream, const wxString& comment)
{
    entries.emplace_back(&stream, comment);
}

void SaveToZip::Save(wxOutputStream& out)
{
    const auto calculator = ChecksumCalculator::MakeChecksumCalculator(ChecksumCalculator::MD5);
    // The zip stream writes every header field on its own; unbuffered, a file
    // stream would make a system call of each.
    wxBufferedOutputStream buffered(out, 1 << 16);
    bool written = true;
    {
        wxZipOutputStream zip(buffered, -1, wxConvUTF8);
        written = WriteEntries(zip, *calculator);
        // The archive's directory is written by Close; only then is it known
        // whether everything was accepted.
        written = zip.Close() && written;
    }
    written = buffered.Close() && written;
    if (!written || !out.IsOk())
        throw std::runtime_error("Writing the zip archive failed");
}

bool SaveToZip::WriteEntries(wxZipOutputStream& zip, const ChecksumCalculator& calculator) const
{
    // One time stamp for the whole archive: reading the local time zone for
    // every entry costs more than writing a small entry.
    const wxDateTime now = wxDateTime::Now();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& [stream, comment] = entries[i];
        // Read the memory stream's bytes in place; its whole contents count,
        // wherever its write position stands.
        const wxStreamBuffer* buffer = stream->GetOutputStreamBuffer();
        wxMemoryInputStream input(buffer->GetBufferStart(), static_cast<size_t>(stream->GetLength()));

        auto data = std::make_unique<wxZipEntry>(wxString::FromUTF8(fmt::format("{}{}.dat", prefix, i + 1)), now);
        if (!comment.empty())
            data->SetComment(comment);
        if (!zip.PutNextEntry(data.release()))
            return false;
        zip.Write(input);
        if (!zip.IsOk())
            return false;

        input.SeekI(0);
        const wxString checksum = calculator.CalculateChecksum(input);
        if (!zip.PutNextEntry(new wxZipEntry(fmt::format("checksum{}.dat", i + 1), now)))
            return false;
        wxTextOutputStream text(zip);
        text.WriteString(checksum);
        text.Flush();
        if (!zip.IsOk())
            return false;
    }
    return true;
}
