#include <gtest/gtest.h>

#include "vdcommon/utilities/ChecksumCalculator.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include <cstdio>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>

namespace {

const std::string kSalt = "Quorvel Fixture";

// Deterministic bytes made on the fly (xorshift), so a long stream needs no memory.
class GeneratedStream : public wxInputStream
{
public:
    explicit GeneratedStream(std::uint64_t size) : remaining(size) {}

    // Byte `position` onwards of a fixed pseudo-random sequence (splitmix64 of
    // the 8-byte word index), the same however the reads are cut up.
    static void Fill(std::uint64_t& position, unsigned char* out, std::size_t n)
    {
        for (std::size_t i = 0; i < n;) {
            std::uint64_t z = (position / 8 + 1) * 0x9e3779b97f4a7c15ull;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
            z ^= z >> 31;
            for (std::size_t b = position % 8; b < 8 && i < n; ++b, ++i, ++position)
                out[i] = static_cast<unsigned char>(z >> (8 * b));
        }
    }

protected:
    size_t OnSysRead(void* buffer, size_t size) override
    {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, remaining));
        if (n == 0) {
            m_lasterror = wxSTREAM_EOF;
            return 0;
        }
        Fill(state, static_cast<unsigned char*>(buffer), n);
        remaining -= n;
        return n;
    }

private:
    std::uint64_t remaining;
    std::uint64_t state = 0;
};

// md5sum of the salt followed by what `write` produces.
std::string ReferenceMd5(const std::function<void(std::FILE*)>& write)
{
    char name[] = "/tmp/vdtest-md5-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0)
        throw std::runtime_error("mkstemp");
    close(fd);
    std::FILE* pipe = popen(("md5sum > " + std::string(name)).c_str(), "w");
    if (!pipe)
        throw std::runtime_error("md5sum cannot be started");
    std::fwrite(kSalt.data(), 1, kSalt.size(), pipe);
    write(pipe);
    pclose(pipe);
    char digest[33] = {};
    std::FILE* result = std::fopen(name, "r");
    const bool ok = result && std::fread(digest, 1, 32, result) == 32;
    if (result)
        std::fclose(result);
    std::remove(name);
    if (!ok)
        throw std::runtime_error("md5sum gave no digest");
    return digest;
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
    EXPECT_EQ(ChecksumOf(""), ReferenceMd5([](std::FILE*) {}));
    EXPECT_EQ(ChecksumOf("abc"), ReferenceMd5([](std::FILE* f) { std::fputs("abc", f); }));

    // Lengths around the 64-byte block and the 56-byte padding limit.
    for (std::size_t n : {41u, 48u, 49u, 55u, 113u, 200u}) {
        const std::string data(n, 'q');
        EXPECT_EQ(ChecksumOf(data), ReferenceMd5([&](std::FILE* f) { std::fwrite(data.data(), 1, n, f); })) << n;
    }

    std::string mebibyte(1 << 20, '\0');
    std::uint64_t state = 12345;
    GeneratedStream::Fill(state, reinterpret_cast<unsigned char*>(mebibyte.data()), mebibyte.size());
    const std::string expected =
        ReferenceMd5([&](std::FILE* f) { std::fwrite(mebibyte.data(), 1, mebibyte.size(), f); });
    EXPECT_EQ(ChecksumOf(mebibyte), expected);
    // One calculator serves any number of streams.
    EXPECT_EQ(ChecksumOf(mebibyte), expected);

    // The stream is read from where it stands.
    wxMemoryInputStream tail("zabc", 4);
    tail.GetC();
    EXPECT_EQ(ChecksumOf(tail), ChecksumOf("abc"));
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

TEST(Md5Checksum, LongStreamIsHashedInBlocks)
{
    constexpr std::uint64_t size = 300ull << 20;
    GeneratedStream stream(size);
    const std::string checksum = ChecksumOf(stream);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 128 * 1024) << "peak resident set in KiB";

    const std::string expected = ReferenceMd5([](std::FILE* f) {
        std::vector<unsigned char> block(1 << 20);
        std::uint64_t state = 0;
        for (std::uint64_t done = 0; done < size; done += block.size()) {
            GeneratedStream::Fill(state, block.data(), block.size());
            std::fwrite(block.data(), 1, block.size(), f);
        }
    });
    EXPECT_EQ(checksum, expected);
}
