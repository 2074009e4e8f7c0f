// Rich-text layout: tables. A table is read into rows and a grid of cells, measured
// (column widths, cell contents, row heights), then broken into row groups — rows tied
// together by row spans — each drawn as one slice the placer never splits between rows.
#include "pdf/PdfRichTextLayoutImpl.h"

#include "vdcommon/pdf/PdfDocument.h"

#include <wx/log.h>

#include <algorithm>
#include <iterator>
#include <utility>

using vdpdf::richtext::Node;
using namespace vdpdf::richtext::layout;

namespace vdpdf::richtext::layout {

struct TableRow {
    const Node* tr;
    std::optional<PdfColour> background;
};

struct TableCell {
    const Node* node;
    int row, col, colspan, rowspan;
    double contentHeight = 0;
    std::vector<Slice> content;
};

struct TableLayout {
    std::vector<TableRow> rows; // header rows first
    size_t headerRows = 0;
    std::vector<double> colWidths; // < 0: not given; <= -2: -2 - percent
    std::vector<TableCell> cells;  // in row order
    int columns = 0;
    std::vector<double> colX; // left edge of each column and the right edge of the last
    double total = 0;         // the table's width
    double pad = 0;
    bool frame = false;
    double borderWidth = 0;
    PdfColour borderColour;
    std::vector<double> rowH;
};

} // namespace vdpdf::richtext::layout

