// Rich-text layout: breaking the items of a flow into lines and turning each line into
// a slice of text, background, strike-through and link operations.
#include "pdf/PdfRichTextLayoutImpl.h"

#include "vdcommon/pdf/PdfDocument.h"

#include <algorithm>

using namespace vdpdf::richtext::layout;

void PdfRichTextLayout::Impl::Flush(Flow& f)
{
    f.pendingSpace = false;
    if (f.items.empty())
        return;
    const double fullWidth = std::max(kMinWidth, f.right - f.left);
    double start = std::clamp(f.indent, 0.0, fullWidth);
    std::vector<Placed> line;
    double used = 0;
    int lineStyle = f.items.front().style;

    auto finish = [&](bool last) {
        EmitLine(f, line, start, used, lineStyle, last);
        line.clear();
        used = 0;
        start = 0;
    };
    for (const Item& item : f.items) {
        const double avail = std::max(kMinWidth, fullWidth - start);
        if (item.kind == Item::Break) {
            lineStyle = item.style;
            finish(true);
            continue;
        }
        if (item.kind == Item::Anchor) {
            line.push_back({&item, wxString(), start + used, 0, false});
            continue;
        }
        double gap = item.space && used > 0 ? MetricsOf(item.style).space : 0;
        if (used + gap + item.width > avail && used > 0) {
            finish(false);
            gap = 0;
        }
        const double availNow = std::max(kMinWidth, fullWidth - start);
        if (item.width <= availNow - used) {
            line.push_back({&item, wxString(), start + used + gap, item.width, gap > 0});
            used += gap + item.width;
            continue;
        }
        // A word wider than the line: broken between characters, at least one per line.
        Apply(item.style);
        wxString piece;
        double pieceWidth = 0;
        for (wxUniChar c : item.text) {
            const double cw = doc.GetStringWidth(wxString(c));
            if (!piece.empty() && used + pieceWidth + cw > availNow) {
                line.push_back({&item, piece, start + used, pieceWidth, false});
                used += pieceWidth;
                finish(false);
                piece.clear();
                pieceWidth = 0;
            }
            piece += c;
            pieceWidth += cw;
        }
        if (!piece.empty()) {
            line.push_back({&item, piece, start + used, pieceWidth, false});
            used += pieceWidth;
        }
    }
    if (!line.empty())
        finish(true);
    f.items.clear();
    f.indent = 0;
}

PdfRichTextLayout::Impl::LineBox PdfRichTextLayout::Impl::MeasureLine(const std::vector<Placed>& line,
                                                                      int fallbackStyle)
{
    double height = 0, ascent = 0, descent = 0;
    bool any = false;
    for (const Placed& p : line) {
        if (p.item->kind != Item::Word)
            continue;
        any = true;
        const Metrics& m = MetricsOf(p.item->style);
        const double rise = styles[p.item->style].rise / k;
        height = std::max(height, LineHeightOf(p.item->style));
        ascent = std::max(ascent, m.ascent + rise);
        descent = std::max(descent, m.descent - rise);
    }
    if (!any) {
        const Metrics& m = MetricsOf(fallbackStyle);
        height = LineHeightOf(fallbackStyle);
        ascent = m.ascent;
        descent = m.descent;
    }
    height = std::max(height, ascent + descent);
    return {height, (height - ascent - descent) / 2 + ascent};
}

// One run of text in one style from x0 to x1, with its background, strike-through and link.
void PdfRichTextLayout::Impl::EmitRun(Slice& slice, int style, wxString text, double x0, double x1, double baseline,
                                      double height)
{
    const Style& s = styles[style];
    const Metrics& m = MetricsOf(style);
    const double y = baseline - s.rise / k;
    if (s.background)
        slice.ops.push_back(FillOp(*s.background, x0, 0, x1 - x0, height));
    Op op;
    op.kind = Op::Text;
    op.x = x0;
    op.y = y;
    op.style = style;
    op.text = std::move(text);
    slice.ops.push_back(std::move(op));
    if (s.strike) {
        Op st;
        st.kind = Op::Line;
        st.x = x0;
        st.y = st.h = y - m.ascent * 0.3;
        st.w = x1;
        st.lineWidth = s.size / k / 16;
        st.colour = s.colour;
        slice.ops.push_back(std::move(st));
    }
    if (s.link.IsValid()) {
        Op ln;
        ln.kind = Op::LinkArea;
        ln.x = x0;
        ln.y = y - m.ascent;
        ln.w = x1 - x0;
        ln.h = m.ascent + m.descent;
        ln.link = s.link;
        slice.ops.push_back(std::move(ln));
    }
}

void PdfRichTextLayout::Impl::EmitLine(Flow& f, std::vector<Placed>& line, double start, double used, int fallbackStyle,
                                       bool last)
{
    Slice slice;
    const LineBox box = MeasureLine(line, fallbackStyle);
    const double width = std::max(kMinWidth, f.right - f.left);
    const double extra = std::max(0.0, width - start - used);
    double shift = 0, perGap = 0;
    if (f.align == PdfAlignRight) {
        shift = extra;
    } else if (f.align == PdfAlignCenter) {
        shift = extra / 2;
    } else if (f.align == PdfAlignJustify && !last) {
        int gaps = 0;
        for (const Placed& p : line)
            gaps += p.space ? 1 : 0;
        perGap = gaps > 0 ? extra / gaps : 0;
    }
    // Runs of the same style share one text operation unless the line is justified.
    double offset = shift;
    size_t i = 0;
    while (i < line.size()) {
        const Placed& first = line[i];
        offset += first.space ? perGap : 0;
        if (first.item->kind == Item::Anchor) {
            Op op;
            op.kind = Op::Anchor;
            op.text = first.item->text;
            slice.ops.push_back(std::move(op));
            ++i;
            continue;
        }
        const int style = first.item->style;
        wxString text = first.piece.empty() ? first.item->text : first.piece;
        const double x0 = f.left + first.x + offset;
        double x1 = x0 + first.width;
        size_t j = i + 1;
        if (perGap == 0) {
            while (j < line.size() && line[j].item->kind == Item::Word && line[j].item->style == style) {
                text += line[j].space ? wxS(" ") : wxS("");
                text += line[j].piece.empty() ? line[j].item->text : line[j].piece;
                x1 = f.left + line[j].x + offset + line[j].width;
                ++j;
            }
        }
        EmitRun(slice, style, std::move(text), x0, x1, box.baseline, box.height);
        i = j;
    }
    slice.height = box.height;
    slice.baseline = box.baseline;
    f.out->push_back(std::move(slice));
}
