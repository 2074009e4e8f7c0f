#include <gtest/gtest.h>

#include "vdcommon/utilities/ChecksumCalculator.h"

#include "support/PdfProbe.h"
#include "support/TestFiles.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>

namespace {

const std::string kSalt = "Quorvel Fixture";

// md5sum of the salt followed by `data`.
std::string ReferenceMd5(const std::string& data)
{
    const vdtest::TempDir dir("vdtest-md5");
    vdtest::WriteFile(dir / "data", kSalt + data);
    return pdfprobe::Run("md5sum " + vdtest::ShellQuote((dir / "data").string()), false).output.substr(0, 32);
}

std::string ChecksumOf(wxInputStream& stream)
{
    return ChecksumCalculator::MakeChecksumCalculator(ChecksumCalculator::MD5)->CalculateChecksum(stream).utf8_string();
}

std::string ChecksumOf(const std::string& bytes)
{
    wxMemoryInputStream stream(bytes.data(), bytes.size());
    return ChecksumOf(stream);
}

// A stream that fails in the middle, as a broken disk or network would.
class FailingStream : public wxInputStream
{
protected:
    size_t OnSysRead(void* buffer, size_t size) override
    {
        if (delivered > 0) {
            m_lasterror = wxSTREAM_READ_ERROR;
            return 0;
        }
        std::memset(buffer, 'x', size);
        delivered += size;
        return size;
    }

private:
    std::size_t delivered = 0;
};

} // namespace

TEST(Md5Checksum, EqualsMd5sumOfSaltAndData)
{
    // Nothing, and lengths around the 64-byte block and the 56-byte padding limit.
    for (std::size_t n : {0u, 41u, 48u, 49u, 55u, 113u, 200u}) {
        const std::string data(n, 'q');
        EXPECT_EQ(ChecksumOf(data), ReferenceMd5(data)) << n;
    }

    std::string mebibyte(1 << 20, '\0');
    for (std::size_t i = 0; i < mebibyte.size(); ++i)
        mebibyte[i] = static_cast<char>(i * 2654435761u >> 13);
    const std::string expected = ReferenceMd5(mebibyte);
    EXPECT_EQ(ChecksumOf(mebibyte), expected);
    // One calculator serves any number of streams.
    EXPECT_EQ(ChecksumOf(mebibyte), expected);

    // The stream is read from where it stands.
    wxMemoryInputStream tail("zabc", 4);
    tail.GetC();
    EXPECT_EQ(ChecksumOf(tail), ReferenceMd5("abc"));
}

TEST(Md5Checksum, BadTypeAndUnreadableStreamsAreErrors)
{
    try {
        ChecksumCalculator::MakeChecksumCalculator(static_cast<ChecksumCalculator::Type>(1));
        ADD_FAILURE();
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "Checksumcalculator type unknown");
    }

    wxLogNull quiet;
    wxFileInputStream missing("/nonexistent/vdtest/file.dat");
    EXPECT_THROW(ChecksumOf(missing), std::runtime_error);
    FailingStream failing;
    EXPECT_THROW(ChecksumOf(failing), std::runtime_error);
}
