#pragma once
// Internal state of PdfDocument, shared by the layer's own sources (document, text,
// graphics, images, output). Not part of the public interface.
#include "pdf/PdfDocument.h"
#include "pdf/PdfFontManager.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace vdpdf {

// ---- Formatting helpers (PdfFormat.cpp) -------------------------------------------
// Appends a number in the C locale with at most `decimals` decimals and never in
// exponent form; NaN and infinity are logged and written as 0.
void AppendNumber(std::string& out, double value, int decimals = 4);
void AppendInt(std::string& out, long long value);
std::string Number(double value, int decimals = 4);
// Four hex digits of a glyph id (Identity-H code).
void AppendGlyphHex(std::string& out, uint32_t glyph);
// A PDF text string: a literal string for plain ASCII, UTF-16BE with a byte-order
// mark otherwise.
std::string TextString(const wxString& text);
// A literal string of bytes with the needed escapes, parentheses included.
std::string LiteralString(const std::string& bytes);
// zlib deflate; false when zlib fails (then `out` is unchanged).
bool Deflate(const std::string& in, std::string& out, int level = 6);
bool Deflate(const void* data, size_t size, std::string& out, int level = 6);
// A finite number, or 0 with a logged warning naming `what`.
double Sane(double value, const char* what);

// ---- Fonts --------------------------------------------------------------------------
struct GlyphInfo {
    uint32_t glyph = 0;
    float advance = -1;                   // thousandths of the em; < 0: not looked up yet
};

struct FontEntry {
    std::shared_ptr<const PdfFont> font;
    int index = 0;                         // /F<index>
    int objectNumber = 0;
    std::vector<GlyphInfo> low;            // code points below 0x800
    std::unordered_map<char32_t, GlyphInfo> high;
    std::vector<char32_t> used;            // glyph id → code point (0: unused)
    std::vector<uint8_t> usedFlag;

    const GlyphInfo& Lookup(char32_t cp);
    void MarkUsed(uint32_t glyph, char32_t cp);
};

// ---- Content ------------------------------------------------------------------------
struct Resources {
    std::vector<int> fonts, images, gstates, shadings, forms;   // 1-based ids, first-use order
    static void Add(std::vector<int>& list, int id);
};

// The page-count alias drawn as glyphs: replaced by the digits of the page count at close.
struct AliasSpot {
    size_t offset = 0;                     // of the alias's hex digits in the content
    size_t length = 0;
    int font = 0;                          // font entry index (0-based)
};

struct ContentBuffer {
    std::string data;
    std::string packed;                    // final (possibly compressed) stream once finished
    bool finished = false;
    bool compressed = false;
    // A content that waits for the page count is kept quickly deflated in `packed`
    // (`data` empty, its length here) until the count is known.
    bool stashed = false;
    size_t stashedSize = 0;
    std::vector<AliasSpot> spots;
    Resources res;
};

struct Annotation {
    double x1, y1, x2, y2;                 // points, PDF space (y up)
    PdfLink link;
};

struct Page {
    double wPt = 0, hPt = 0;
    ContentBuffer content;
    std::vector<Annotation> annots;
};

struct Template {
    double xPt = 0, yPt = 0, wPt = 0, hPt = 0;  // the recorded area, points, y down
    ContentBuffer content;
    bool done = false;
};

struct ImageEntry {
    int width = 0, height = 0;
    std::string colourSpace;               // "/DeviceRGB", ...
    int bitsPerComponent = 8;
    std::string filter;                    // "/FlateDecode" or "/DCTDecode"
    std::string decode;                    // "/Decode [...]" or ""
    std::string data;                      // encoded
    std::string softMask;                  // deflated 8-bit alpha, or ""
    uint64_t hash = 0;
    std::string key;                       // raw identity used to compare on hash hits
    std::string pixels;                    // RGB then alpha as placed, kept within a budget
                                           // so that equal pixels compare without inflating
};

struct Gradient {
    int type = 2;                          // 2 axial, 3 radial
    std::vector<double> coords;            // 4 or 6 numbers in gradient space
    std::vector<std::pair<double, PdfColour>> stops;
    double exponent = 1;
};

