// Rich-text layout: styles, inline content and the walk over the tree. Lines, blocks,
// tables and the placing on pages have files of their own beside this one.
#include "pdf/PdfRichTextLayout.h"
#include "pdf/PdfDocumentImpl.h"
#include "pdf/PdfRichTextLayoutImpl.h"

#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/pdf/PdfTypes.h"

#include <wx/intl.h>
#include <wx/log.h>

#include <fribidi.h>
#include <linebreak.h>

#include <algorithm>
#include <cmath>

using vdpdf::richtext::Node;
using namespace vdpdf::richtext::layout;

namespace {

bool IsBlank(const wxString& text)
{
    for (wxUniChar c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return false;
    return true;
}

bool IsHeadingName(const wxString& n)
{
    return n.length() == 2 && n[0] == 'h' && n[1] >= '1' && n[1] <= '6';
}

void CollectText(const Node& n, wxString& out)
{
    for (const Node& c : n.children) {
        if (c.isText)
            out += c.text;
        else
            CollectText(c, out);
    }
}

// A paragraph whose first strong character is right-to-left is set from the right.
bool StartsRightToLeft(const Node& e)
{
    wxString text;
    CollectText(e, text);
    for (wxUniChar c : text) {
        const FriBidiCharType type = fribidi_get_bidi_type(static_cast<FriBidiChar>(c.GetValue()));
        if (FRIBIDI_IS_STRONG(type) && FRIBIDI_IS_LETTER(type))
            return FRIBIDI_IS_RTL(type);
    }
    return false;
}

} // namespace

namespace vdpdf::richtext::layout {

int ParseAlign(const wxString& value, int fallback)
{
    const wxString v = value.Lower();
    if (v == "left")
        return PdfAlignLeft;
    if (v == "right")
        return PdfAlignRight;
    if (v == "center" || v == "centre")
        return PdfAlignCenter;
    if (v == "justify")
        return PdfAlignJustify;
    return fallback;
}

std::optional<PdfColour> ParseColour(const wxString& value)
{
    if (value.empty())
        return std::nullopt;
    PdfColour c(value.Strip(wxString::both));
    if (!c.IsValid()) {
        wxLogDebug("Rich text: colour '%s' is not known", value);
        return std::nullopt;
    }
    return c;
}

double Number(const wxString& value, double fallback)
{
    if (value.Strip(wxString::both).empty())
        return fallback;
    const double v = PdfUtility::String2Double(value);
    return std::isfinite(v) ? v : fallback;
}

Op AreaOp(Op::Kind kind, double x, double y, double w, double h)
{
    Op op;
    op.kind = kind;
    op.x = x;
    op.y = y;
    op.w = w;
    op.h = h;
    return op;
}

Op FillOp(const PdfColour& colour, double x, double y, double w, double h)
{
    Op op = AreaOp(Op::Fill, x, y, w, h);
    op.colour = colour;
    return op;
}

} // namespace vdpdf::richtext::layout

// ---- Styles ---------------------------------------------------------------------------------

int PdfRichTextLayout::Impl::AddStyle(const Style& s)
{
    styles.push_back(s);
    metrics.emplace_back();
    return static_cast<int>(styles.size()) - 1;
}

void PdfRichTextLayout::Impl::Apply(int index)
{
    if (applied == index)
        return;
    const Style& s = styles[index];
    wxString letters = wxString(s.bold ? "B" : "") + (s.italic ? "I" : "") + (s.underline ? "U" : "");
    wxString family = s.family;
    auto it = faceOk.find(family.Lower());
    if (it == faceOk.end()) {
        const bool ok = doc.SetFont(family, letters, s.size);
        faceOk.emplace(family.Lower(), ok);
        if (!ok)
            doc.SetFont("Helvetica", letters, s.size);
    } else if (it->second) {
        doc.SetFont(family, letters, s.size);
    } else {
        doc.SetFont("Helvetica", letters, s.size);
    }
    doc.SetTextColour(s.colour);
    applied = index;
}

const PdfRichTextLayout::Impl::Metrics& PdfRichTextLayout::Impl::MetricsOf(int index)
{
    Metrics& m = metrics[index];
    if (!m.known) {
        Apply(index);
        m.ascent = doc.GetFontAscent();
        m.descent = doc.GetFontDescent();
        m.space = doc.GetStringWidth(" ");
        m.known = true;
    }
    return m;
}

double PdfRichTextLayout::Impl::Width(int style, const wxString& text)
{
    Apply(style);
    return doc.GetStringWidth(text);
}

int PdfRichTextLayout::Impl::LinkFor(const wxString& name)
{
    auto it = namedLinks.find(name);
    if (it != namedLinks.end())
        return it->second;
    const int id = doc.AddLink();
    namedLinks.emplace(name, id);
    return id;
}

PdfRichTextLayout::Impl::Style PdfRichTextLayout::Impl::Derive(const Node& e, const Style& parent)
{
    Style s = parent;
    const wxString& n = e.name;
    if (n == "b" || n == "strong") {
        s.bold = true;
    } else if (n == "i" || n == "em") {
        s.italic = true;
    } else if (n == "u") {
        s.underline = true;
    } else if (n == "s" || n == "strike" || n == "del") {
        s.strike = true;
    } else if (n == "small") {
        s.size = parent.size * 0.8;
    } else if (n == "sup") {
        s.size = parent.size * 0.7;
        s.rise = parent.rise + parent.size * 0.35;
    } else if (n == "sub") {
        s.size = parent.size * 0.7;
        s.rise = parent.rise - parent.size * 0.15;
    } else if (n == "code") {
        s.family = "Courier";
    } else if (n == "font") {
        if (e.HasAttr("face") && !e.Attr("face").empty())
            s.family = e.Attr("face");
        const double size = Number(e.Attr("size"), 0);
        if (size > 0)
            s.size = std::min(size, 500.0);
        if (auto c = ParseColour(e.Attr("color", e.Attr("colour"))))
            s.colour = *c;
    } else if (n == "span") {
        if (auto c = ParseColour(e.Attr("color", e.Attr("colour"))))
            s.background = *c;
    } else if (n == "a") {
        const wxString href = e.Attr("href");
        if (!href.empty()) {
            s.colour = PdfColour(0, 0, 255);
            s.underline = true;
            s.link = href.StartsWith("#") ? PdfLink(LinkFor(href.Mid(1))) : PdfLink(href);
        }
    } else if (n[0] == 'h' && n.length() == 2 && n[1] >= '1' && n[1] <= '6') {
        static const double deltas[] = {6, 4, 2, 0, -2, -4};
        s.bold = true;
        s.size = std::max(1.0, baseSize + deltas[n[1].GetValue() - '1']);
    }
    return s;
}

// ---- Inline content -------------------------------------------------------------------------

void PdfRichTextLayout::Impl::AddWord(const wxString& word, int style, Flow& f)
{
    auto push = [&](const wxString& piece) {
        Item item;
        item.space = f.pendingSpace;
        item.style = style;
        item.width = Width(style, piece);
        item.text = piece;
        f.items.push_back(std::move(item));
        f.pendingSpace = false;
    };
    bool wide = false;
    for (wxUniChar c : word)
        wide = wide || c.GetValue() >= 0x1100;
    if (!wide) {
        push(word);
        return;
    }
    // Scripts written without spaces (Chinese, Japanese) break between their characters,
    // by the Unicode line-breaking rules: each piece a line may end after is an item of
    // its own.
    std::u32string chars;
    for (wxUniChar c : word)
        chars.push_back(static_cast<char32_t>(c.GetValue()));
    std::vector<char> breaks(chars.size());
    vdpdf::PrepareLineBreaking();
    set_linebreaks_utf32(reinterpret_cast<const utf32_t*>(chars.data()), chars.size(), nullptr, breaks.data());
    wxString piece;
    for (size_t i = 0; i < chars.size(); ++i) {
        piece += wxUniChar(static_cast<wxUint32>(chars[i]));
        if (i + 1 < chars.size() && breaks[i] == LINEBREAK_ALLOWBREAK) {
            push(piece);
            piece.clear();
        }
    }
    push(piece);
}

void PdfRichTextLayout::Impl::AddBreak(int style, Flow& f)
{
    Item br;
    br.kind = Item::Break;
    br.style = style;
    f.items.push_back(std::move(br));
    f.pendingSpace = false;
}

void PdfRichTextLayout::Impl::AddText(const wxString& text, int style, Flow& f)
{
    wxString word;
    auto emit = [&] {
        if (word.empty())
            return;
        AddWord(word, style, f);
        word.clear();
    };
    for (wxUniChar c : text) {
        if (c == '\n') {
            emit();
            AddBreak(style, f);
        } else if (c == ' ' || c == '\t' || c == '\r') {
            emit();
            f.pendingSpace = true;
        } else {
            word += c;
        }
    }
    emit();
}

// ---- Walking the tree -----------------------------------------------------------------------

void PdfRichTextLayout::Impl::Walk(const Node& node, int style, Flow& f)
{
    for (const Node& c : node.children) {
        if (!c.isText) {
            Element(c, style, f);
            continue;
        }
        // Indentation between blocks is layout of the markup, not text.
        if (IsBlank(c.text) && c.text.Contains("\n")) {
            f.pendingSpace = f.pendingSpace || !f.items.empty();
            continue;
        }
        AddText(c.text, style, f);
    }
}

void PdfRichTextLayout::Impl::Element(const Node& e, int style, Flow& f)
{
    const wxString& n = e.name;
    if (n == "b" || n == "strong" || n == "i" || n == "em" || n == "u" || n == "s" || n == "strike" || n == "del" ||
        n == "small" || n == "sup" || n == "sub" || n == "font" || n == "span" || n == "code") {
        Walk(e, AddStyle(Derive(e, styles[style])), f);
    } else if (n == "a") {
        if (e.HasAttr("name")) {
            Item anchor;
            anchor.kind = Item::Anchor;
            anchor.text = e.Attr("name");
            anchor.style = style;
            f.items.push_back(std::move(anchor));
        }
        Walk(e, AddStyle(Derive(e, styles[style])), f);
    } else if (n == "msg") {
        wxString text;
        CollectText(e, text);
        if (doc.GetMessageTranslateMode() && !text.empty())
            text = wxGetTranslation(text);
        AddText(text, style, f);
    } else if (n == "br") {
        AddBreak(style, f);
    } else if (n == "p") {
        Paragraph(e, style, f);
    } else if (IsHeadingName(n)) {
        Heading(e, style, f);
    } else if (n == "hr") {
        Rule(e, style, f);
    } else if (n == "ul" || n == "ol") {
        List(e, style, f);
    } else if (n == "img") {
        Picture(e, style, f);
    } else if (n == "table") {
        Table(e, style, f);
    } else {
        wxLogDebug("Rich text: element <%s> is not known; skipped", n);
    }
}

void PdfRichTextLayout::Impl::Paragraph(const Node& e, int style, Flow& f)
{
    BeginBlock(f, style);
    const int saved = f.align;
    f.align = ParseAlign(e.Attr("align"), f.align);
    if (!e.HasAttr("align") && StartsRightToLeft(e))
        f.align = PdfAlignRight;
    Walk(e, style, f);
    Flush(f);
    f.align = saved;
    Slice blank;
    blank.height = LineHeightOf(style);
    blank.spacer = true;
    f.out->push_back(std::move(blank));
}

void PdfRichTextLayout::Impl::Heading(const Node& e, int style, Flow& f)
{
    BeginBlock(f, style);
    const int saved = f.align;
    f.align = ParseAlign(e.Attr("align"), f.align);
    Walk(e, AddStyle(Derive(e, styles[style])), f);
    Flush(f);
    f.align = saved;
}

// ---- Writing --------------------------------------------------------------------------------

void PdfRichTextLayout::Impl::Write(const Node& root)
{
    const wxString family = doc.GetFontFamily();
    const wxString fontStyle = doc.GetFontStyle();
    const double size = doc.GetFontSize();
    const PdfColour text = doc.GetTextColour(), draw = doc.GetDrawColour(), fill = doc.GetFillColour();
    const double lineWidth = doc.GetLineWidth();
    const double lm = doc.GetLeftMargin(), rm = doc.GetRightMargin(), tm = doc.GetTopMargin();

    k = doc.GetScaleFactor() > 0 ? doc.GetScaleFactor() : 1;
    baseSize = size > 0 ? size : 12;
    baseLineHeight = doc.GetLineHeight() > 0 ? doc.GetLineHeight() : 1.25 * baseSize / k;
    Style base;
    base.family = family.empty() ? wxString("Helvetica") : family;
    base.bold = fontStyle.Contains("B");
    base.italic = fontStyle.Contains("I");
    base.underline = fontStyle.Contains("U");
    base.size = baseSize;
    base.colour = text;
    const int baseStyle = AddStyle(base);

    std::vector<Slice> slices;
    Flow flow;
    flow.out = &slices;
    flow.left = lm;
    flow.right = std::max(lm + kMinWidth, doc.GetPageWidth() - rm);
    flow.indent = doc.PageNo() > 0 ? std::max(0.0, doc.GetX() - lm) : 0;
    Walk(root, baseStyle, flow);
    Flush(flow);
    Place(slices);

    if (!family.empty())
        doc.SetFont(family, fontStyle, size);
    else if (size > 0)
        doc.SetFontSize(size);
    doc.SetTextColour(text);
    doc.SetDrawColour(draw);
    doc.SetFillColour(fill);
    doc.SetLineWidth(lineWidth);
    doc.SetLeftMargin(lm);
    doc.SetRightMargin(rm);
    doc.SetTopMargin(tm);
    doc.SetLineHeight(baseLineHeight);
}

PdfRichTextLayout::PdfRichTextLayout(PdfDocument& document) : d(std::make_unique<Impl>(document)) {}
PdfRichTextLayout::~PdfRichTextLayout() = default;

void PdfRichTextLayout::Write(const Node& root)
{
    d->Write(root);
}
