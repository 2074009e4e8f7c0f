#include <gtest/gtest.h>

#include "database/TestDatabaseFiles.h"
#include "support/PdfProbe.h"
#include "vdcommon/utilities/ChecksumCalculator.h"
#include "vdcommon/utilities/SaveToZip.h"

#include <memory>

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>
#include <wx/filename.h>
#include <wx/zipstrm.h>

namespace {

struct ReadEntry {
    std::string name;
    std::string data;
    std::string comment;
};

std::vector<ReadEntry> ReadArchive(const std::string& file)
{
    // An empty archive has no directory to seek to; the toolkit logs that.
    wxLogNull quiet;
    wxFileInputStream in(file);
    wxZipInputStream zip(in, wxConvUTF8);
    std::vector<ReadEntry> entries;
    while (std::unique_ptr<wxZipEntry> entry{zip.GetNextEntry()}) {
        wxMemoryOutputStream data;
        zip.Read(data);
        std::string bytes(static_cast<std::size_t>(data.GetLength()), '\0');
        data.CopyTo(bytes.data(), bytes.size());
        entries.push_back({entry->GetName().utf8_string(), bytes, entry->GetComment().utf8_string()});
    }
    return entries;
}

std::string Checksum(const std::string& bytes)
{
    wxMemoryInputStream in(bytes.data(), bytes.size());
    return ChecksumCalculator::MakeChecksumCalculator(ChecksumCalculator::MD5)->CalculateChecksum(in).utf8_string();
}

void Write(wxMemoryOutputStream& stream, const std::string& bytes)
{
    stream.Write(bytes.data(), bytes.size());
}

// An output that accepts only so many bytes, like a full disk.
class FullDisk : public wxOutputStream
{
public:
    explicit FullDisk(std::size_t room) : room(room) {}

protected:
    size_t OnSysWrite(const void*, size_t size) override
    {
        if (size > room) {
            m_lasterror = wxSTREAM_WRITE_ERROR;
            return 0;
        }
        room -= size;
        return size;
    }

private:
    std::size_t room;
};

} // namespace

TEST(SaveToZip, WritesDataAndChecksumEntriesInOrder)
{
    vdtest::TempFolder folder;
    wxMemoryOutputStream first, second, third;
    Write(first, "first stream");
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 % 251);
    Write(second, big);
    // third stays empty

    SaveToZip zip(first, "data", "first comment");
    zip.AddStream(second, "");
    zip.AddStream(third, wxString::FromUTF8("Größe"));
    const std::string file = folder.File("archive.zip");
    for (int round = 0; round < 2; ++round) { // saving again writes the same entries
        wxFileOutputStream out(file);
        zip.Save(out);
    }

    EXPECT_EQ(pdfprobe::Run("unzip -t '" + file + "'").exitCode, 0);
    const auto entries = ReadArchive(file);
    ASSERT_EQ(entries.size(), 6u);
    const std::vector<std::string> names{"data1.dat",     "checksum1.dat", "data2.dat",
                                         "checksum2.dat", "data3.dat",     "checksum3.dat"};
    const std::vector<std::string> contents{"first stream", big, ""};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(entries[2 * i].name, names[2 * i]);
        EXPECT_EQ(entries[2 * i + 1].name, names[2 * i + 1]);
        EXPECT_EQ(entries[2 * i].data, contents[i]);
        EXPECT_EQ(entries[2 * i + 1].data, Checksum(contents[i]));
    }
    EXPECT_EQ(entries[0].comment, "first comment");
    EXPECT_EQ(entries[2].comment, "");
    EXPECT_EQ(entries[4].comment, "Größe");
}

TEST(SaveToZip, EmptyArchiveUnicodePrefixAndWriteFailure)
{
    vdtest::TempFolder folder;
    {
        SaveToZip empty(std::string("nothing"));
        wxFileOutputStream out(folder.File("empty.zip"));
        empty.Save(out);
    }
    EXPECT_TRUE(ReadArchive(folder.File("empty.zip")).empty());
    EXPECT_EQ(wxFileName::GetSize(folder.File("empty.zip")), 22u); // the end record alone

    wxMemoryOutputStream stream;
    Write(stream, "x");
    SaveToZip named(stream, wxString::FromUTF8("Anlage-Ü"), "");
    {
        wxFileOutputStream out(folder.File("named.zip"));
        named.Save(out);
    }
    EXPECT_EQ(pdfprobe::Run("unzip -t '" + folder.File("named.zip") + "'").exitCode, 0);
    const auto entries = ReadArchive(folder.File("named.zip"));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "Anlage-Ü1.dat");

    FullDisk full(100);
    EXPECT_THROW(named.Save(full), std::runtime_error);
}
