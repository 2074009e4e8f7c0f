#pragma once
// Internal state of PdfDocument, shared by the layer's own sources (document, text,
// graphics, images, output). Not part of the public interface.
#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/pdf/PdfFontManager.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct hb_font_t;
class PdfFontFace;

// The layer's own sources reach the state through this accessor.
class PdfDocumentAccess
{
public:
    using State = PdfDocument::State;
    static State& Of(PdfDocument& doc) { return *doc.d; }
    static const State& Of(const PdfDocument& doc) { return *doc.d; }
};

namespace vdpdf {

using DocState = PdfDocumentAccess::State;

// ---- Formatting helpers (PdfFormat.cpp) -------------------------------------------
// Appends a number in the C locale with at most `decimals` decimals and never in
// exponent form; NaN and infinity are logged and written as 0.
void AppendNumber(std::string& out, double value, int decimals = 4);
// The numbers, as AppendNumber writes them, separated by single spaces.
void AppendNumbers(std::string& out, std::initializer_list<double> values, int decimals = 4);
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
    float advance = -1; // thousandths of the em; < 0: not looked up yet
};

struct FontEntry {
    std::shared_ptr<const PdfFont> font;
    int index = 0; // /F<index>
    int objectNumber = 0;
    std::vector<GlyphInfo> low; // code points below 0x800
    std::unordered_map<char32_t, GlyphInfo> high;
    std::vector<char32_t> used; // glyph id → code point (0: see `texts`)
    std::vector<uint8_t> usedFlag;
    // Glyphs that stand for several characters (ligatures, clusters) or for none
    // (the further glyphs of a cluster whose text the first one carries).
    std::unordered_map<uint32_t, std::u32string> texts;
    int alternate = -1; // a copy of the face for glyphs that stand for other texts
    // How text in the face may be cut into words for shaping (see TextShaper):
    // -1 not known yet, 0 not at all, 1 at spaces, 2 at spaces with the next
    // character shaped along.
    int wordSplitting = -1;

    const GlyphInfo& Lookup(char32_t cp);
    bool MarkUsed(uint32_t glyph, char32_t cp)
    {
        // Called for every glyph drawn: the glyph standing for this character already
        // is answered here.
        if (glyph < used.size() && used[glyph] == cp && cp != 0)
            return true;
        return MarkUsed(glyph, &cp, 1);
    }
    // Records what the glyph stands for. False when it stands for another text
    // already (the text extraction of this occurrence then needs an ActualText span).
    bool MarkUsed(uint32_t glyph, const char32_t* text, size_t length);
    std::u32string TextOf(uint32_t glyph) const;
};

// ---- Shaping (PdfTextShaper.cpp) --------------------------------------------------
// One glyph of a shaped line. Positions are in thousandths of the em, so a shaped
// line serves every font size.
struct ShapedGlyph {
    enum Flags : uint8_t {
        FirstOfCluster = 1, // carries the cluster's text (first in logical order)
        Alias = 2,          // part of the page-count alias (not shaped)
        Missing = 4,        // no installed font has the character
        RightToLeft = 8,    // of a right-to-left run
        Plain = 16,         // one glyph for one character at the font's own advance
    };
    int font = 0; // font entry (0-based)
    uint32_t glyph = 0;
    float advance = 0;
    float xOffset = 0, yOffset = 0;
    uint32_t clusterStart = 0, clusterEnd = 0; // the characters of the text it stands for
    uint8_t flags = 0;
};

struct ShapedLine {
    std::vector<ShapedGlyph> glyphs; // in visual order, left to right
    double width = 0;                // thousandths of the em
    bool rightToLeft = false;        // the first strong character is right-to-left
    bool plain = false;              // every glyph plain, in the base font, left to right
    bool missing = false;            // some glyph is the missing glyph
};

// Text to glyphs for the whole layer: each character in the current font or, when
// it lacks it, in a fallback font; right-to-left runs ordered by the bidirectional
// algorithm; every run shaped with HarfBuzz (kerning, ligatures, marks). Measuring
// and drawing both come here, so what is measured is what is drawn. Shaped pieces
// (words, or whole runs when the font's space takes part in its layout) are kept by
// font, direction, script and text: report texts repeat, and a repeated piece costs
// one hash lookup.
class TextShaper
{
public:
    TextShaper();
    ~TextShaper();
    TextShaper(const TextShaper&) = delete;
    TextShaper& operator=(const TextShaper&) = delete;