namespace {

// ---- Reading the structure ------------------------------------------------------------------

void ReadColumn(const Node& col, std::vector<double>& colWidths)
{
    const int span = static_cast<int>(std::clamp(Number(col.Attr("span"), 1), 1.0, double(kMaxColumns)));
    const wxString wv = col.Attr("width").Strip(wxString::both);
    double w = -1;
    if (wv.EndsWith("%"))
        w = -2 - std::clamp(Number(wv, 0), 0.0, 100.0); // -2 - percent
    else if (!wv.empty())
        w = std::max(0.0, Number(wv, -1));
    for (int i = 0; i < span && static_cast<int>(colWidths.size()) < kMaxColumns; ++i)
        colWidths.push_back(w);
}

// The rows of a thead, tbody or tfoot, striped with its odd and even colours.
void ReadSection(const Node& section, std::vector<TableRow>& out)
{
    const auto odd = ParseColour(section.Attr("odd")), even = ParseColour(section.Attr("even"));
    int n = 0;
    for (const Node& tr : section.children) {
        if (tr.isText || tr.name != "tr")
            continue;
        auto bg = ParseColour(tr.Attr("bgcolor"));
        if (!bg)
            bg = (n % 2 == 0) ? odd : even;
        ++n;
        out.push_back({&tr, bg});
    }
}

void ReadStructure(const Node& table, TableLayout& t)
{
    std::vector<TableRow> body;
    for (const Node& c : table.children) {
        if (c.isText)
            continue;
        if (c.name == "thead")
            ReadSection(c, t.rows);
        else if (c.name == "tbody" || c.name == "tfoot")
            ReadSection(c, body);
        else if (c.name == "tr") { // rows directly under the table are body rows
            auto bg = ParseColour(c.Attr("bgcolor"));
            body.push_back({&c, bg});
        } else if (c.name == "colgroup") {
            for (const Node& col : c.children)
                if (!col.isText && col.name == "col")
                    ReadColumn(col, t.colWidths);
        } else if (c.name == "col") {
            ReadColumn(c, t.colWidths);
        }
    }
    t.headerRows = t.rows.size();
    t.rows.insert(t.rows.end(), body.begin(), body.end());
}

// Where each cell starts and how far it spans; a row span ends with its section.
void BuildGrid(TableLayout& t)
{
    std::vector<int> busyUntil; // per column: first row not covered by a rowspan
    bool tooWide = false;
    for (size_t r = 0; r < t.rows.size(); ++r) {
        const int sectionEnd = static_cast<int>(r < t.headerRows ? t.headerRows : t.rows.size());
        int col = 0;
        for (const Node& c : t.rows[r].tr->children) {
            if (c.isText || (c.name != "td" && c.name != "th"))
                continue;
            while (col < static_cast<int>(busyUntil.size()) && busyUntil[col] > static_cast<int>(r))
                ++col;
            if (col >= kMaxColumns) {
                tooWide = true;
                break;
            }
            const int colspan =
                static_cast<int>(std::clamp(Number(c.Attr("colspan"), 1), 1.0, double(kMaxColumns - col)));
            const int rowspan = static_cast<int>(
                std::clamp(Number(c.Attr("rowspan"), 1), 1.0, double(sectionEnd - static_cast<int>(r))));
            if (static_cast<int>(busyUntil.size()) < col + colspan)
                busyUntil.resize(col + colspan, 0);
            for (int i = col; i < col + colspan; ++i)
                busyUntil[i] = static_cast<int>(r) + rowspan;
            t.cells.push_back({&c, static_cast<int>(r), col, colspan, rowspan, 0, {}});
            col += colspan;
            t.columns = std::max(t.columns, col);
        }
    }
    if (tooWide)
        wxLogWarning("Rich text: a table has more than %d columns; the cells beyond are left out", kMaxColumns);
}

// ---- Measuring ------------------------------------------------------------------------------

// Column widths: given ones first, the rest share what is left; all scaled down together
// when they add up to more than the room there is.
void SizeColumns(const Node& table, const Flow& f, TableLayout& t)
{
    const int columns = t.columns;
    const double avail = std::max(kMinWidth, f.right - f.left);
    t.colWidths.resize(columns, -1);
    double given = 0;
    int free = 0;
    for (double& w : t.colWidths) {
        if (w <= -2)
            w = avail * (-2 - w) / 100;
        if (w >= 0)
            given += w;
        else
            ++free;
    }
    const double share = free > 0 ? std::max(avail - given, 0.0) / free : 0;
    double total = 0;
    for (double& w : t.colWidths) {
        if (w < 0)
            w = share > 0 ? share : avail / columns;
        total += w;
    }
    if (total > avail || total <= 0) {
        const double scale = total > 0 ? avail / total : 0;
        for (double& w : t.colWidths)
            w = total > 0 ? w * scale : avail / columns;
        total = avail;
    }
    const int tableAlign = ParseAlign(table.Attr("align"), PdfAlignLeft);
    const double tableLeft = f.left + (tableAlign == PdfAlignRight    ? avail - total
                                       : tableAlign == PdfAlignCenter ? (avail - total) / 2
                                                                      : 0);
    t.colX.assign(columns + 1, tableLeft);
    for (int c = 0; c < columns; ++c)
        t.colX[c + 1] = t.colX[c] + t.colWidths[c];
    t.total = total;
}

// ---- Drawing a row group --------------------------------------------------------------------

// The operations of one row group, in the order they are painted.
struct GroupOps {
    std::vector<Op> backgrounds, contents, borders;
    std::vector<std::pair<double, double>> lines; // top and bottom of each text line
};

// Moves the cell's content into the group, `dy` below the group's top, clipped to the
// cell when it does not fit.
void PlaceCellContent(TableCell& c, const TableLayout& t, double x0, double y0, double x1, double y1, GroupOps& ops)
{
    const Node& n = *c.node;
    const wxString valign = n.Attr("valign", t.rows[c.row].tr->Attr("valign")).Lower();
    const double room = y1 - y0 - 2 * t.pad;
    double dy = 0;
    if (c.contentHeight < room)
        dy = valign == "bottom"                         ? room - c.contentHeight
             : valign == "middle" || valign == "center" ? (room - c.contentHeight) / 2
                                                        : 0;
    const bool clip = c.contentHeight > room + 1e-6;
    if (clip)
        ops.contents.push_back(AreaOp(Op::ClipBegin, x0, y0, x1 - x0, y1 - y0));
    double y = y0 + t.pad + dy;
    for (Slice& sl : c.content) {
        ops.lines.emplace_back(y, y + sl.height);
        for (Op& op : sl.ops) {
            op.y += y;
            if (op.kind == Op::Line)
                op.h += y;
            ops.contents.push_back(std::move(op));
        }
        y += sl.height;
    }
    c.content.clear();
    if (clip) {
        Op op;
        op.kind = Op::ClipEnd;
        ops.contents.push_back(std::move(op));
    }
}

// Borders: the cell's own letters, or a frame when the table has a border.
void CellBorders(const Node& n, const TableLayout& t, double x0, double y0, double x1, double y1, GroupOps& ops)
{
    wxString letters = n.Attr("border").Upper();
    if (!n.HasAttr("border") && t.frame)
        letters = "LTRB";
    auto edge = [&](double ax, double ay, double bx, double by) {
        Op op;
        op.kind = Op::Line;
        op.x = ax;
        op.y = ay;
        op.w = bx;
        op.h = by;
        op.lineWidth = t.borderWidth;
        op.colour = t.borderColour;
        ops.borders.push_back(std::move(op));
    };
    if (letters.Contains("L"))
        edge(x0, y0, x0, y1);
    if (letters.Contains("T"))
        edge(x0, y0, x1, y0);
    if (letters.Contains("R"))
        edge(x1, y0, x1, y1);
    if (letters.Contains("B"))
        edge(x0, y1, x1, y1);
}

// Where a group may be cut should it be taller than a page: below lines that no line
// of another cell straddles.
std::vector<double> CutPoints(std::vector<std::pair<double, double>> lines)
{
    std::vector<double> cuts;
    std::sort(lines.begin(), lines.end());
    for (size_t li = 0; li < lines.size();) {
        double bottom = lines[li].second;
        size_t lj = li + 1;
        while (lj < lines.size() && lines[lj].first < bottom - 1e-9)
            bottom = std::max(bottom, lines[lj++].second);
        cuts.push_back(bottom);
        li = lj;
    }
    return cuts;
}

// The slice of rows [r, end) whose cells are cells[firstCell, endCell).
Slice GroupSlice(TableLayout& t, size_t r, size_t end, size_t firstCell, size_t endCell)
{
    std::vector<double> top(end - r + 1, 0);
    for (size_t q = r; q < end; ++q)
        top[q - r + 1] = top[q - r] + t.rowH[q];
    GroupOps ops;
    for (size_t q = r; q < end; ++q)
        if (t.rows[q].background)
            ops.backgrounds.push_back(FillOp(*t.rows[q].background, t.colX[0], top[q - r], t.total, t.rowH[q]));
    for (size_t ci = firstCell; ci < endCell; ++ci) {
        TableCell& c = t.cells[ci];
        const Node& n = *c.node;
        const double x0 = t.colX[c.col], x1 = t.colX[c.col + c.colspan];
        const double y0 = top[c.row - r];
        const double y1 = top[std::min<size_t>(c.row + c.rowspan, end) - r];
        if (auto bg = ParseColour(n.Attr("bgcolor")))
            ops.backgrounds.push_back(FillOp(*bg, x0, y0, x1 - x0, y1 - y0));
        PlaceCellContent(c, t, x0, y0, x1, y1, ops);
        CellBorders(n, t, x0, y0, x1, y1, ops);
    }
    Slice slice;
    slice.height = top.back();
    slice.cuts = CutPoints(std::move(ops.lines));
    slice.ops = std::move(ops.backgrounds);
    slice.ops.insert(slice.ops.end(), std::make_move_iterator(ops.contents.begin()),
                     std::make_move_iterator(ops.contents.end()));
    slice.ops.insert(slice.ops.end(), std::make_move_iterator(ops.borders.begin()),
                     std::make_move_iterator(ops.borders.end()));
    return slice;
}

} // namespace

