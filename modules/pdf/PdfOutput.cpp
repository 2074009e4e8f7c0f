// PdfDocument: closing the document and writing the file structure (objects, cross
// reference table, trailer). The output depends only on what was drawn (and on
// SOURCE_DATE_EPOCH for the date), so equal input gives equal bytes.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"

#include <wx/ffile.h>
#include <wx/log.h>

#include <zlib.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <map>
#include <stdexcept>
#include <system_error>

using namespace vdpdf;

namespace {

const char* kProducer = "vdpdf 0.1";

class ObjectWriter final : public PdfObjectSink
{
public:
    explicit ObjectWriter(bool compress) : compress(compress) {}

    int NewObject() override
    {
        offsets.push_back(0);
        return static_cast<int>(offsets.size()) - 1;
    }

    void WriteObject(int number, const std::string& dictionary, const std::string* stream) override
    {
        if (!stream) {
            Begin(number);
            out += dictionary;
            out += "\nendobj\n";
            return;
        }
        std::string packed;
        const std::string* data = stream;
        bool deflated = false;
        if (compress && Deflate(*stream, packed)) {
            data = &packed;
            deflated = true;
        }
        WriteStream(number, dictionary, *data, deflated ? "/FlateDecode" : "");
    }

    // A stream whose data is already encoded with `filter` ("" for none).
    void WriteStream(int number, const std::string& dictionary, const std::string& data, const std::string& filter)
    {
        Begin(number);
        size_t close = dictionary.rfind(">>");
        if (close == std::string::npos) {
            wxLogDebug("PDF: stream dictionary without '>>'");
            close = dictionary.size();
        }
        out.append(dictionary, 0, close);
        if (close > 0 && dictionary[close - 1] != ' ')
            out += ' ';
        out += "/Length ";
        AppendInt(out, static_cast<long long>(data.size()));
        if (!filter.empty()) {
            out += " /Filter ";
            out += filter;
        }
        out += " >>\nstream\n";
        out += data;
        out += "\nendstream\nendobj\n";
    }

    void Begin(int number)
    {
        if (number <= 0 || number >= static_cast<int>(offsets.size())) {
            wxLogDebug("PDF: object %d was never allocated", number);
            while (number >= static_cast<int>(offsets.size()))
                offsets.push_back(0);
        }
        offsets[number] = out.size();
        AppendInt(out, number);
        out += " 0 obj\n";
    }

    std::string out;
    std::vector<size_t> offsets{0};
    bool compress;
};

std::string PdfDate()
{
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    std::time_t t;
    std::tm tm{};
    char buf[64];
    if (epoch && *epoch) {
        char* end = nullptr;
        long long v = std::strtoll(epoch, &end, 10);
        if (end && *end == '\0' && v >= 0) {
            t = static_cast<std::time_t>(v);
            gmtime_r(&t, &tm);
            std::strftime(buf, sizeof buf, "D:%Y%m%d%H%M%SZ", &tm);
            return buf;
        }
        wxLogDebug("PDF: SOURCE_DATE_EPOCH is not a number; the local time is used");
    }
    t = std::time(nullptr);
    localtime_r(&t, &tm);
    std::strftime(buf, sizeof buf, "D:%Y%m%d%H%M%S", &tm);
    std::string s = buf;
    long off = tm.tm_gmtoff / 60;
    if (off == 0)
        return s + "Z";
    char sign = off < 0 ? '-' : '+';
    off = off < 0 ? -off : off;
    std::snprintf(buf, sizeof buf, "%c%02ld'%02ld'", sign, off / 60, off % 60);
    return s + buf;
}

std::string HexId(const std::string& data)
{
    // Two independent 64-bit FNV-1a style hashes of the body.
    uint64_t a = 0xcbf29ce484222325ULL, b = 0x84222325cbf29ce4ULL;
    for (unsigned char c : data) {
        a = (a ^ c) * 0x100000001b3ULL;
        b = (b ^ c) * 0x1000193ULL + 0x9e3779b97f4a7c15ULL;
    }
    b ^= data.size();
    char buf[40];
    std::snprintf(buf, sizeof buf, "%016llX%016llX", static_cast<unsigned long long>(a),
                  static_cast<unsigned long long>(b));
    return buf;
}

void AppendRef(std::string& out, int number)
{
    AppendInt(out, number);
    out += " 0 R";
}

} // namespace