    // Shapes `text` set in font entry `baseFont`. `aliases` are spans of the text
    // drawn glyph by glyph (replaced later). `out` null: only the width is computed.
    // Returns the width in thousandths of the em.
    double Shape(DocState& s, int baseFont, std::u32string_view text,
                 const std::vector<std::pair<size_t, size_t>>& aliases, ShapedLine* out);
    // The advance of each character (thousandths of the em) in logical order: a
    // cluster's advance on its first character. For line breaking.
    void CharacterAdvances(DocState& s, int baseFont, std::u32string_view text, std::vector<float>& advances);
    void SetKerning(bool on);
    bool GetKerning() const { return kerning; }

private:
    struct Piece {
        std::vector<ShapedGlyph> glyphs; // clusters relative to the piece
        double width = 0;
    };
    struct Run {
        size_t start = 0, end = 0;
        int font = 0;
        uint32_t script = 0;
        int level = 0;
        bool alias = false;
    };
    // Splits the text into runs of one font, script and embedding level; true when
    // the paragraph's first strong character is right-to-left.
    bool Itemize(DocState& s, int baseFont, std::u32string_view text,
                 const std::vector<std::pair<size_t, size_t>>& aliases);
    int FontFor(DocState& s, int baseFont, int previous, char32_t c);
    double ShapePlain(DocState& s, int baseFont, std::u32string_view text, ShapedLine* out);
    // `dropLast`: the last character is shaped along for its effect on the one
    // before it (kerning) and left out of the piece.
    const Piece& ShapePiece(DocState& s, int font, uint32_t script, bool rtl, std::u32string_view text, bool dropLast);
    static void PlainPiece(FontEntry& entry, int font, std::u32string_view text, bool dropLast, Piece& piece);
    void RunHarfBuzz(hb_font_t* hbFont, uint32_t script, bool rtl, std::u32string_view text);
    void ReadShapedGlyphs(const PdfFontFace& face, int font, bool rtl, std::u32string_view text, Piece& piece);
    static void FinishPiece(const PdfFontFace& face, std::u32string_view text, bool dropLast, Piece& piece);
    // What the runs of a line add up to, run by run in visual order.
    struct LineTotals {
        double width = 0;
        bool plain = true;
        bool missing = false;
    };
    void OrderRuns();
    void AddAliasRun(DocState& s, const Run& run, std::u32string_view text, LineTotals& line, ShapedLine* out);
    bool SplitIntoPieces(DocState& s, const Run& run, std::u32string_view text);
    void AddShapedRun(DocState& s, int baseFont, const Run& run, std::u32string_view text, LineTotals& line,
                      ShapedLine* out);

    // Short keys of a few code points: a multiply-and-rotate per character beats
    // hashing the bytes.
    struct KeyHash {
        size_t operator()(const std::u32string& key) const noexcept
        {
            uint64_t h = 0x9E3779B97F4A7C15ULL ^ key.size();
            for (const char32_t c : key) {
                h = (h ^ c) * 0xFF51AFD7ED558CCDULL;
                h ^= h >> 29;
            }
            return static_cast<size_t>(h);
        }
    };
    bool kerning = true;
    std::unordered_map<std::u32string, Piece, KeyHash> pieces;
    std::u32string key;
    std::vector<Run> runs;
    std::vector<int> fontOf;
    std::vector<uint32_t> scriptOf;
    std::vector<uint8_t> levels;
    std::vector<uint32_t> bidiTypes;
    std::vector<uint32_t> bracketTypes;
    std::vector<size_t> order;
    std::vector<std::pair<size_t, size_t>> bounds;
    std::vector<uint32_t> starts;
    ShapedLine lineScratch;
    void* buffer = nullptr; // hb_buffer_t
    // Fallback faces chosen in this document, by script and style, tried before
    // asking fontconfig again.
    std::unordered_map<uint64_t, int> fallbackByScript;
};

// ---- Content ------------------------------------------------------------------------
// What a content uses. One list for every kind: a long document has many pages, most
// using a few resources, and a list per kind would cost each page more than its ids.
struct Resources {
    enum Kind : uint8_t {
        Font,
        Image,
        GState,
        Shading,
        Form,
        GlyphForm
    };
    std::vector<std::pair<Kind, int>> used; // 1-based ids (forms: templates, glyph forms:
                                            // State::glyphForms), first-use order
    void Add(Kind kind, int id);
    bool Has(Kind kind) const;
    // The ids of one kind in first-use order.
    std::vector<int> Of(Kind kind) const;
};

