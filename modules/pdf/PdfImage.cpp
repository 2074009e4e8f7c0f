// PdfDocument: images. JPEG data is embedded as it is; everything else is decoded by
// the toolkit's image handlers and stored deflated, with alpha as a soft mask.
// Identical pixels are stored once.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"

#include <wx/ffile.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <cstring>
#include <limits>

#include <zlib.h>

#include <sys/stat.h>

using namespace vdpdf;

namespace {

uint64_t Hash(uint64_t h, const void* data, size_t size)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    constexpr uint64_t prime = 0x100000001b3ULL;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        h ^= w;
        h *= prime;
        h ^= h >> 29;
    }
    for (; i < size; ++i) {
        h ^= p[i];
        h *= prime;
    }
    return h;
}

struct JpegInfo {
    int width = 0, height = 0, components = 0, bits = 8;
    bool adobe = false;
};

// Reads the frame header of a JPEG stream; false when there is none.
bool ReadJpegInfo(const std::string& data, JpegInfo& info)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    const size_t n = data.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return false;
    size_t i = 2;
    while (i + 4 <= n) {
        if (p[i] != 0xFF) {
            ++i;
            continue;
        }
        const unsigned char marker = p[i + 1];
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        const size_t len = (static_cast<size_t>(p[i + 2]) << 8) | p[i + 3];
        if (len < 2 || i + 2 + len > n)
            return false;
        if (marker == 0xEE && len >= 7 && std::memcmp(p + i + 4, "Adobe", 5) == 0)
            info.adobe = true;
        const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (sof) {
            if (len < 8)
                return false;
            info.bits = p[i + 4];
            info.height = (p[i + 5] << 8) | p[i + 6];
            info.width = (p[i + 7] << 8) | p[i + 8];
            info.components = p[i + 9];
            return info.width > 0 && info.height > 0 && info.bits == 8 &&
                   (info.components == 1 || info.components == 3 || info.components == 4);
        }
        if (marker == 0xD9 || marker == 0xDA)
            return false;
        i += 2 + len;
    }
    return false;
}

// The index of an equal image already stored, or -1.
int FindEqual(DocState& s, const ImageEntry& e)
{
    auto range = s.imageByHash.equal_range(e.hash);
    for (auto it = range.first; it != range.second; ++it) {
        const ImageEntry& o = *s.images[it->second];
        if (o.width == e.width && o.height == e.height && o.colourSpace == e.colourSpace && o.filter == e.filter &&
            o.data == e.data && o.softMask == e.softMask)
            return it->second;
    }
    return -1;
}

int Store(DocState& s, std::unique_ptr<ImageEntry> e)
{
    int found = FindEqual(s, *e);
    if (found >= 0)
        return found;
    const int idx = static_cast<int>(s.images.size());
    s.imageByHash.emplace(e->hash, idx);
    s.images.push_back(std::move(e));
    return idx;
}

std::unique_ptr<ImageEntry> FromJpeg(const std::string& bytes, const JpegInfo& info)
{
    auto e = std::make_unique<ImageEntry>();
    e->width = info.width;
    e->height = info.height;
    e->filter = "/DCTDecode";
    e->colourSpace = info.components == 1 ? "/DeviceGray" : info.components == 3 ? "/DeviceRGB" : "/DeviceCMYK";
    if (info.components == 4 && info.adobe)
        e->decode = "/Decode [1 0 1 0 1 0 1 0]";
    e->data = bytes;
    e->hash = Hash(0xcbf29ce484222325ULL, bytes.data(), bytes.size());
    return e;
}

// The image as it is stored: a mask colour becomes alpha.
wxImage WithAlphaForMask(const wxImage& source)
{
    wxImage image = source;
    if (image.HasMask() && !image.HasAlpha()) {
        image = source.Copy();
        image.InitAlpha();
    }
    return image;
}

