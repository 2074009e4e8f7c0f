// PdfDocument: closing the document and writing the file structure (objects, cross
// reference table, trailer). The output depends only on what was drawn (and on
// SOURCE_DATE_EPOCH for the date), so equal input gives equal bytes.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"

#include <wx/ffile.h>
#include <wx/log.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <new>

using namespace vdpdf;

namespace {

const char* kProducer = "vdpdf 0.1";

// Two independent 64-bit FNV-1a style hashes of the body, fed piece by piece.
class FileId
{
public:
    void Add(const char* data, size_t size)
    {
        for (size_t i = 0; i < size; ++i) {
            const auto c = static_cast<unsigned char>(data[i]);
            a = (a ^ c) * 0x100000001b3ULL;
            b = (b ^ c) * 0x1000193ULL + 0x9e3779b97f4a7c15ULL;
        }
        length += size;
    }

    std::string Hex() const
    {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%016llX%016llX", static_cast<unsigned long long>(a),
                      static_cast<unsigned long long>(b ^ length));
        return buf;
    }

private:
    uint64_t a = 0xcbf29ce484222325ULL, b = 0x84222325cbf29ce4ULL;
    size_t length = 0;
};

// Where the bytes of the file go, in order.
using ByteSink = std::function<void(const char*, size_t)>;

class ObjectWriter final : public PdfObjectSink
{
public:
    explicit ObjectWriter(bool compress) : compress(compress) {}

    // Starts the file again, its bytes going to `sink` (none: only counted and, with
    // `hash`, hashed for the file's identity). The objects and their offsets stay: a
    // second pass writes the same objects at the same places. With `release` each
    // stored stream is freed once it has been passed on.
    void Restart(ByteSink to, bool hash, bool release)
    {
        sink = std::move(to);
        hashing = hash;
        releasing = release;
        position = 0;
        out.clear();
    }

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
        BeginStream(number, dictionary, data.size(), filter);
        out += data;
        out += "\nendstream\nendobj\n";
    }

    // The same for a stream the document stores (a page's content): passed on as it
    // is, not copied into the file's text first.
    void WriteStoredStream(int number, const std::string& dictionary, std::string& data, const std::string& filter)
    {
        BeginStream(number, dictionary, data.size(), filter);
        Flush();
        Pass(data.data(), data.size());
        if (releasing)
            std::string().swap(data);
        out += "\nendstream\nendobj\n";
    }

    void Begin(int number)
    {
        // The text is passed on in pieces of some size, never held whole.
        constexpr size_t kPiece = size_t{64} << 10;
        if (out.size() >= kPiece)
            Flush();
        if (number <= 0 || number >= static_cast<int>(offsets.size())) {
            wxLogDebug("PDF: object %d was never allocated", number);
            while (number >= static_cast<int>(offsets.size()))
                offsets.push_back(0);
        }
        offsets[number] = Size();
        AppendInt(out, number);
        out += " 0 obj\n";
    }

    // The length of the file written so far.
    size_t Size() const { return position + out.size(); }

    void Flush()
    {
        Pass(out.data(), out.size());
        out.clear();
    }

    // The identity of the bytes so far (when hashing).
    std::string Id()
    {
        Flush();
        return id.Hex();
    }

    // Keeps a copy of the bytes written until StopRecording, for Replay in a later pass.
    void StartRecording(std::string& into)
    {
        Flush();
        recording = &into;
    }
    void StopRecording()
    {
        Flush();
        recording = nullptr;
    }
    void Replay(const std::string& recorded)
    {
        Flush();
        Pass(recorded.data(), recorded.size());
    }

    std::string out; // text not yet passed on
    std::vector<size_t> offsets{0};
    bool compress;

private:
    void Pass(const char* data, size_t size)
    {
        if (size == 0)
            return;
        if (hashing)
            id.Add(data, size);
        if (recording)
            recording->append(data, size);
        if (sink)
            sink(data, size);
        position += size;
    }

    void BeginStream(int number, const std::string& dictionary, size_t length, const std::string& filter)
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
        AppendInt(out, static_cast<long long>(length));
        if (!filter.empty()) {
            out += " /Filter ";
            out += filter;
        }
        out += " >>\nstream\n";
    }

    ByteSink sink;
    bool hashing = true;
    bool releasing = false;
    size_t position = 0; // bytes passed on
    FileId id;
    std::string* recording = nullptr;
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