// The page-count alias drawn as glyphs: replaced by the digits of the page count at close.
struct AliasSpot {
    size_t offset = 0; // of the alias's hex digits in the content
    size_t length = 0;
    int font = 0; // font entry index (0-based)
};

struct ContentBuffer {
    std::string data;
    std::string packed; // final (possibly compressed) stream once finished
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
    double x1, y1, x2, y2; // points, PDF space (y up)
    PdfLink link;
};

struct Page {
    double wPt = 0, hPt = 0;
    ContentBuffer content;
    std::vector<Annotation> annots;
};

struct Template {
    double xPt = 0, yPt = 0, wPt = 0, hPt = 0; // the recorded area, points, y down
    ContentBuffer content;
    bool done = false;
    // A transparency group drawn in its caller's coordinates (PdfSvgSupport): the
    // dictionary gets /Group and this bounding box instead of [0 0 w h].
    bool group = false;
    double bbox[4] = {0, 0, 0, 0};
};

struct ImageEntry {
    int width = 0, height = 0;
    std::string colourSpace; // "/DeviceRGB", ...
    int bitsPerComponent = 8;
    std::string filter;   // "/FlateDecode" or "/DCTDecode"
    std::string decode;   // "/Decode [...]" or ""
    std::string data;     // encoded
    std::string softMask; // deflated 8-bit alpha, or ""
    uint64_t hash = 0;
    std::string key;    // raw identity used to compare on hash hits
    std::string pixels; // RGB then alpha as placed, kept within a budget
                        // so that equal pixels compare without inflating
};

struct Gradient {
    int type = 2;               // 2 axial, 3 radial
    std::vector<double> coords; // 4 or 6 numbers in gradient space
    std::vector<std::pair<double, PdfColour>> stops;
    double exponent = 1;
};

struct ExtGState {
    double lineAlpha = 1, fillAlpha = 1;
    PdfBlendMode blend = PdfBlendMode::Normal;
    int softMask = 0; // template id of a luminosity soft mask (0: none)
};

struct OutlineItem {
    // The title as a PDF text string, made at once: a long report has several items
    // a page, and the encoded form is the smaller one.
    std::string title;
    int level = 0;
    int page = 0;   // 1-based
    double yPt = 0; // points from the top
};

struct LinkTarget {
    int page = 0;   // 0: not set
    double yPt = 0; // points from the top
};

// What the caller set (user units for widths and dashes).
struct GraphicState {
    PdfColour draw, fill, text;
    double lineWidth = 0;
    int cap = 0, join = 0;
    std::vector<double> dash;
    double phase = 0;
    int gstate = 0; // ExtGState id in effect (0: default)
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
    double pathMinX = 0, pathMinY = 0, pathMaxX = 0, pathMaxY = 0; // user units
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
class BackgroundDeflater
{
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
    double defWPt = 595.28, defHPt = 841.89; // portrait size of the paper
    double curWPt = 595.28, curHPt = 841.89; // size of the current page

    // Layout (user units)
    double lMargin = 0, tMargin = 0, rMargin = 0, bMargin = 0, cMargin = 0;
    double x = 0, y = 0;
    double lasth = 0;
    bool autoPageBreak = true;
    bool inFooter = false;
    double ws = 0; // extra space per space glyph (user units) while justifying

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
    std::unordered_multimap<uint64_t, int> imageByHash; // → 0-based index
    size_t imagePixelsKept = 0;                         // bytes in ImageEntry::pixels
    // Image files already stored, by their bytes (→ 0-based index): a file placed on
    // every page (a header logo) is decoded and deflated once, not once a page.
    std::unordered_map<std::string, int> imageByFileBytes;
    // ... and the files last read, by name: one whose identity, size and time of change
    // are the same again is not read again (a header logo on every page).
    struct FileStamp {
        uint64_t device = 0, inode = 0, size = 0;
        int64_t changedNs = 0;
        int index = -1; // → 0-based image index
    };
    std::unordered_map<std::string, FileStamp> imageByFileStamp;