// True when all of the alpha channel is opaque (or there is none): no soft mask.
bool Opaque(const wxImage& image)
{
    if (!image.HasAlpha())
        return true;
    const unsigned char* alpha = image.GetAlpha();
    const size_t pixels = static_cast<size_t>(image.GetWidth()) * static_cast<size_t>(image.GetHeight());
    for (size_t i = 0; i < pixels; ++i)
        if (alpha[i] != 255)
            return false;
    return true;
}

// The identity FromPixels gives these pixels (`image` as WithAlphaForMask makes it).
uint64_t PixelHash(const wxImage& image, bool asJpeg)
{
    const int w = image.GetWidth(), h = image.GetHeight();
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    uint64_t hash = Hash(0xcbf29ce484222325ULL, image.GetData(), pixels * 3);
    if (!Opaque(image))
        hash = Hash(hash ^ 0x9e3779b97f4a7c15ULL, image.GetAlpha(), pixels);
    return hash ^ (static_cast<uint64_t>(w) << 32) ^ static_cast<uint64_t>(h) ^ (asJpeg ? 1ULL << 63 : 0);
}

// True when `packed` inflates to exactly the `size` bytes at `raw`.
bool InflatesTo(const std::string& packed, const unsigned char* raw, size_t size)
{
    if (packed.size() > std::numeric_limits<uInt>::max())
        return false;
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return false;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    zs.avail_in = static_cast<uInt>(packed.size());
    unsigned char chunk[16384];
    size_t done = 0;
    bool same = true;
    int status = Z_OK;
    while (same && status == Z_OK) {
        zs.next_out = chunk;
        zs.avail_out = sizeof chunk;
        status = inflate(&zs, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
        const size_t got = sizeof chunk - zs.avail_out;
        same = done + got <= size && std::memcmp(chunk, raw + done, got) == 0;
        done += got;
    }
    inflateEnd(&zs);
    return same && status == Z_STREAM_END && done == size;
}

// The index of a stored image with exactly these pixels, or -1: a diagram drawn
// again on every copy of a section need not be deflated again to be found equal.
// Losslessly stored images only; the stored streams are inflated to compare, which
// costs a fraction of deflating the pixels.
int FindEqualPixels(DocState& s, const wxImage& image)
{
    const int w = image.GetWidth(), h = image.GetHeight();
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    const bool opaque = Opaque(image);
    auto range = s.imageByHash.equal_range(PixelHash(image, false));
    for (auto it = range.first; it != range.second; ++it) {
        const ImageEntry& o = *s.images[it->second];
        if (o.width != w || o.height != h || o.colourSpace != "/DeviceRGB" || o.filter != "/FlateDecode" ||
            o.softMask.empty() != opaque)
            continue;
        if (!o.pixels.empty()) {
            if (o.pixels.size() == pixels * (opaque ? 3 : 4) &&
                std::memcmp(o.pixels.data(), image.GetData(), pixels * 3) == 0 &&
                (opaque || std::memcmp(o.pixels.data() + pixels * 3, image.GetAlpha(), pixels) == 0))
                return it->second;
            continue;
        }
        if (InflatesTo(o.data, image.GetData(), pixels * 3) &&
            (opaque || InflatesTo(o.softMask, image.GetAlpha(), pixels)))
            return it->second;
    }
    return -1;
}

// Keeps the pixels of a newly stored image for FindEqualPixels while they fit the
// budget: a report redraws the same few diagrams on every copy of a section.
void KeepPixels(DocState& s, ImageEntry& e, const wxImage& image)
{
    constexpr size_t kBudget = size_t{8} << 20;
    if (e.filter != "/FlateDecode")
        return;
    const size_t pixels = static_cast<size_t>(e.width) * static_cast<size_t>(e.height);
    const bool opaque = e.softMask.empty();
    const size_t size = pixels * (opaque ? 3 : 4);
    if (s.imagePixelsKept + size > kBudget)
        return;
    e.pixels.assign(reinterpret_cast<const char*>(image.GetData()), pixels * 3);
    if (!opaque)
        e.pixels.append(reinterpret_cast<const char*>(image.GetAlpha()), pixels);
    s.imagePixelsKept += size;
}

// A decoded image: RGB pixels deflated, alpha (or the mask colour) as a soft mask.
std::unique_ptr<ImageEntry> FromPixels(const wxImage& source, bool asJpeg, int quality)
{
    const wxImage image = WithAlphaForMask(source);
    const int w = image.GetWidth(), h = image.GetHeight();
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    auto e = std::make_unique<ImageEntry>();
    e->width = w;
    e->height = h;
    e->colourSpace = "/DeviceRGB";
    const unsigned char* rgb = image.GetData();
    if (asJpeg) {
        wxImage opaque = image.Copy();
        if (opaque.HasAlpha())
            opaque.ClearAlpha();
        opaque.SetOption(wxIMAGE_OPTION_QUALITY, std::clamp(quality, 1, 100));
        wxMemoryOutputStream mem;
        bool saved;
        {
            wxLogNull quiet;
            saved = opaque.SaveFile(mem, wxBITMAP_TYPE_JPEG);
        }
        if (saved) {
            e->data.resize(mem.GetLength());
            mem.CopyTo(e->data.data(), e->data.size());
            e->filter = "/DCTDecode";
        } else {
            wxLogDebug("PDF: the image could not be written as JPEG; it is stored losslessly");
        }
    }
    if (e->filter.empty()) {
        if (!Deflate(rgb, pixels * 3, e->data))
            return nullptr;
        e->filter = "/FlateDecode";
    }
    e->hash = Hash(0xcbf29ce484222325ULL, rgb, pixels * 3);
    if (image.HasAlpha()) {
        const unsigned char* alpha = image.GetAlpha();
        bool opaque = true;
        for (size_t i = 0; i < pixels && opaque; ++i)
            opaque = alpha[i] == 255;
        if (!opaque) {
            if (!Deflate(alpha, pixels, e->softMask))
                return nullptr;
            e->hash = Hash(e->hash ^ 0x9e3779b97f4a7c15ULL, alpha, pixels);
        }
    }
    e->hash ^= (static_cast<uint64_t>(w) << 32) ^ static_cast<uint64_t>(h) ^ (asJpeg ? 1ULL << 63 : 0);
    return e;
}

void Place(PdfDocument& doc, DocState& s, int index, double x, double y, double w, double h, const PdfLink& link)
{
    const ImageEntry& e = *s.images[index];
    if (w <= 0 && h <= 0) {
        w = e.width / s.k;
        h = e.height / s.k;
    } else if (w <= 0) {
        w = h * e.width / e.height;
    } else if (h <= 0) {
        h = w * e.height / e.width;
    }
    std::string& out = s.Out();
    out += "q ";
    AppendNumber(out, w * s.k);
    out += " 0 0 ";
    AppendNumber(out, -h * s.k);
    out += ' ';
    AppendNumber(out, x * s.k);
    out += ' ';
    AppendNumber(out, (y + h) * s.k);
    out += " cm /I";
    AppendInt(out, index + 1);
    out += " Do Q\n";
    s.Res().Add(Resources::Image, index + 1);
    if (link.IsValid())
        doc.Link(x, y, w, h, link);
}

} // namespace