// ---- The table as a whole -------------------------------------------------------------------

void PdfRichTextLayout::Impl::Table(const Node& table, int style, Flow& f)
{
    BeginBlock(f, style);
    TableLayout t;
    ReadStructure(table, t);
    if (t.rows.empty())
        return;
    BuildGrid(t);
    if (t.columns == 0)
        return;
    MeasureTable(table, style, f, t);
    BreakTable(t, f);
}

void PdfRichTextLayout::Impl::MeasureTable(const Node& table, int style, const Flow& f, TableLayout& t)
{
    SizeColumns(table, f, t);
    t.pad = std::clamp(Number(table.Attr("cellpadding"), 1.5), 0.0, 100.0) / k;
    t.frame = Number(table.Attr("border"), 0) > 0;
    t.borderWidth = std::clamp(Number(table.Attr("borderwidth"), doc.GetLineWidth()), 0.0, 20.0);
    t.borderColour = ParseColour(table.Attr("bordercolor")).value_or(doc.GetDrawColour());
    MeasureCells(style, t);
}

// Lays out each cell's content in its columns; rows grow to hold their cells, the last
// row of a span to hold what the spanned rows do not.
void PdfRichTextLayout::Impl::MeasureCells(int style, TableLayout& t)
{
    const double pad = t.pad;
    t.rowH.assign(t.rows.size(), 0);
    for (size_t r = 0; r < t.rows.size(); ++r)
        t.rowH[r] = std::max(0.0, Number(t.rows[r].tr->Attr("height"), 0));
    for (TableCell& c : t.cells) {
        const Node& n = *c.node;
        Style s = styles[style];
        if (n.name == "th")
            s.bold = true;
        Flow inner;
        inner.out = &c.content;
        inner.left = t.colX[c.col] + pad;
        inner.right = std::max(inner.left + kMinWidth, t.colX[c.col + c.colspan] - pad);
        inner.align = ParseAlign(n.Attr("align", t.rows[c.row].tr->Attr("align")),
                                 n.name == "th" ? PdfAlignCenter : PdfAlignLeft);
        Walk(n, AddStyle(s), inner);
        Flush(inner);
        for (const Slice& sl : c.content)
            c.contentHeight += sl.height;
        if (c.rowspan == 1)
            t.rowH[c.row] = std::max(t.rowH[c.row], c.contentHeight + 2 * pad);
    }
    for (const TableCell& c : t.cells) {
        if (c.rowspan == 1)
            continue;
        double spanned = 0;
        for (int r = c.row; r < c.row + c.rowspan; ++r)
            spanned += t.rowH[r];
        if (c.contentHeight + 2 * pad > spanned)
            t.rowH[c.row + c.rowspan - 1] += c.contentHeight + 2 * pad - spanned;
    }
    for (size_t r = 0; r < t.rows.size(); ++r) {
        const double maxH = Number(t.rows[r].tr->Attr("max-height"), 0);
        if (maxH > 0)
            t.rowH[r] = std::min(t.rowH[r], maxH);
        if (t.rowH[r] <= 0)
            t.rowH[r] = LineHeightOf(style);
    }
}

