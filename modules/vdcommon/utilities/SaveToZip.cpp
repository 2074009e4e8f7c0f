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

SaveToZip::SaveToZip(const std::string& prefixText)
    : prefix(prefixText)
{
}

void SaveToZip::AddStream(wxMemoryOutputStream& stream, const wxString& comment)
{
    entries.emplace_back(&stream, comment);
}

void SaveToZip::Save(wxOutputStream& out)
{
    const auto calculator = ChecksumCalculator::MakeChecksumCalculator(ChecksumCalculator::MD5);
    wxZipOutputStream zip(out, -1, wxConvUTF8);

    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& [stream, comment] = entries[i];
        // Read the memory stream's bytes in place; its whole contents count,
        // wherever its write position stands.
        const wxStreamBuffer* buffer = stream->GetOutputStreamBuffer();
        wxMemoryInputStream input(buffer->GetBufferStart(), static_cast<size_t>(stream->GetLength()));

        auto data = std::make_unique<wxZipEntry>(
            wxString::FromUTF8(fmt::format("{}{}.dat", prefix, i + 1)), wxDateTime::Now());
        if (!comment.empty())
            data->SetComment(comment);
        if (!zip.PutNextEntry(data.release()))
            break;
        zip.Write(input);

        input.SeekI(0);
        const wxString checksum = calculator->CalculateChecksum(input);
        if (!zip.PutNextEntry(new wxZipEntry(fmt::format("checksum{}.dat", i + 1), wxDateTime::Now())))
            break;
        wxTextOutputStream text(zip);
        text.WriteString(checksum);
        text.Flush();
    }

    // The archive's directory is written by Close; only then is it known
    // whether everything reached `out`.
    const bool closed = zip.Close();
    if (!closed || !out.IsOk())
        throw std::runtime_error("Writing the zip archive failed");
}