namespace vdpdf {

BackgroundDeflater::~BackgroundDeflater()
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    if (worker.joinable())
        worker.join();
}

bool BackgroundDeflater::Submit(ContentBuffer& buffer)
{
    // A few contents in waiting keep the worker busy; beyond that the drawing thread
    // helps, which also bounds the memory of contents not yet deflated.
    constexpr size_t kMaxWaiting = 4;
    {
        std::lock_guard lock(mutex);
        if (jobs.size() >= kMaxWaiting)
            return false;
        if (!worker.joinable()) {
            try {
                worker = std::thread([this] { Run(); });
            } catch (const std::system_error&) {
                return false;
            }
        }
        jobs.push_back(&buffer);
    }
    wake.notify_one();
    return true;
}

void BackgroundDeflater::Wait()
{
    std::unique_lock lock(mutex);
    done.wait(lock, [this] { return jobs.empty() && running == 0; });
}

std::string BackgroundDeflater::TakeSpare()
{
    std::lock_guard lock(mutex);
    return std::move(spare);
}

void BackgroundDeflater::Run()
{
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !jobs.empty(); });
        if (jobs.empty())
            return;
        ContentBuffer& buffer = *jobs.front();
        jobs.pop_front();
        ++running;
        lock.unlock();
        if (Deflate(buffer.data, buffer.packed)) {
            buffer.compressed = true;
            buffer.data.clear();
        } else {
            buffer.packed = std::move(buffer.data);
            buffer.compressed = false;
        }
        std::string room;
        room.swap(buffer.data);
        lock.lock();
        if (room.capacity() > spare.capacity() && room.capacity() <= (size_t{4} << 20))
            spare.swap(room);
        --running;
        if (jobs.empty() && running == 0)
            done.notify_all();
    }
}

} // namespace vdpdf

namespace {

// One zlib stream per thread for each direction, reset between contents: a fresh
// stream costs more than deflating a page.
struct StashStreams {
    z_stream deflater{};
    z_stream inflater{};
    bool deflaterReady = false;
    bool inflaterReady = false;
    ~StashStreams()
    {
        if (deflaterReady)
            deflateEnd(&deflater);
        if (inflaterReady)
            inflateEnd(&inflater);
    }
};
thread_local StashStreams stashStreams;

// Keeps a content that waits for the page count in a fraction of its size: every page
// of a long report draws the count in its footer, and held as text the pages would
// take several times the memory of the finished document. The fastest zlib level
// suffices; the final stream is made from the text again once the count is known, so
// the document's bytes do not change.
void Stash(ContentBuffer& buffer)
{
    constexpr size_t kWorthStashing = 512;
    if (buffer.stashed || buffer.data.size() < kWorthStashing || buffer.data.size() > std::numeric_limits<uInt>::max())
        return;
    StashStreams& z = stashStreams;
    if (!z.deflaterReady)
        z.deflaterReady = deflateInit(&z.deflater, Z_BEST_SPEED) == Z_OK;
    else if (deflateReset(&z.deflater) != Z_OK)
        return;
    if (!z.deflaterReady)
        return;
    std::string packed(deflateBound(&z.deflater, static_cast<uLong>(buffer.data.size())), '\0');
    z.deflater.next_in = reinterpret_cast<Bytef*>(buffer.data.data());
    z.deflater.avail_in = static_cast<uInt>(buffer.data.size());
    z.deflater.next_out = reinterpret_cast<Bytef*>(packed.data());
    z.deflater.avail_out = static_cast<uInt>(packed.size());
    if (deflate(&z.deflater, Z_FINISH) != Z_STREAM_END)
        return; // kept as text
    packed.resize(z.deflater.total_out);
    packed.shrink_to_fit();
    buffer.stashedSize = buffer.data.size();
    buffer.packed = std::move(packed);
    std::string().swap(buffer.data);
    buffer.stashed = true;
}

// The text of a stashed content back in `data`.
bool Unstash(ContentBuffer& buffer)
{
    if (!buffer.stashed)
        return true;
    StashStreams& z = stashStreams;
    if (!z.inflaterReady)
        z.inflaterReady = inflateInit(&z.inflater) == Z_OK;
    else if (inflateReset(&z.inflater) != Z_OK)
        return false;
    if (!z.inflaterReady)
        return false;
    std::string data(buffer.stashedSize, '\0');
    z.inflater.next_in = reinterpret_cast<Bytef*>(buffer.packed.data());
    z.inflater.avail_in = static_cast<uInt>(buffer.packed.size());
    z.inflater.next_out = reinterpret_cast<Bytef*>(data.data());
    z.inflater.avail_out = static_cast<uInt>(data.size());
    if (inflate(&z.inflater, Z_FINISH) != Z_STREAM_END || z.inflater.total_out != data.size())
        return false;
    buffer.data = std::move(data);
    std::string().swap(buffer.packed);
    buffer.stashed = false;
    return true;
}

} // namespace