// Row groups: rows tied together by rowspans stay in one slice. Header groups keep with
// what follows and are repeated above the body groups after a page break.
void PdfRichTextLayout::Impl::BreakTable(TableLayout& t, Flow& f)
{
    const size_t rows = t.rows.size();
    std::vector<int> groupEnd(rows);
    for (size_t r = 0; r < rows; ++r)
        groupEnd[r] = static_cast<int>(r) + 1;
    for (const TableCell& c : t.cells)
        groupEnd[c.row] = std::max(groupEnd[c.row], c.row + c.rowspan);
    std::vector<size_t> cellsByRow(rows + 1, 0); // cells are in row order
    for (const TableCell& c : t.cells)
        ++cellsByRow[c.row + 1];
    for (size_t r = 0; r < rows; ++r)
        cellsByRow[r + 1] += cellsByRow[r];

    auto header = std::make_shared<std::vector<Slice>>();
    size_t r = 0;
    while (r < rows) {
        size_t end = r + 1;
        for (size_t q = r; q < end; ++q)
            end = std::max(end, static_cast<size_t>(groupEnd[q]));
        end = std::min(end, rows);
        Slice slice = GroupSlice(t, r, end, cellsByRow[r], cellsByRow[end]);
        if (r < t.headerRows) {
            slice.keepWithNext = true;
            header->push_back(slice);
        } else if (!header->empty()) {
            slice.header = header;
        }
        f.out->push_back(std::move(slice));
        r = end;
    }
}