void AppendRef(std::string& out, int number)
{
    AppendInt(out, number);
    out += " 0 R";
}

} // namespace

namespace {

// " /<prefix><id> <object> 0 R" for each id; an id without an object (0) is left out.
template <typename ObjectOf>
void AppendNamedRefs(std::string& out, const char* prefix, const std::vector<int>& ids, ObjectOf objectOf)
{
    for (const int id : ids) {
        const int object = objectOf(id);
        if (object == 0)
            continue;
        out += " /";
        out += prefix;
        AppendInt(out, id);
        out += ' ';
        AppendRef(out, object);
    }
}

// The object of a 1-based id among `numbers`.
auto NumberIn(const std::vector<int>& numbers)
{
    return [&numbers](int id) { return numbers[id - 1]; };
}

const char* FilterOf(const ContentBuffer& content)
{
    return content.compressed ? "/FlateDecode" : "";
}

void AppendRgb(std::string& out, const PdfColour& c)
{
    out += '[';
    AppendNumbers(out, {c.Red() / 255.0, c.Green() / 255.0, c.Blue() / 255.0});
    out += ']';
}

// An exponential interpolation from `a` to `b`.
void AppendType2Function(std::string& out, const PdfColour& a, const PdfColour& b, double exponent)
{
    out += "<< /FunctionType 2 /Domain [0 1] /C0 ";
    AppendRgb(out, a);
    out += " /C1 ";
    AppendRgb(out, b);
    out += " /N ";
    AppendNumber(out, exponent);
    out += " >>";
}

// The colour function of a gradient: one interpolation, or one stitched from an
// interpolation between each pair of stops.
void AppendGradientFunction(std::string& out, const Gradient& g)
{
    // Stops that do not start at 0 or end at 1 hold their colour to the ends.
    std::vector<std::pair<double, PdfColour>> stops = g.stops;
    if (stops.front().first > 0)
        stops.insert(stops.begin(), {0.0, stops.front().second});
    if (stops.back().first < 1)
        stops.push_back({1.0, stops.back().second});
    if (stops.size() == 2) {
        AppendType2Function(out, stops[0].second, stops[1].second, g.exponent);
        return;
    }
    out += "<< /FunctionType 3 /Domain [0 1] /Functions [";
    for (size_t s = 0; s + 1 < stops.size(); ++s) {
        if (s)
            out += ' ';
        AppendType2Function(out, stops[s].second, stops[s + 1].second, g.exponent);
    }
    out += "] /Bounds [";
    for (size_t s = 1; s + 1 < stops.size(); ++s) {
        if (s > 1)
            out += ' ';
        AppendNumber(out, stops[s].first);
    }
    out += "] /Encode [";
    for (size_t s = 0; s + 1 < stops.size(); ++s)
        out += s ? " 0 1" : "0 1";
    out += "] >>";
}

// How the flat list of outline items (each with its level) hangs together as a tree;
// -1 where an item has no such neighbour.
struct OutlineTree {
    std::vector<int> parent, prev, next, first, last, count;
    int rootFirst = -1, rootLast = -1;
};

OutlineTree LinkOutline(const std::vector<OutlineItem>& outline)
{
    const int n = static_cast<int>(outline.size());
    OutlineTree t;
    t.parent.assign(n, -1);
    t.prev.assign(n, -1);
    t.next.assign(n, -1);
    t.first.assign(n, -1);
    t.last.assign(n, -1);
    t.count.assign(n, 0);
    std::vector<int> lastAtLevel;
    int prevLevel = 0;
    for (int i = 0; i < n; ++i) {
        const int level = outline[i].level;
        if (static_cast<int>(lastAtLevel.size()) <= level)
            lastAtLevel.resize(level + 1, -1);
        if (level > 0) {
            const int p = lastAtLevel[level - 1];
            t.parent[i] = p;
            t.last[p] = i;
            if (t.first[p] < 0)
                t.first[p] = i;
        } else {
            if (t.rootFirst < 0)
                t.rootFirst = i;
            t.rootLast = i;
        }
        if (i > 0 && level <= prevLevel && lastAtLevel[level] >= 0) {
            t.prev[i] = lastAtLevel[level];
            t.next[lastAtLevel[level]] = i;
        }
        lastAtLevel[level] = i;
        prevLevel = level;
        for (int p = t.parent[i]; p >= 0; p = t.parent[p])
            ++t.count[p];
    }
    return t;
}

// The object numbers of the document, given out before anything is written so that
// every object can refer to every other.
struct ObjectNumbers {
    int catalog = 0, pages = 0, info = 0;
    int outlineRoot = 0; // 0: no outline
    std::vector<int> page, content, templates, glyphForms, images, masks, gstates, shadings, outline;
};

// Writes the objects of a closed document kind by kind, then the cross-reference
// table and the trailer.
class FileWriter
{
public:
    explicit FileWriter(DocState& s) : s(s), w(s.compress) {}
    // Writes the file into `to`, which gets a buffer of exactly the file's size.
    void Write(wxMemoryOutputStream& to);

private:
    // Every object, the cross-reference table and the trailer; `first` on the first
    // of the two passes.
    void WriteAll(bool first);
    void NumberObjects();
    void WritePageTree();
    void WritePages();
    std::string Annotations(const Page& page) const;
    void WriteTemplates();
    void WriteGlyphForms();
    void WriteFonts();
    void WriteImages();
    void WriteExtGStates();
    void WriteShadings();
    void WriteOutline();
    void WriteInfo();
    void WriteCatalog();
    void WriteXrefAndTrailer();
    void AppendResources(std::string& out, const Resources& res) const;
    void AppendDest(std::string& out, int page, double yPt) const;

