#pragma once
// The inside of the rich-text layout engine, shared by its source files: the layout
// works in two passes. The first (inline content, lines, blocks, tables) turns the
// tree into slices of drawing operations; the second places the slices on pages.
#include "pdf/PdfRichTextLayout.h"

#include "vdcommon/pdf/PdfTypes.h"

#include <wx/string.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class PdfDocument;

namespace vdpdf::richtext::layout {

constexpr int kMaxColumns = 1000;
constexpr double kMinWidth = 0.01;

struct Style {
    wxString family;
    bool bold = false, italic = false, underline = false, strike = false;
    double size = 12; // points
    PdfColour colour;
    std::optional<PdfColour> background;
    PdfLink link;
    double rise = 0; // points above the baseline (sup > 0, sub < 0)
};

struct Op {
    enum Kind : unsigned char {
        Text,
        Fill,
        Line,
        LinkArea,
        Picture,
        Anchor,
        ClipBegin,
        ClipEnd
    };
    Kind kind = Text;
    double x = 0, y = 0, w = 0, h = 0; // Line: (x, y) to (w, h)
    double lineWidth = 0;
    int style = -1;
    PdfColour colour;
    wxString text;
    PdfLink link;
};

struct Slice {
    double height = 0;
    double baseline = 0; // of the first text line, for list markers
    std::vector<Op> ops;
    bool spacer = false; // dropped at the top of a page
    bool keepWithNext = false;
    std::vector<double> cuts;                         // ascending offsets where no text line is cut
    std::shared_ptr<const std::vector<Slice>> header; // repeated above it after a break
};

struct Item {
    enum Kind : unsigned char {
        Word,
        Break,
        Anchor
    };
    Kind kind = Word;
    bool space = false; // a space separates it from what precedes
    int style = 0;
    double width = 0;
    wxString text;
};

struct Flow {
    std::vector<Slice>* out = nullptr;
    double left = 0, right = 0;
    double indent = 0; // of the next line, from `left`
    int align = PdfAlignLeft;
    std::vector<Item> items;
    bool pendingSpace = false;
};

// Attribute values: `fallback` when a value is empty or not understood.
int ParseAlign(const wxString& value, int fallback);
std::optional<PdfColour> ParseColour(const wxString& value);
double Number(const wxString& value, double fallback);

// An operation on the rectangle (x, y, w, h) in slice coordinates: a clip or a fill.
Op AreaOp(Op::Kind kind, double x, double y, double w, double h);
Op FillOp(const PdfColour& colour, double x, double y, double w, double h);

// A table while it is laid out: its rows, the grid of cells and the measures.
struct TableLayout;

} // namespace vdpdf::richtext::layout

struct PdfRichTextLayout::Impl {
    using Style = vdpdf::richtext::layout::Style;
    using Op = vdpdf::richtext::layout::Op;
    using Slice = vdpdf::richtext::layout::Slice;
    using Item = vdpdf::richtext::layout::Item;
    using Flow = vdpdf::richtext::layout::Flow;
    using TableLayout = vdpdf::richtext::layout::TableLayout;
    using Node = vdpdf::richtext::Node;

    PdfDocument& doc;
    std::vector<Style> styles;
    struct Metrics {
        bool known = false;
        double ascent = 0, descent = 0, space = 0;
    };
    std::vector<Metrics> metrics;
    std::map<wxString, bool> faceOk;
    std::map<wxString, int> namedLinks;
    int applied = -1; // style whose font the document has selected
    double k = 1;     // points per user unit
    double baseSize = 12;
    double baseLineHeight = 5;
    bool reportedClip = false;

    explicit Impl(PdfDocument& document) : doc(document) {}

    // ---- Styles (PdfRichTextLayout.cpp) ----------------------------------------------------
    int AddStyle(const Style& s);
    void Apply(int index);
    const Metrics& MetricsOf(int index);
    double Width(int style, const wxString& text);
    double LineHeightOf(int style) const { return baseLineHeight * styles[style].size / baseSize; }
    int LinkFor(const wxString& name);
    Style Derive(const Node& e, const Style& parent);

    // ---- Inline content and the walk over the tree (PdfRichTextLayout.cpp) ---------------
    void AddText(const wxString& text, int style, Flow& f);
    void AddWord(const wxString& word, int style, Flow& f);
    static void AddBreak(int style, Flow& f);
    void Walk(const Node& node, int style, Flow& f);
    void Element(const Node& e, int style, Flow& f);
    void Paragraph(const Node& e, int style, Flow& f);
    void Heading(const Node& e, int style, Flow& f);
    void Write(const Node& root);

    // ---- Lines (PdfRichTextLines.cpp) -------------------------------------------------------
    struct Placed {
        const Item* item;
        wxString piece; // the part of a broken word, when it is one
        double x, width;
        bool space;
    };
    void Flush(Flow& f);
    void EmitLine(Flow& f, std::vector<Placed>& line, double start, double used, int fallbackStyle, bool last);
    struct LineBox {
        double height, baseline;
    };
    LineBox MeasureLine(const std::vector<Placed>& line, int fallbackStyle);
    void EmitRun(Slice& slice, int style, wxString text, double x0, double x1, double baseline, double height);

    // ---- Blocks (PdfRichTextBlocks.cpp) ----------------------------------------------------
    void BeginBlock(Flow& f, int style);
    void Rule(const Node& e, int style, Flow& f);
    void List(const Node& e, int style, Flow& f);
    void Picture(const Node& e, int style, Flow& f);

    // ---- Tables (PdfRichTextTable.cpp) -----------------------------------------------------
    void Table(const Node& table, int style, Flow& f);
    void MeasureTable(const Node& table, int style, const Flow& f, TableLayout& t);
    void MeasureCells(int style, TableLayout& t);
    static void BreakTable(TableLayout& t, Flow& f);

    // ---- Placing slices on pages (PdfRichTextPlace.cpp) ------------------------------------
    void Draw(const Slice& slice, double y0, double from = -1e300, double to = 1e300);
    void Place(const std::vector<Slice>& slices);
    double PageLimit() const;
    double NewPage();
    double FirstNeed(const Slice& s) const;
    double DrawHeader(const Slice& s, double y);
    double DrawOverPages(const Slice& s, double y);
};
