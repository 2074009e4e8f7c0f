// Rich-text layout: blocks other than paragraphs and tables — rules, lists and pictures.
#include "pdf/PdfRichTextLayoutImpl.h"

#include "vdcommon/pdf/PdfDocument.h"

#include <wx/image.h>
#include <wx/log.h>

#include <algorithm>
#include <utility>

using vdpdf::richtext::Node;
using namespace vdpdf::richtext::layout;

namespace {

wxString Roman(int n, bool upper)
{
    static const std::pair<int, const char*> table[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"},
                                                        {90, "xc"},  {50, "l"},   {40, "xl"}, {10, "x"},   {9, "ix"},
                                                        {5, "v"},    {4, "iv"},   {1, "i"}};
    if (n <= 0 || n >= 4000)
        return wxString::Format("%d", n);
    wxString out;
    for (const auto& [value, digits] : table)
        while (n >= value) {
            out += digits;
            n -= value;
        }
    return upper ? out.Upper() : out;
}

wxString Letters(int n, bool upper)
{
    if (n <= 0)
        return wxString::Format("%d", n);
    wxString out;
    while (n > 0) {
        --n;
        out.Prepend(wxUniChar((upper ? 'A' : 'a') + n % 26));
        n /= 26;
    }
    return out;
}

// The marker of list item `number` in a list of `type`.
wxString ListMarker(bool ordered, const wxString& type, int number)
{
    if (!ordered)
        return type.Lower() == "dash" ? wxString(wxS("\u2013")) : wxString(wxS("\u2022"));
    if (type == "a" || type == "A")
        return Letters(number, type == "A") + ".";
    if (type == "i" || type == "I")
        return Roman(number, type == "I") + ".";
    return wxString::Format("%d.", number);
}

} // namespace

// A block starts on a line of its own: below text already on the pen's line.
void PdfRichTextLayout::Impl::BeginBlock(Flow& f, int style)
{
    Flush(f);
    if (f.indent > 0) {
        Slice rest;
        rest.height = LineHeightOf(style);
        f.out->push_back(std::move(rest));
        f.indent = 0;
    }
}

void PdfRichTextLayout::Impl::Rule(const Node& e, int style, Flow& f)
{
    BeginBlock(f, style);
    const double width = f.right - f.left;
    const double percent = std::clamp(Number(e.Attr("width"), 100), 0.0, 100.0);
    const double lw = std::clamp(Number(e.Attr("linewidth"), doc.GetLineWidth()), 0.0, 50.0);
    Slice slice;
    slice.height = std::max(LineHeightOf(style) / 2, lw);
    Op op;
    op.kind = Op::Line;
    op.x = f.left + width * (1 - percent / 100) / 2;
    op.w = op.x + width * percent / 100;
    op.y = op.h = slice.height / 2;
    op.lineWidth = lw;
    op.colour = doc.GetDrawColour();
    slice.ops.push_back(std::move(op));
    f.out->push_back(std::move(slice));
}

void PdfRichTextLayout::Impl::List(const Node& e, int style, Flow& f)
{
    BeginBlock(f, style);
    const bool ordered = e.name == "ol";
    const wxString type = e.Attr("type", ordered ? "1" : "bullet");
    int number = static_cast<int>(std::clamp(Number(e.Attr("start"), 1), -1e6, 1e6));
    const double indent = std::min(2.0 * styles[style].size / k, (f.right - f.left) / 2);
    for (const Node& li : e.children) {
        if (li.isText || li.name != "li")
            continue;
        const wxString marker = ListMarker(ordered, type, number);
        ++number;
        Flow inner;
        std::vector<Slice> slices;
        inner.out = &slices;
        inner.left = f.left + indent;
        inner.right = std::max(inner.left + kMinWidth, f.right);
        inner.align = f.align;
        Walk(li, style, inner);
        Flush(inner);
        if (slices.empty()) {
            Slice s;
            s.height = LineHeightOf(style);
            s.baseline = (s.height - MetricsOf(style).ascent - MetricsOf(style).descent) / 2 + MetricsOf(style).ascent;
            slices.push_back(std::move(s));
        }
        Op op;
        op.kind = Op::Text;
        op.style = style;
        op.x = std::max(f.left, f.left + indent - Width(style, marker) - Width(style, " "));
        op.y = slices.front().baseline;
        op.text = marker;
        slices.front().ops.push_back(std::move(op));
        for (Slice& s : slices)
            f.out->push_back(std::move(s));
    }
}

void PdfRichTextLayout::Impl::Picture(const Node& e, int style, Flow& f)
{
    BeginBlock(f, style);
    const wxString src = e.Attr("src");
    double w = Number(e.Attr("width"), 0), h = Number(e.Attr("height"), 0);
    if (w <= 0 || h <= 0) {
        wxImage image;
        {
            wxLogNull quiet;
            if (src.empty() || !image.LoadFile(src)) {
                wxLogWarning("Rich text: image '%s' cannot be read", src);
                return;
            }
        }
        const double pw = image.GetWidth() / k, ph = image.GetHeight() / k;
        if (w <= 0 && h <= 0) {
            w = pw;
            h = ph;
        } else if (w <= 0) {
            w = h * pw / ph;
        } else {
            h = w * ph / pw;
        }
    }
    const double avail = f.right - f.left;
    if (w > avail) {
        h *= avail / w;
        w = avail;
    }
    const int align = ParseAlign(e.Attr("align"), PdfAlignLeft);
    Slice slice;
    slice.height = h;
    Op op;
    op.kind = Op::Picture;
    op.text = src;
    op.x = f.left + (align == PdfAlignRight ? avail - w : align == PdfAlignCenter ? (avail - w) / 2 : 0);
    op.w = w;
    op.h = h;
    slice.ops.push_back(std::move(op));
    f.out->push_back(std::move(slice));
}
