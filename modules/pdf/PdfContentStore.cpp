// PdfDocument: what becomes of a page's content once drawn. Large contents are
// deflated on a worker thread while drawing goes on; contents that wait for the page
// count are kept deflated quickly until the count is known.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"

#include <zlib.h>

#include <limits>
#include <stdexcept>
#include <system_error>

using namespace vdpdf;

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

// The page-count alias: the digits of the count in place of every spot that drew it,
// in the font the spot was drawn in.
void vdpdf::WritePageCount(DocState& s, ContentBuffer& buffer, const std::string& digits)
{
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
        FontEntry& f = *s.fonts[spot.font];
        for (char c : digits) {
            const GlyphInfo& gi = f.Lookup(static_cast<char32_t>(c));
            f.MarkUsed(gi.glyph, static_cast<char32_t>(c));
            AppendGlyphHex(out, gi.glyph);
        }
        pos = spot.offset + spot.length;
    }
    out.append(buffer.data, pos, std::string::npos);
    buffer.data = std::move(out);
    std::vector<AliasSpot>().swap(buffer.spots);
    s.FinishBuffer(buffer);
}