void PdfDocument::State::FinishBuffer(ContentBuffer& buffer)
{
    if (!buffer.spots.empty()) {
        buffer.finished = false; // the page count is written at close
        Stash(buffer);
        return;
    }
    // Small contents are deflated at once: handing them over would cost more.
    constexpr size_t kWorthHandingOver = 16 * 1024;
    if (compress && buffer.data.size() >= kWorthHandingOver) {
        if (!deflater)
            deflater = std::make_unique<BackgroundDeflater>();
        buffer.finished = true;
        if (deflater->Submit(buffer))
            return;
    }
    if (compress && Deflate(buffer.data, buffer.packed)) {
        buffer.compressed = true;
        constexpr size_t kKeep = size_t{4} << 20;
        if (buffer.data.capacity() <= kKeep && buffer.data.capacity() > spareContent.capacity()) {
            buffer.data.clear();
            spareContent.swap(buffer.data);
        }
    } else {
        buffer.packed = std::move(buffer.data);
        buffer.compressed = false;
    }
    std::string().swap(buffer.data);
    buffer.finished = true;
}

void PdfDocument::State::Serialize()
{
    // Page count alias: substitute the digits in every content that drew it.
    const std::string digits = std::to_string(pages.size());
    auto substitute = [&](ContentBuffer& buffer) {
        if (buffer.spots.empty())
            return;
        if (!Unstash(buffer)) {
            // Our own deflated text does not inflate: memory is corrupt or exhausted.
            throw std::runtime_error("PDF: a page's content could not be restored");
        }
        std::string out;
        out.reserve(buffer.data.size());
        size_t pos = 0;
        for (const AliasSpot& spot : buffer.spots) {
            out.append(buffer.data, pos, spot.offset - pos);
            FontEntry& f = *fonts[spot.font];
            for (char c : digits) {
                const GlyphInfo& gi = f.Lookup(static_cast<char32_t>(c));
                f.MarkUsed(gi.glyph, static_cast<char32_t>(c));
                AppendGlyphHex(out, gi.glyph);
            }
            pos = spot.offset + spot.length;
        }
        out.append(buffer.data, pos, std::string::npos);
        buffer.data = std::move(out);
        buffer.spots.clear();
        FinishBuffer(buffer);
    };
    for (auto& p : pages)
        substitute(p->content);
    for (auto& t : templates)
        substitute(t->content);
    for (auto& p : pages)
        if (!p->content.finished)
            FinishBuffer(p->content);
    for (auto& t : templates)
        if (!t->content.finished)
            FinishBuffer(t->content);
    // Every content is final from here on, the last ones just handed over included.
    if (deflater)
        deflater->Wait();

    ObjectWriter w(compress);
    // Room for the streams known so far and a little per object, made once: growing a
    // document of many pages by doubling would hold up to twice its size for a moment,
    // next to the streams still to be written and the copy handed out at the end.
    size_t expected = size_t{1} << 16;
    for (const auto& p : pages)
        expected += p->content.packed.size() + 256;
    for (const auto& t : templates)
        expected += t->content.packed.size() + 256;
    for (const auto& image : images)
        expected += image->data.size() + image->softMask.size() + 512;
    w.out.reserve(expected);
    w.out += "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";

    // Object numbers first, so that everything can refer to everything.
    const int catalogObj = w.NewObject();
    const int pagesObj = w.NewObject();
    const int infoObj = w.NewObject();
    std::vector<int> pageObj(pages.size()), contentObj(pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        pageObj[i] = w.NewObject();
        contentObj[i] = w.NewObject();
    }
    std::vector<int> templateObj(templates.size());
    for (size_t i = 0; i < templates.size(); ++i)
        templateObj[i] = w.NewObject();
    std::vector<int> glyphFormObj(glyphForms.size());
    for (auto& n : glyphFormObj)
        n = w.NewObject();
    for (auto& f : fonts) {
        bool used = false;
        for (uint8_t u : f->usedFlag)
            used = used || u;
        f->objectNumber = used ? w.NewObject() : 0;
    }
    std::vector<int> imageObj(images.size()), maskObj(images.size(), 0);
    for (size_t i = 0; i < images.size(); ++i) {
        imageObj[i] = w.NewObject();
        if (!images[i]->softMask.empty())
            maskObj[i] = w.NewObject();
    }
    std::vector<int> gsObj(extGStates.size());
    for (auto& n : gsObj)
        n = w.NewObject();
    std::vector<int> shadingObj(gradients.size());
    for (auto& n : shadingObj)
        n = w.NewObject();
    std::vector<int> outlineObj(outline.size());
    const int outlineRoot = outline.empty() ? 0 : w.NewObject();
    for (auto& n : outlineObj)
        n = w.NewObject();

    auto writeResources = [&](std::string& out, const Resources& res) {
        out += "/Resources << /ProcSet [/PDF /Text /ImageB /ImageC /ImageI]";
        if (!res.fonts.empty()) {
            out += " /Font <<";
            for (int id : res.fonts) {
                if (fonts[id - 1]->objectNumber == 0)
                    continue;
                out += " /F";
                AppendInt(out, id);
                out += ' ';
                AppendRef(out, fonts[id - 1]->objectNumber);
            }
            out += " >>";
        }
        if (!res.images.empty() || !res.forms.empty() || !res.glyphForms.empty()) {
            out += " /XObject <<";
            for (int id : res.glyphForms) {
                out += " /GL";
                AppendInt(out, id);
                out += ' ';
                AppendRef(out, glyphFormObj[id - 1]);
            }
            for (int id : res.images) {
                out += " /I";
                AppendInt(out, id);
                out += ' ';
                AppendRef(out, imageObj[id - 1]);
            }
            for (int id : res.forms) {
                out += " /TPL";
                AppendInt(out, id);
                out += ' ';
                AppendRef(out, templateObj[id - 1]);
            }
            out += " >>";
        }
        if (!res.gstates.empty()) {
            out += " /ExtGState <<";
            for (int id : res.gstates) {
                out += " /GS";
                AppendInt(out, id);
                out += ' ';
                AppendRef(out, gsObj[id - 1]);
            }
            out += " >>";
        }
        if (!res.shadings.empty()) {
            out += " /Shading <<";
            for (int id : res.shadings) {
                out += " /Sh";
                AppendInt(out, id);
                out += ' ';
                AppendRef(out, shadingObj[id - 1]);
            }
            out += " >>";
        }
        out += " >>";
    };
    auto dest = [&](std::string& out, int page, double yPt) {
        page = std::clamp(page, 1, static_cast<int>(pages.size()));
        out += '[';
        AppendRef(out, pageObj[page - 1]);
        out += " /XYZ 0 ";
        AppendNumber(out, pages[page - 1]->hPt - yPt);
        out += " null]";
    };

    // Pages tree
    {
        std::string dict = "<< /Type /Pages /Kids [";
        for (size_t i = 0; i < pages.size(); ++i) {
            if (i)
                dict += ' ';
            AppendRef(dict, pageObj[i]);
        }
        dict += "] /Count ";
        AppendInt(dict, static_cast<long long>(pages.size()));
        dict += " >>";
        w.WriteObject(pagesObj, dict, nullptr);
    }
    for (size_t i = 0; i < pages.size(); ++i) {
        Page& p = *pages[i];
        std::string dict = "<< /Type /Page /Parent ";
        AppendRef(dict, pagesObj);
        dict += " /MediaBox [0 0 ";
        AppendNumber(dict, p.wPt);
        dict += ' ';
        AppendNumber(dict, p.hPt);
        dict += "] ";
        writeResources(dict, p.content.res);
        dict += " /Contents ";
        AppendRef(dict, contentObj[i]);
        std::string annots;
        for (const Annotation& a : p.annots) {
            std::string ad = "<< /Type /Annot /Subtype /Link /Rect [";
            AppendNumber(ad, a.x1);
            ad += ' ';
            AppendNumber(ad, a.y1);
            ad += ' ';
            AppendNumber(ad, a.x2);
            ad += ' ';
            AppendNumber(ad, a.y2);
            ad += "] /Border [0 0 0] ";
            if (a.link.IsLinkRef()) {
                const int ref = a.link.GetLinkRef();
                if (ref > static_cast<int>(links.size()) || links[ref - 1].page == 0)
                    continue;
                ad += "/Dest ";
                dest(ad, links[ref - 1].page, links[ref - 1].yPt);
            } else {
                ad += "/A << /S /URI /URI ";
                ad += LiteralString(std::string(a.link.GetLinkURL().utf8_str()));
                ad += " >>";
            }
            ad += " >>";
            if (!annots.empty())
                annots += ' ';
            annots += ad;
        }
        if (!annots.empty()) {
            dict += " /Annots [";
            dict += annots;
            dict += ']';
        }
        dict += " >>";
        w.WriteObject(pageObj[i], dict, nullptr);
        w.WriteStream(contentObj[i], "<< >>", p.content.packed, p.content.compressed ? "/FlateDecode" : "");
        std::string().swap(p.content.packed);
    }
    for (size_t i = 0; i < templates.size(); ++i) {
        Template& t = *templates[i];
        std::string dict = "<< /Type /XObject /Subtype /Form /BBox [";
        if (t.group) {
            for (double v : t.bbox) {
                AppendNumber(dict, v);
                dict += ' ';
            }
            dict += "] /Group << /S /Transparency /CS /DeviceRGB >> ";
        } else {
            dict += "0 0 ";
            AppendNumber(dict, t.wPt);
            dict += ' ';
            AppendNumber(dict, t.hPt);
            dict += "] ";
        }
        writeResources(dict, t.content.res);
        dict += " >>";
        w.WriteStream(templateObj[i], dict, t.content.packed, t.content.compressed ? "/FlateDecode" : "");
    }
    for (size_t i = 0; i < glyphForms.size(); ++i) {
        // The box of any glyph: the em and then some, for marks that reach out.
        std::string packed;
        const bool deflated = compress && Deflate(glyphForms[i], packed);
        w.WriteStream(glyphFormObj[i], "<< /Type /XObject /Subtype /Form /BBox [-1000 -1000 2000 2000] >>",
                      deflated ? packed : glyphForms[i], deflated ? "/FlateDecode" : "");
    }
    for (auto& f : fonts) {
        if (f->objectNumber == 0)
            continue;
        std::map<uint32_t, std::u32string> used;
        for (size_t gid = 0; gid < f->usedFlag.size(); ++gid)
            if (f->usedFlag[gid])
                used.emplace(static_cast<uint32_t>(gid), f->TextOf(static_cast<uint32_t>(gid)));
        f->font->WriteEmbedded(w, f->objectNumber, used);
    }
    for (size_t i = 0; i < images.size(); ++i) {
        const ImageEntry& e = *images[i];
        std::string dict = "<< /Type /XObject /Subtype /Image /Width ";
        AppendInt(dict, e.width);
        dict += " /Height ";
        AppendInt(dict, e.height);
        dict += " /ColorSpace ";
        dict += e.colourSpace;
        dict += " /BitsPerComponent ";
        AppendInt(dict, e.bitsPerComponent);
        if (!e.decode.empty()) {
            dict += ' ';
            dict += e.decode;
        }
        if (maskObj[i]) {
            dict += " /SMask ";
            AppendRef(dict, maskObj[i]);
        }
        dict += " >>";
        w.WriteStream(imageObj[i], dict, e.data, e.filter);
        if (maskObj[i]) {
            std::string md = "<< /Type /XObject /Subtype /Image /Width ";
            AppendInt(md, e.width);
            md += " /Height ";
            AppendInt(md, e.height);
            md += " /ColorSpace /DeviceGray /BitsPerComponent 8 >>";
            w.WriteStream(maskObj[i], md, e.softMask, "/FlateDecode");
        }
    }
    static const char* const kBlend[] = {"Normal",    "Multiply",  "Screen",     "Overlay",
                                         "Darken",    "Lighten",   "ColorDodge", "ColorBurn",
                                         "HardLight", "SoftLight", "Difference", "Exclusion"};
    for (size_t i = 0; i < extGStates.size(); ++i) {
        const ExtGState& e = extGStates[i];
        std::string dict = "<< /Type /ExtGState /CA ";
        AppendNumber(dict, e.lineAlpha, 3);
        dict += " /ca ";
        AppendNumber(dict, e.fillAlpha, 3);
        dict += " /BM /";
        dict += kBlend[static_cast<int>(e.blend)];
        if (e.softMask > 0 && e.softMask <= static_cast<int>(templates.size())) {
            dict += " /SMask << /Type /Mask /S /Luminosity /G ";
            AppendRef(dict, templateObj[e.softMask - 1]);
            dict += " >>";
        }
        dict += " >>";
        w.WriteObject(gsObj[i], dict, nullptr);
    }
    for (size_t i = 0; i < gradients.size(); ++i) {
        const Gradient& g = gradients[i];
        auto rgb = [](std::string& out, const PdfColour& c) {
            out += '[';
            AppendNumber(out, c.Red() / 255.0);
            out += ' ';
            AppendNumber(out, c.Green() / 255.0);
            out += ' ';
            AppendNumber(out, c.Blue() / 255.0);
            out += ']';
        };
        auto type2 = [&](std::string& out, const PdfColour& a, const PdfColour& b, double n) {
            out += "<< /FunctionType 2 /Domain [0 1] /C0 ";
            rgb(out, a);
            out += " /C1 ";
            rgb(out, b);
            out += " /N ";
            AppendNumber(out, n);
            out += " >>";
        };
        std::string dict = "<< /ShadingType ";
        AppendInt(dict, g.type);
        dict += " /ColorSpace /DeviceRGB /Coords [";
        for (size_t c = 0; c < g.coords.size(); ++c) {
            if (c)
                dict += ' ';
            AppendNumber(dict, g.coords[c]);
        }
        dict += "] /Function ";
        // Stops that do not start at 0 or end at 1 hold their colour to the ends.
        std::vector<std::pair<double, PdfColour>> stops = g.stops;
        if (stops.front().first > 0)
            stops.insert(stops.begin(), {0.0, stops.front().second});
        if (stops.back().first < 1)
            stops.push_back({1.0, stops.back().second});
        if (stops.size() == 2) {
            type2(dict, stops[0].second, stops[1].second, g.exponent);
        } else {
            dict += "<< /FunctionType 3 /Domain [0 1] /Functions [";
            for (size_t s = 0; s + 1 < stops.size(); ++s) {
                if (s)
                    dict += ' ';
                type2(dict, stops[s].second, stops[s + 1].second, g.exponent);
            }
            dict += "] /Bounds [";
            for (size_t s = 1; s + 1 < stops.size(); ++s) {
                if (s > 1)
                    dict += ' ';
                AppendNumber(dict, stops[s].first);
            }
            dict += "] /Encode [";
            for (size_t s = 0; s + 1 < stops.size(); ++s)
                dict += s ? " 0 1" : "0 1";
            dict += "] >>";
        }
        dict += " /Extend [true true] >>";
        w.WriteObject(shadingObj[i], dict, nullptr);
    }
    if (!outline.empty()) {
        const int n = static_cast<int>(outline.size());
        std::vector<int> parent(n, -1), prev(n, -1), next(n, -1), first(n, -1), last(n, -1), count(n, 0);
        std::vector<int> lastAtLevel;
        int prevLevel = 0, rootFirst = -1, rootLast = -1;
        for (int i = 0; i < n; ++i) {
            const int level = outline[i].level;
            if (static_cast<int>(lastAtLevel.size()) <= level)
                lastAtLevel.resize(level + 1, -1);
            if (level > 0) {
                const int p = lastAtLevel[level - 1];
                parent[i] = p;
                last[p] = i;
                if (first[p] < 0)
                    first[p] = i;
            } else {
                if (rootFirst < 0)
                    rootFirst = i;
                rootLast = i;
            }
            if (i > 0 && level <= prevLevel && lastAtLevel[level] >= 0) {
                prev[i] = lastAtLevel[level];
                next[lastAtLevel[level]] = i;
            }
            lastAtLevel[level] = i;
            prevLevel = level;
            for (int p = parent[i]; p >= 0; p = parent[p])
                ++count[p];
        }
        std::string root = "<< /Type /Outlines /First ";
        AppendRef(root, outlineObj[rootFirst]);
        root += " /Last ";
        AppendRef(root, outlineObj[rootLast]);
        root += " /Count ";
        AppendInt(root, n);
        root += " >>";
        w.WriteObject(outlineRoot, root, nullptr);
        for (int i = 0; i < n; ++i) {
            std::string dict = "<< /Title ";
            dict += TextString(outline[i].text);
            dict += " /Parent ";
            AppendRef(dict, parent[i] >= 0 ? outlineObj[parent[i]] : outlineRoot);
            if (prev[i] >= 0) {
                dict += " /Prev ";
                AppendRef(dict, outlineObj[prev[i]]);
            }
            if (next[i] >= 0) {
                dict += " /Next ";
                AppendRef(dict, outlineObj[next[i]]);
            }
            if (first[i] >= 0) {
                dict += " /First ";
                AppendRef(dict, outlineObj[first[i]]);
                dict += " /Last ";
                AppendRef(dict, outlineObj[last[i]]);
                dict += " /Count ";
                AppendInt(dict, count[i]);
            }
            dict += " /Dest ";
            dest(dict, outline[i].page, outline[i].yPt);
            dict += " >>";
            w.WriteObject(outlineObj[i], dict, nullptr);
        }
    }
    {
        std::string dict = "<< /Producer ";
        dict += LiteralString(kProducer);
        dict += " /CreationDate ";
        dict += LiteralString(PdfDate());
        auto add = [&](const char* key, const wxString& value) {
            if (value.empty())
                return;
            dict += ' ';
            dict += key;
            dict += ' ';
            dict += TextString(value);
        };
        add("/Title", title);
        add("/Author", author);
        add("/Subject", subject);
        add("/Keywords", keywords);
        add("/Creator", creator);
        dict += " >>";
        w.WriteObject(infoObj, dict, nullptr);
    }
    {
        std::string dict = "<< /Type /Catalog /Pages ";
        AppendRef(dict, pagesObj);
        if (outlineRoot) {
            dict += " /Outlines ";
            AppendRef(dict, outlineRoot);
            dict += " /PageMode /UseOutlines";
        }
        dict += " >>";
        w.WriteObject(catalogObj, dict, nullptr);
    }

    // Cross-reference table and trailer.
    const std::string id = HexId(w.out);
    const size_t xref = w.out.size();
    const size_t count = w.offsets.size();
    w.out += "xref\n0 ";
    AppendInt(w.out, static_cast<long long>(count));
    w.out += "\n0000000000 65535 f \n";
    char entry[48];
    for (size_t i = 1; i < count; ++i) {
        if (w.offsets[i] == 0) {
            wxLogDebug("PDF: object %zu was allocated but not written", i);
            std::snprintf(entry, sizeof entry, "%010d 00001 f \n", 0);
        } else {
            std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", w.offsets[i]);
        }
        w.out += entry;
    }
    w.out += "trailer\n<< /Size ";
    AppendInt(w.out, static_cast<long long>(count));
    w.out += " /Root ";
    AppendRef(w.out, catalogObj);
    w.out += " /Info ";
    AppendRef(w.out, infoObj);
    w.out += " /ID [<" + id + "> <" + id + ">] >>\nstartxref\n";
    AppendInt(w.out, static_cast<long long>(xref));
    w.out += "\n%%EOF\n";

    buffer.Write(w.out.data(), w.out.size());
}