struct ExtGState {
    double lineAlpha = 1, fillAlpha = 1;
    PdfBlendMode blend = PdfBlendMode::Normal;
};

struct OutlineItem {
    wxString text;
    int level = 0;
    int page = 0;                          // 1-based
    double yPt = 0;                        // points from the top
};

struct LinkTarget {
    int page = 0;                          // 0: not set
    double yPt = 0;                        // points from the top
};

// What the caller set (user units for widths and dashes).
struct GraphicState {
    PdfColour draw, fill, text;
    double lineWidth = 0;
    int cap = 0, join = 0;
    std::vector<double> dash;
    double phase = 0;
    int gstate = 0;                        // ExtGState id in effect (0: default)
    double lineAlpha = 1, fillAlpha = 1;
    PdfBlendMode blend = PdfBlendMode::Normal;
};

// What the content stream has in effect (points); `known` false after raw output.
struct StreamState {
    bool known = false;
    PdfColour draw, fill;
    double lineWidthPt = 1;
    int cap = 0, join = 0;
    std::string dash = "[] 0";
    int gstate = 0;
};

struct SavedState {
    GraphicState g;
    StreamState s;
    bool clip = false;
};

// Everything that belongs to the place being drawn into (a page or a template).
struct DrawContext {
    ContentBuffer* buffer = nullptr;
    std::vector<SavedState> stack;
    StreamState stream;
    bool pathOpen = false;
    size_t pathStart = 0;
    double pathMinX = 0, pathMinY = 0, pathMaxX = 0, pathMaxY = 0;  // user units
    bool clipPending = false;
};

struct TemplateFrame {
    int id = 0;
    DrawContext outer;
    GraphicState g;
    double x = 0, y = 0;
    bool autoPageBreak = true;
};

} // namespace vdpdf

namespace vdpdf {

// Deflates finished contents on a worker thread while the document goes on drawing
// the next pages: each content is deflated on its own, so the bytes are the same as
// deflating them one after another. Only the worker touches a submitted buffer's
// data, packed and compressed members until Wait returns.
class BackgroundDeflater {
public:
    BackgroundDeflater() = default;
    BackgroundDeflater(const BackgroundDeflater&) = delete;
    BackgroundDeflater& operator=(const BackgroundDeflater&) = delete;
    ~BackgroundDeflater();

    // Queues the buffer; false when it was not taken (no thread could be started, or
    // enough work is waiting already): the caller then deflates it itself.
    bool Submit(ContentBuffer& buffer);
    // Returns once every queued buffer is done.
    void Wait();
    // The emptied room of a deflated content, for the next page (empty when none).
    std::string TakeSpare();

private:
    void Run();

    std::mutex mutex;
    std::condition_variable wake, done;
    std::deque<ContentBuffer*> jobs;
    int running = 0;
    bool stopping = false;
    std::string spare;
    std::thread worker;
};

} // namespace vdpdf

struct PdfDocument::State {
    // Units and page format
    double k = 72.0 / 25.4;
    int defOrientation = wxPORTRAIT;
    int curOrientation = wxPORTRAIT;
    double defWPt = 595.28, defHPt = 841.89;   // portrait size of the paper
    double curWPt = 595.28, curHPt = 841.89;   // size of the current page

    // Layout (user units)
    double lMargin = 0, tMargin = 0, rMargin = 0, bMargin = 0, cMargin = 0;
    double x = 0, y = 0;
    double lasth = 0;
    bool autoPageBreak = true;
    bool inFooter = false;
    bool inHeader = false;
    double ws = 0;                             // extra space per space glyph (user units) while justifying

    // Pages and templates
    std::vector<std::unique_ptr<vdpdf::Page>> pages;
    // The room of the last finished content, handed to the next page: pages of a
    // document are alike in size, and growing each one afresh costs copies.
    std::string spareContent;
    bool pageOpen = false;
    bool closed = false;
    std::vector<std::unique_ptr<vdpdf::Template>> templates;
    std::vector<vdpdf::TemplateFrame> recording;
    vdpdf::DrawContext ctx;

