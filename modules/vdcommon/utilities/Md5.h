#pragma once
// MD5 (RFC 1321) of a salt followed by a stream's bytes, as 32 lowercase hex
// digits. Streams are read in blocks of 102400 bytes, never whole.

#include "vdcommon/utilities/ChecksumCalculator.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class Md5 : public ChecksumCalculator
{
public:
    explicit Md5(const wxString& salt);

    wxString CalculateChecksum(wxInputStream& stream) const override;

private:
    // The MD5 working state, as in the reference implementation of RFC 1321.
    struct Context {
        std::uint32_t state[4];
        std::uint32_t count[2];   // bits hashed, low word first
        unsigned char buffer[64]; // a partial block
    };

    static void Update(Context& context, const void* data, std::size_t size);
    static wxString Finish(Context& context);

    // Each calculation works on a context of its own, so one calculator may
    // serve several threads at once.
    static std::unique_ptr<Context> CreateContext();
    void InitContext(Context& context) const;
    static void CalculateChecksumOfStream(Context& context, wxInputStream& stream);
    static wxString GetChecksumFromContextAsString(Context& context);

    wxString salt;
};