bool PdfDocument::Image(const wxString& file, double x, double y, double w, double h, const wxString& type,
                        const PdfLink& link, int /*mask: masks come from the image's own alpha*/)
{
    x = Sane(x, "image x");
    y = Sane(y, "image y");
    w = Sane(w, "image width");
    h = Sane(h, "image height");
    // A file stored before and unchanged since is placed without being read again.
    DocState::FileStamp stamp;
    const std::string fileKey(file.utf8_str());
    if (struct stat st{}; ::stat(file.fn_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        stamp.device = static_cast<uint64_t>(st.st_dev);
        stamp.inode = static_cast<uint64_t>(st.st_ino);
        stamp.size = static_cast<uint64_t>(st.st_size);
        stamp.changedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        const auto seen = d->imageByFileStamp.find(fileKey);
        if (seen != d->imageByFileStamp.end() && seen->second.device == stamp.device &&
            seen->second.inode == stamp.inode && seen->second.size == stamp.size &&
            seen->second.changedNs == stamp.changedNs) {
            if (!EnsureTarget(*this, *d))
                return false;
            Place(*this, *d, seen->second.index, x, y, w, h, link);
            return true;
        }
    }
    std::string bytes;
    {
        wxLogNull quiet;
        wxFFile f(file, "rb");
        if (f.IsOpened()) {
            wxFileOffset len = f.Length();
            if (len > 0) {
                bytes.resize(static_cast<size_t>(len));
                if (f.Read(bytes.data(), bytes.size()) != bytes.size())
                    bytes.clear();
            }
        }
    }
    if (bytes.empty()) {
        wxLogWarning("PDF: cannot read the image file '%s'", file);
        return false;
    }
    // Equal bytes decode to equal pixels, which Store would find again anyway.
    if (const auto known = d->imageByFileBytes.find(bytes); known != d->imageByFileBytes.end()) {
        if (!EnsureTarget(*this, *d))
            return false;
        if (stamp.size == bytes.size()) {
            stamp.index = known->second;
            d->imageByFileStamp[fileKey] = stamp;
        }
        Place(*this, *d, known->second, x, y, w, h, link);
        return true;
    }
    std::unique_ptr<ImageEntry> entry;
    JpegInfo info;
    if (ReadJpegInfo(bytes, info)) {
        entry = FromJpeg(bytes, info);
    } else {
        wxImage image;
        {
            wxLogNull quiet;
            wxMemoryInputStream in(bytes.data(), bytes.size());
            image.LoadFile(in, wxBITMAP_TYPE_ANY);
        }
        if (!image.IsOk() || image.GetWidth() <= 0 || image.GetHeight() <= 0) {
            wxLogWarning("PDF: cannot decode the image file '%s'%s", file,
                         type.empty() ? wxString() : wxString(" (" + type + ")"));
            return false;
        }
        entry = FromPixels(image, false, 0);
    }
    if (!entry) {
        wxLogWarning("PDF: cannot store the image file '%s'", file);
        return false;
    }
    if (!EnsureTarget(*this, *d))
        return false;
    const int index = Store(*d, std::move(entry));
    if (stamp.size == bytes.size()) {
        stamp.index = index;
        d->imageByFileStamp[fileKey] = stamp;
    }
    d->imageByFileBytes.emplace(std::move(bytes), index);
    Place(*this, *d, index, x, y, w, h, link);
    return true;
}

bool PdfDocument::Image(const wxString& name, const wxImage& image, double x, double y, double w, double h,
                        const PdfLink& link, int /*mask*/, bool jpeg, int quality)
{
    x = Sane(x, "image x");
    y = Sane(y, "image y");
    w = Sane(w, "image width");
    h = Sane(h, "image height");
    if (!image.IsOk() || image.GetWidth() <= 0 || image.GetHeight() <= 0) {
        wxLogWarning("PDF: the image '%s' is empty or invalid", name);
        return false;
    }
    if (!jpeg) {
        const int same = FindEqualPixels(*d, WithAlphaForMask(image));
        if (same >= 0) {
            if (!EnsureTarget(*this, *d))
                return false;
            Place(*this, *d, same, x, y, w, h, link);
            return true;
        }
    }
    auto entry = FromPixels(image, jpeg, quality);
    if (!entry) {
        wxLogWarning("PDF: cannot store the image '%s'", name);
        return false;
    }
    if (!EnsureTarget(*this, *d))
        return false;
    const size_t stored = d->images.size();
    const int index = Store(*d, std::move(entry));
    if (!jpeg && static_cast<size_t>(index) == stored)
        KeepPixels(*d, *d->images[stored], WithAlphaForMask(image));
    Place(*this, *d, index, x, y, w, h, link);
    return true;
}