const wxMemoryOutputStream& PdfDocument::CloseAndGetBuffer()
{
    State& s = *d;
    if (!s.closed) {
        while (!s.recording.empty()) {
            wxLogWarning("PDF: a template was still being recorded at close; it is ended");
            EndTemplate();
        }
        if (s.pages.empty())
            AddPage();
        if (s.pageOpen) {
            s.inFooter = true;
            Footer();
            s.inFooter = false;
            if (s.ctx.pathOpen)
                s.Out() += "n\n";
            s.ctx.pathOpen = false;
            s.CloseAllStates();
            s.FinishBuffer(s.pages.back()->content);
            s.ctx = DrawContext();
            s.pageOpen = false;
        }
        s.closed = true;
        s.Serialize();
    }
    return s.buffer;
}

bool PdfDocument::SaveAsFile(const wxString& fileName)
{
    const wxMemoryOutputStream& stream = CloseAndGetBuffer();
    const wxString name = fileName.empty() ? wxString("doc.pdf") : fileName;
    std::string bytes(stream.GetLength(), '\0');
    if (!bytes.empty())
        stream.CopyTo(bytes.data(), bytes.size());
    bool ok;
    {
        wxLogNull quiet;
        wxFFile f(name, "wb");
        ok = f.IsOpened() && f.Write(bytes.data(), bytes.size()) == bytes.size();
        ok = f.IsOpened() && f.Close() && ok;
    }
    if (!ok)
        wxLogWarning("PDF: cannot write the file '%s'", name);
    return ok;
}