    DocState& s;
    ObjectWriter w;
    ObjectNumbers n;
    std::string fonts;        // glyph forms and fonts as the first pass wrote them
    std::string fileId;       // of the file's body, from the first pass
    std::string creationDate; // one date for both passes
};

void FileWriter::Write(wxMemoryOutputStream& to)
{
    // The file is made twice: once to learn its size and identity, then into a buffer
    // of exactly that size. Neither its text nor its streams are ever held beside the
    // finished file, which of a long document would hold its bytes twice or three
    // times over; the stored streams are freed as they go in. The font programs, the
    // costly part that does not grow with the pages, are made once.
    w.Restart(nullptr, true, false);
    NumberObjects();
    WriteAll(true);
    const size_t size = w.Size();
    // The stream frees the buffer with free().
    void* room = std::malloc(size);
    if (!room)
        throw std::bad_alloc();
    to.GetOutputStreamBuffer()->SetBufferIO(room, size, true);
    w.Restart([&to](const char* data, size_t length) { to.Write(data, length); }, false, true);
    WriteAll(false);
    if (w.Size() != size)
        wxLogDebug("PDF: the file came out %zu bytes long, not %zu", w.Size(), size);
}

void FileWriter::WriteAll(bool first)
{
    w.out += "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    WritePageTree();
    WritePages();
    WriteTemplates();
    if (first) {
        w.StartRecording(fonts);
        WriteGlyphForms();
        WriteFonts();
        w.StopRecording();
    } else {
        w.Replay(fonts);
    }
    WriteImages();
    WriteExtGStates();
    WriteShadings();
    WriteOutline();
    WriteInfo();
    WriteCatalog();
    WriteXrefAndTrailer();
    w.Flush();
}

void FileWriter::NumberObjects()
{
    auto numberEach = [this](std::vector<int>& numbers, size_t count) {
        numbers.resize(count);
        for (int& number : numbers)
            number = w.NewObject();
    };
    n.catalog = w.NewObject();
    n.pages = w.NewObject();
    n.info = w.NewObject();
    n.page.resize(s.pages.size());
    n.content.resize(s.pages.size());
    for (size_t i = 0; i < s.pages.size(); ++i) {
        n.page[i] = w.NewObject();
        n.content[i] = w.NewObject();
    }
    numberEach(n.templates, s.templates.size());
    numberEach(n.glyphForms, s.glyphForms.size());
    for (auto& f : s.fonts) {
        bool used = false;
        for (uint8_t u : f->usedFlag)
            used = used || u;
        f->objectNumber = used ? w.NewObject() : 0;
    }
    n.images.resize(s.images.size());
    n.masks.assign(s.images.size(), 0);
    for (size_t i = 0; i < s.images.size(); ++i) {
        n.images[i] = w.NewObject();
        if (!s.images[i]->softMask.empty())
            n.masks[i] = w.NewObject();
    }
    numberEach(n.gstates, s.extGStates.size());
    numberEach(n.shadings, s.gradients.size());
    n.outlineRoot = s.outline.empty() ? 0 : w.NewObject();
    numberEach(n.outline, s.outline.size());
}

void FileWriter::AppendResources(std::string& out, const Resources& res) const
{
    out += "/Resources << /ProcSet [/PDF /Text /ImageB /ImageC /ImageI]";
    if (res.Has(Resources::Font)) {
        out += " /Font <<";
        AppendNamedRefs(out, "F", res.Of(Resources::Font), [this](int id) { return s.fonts[id - 1]->objectNumber; });
        out += " >>";
    }
    if (res.Has(Resources::Image) || res.Has(Resources::Form) || res.Has(Resources::GlyphForm)) {
        out += " /XObject <<";
        AppendNamedRefs(out, "GL", res.Of(Resources::GlyphForm), NumberIn(n.glyphForms));
        AppendNamedRefs(out, "I", res.Of(Resources::Image), NumberIn(n.images));
        AppendNamedRefs(out, "TPL", res.Of(Resources::Form), NumberIn(n.templates));
        out += " >>";
    }
    if (res.Has(Resources::GState)) {
        out += " /ExtGState <<";
        AppendNamedRefs(out, "GS", res.Of(Resources::GState), NumberIn(n.gstates));
        out += " >>";
    }
    if (res.Has(Resources::Shading)) {
        out += " /Shading <<";
        AppendNamedRefs(out, "Sh", res.Of(Resources::Shading), NumberIn(n.shadings));
        out += " >>";
    }
    out += " >>";
}

void FileWriter::AppendDest(std::string& out, int page, double yPt) const
{
    page = std::clamp(page, 1, static_cast<int>(s.pages.size()));
    out += '[';
    AppendRef(out, n.page[page - 1]);
    out += " /XYZ 0 ";
    AppendNumber(out, s.pages[page - 1]->hPt - yPt);
    out += " null]";
}

void FileWriter::WritePageTree()
{
    std::string dict = "<< /Type /Pages /Kids [";
    for (size_t i = 0; i < s.pages.size(); ++i) {
        if (i)
            dict += ' ';
        AppendRef(dict, n.page[i]);
    }
    dict += "] /Count ";
    AppendInt(dict, static_cast<long long>(s.pages.size()));
    dict += " >>";
    w.WriteObject(n.pages, dict, nullptr);
}

void FileWriter::WritePages()
{
    for (size_t i = 0; i < s.pages.size(); ++i) {
        Page& p = *s.pages[i];
        std::string dict = "<< /Type /Page /Parent ";
        AppendRef(dict, n.pages);
        dict += " /MediaBox [0 0 ";
        AppendNumbers(dict, {p.wPt, p.hPt});
        dict += "] ";
        AppendResources(dict, p.content.res);
        dict += " /Contents ";
        AppendRef(dict, n.content[i]);
        const std::string annots = Annotations(p);
        if (!annots.empty()) {
            dict += " /Annots [";
            dict += annots;
            dict += ']';
        }
        dict += " >>";
        w.WriteObject(n.page[i], dict, nullptr);
        w.WriteStoredStream(n.content[i], "<< >>", p.content.packed, FilterOf(p.content));
    }
}

// The page's link annotations, space-separated; a link to a target never set is left out.
std::string FileWriter::Annotations(const Page& page) const
{
    std::string annots;
    for (const Annotation& a : page.annots) {
        std::string ad = "<< /Type /Annot /Subtype /Link /Rect [";
        AppendNumbers(ad, {a.x1, a.y1, a.x2, a.y2});
        ad += "] /Border [0 0 0] ";
        if (a.link.IsLinkRef()) {
            const int ref = a.link.GetLinkRef();
            if (ref > static_cast<int>(s.links.size()) || s.links[ref - 1].page == 0)
                continue;
            ad += "/Dest ";
            AppendDest(ad, s.links[ref - 1].page, s.links[ref - 1].yPt);
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
    return annots;
}

void FileWriter::WriteTemplates()
{
    for (size_t i = 0; i < s.templates.size(); ++i) {
        Template& t = *s.templates[i];
        std::string dict = "<< /Type /XObject /Subtype /Form /BBox [";
        if (t.group) {
            for (double v : t.bbox) {
                AppendNumber(dict, v);
                dict += ' ';
            }
            dict += "] /Group << /S /Transparency /CS /DeviceRGB >> ";
        } else {
            dict += "0 0 ";
            AppendNumbers(dict, {t.wPt, t.hPt});
            dict += "] ";
        }
        AppendResources(dict, t.content.res);
        dict += " >>";
        w.WriteStoredStream(n.templates[i], dict, t.content.packed, FilterOf(t.content));
    }
}

void FileWriter::WriteGlyphForms()
{
    for (size_t i = 0; i < s.glyphForms.size(); ++i) {
        // The box of any glyph: the em and then some, for marks that reach out.
        std::string packed;
        const bool deflated = s.compress && Deflate(s.glyphForms[i], packed);
        w.WriteStream(n.glyphForms[i], "<< /Type /XObject /Subtype /Form /BBox [-1000 -1000 2000 2000] >>",
                      deflated ? packed : s.glyphForms[i], deflated ? "/FlateDecode" : "");
    }
}

void FileWriter::WriteFonts()
{
    for (auto& f : s.fonts) {
        if (f->objectNumber == 0)
            continue;
        std::map<uint32_t, std::u32string> used;
        for (size_t gid = 0; gid < f->usedFlag.size(); ++gid)
            if (f->usedFlag[gid])
                used.emplace(static_cast<uint32_t>(gid), f->TextOf(static_cast<uint32_t>(gid)));
        f->font->WriteEmbedded(w, f->objectNumber, used);
    }
}

void FileWriter::WriteImages()
{
    for (size_t i = 0; i < s.images.size(); ++i) {
        ImageEntry& e = *s.images[i];
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
        if (n.masks[i]) {
            dict += " /SMask ";
            AppendRef(dict, n.masks[i]);
        }
        dict += " >>";
        w.WriteStoredStream(n.images[i], dict, e.data, e.filter);
        if (n.masks[i]) {
            std::string md = "<< /Type /XObject /Subtype /Image /Width ";
            AppendInt(md, e.width);
            md += " /Height ";
            AppendInt(md, e.height);
            md += " /ColorSpace /DeviceGray /BitsPerComponent 8 >>";
            w.WriteStoredStream(n.masks[i], md, e.softMask, "/FlateDecode");
        }
    }
}

void FileWriter::WriteExtGStates()
{
    static const char* const kBlend[] = {"Normal",    "Multiply",  "Screen",     "Overlay",
                                         "Darken",    "Lighten",   "ColorDodge", "ColorBurn",
                                         "HardLight", "SoftLight", "Difference", "Exclusion"};
    for (size_t i = 0; i < s.extGStates.size(); ++i) {
        const ExtGState& e = s.extGStates[i];
        std::string dict = "<< /Type /ExtGState /CA ";
        AppendNumber(dict, e.lineAlpha, 3);
        dict += " /ca ";
        AppendNumber(dict, e.fillAlpha, 3);
        dict += " /BM /";
        dict += kBlend[static_cast<int>(e.blend)];
        if (e.softMask > 0 && e.softMask <= static_cast<int>(s.templates.size())) {
            dict += " /SMask << /Type /Mask /S /Luminosity /G ";
            AppendRef(dict, n.templates[e.softMask - 1]);
            dict += " >>";
        }
        dict += " >>";
        w.WriteObject(n.gstates[i], dict, nullptr);
    }
}

void FileWriter::WriteShadings()
{
    for (size_t i = 0; i < s.gradients.size(); ++i) {
        const Gradient& g = s.gradients[i];
        std::string dict = "<< /ShadingType ";
        AppendInt(dict, g.type);
        dict += " /ColorSpace /DeviceRGB /Coords [";
        for (size_t c = 0; c < g.coords.size(); ++c) {
            if (c)
                dict += ' ';
            AppendNumber(dict, g.coords[c]);
        }
        dict += "] /Function ";
        AppendGradientFunction(dict, g);
        dict += " /Extend [true true] >>";
        w.WriteObject(n.shadings[i], dict, nullptr);
    }
}

void FileWriter::WriteOutline()
{
    if (s.outline.empty())
        return;
    const OutlineTree t = LinkOutline(s.outline);
    std::string root = "<< /Type /Outlines /First ";
    AppendRef(root, n.outline[t.rootFirst]);
    root += " /Last ";
    AppendRef(root, n.outline[t.rootLast]);
    root += " /Count ";
    AppendInt(root, static_cast<long long>(s.outline.size()));
    root += " >>";
    w.WriteObject(n.outlineRoot, root, nullptr);
    for (size_t i = 0; i < s.outline.size(); ++i) {
        std::string dict = "<< /Title ";
        dict += s.outline[i].title;
        dict += " /Parent ";
        AppendRef(dict, t.parent[i] >= 0 ? n.outline[t.parent[i]] : n.outlineRoot);
        if (t.prev[i] >= 0) {
            dict += " /Prev ";
            AppendRef(dict, n.outline[t.prev[i]]);
        }
        if (t.next[i] >= 0) {
            dict += " /Next ";
            AppendRef(dict, n.outline[t.next[i]]);
        }
        if (t.first[i] >= 0) {
            dict += " /First ";
            AppendRef(dict, n.outline[t.first[i]]);
            dict += " /Last ";
            AppendRef(dict, n.outline[t.last[i]]);
            dict += " /Count ";
            AppendInt(dict, t.count[i]);
        }
        dict += " /Dest ";
        AppendDest(dict, s.outline[i].page, s.outline[i].yPt);
        dict += " >>";
        w.WriteObject(n.outline[i], dict, nullptr);
    }
}

void FileWriter::WriteInfo()
{
    std::string dict = "<< /Producer ";
    dict += LiteralString(kProducer);
    dict += " /CreationDate ";
    if (creationDate.empty())
        creationDate = PdfDate();
    dict += LiteralString(creationDate);
    auto add = [&](const char* key, const wxString& value) {
        if (value.empty())
            return;
        dict += ' ';
        dict += key;
        dict += ' ';
        dict += TextString(value);
    };
    add("/Title", s.title);
    add("/Author", s.author);
    add("/Subject", s.subject);
    add("/Keywords", s.keywords);
    add("/Creator", s.creator);
    dict += " >>";
    w.WriteObject(n.info, dict, nullptr);
}

void FileWriter::WriteCatalog()
{
    std::string dict = "<< /Type /Catalog /Pages ";
    AppendRef(dict, n.pages);
    if (n.outlineRoot) {
        dict += " /Outlines ";
        AppendRef(dict, n.outlineRoot);
        dict += " /PageMode /UseOutlines";
    }
    dict += " >>";
    w.WriteObject(n.catalog, dict, nullptr);
}

void FileWriter::WriteXrefAndTrailer()
{
    if (fileId.empty())
        fileId = w.Id();
    const std::string& id = fileId;
    const size_t xref = w.Size();
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
        if (i % 4096 == 0)
            w.Flush();
    }
    w.out += "trailer\n<< /Size ";
    AppendInt(w.out, static_cast<long long>(count));
    w.out += " /Root ";
    AppendRef(w.out, n.catalog);
    w.out += " /Info ";
    AppendRef(w.out, n.info);
    w.out += " /ID [<" + id + "> <" + id + ">] >>\nstartxref\n";
    AppendInt(w.out, static_cast<long long>(xref));
    w.out += "\n%%EOF\n";
}

} // namespace

void PdfDocument::State::Serialize()
{
    const std::string digits = std::to_string(pages.size());
    for (auto& p : pages)
        WritePageCount(*this, p->content, digits);
    for (auto& t : templates)
        WritePageCount(*this, t->content, digits);
    for (auto& p : pages)
        if (!p->content.finished)
            FinishBuffer(p->content);
    for (auto& t : templates)
        if (!t->content.finished)
            FinishBuffer(t->content);
    // Every content is final from here on, the last ones just handed over included.
    if (deflater)
        deflater->Wait();

    FileWriter writer(*this);
    writer.Write(buffer);
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
            EndPage(s);
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
    // Straight from the document's buffer: a copy would hold the file twice.
    const wxStreamBuffer& bytes = *stream.GetOutputStreamBuffer();
    const size_t size = bytes.GetBufferSize();
    bool ok;
    {
        wxLogNull quiet;
        wxFFile f(name, "wb");
        ok = f.IsOpened() && (size == 0 || f.Write(bytes.GetBufferStart(), size) == size);
        ok = f.IsOpened() && f.Close() && ok;
    }
    if (!ok)
        wxLogWarning("PDF: cannot write the file '%s'", name);
    return ok;
}