    // Fonts and text
    std::vector<std::unique_ptr<vdpdf::FontEntry>> fonts;
    std::unordered_map<const PdfFont*, int> fontIndex; // → 0-based index
    std::map<std::pair<wxString, wxString>, std::shared_ptr<const PdfFont>> fontLookup;
    int curFont = -1; // 0-based, -1: none yet
    wxString fontFamily;
    wxString fontStyle; // "", "B", "I", "BI"
    bool underline = false;
    double fontSizePt = 12;
    int textRenderMode = 0;
    bool translateMessages = false;
    wxString aliasNbPages;
    std::u32string textScratch; // the text being encoded
    vdpdf::ShapedLine line;     // ... and its glyphs
    std::vector<std::pair<size_t, size_t>> aliasScratch;
    std::unique_ptr<vdpdf::TextShaper> shaper = std::make_unique<vdpdf::TextShaper>();
    std::function<void(char32_t, const wxString&)> missingHandler;
    std::unordered_set<char32_t> missingReported;
    // Glyphs drawn as outlines after the text: the further glyphs of a cluster when
    // every character of it is carried by another glyph (text extraction would
    // otherwise read a character for them). Positions in points, baseline origin.
    struct OutlineGlyph {
        int font;
        uint32_t glyph;
        double xPt, yPt;
    };
    std::vector<OutlineGlyph> outlineGlyphs;
    // Glyphs drawn as outlines, each once as a form (its path in thousandths of the
    // em, y up), by font entry and glyph.
    std::vector<std::string> glyphForms;
    std::map<std::pair<const PdfFont*, uint32_t>, int> glyphFormIds; // → 1-based id
    std::vector<double> xScratch;

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

    // ---- helpers (PdfDocument*.cpp and friends) ----
    double FontSize() const { return fontSizePt / k; } // user units
    double PageW() const;                              // user units, of the page or template
    double PageH() const;
    bool HasTarget() const { return ctx.buffer != nullptr; }
    std::string& Out() { return ctx.buffer->data; }
    vdpdf::Resources& Res() { return ctx.buffer->res; }

    // Graphics-state emission (PdfGraphics.cpp)
    void EmitDrawColour();
    void EmitFillColour();
    void EmitLineWidth();
    void EmitLineStyle(); // cap, join, dash
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

    // Fonts and text (PdfDocumentFonts.cpp, PdfGlyphWriter.cpp)
    vdpdf::FontEntry* CurrentFont(); // resolves the default font on first use
    int FontEntryFor(const std::shared_ptr<const PdfFont>& font);
    double TextWidth(const wxString& text); // user units, current font
    // Shapes text in the current font into `line` (the text in textScratch, alias
    // spans in aliasScratch). Returns the width in user units.
    double Encode(const wxString& text);
    // Writes the shaped glyphs: hex strings, TJ arrays where shaped positions differ
    // from the plain advances or `wsPt` spreads the spaces, font switches for fallback
    // runs, ActualText spans where a glyph's own map cannot tell its text.
    void WriteGlyphs(std::string& out, double wsPt);
    void SwitchFont(std::string& out, int font);
    // Draws the glyphs WriteGlyphs left to outlines (outlineGlyphs), each a form, for
    // text whose baseline starts at (x, y), user units.
    void DrawOutlineGlyphs(std::string& out, double x, double y);
    // The entry (font or one of its copies) where the glyph stands for `text`; -1
    // when every copy has it standing for something else.
    int EntryForText(int font, uint32_t glyph, std::u32string_view text);

    // Output (PdfContentStore.cpp, PdfOutput.cpp)
    void FinishBuffer(vdpdf::ContentBuffer& buffer);
    void Serialize();
};

namespace vdpdf {
// libunibreak's tables, set up once for the process (PdfDocumentText.cpp).
void PrepareLineBreaking();
// The code points of a string (PdfDocumentFonts.cpp).
void ToCodePoints(const wxString& text, std::u32string& out);
// Opens a page when drawing starts before the first AddPage; false when the document
// is closed.
bool EnsureTarget(PdfDocument& doc, DocState& s);
// Closes the open page: its path and saved states ended, its content finished.
void EndPage(DocState& s);
// The page-count alias written into a content (PdfContentStore.cpp): the digits of
// the count in place of every spot that drew it, then the content finished.
void WritePageCount(DocState& s, ContentBuffer& buffer, const std::string& digits);
} // namespace vdpdf
