// Rich-text layout: placing the slices on the document's pages, breaking pages between
// them, repeating table headers and running slices taller than a page over pages.
#include "pdf/PdfRichTextLayoutImpl.h"

#include "vdcommon/pdf/PdfDocument.h"

#include <wx/log.h>

#include <algorithm>

using namespace vdpdf::richtext::layout;

// Draws the slice with its top at y0; with a window [from, to) of the slice, text,
// links and anchors outside it are left out (the part shown on another page).
void PdfRichTextLayout::Impl::Draw(const Slice& slice, double y0, double from, double to)
{
    for (const Op& op : slice.ops) {
        const bool outside = op.y < from - 1e-6 || op.y >= to - 1e-6;
        if (outside && (op.kind == Op::Text || op.kind == Op::LinkArea || op.kind == Op::Anchor))
            continue;
        switch (op.kind) {
        case Op::Text:
            Apply(op.style);
            doc.Text(op.x, y0 + op.y, op.text);
            break;
        case Op::Fill:
            doc.SetFillColour(op.colour);
            doc.Rect(op.x, y0 + op.y, op.w, op.h, PdfStyle::Fill);
            break;
        case Op::Line:
            doc.SetDrawColour(op.colour);
            doc.SetLineWidth(op.lineWidth);
            doc.Line(op.x, y0 + op.y, op.w, y0 + op.h);
            break;
        case Op::LinkArea: doc.Link(op.x, y0 + op.y, op.w, op.h, op.link); break;
        case Op::Picture: doc.Image(op.text, op.x, y0 + op.y, op.w, op.h); break;
        case Op::Anchor: doc.SetLink(LinkFor(op.text), y0 + op.y, doc.PageNo()); break;
        case Op::ClipBegin: doc.ClippingRect(op.x, y0 + op.y, op.w, op.h); break;
        case Op::ClipEnd: doc.UnsetClipping(); break;
        }
    }
}

double PdfRichTextLayout::Impl::PageLimit() const
{
    return doc.GetPageHeight() - doc.GetBreakMargin();
}

// Starts a page like the current one; returns the pen's height on it.
double PdfRichTextLayout::Impl::NewPage()
{
    doc.AddPage(doc.GetPageWidth() > doc.GetPageHeight() ? wxLANDSCAPE : wxPORTRAIT);
    return doc.GetY();
}

// What must fit where a slice starts: a slice taller than a page runs on over pages
// anyway, so only its first line counts.
double PdfRichTextLayout::Impl::FirstNeed(const Slice& s) const
{
    if (s.height <= PageLimit() - doc.GetTopMargin())
        return s.height;
    return s.cuts.empty() ? 0.0 : s.cuts.front();
}

// Draws the header rows repeated above `s` on a new page; returns the pen's new height.
double PdfRichTextLayout::Impl::DrawHeader(const Slice& s, double y)
{
    if (s.header)
        for (const Slice& h : *s.header) {
            Draw(h, y);
            y += h.height;
        }
    return y;
}

// A slice taller than the room left runs on over as many pages as it needs, each showing
// the next part of it through a clip. A page with no room at all for it (margins covering
// the page) cuts it off instead. Returns the pen's height below the last part.
double PdfRichTextLayout::Impl::DrawOverPages(const Slice& s, double y)
{
    if (!reportedClip)
        wxLogWarning("Rich text: a block taller than a page is split over pages");
    reportedClip = true;
    double shown = 0;
    while (true) {
        const double room = PageLimit() - y;
        double part = std::min(s.height - shown, std::max(0.0, room));
        if (shown + part < s.height - 1e-6) {
            auto cut = std::upper_bound(s.cuts.begin(), s.cuts.end(), shown + part + 1e-9);
            if (cut != s.cuts.begin() && *(cut - 1) > shown + 1e-6)
                part = *(cut - 1) - shown;
        }
        doc.ClippingRect(0, y, doc.GetPageWidth(), part);
        Draw(s, y - shown, shown, shown + part);
        doc.UnsetClipping();
        shown += part;
        y += part;
        if (shown >= s.height - 1e-6 || room < 1.0 || !doc.AcceptPageBreak())
            break;
        y = DrawHeader(s, NewPage());
    }
    return y;
}

void PdfRichTextLayout::Impl::Place(const std::vector<Slice>& slices)
{
    if (doc.PageNo() == 0 && !doc.IsRecordingTemplate())
        doc.AddPage();
    const bool breaks = doc.GetAutoPageBreak() && !doc.IsRecordingTemplate();
    double y = doc.GetY();
    bool atTop = y <= doc.GetTopMargin() + 1e-6;
    for (size_t i = 0; i < slices.size(); ++i) {
        const Slice& s = slices[i];
        if (s.spacer && atTop)
            continue;
        double need = FirstNeed(s);
        for (size_t j = i; j + 1 < slices.size() && slices[j].keepWithNext; ++j)
            need += FirstNeed(slices[j + 1]);
        if (breaks && !atTop && y + need > PageLimit() + 1e-6 && doc.AcceptPageBreak())
            y = DrawHeader(s, NewPage());
        if (breaks && y + s.height > PageLimit() + 1e-6) {
            y = DrawOverPages(s, y);
        } else {
            Draw(s, y);
            y += s.height;
        }
        atTop = false;
    }
    doc.SetXY(doc.GetLeftMargin(), y);
}