    // Graphics
    vdpdf::GraphicState g;
    int fillingRule = wxWINDING_RULE;
    std::vector<vdpdf::ExtGState> extGStates;
    std::vector<vdpdf::Gradient> gradients;
    std::vector<std::unique_ptr<vdpdf::ImageEntry>> images;
    std::unordered_multimap<uint64_t, int> imageByHash;    // → 0-based index
    size_t imagePixelsKept = 0;                            // bytes in ImageEntry::pixels
    // Image files already stored, by their bytes (→ 0-based index): a file placed on
    // every page (a header logo) is decoded and deflated once, not once a page.
    std::unordered_map<std::string, int> imageByFileBytes;

    // Fonts and text
    std::vector<std::unique_ptr<vdpdf::FontEntry>> fonts;
    std::unordered_map<const PdfFont*, int> fontIndex;     // → 0-based index
    std::map<std::pair<wxString, wxString>, std::shared_ptr<const PdfFont>> fontLookup;
    int curFont = -1;                                      // 0-based, -1: none yet
    wxString fontFamily;
    wxString fontStyle;                                    // "", "B", "I", "BI"
    bool underline = false;
    double fontSizePt = 12;
    int textRenderMode = 0;
    bool translateMessages = false;
    wxString aliasNbPages;
    std::vector<uint32_t> glyphScratch;
    std::vector<char32_t> cpScratch;
    std::vector<std::pair<size_t, size_t>> aliasScratch;

    // Outline and links
    std::vector<vdpdf::OutlineItem> outline;
    std::vector<vdpdf::LinkTarget> links;

    // Metadata and output
    wxString title, author, subject, keywords, creator;
    bool compress = true;
    wxMemoryOutputStream buffer;
    // Declared after the pages and templates so that it is destroyed (its thread
    // joined) before the buffers it may still be working on.
    std::unique_ptr<vdpdf::BackgroundDeflater> deflater;
    PdfLineStyle lineStyleCache;

    // ---- helpers (PdfDocument.cpp and friends) ----
    double FontSize() const { return fontSizePt / k; }    // user units
    double PageW() const;                                  // user units, of the page or template
    double PageH() const;
    bool HasTarget() const { return ctx.buffer != nullptr; }
    std::string& Out() { return ctx.buffer->data; }
    vdpdf::Resources& Res() { return ctx.buffer->res; }
    void Pt(std::string& out, double userValue) const { vdpdf::AppendNumber(out, userValue * k); }

    // Graphics-state emission (PdfGraphics.cpp)
    void EmitDrawColour();
    void EmitFillColour();
    void EmitLineWidth();
    void EmitLineStyle();                                   // cap, join, dash
    void EmitAlpha();
    void EmitAll();
    void ResetStreamToDefaults();
    void PushState(bool clip);
    bool PopState();
    void CloseAllStates();
    int ExtGStateId(double lineAlpha, double fillAlpha, PdfBlendMode blend);
    void PathPoint(double px, double py);
    void InsertAtPathStart(const std::string& text);
    std::string FillOp(int style, bool close) const;

    // Fonts (PdfDocument.cpp)
    vdpdf::FontEntry* CurrentFont();                       // resolves the default font on first use
    int FontEntryFor(const std::shared_ptr<const PdfFont>& font);
    double TextWidth(const wxString& text);                // user units, current font
    // Encodes text with the current font into glyphScratch (alias spans into aliasScratch).
    double Encode(const wxString& text);
    // Writes the glyphs as a hex string or a TJ array with spacing `wsPt` after spaces.
    void WriteGlyphs(std::string& out, double wsPt);

    // Output (PdfOutput.cpp)
    void FinishBuffer(vdpdf::ContentBuffer& buffer);
    void Serialize();
};

// The layer's own sources reach the state through this accessor.
class PdfDocumentAccess {
public:
    using State = PdfDocument::State;
    static State& Of(PdfDocument& doc) { return *doc.d; }
    static const State& Of(const PdfDocument& doc) { return *doc.d; }
};

namespace vdpdf {
using DocState = PdfDocumentAccess::State;
// Opens a page when drawing starts before the first AddPage; false when the document
// is closed.
bool EnsureTarget(PdfDocument& doc, DocState& s);
} // namespace vdpdf
