#include "pdf/PdfRichTextLayout.h"
#include "pdf/PdfDocumentImpl.h"

#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/pdf/PdfTypes.h"

#include <wx/image.h>
#include <wx/intl.h>
#include <wx/log.h>

#include <fribidi.h>
#include <linebreak.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>

using vdpdf::richtext::Node;

namespace {

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

bool IsBlank(const wxString& text)
{
    for (wxUniChar c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return false;
    return true;
}

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

} // namespace

struct PdfRichTextLayout::Impl {
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

    int AddStyle(const Style& s)
    {
        styles.push_back(s);
        metrics.emplace_back();
        return static_cast<int>(styles.size()) - 1;
    }

    void Apply(int index)
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

    const Metrics& MetricsOf(int index)
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

    double Width(int style, const wxString& text)
    {
        Apply(style);
        return doc.GetStringWidth(text);
    }

    double LineHeightOf(int style) const { return baseLineHeight * styles[style].size / baseSize; }

    int LinkFor(const wxString& name)
    {
        auto it = namedLinks.find(name);
        if (it != namedLinks.end())
            return it->second;
        const int id = doc.AddLink();
        namedLinks.emplace(name, id);
        return id;
    }

    // ---- Inline content ------------------------------------------------------------------

    void AddText(const wxString& text, int style, Flow& f)
    {
        wxString word;
        auto push = [&](const wxString& piece) {
            Item item;
            item.space = f.pendingSpace;
            item.style = style;
            item.width = Width(style, piece);
            item.text = piece;
            f.items.push_back(std::move(item));
            f.pendingSpace = false;
        };
        auto emit = [&] {
            if (word.empty())
                return;
            // Scripts written without spaces (Chinese, Japanese) break between their
            // characters, by the Unicode line-breaking rules: each piece a line may
            // end after is an item of its own.
            bool wide = false;
            for (wxUniChar c : word)
                wide = wide || c.GetValue() >= 0x1100;
            if (wide) {
                std::u32string chars;
                for (wxUniChar c : word)
                    chars.push_back(static_cast<char32_t>(c.GetValue()));
                std::vector<char> breaks(chars.size());
                vdpdf::PrepareLineBreaking();
                set_linebreaks_utf32(reinterpret_cast<const utf32_t*>(chars.data()), chars.size(), nullptr,
                                     breaks.data());
                wxString piece;
                for (size_t i = 0; i < chars.size(); ++i) {
                    piece += wxUniChar(static_cast<wxUint32>(chars[i]));
                    if (i + 1 < chars.size() && breaks[i] == LINEBREAK_ALLOWBREAK) {
                        push(piece);
                        piece.clear();
                    }
                }
                push(piece);
            } else {
                push(word);
            }
            word.clear();
        };
        for (wxUniChar c : text) {
            if (c == '\n') {
                emit();
                Item br;
                br.kind = Item::Break;
                br.style = style;
                f.items.push_back(std::move(br));
                f.pendingSpace = false;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                emit();
                f.pendingSpace = true;
            } else {
                word += c;
            }
        }
        emit();
    }

    static void CollectText(const Node& n, wxString& out)
    {
        for (const Node& c : n.children) {
            if (c.isText)
                out += c.text;
            else
                CollectText(c, out);
        }
    }

    Style Derive(const Node& e, const Style& parent)
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

    // ---- Walking the tree --------------------------------------------------------------

    static bool IsBlockName(const wxString& n)
    {
        return n == "p" || n == "hr" || n == "ul" || n == "ol" || n == "img" || n == "table" ||
               (n.length() == 2 && n[0] == 'h' && n[1] >= '1' && n[1] <= '6');
    }

    void Walk(const Node& node, int style, Flow& f)
    {
        const auto& kids = node.children;
        for (size_t i = 0; i < kids.size(); ++i) {
            const Node& c = kids[i];
            if (c.isText) {
                // Indentation between blocks is layout of the markup, not text.
                if (IsBlank(c.text) && c.text.Contains("\n")) {
                    f.pendingSpace = f.pendingSpace || !f.items.empty();
                    continue;
                }
                AddText(c.text, style, f);
                continue;
            }
            Element(c, style, f);
        }
    }

    void Element(const Node& e, int style, Flow& f)
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
            Item br;
            br.kind = Item::Break;
            br.style = style;
            f.items.push_back(std::move(br));
            f.pendingSpace = false;
        } else if (n == "p") {
            BeginBlock(f, style);
            const int saved = f.align;
            f.align = ParseAlign(e.Attr("align"), f.align);
            if (!e.HasAttr("align")) {
                // A paragraph whose first strong character is right-to-left is set
                // from the right unless it says otherwise.
                wxString text;
                CollectText(e, text);
                for (wxUniChar c : text) {
                    const FriBidiCharType type = fribidi_get_bidi_type(static_cast<FriBidiChar>(c.GetValue()));
                    if (FRIBIDI_IS_STRONG(type) && FRIBIDI_IS_LETTER(type)) {
                        if (FRIBIDI_IS_RTL(type))
                            f.align = PdfAlignRight;
                        break;
                    }
                }
            }
            Walk(e, style, f);
            Flush(f);
            f.align = saved;
            Slice blank;
            blank.height = LineHeightOf(style);
            blank.spacer = true;
            f.out->push_back(std::move(blank));
        } else if (n.length() == 2 && n[0] == 'h' && n[1] >= '1' && n[1] <= '6') {
            BeginBlock(f, style);
            const int saved = f.align;
            f.align = ParseAlign(e.Attr("align"), f.align);
            Walk(e, AddStyle(Derive(e, styles[style])), f);
            Flush(f);
            f.align = saved;
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

    // ---- Lines -----------------------------------------------------------------------------

    struct Placed {
        const Item* item;
        wxString piece; // the part of a broken word, when it is one
        double x, width;
        bool space;
    };

    void Flush(Flow& f)
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

    void EmitLine(Flow& f, std::vector<Placed>& line, double start, double used, int fallbackStyle, bool last)
    {
        Slice slice;
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
        const double baseline = (height - ascent - descent) / 2 + ascent;
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
            const Style& s = styles[style];
            const Metrics& m = MetricsOf(style);
            const double y = baseline - s.rise / k;
            if (s.background) {
                Op bg;
                bg.kind = Op::Fill;
                bg.colour = *s.background;
                bg.x = x0;
                bg.y = 0;
                bg.w = x1 - x0;
                bg.h = height;
                slice.ops.push_back(std::move(bg));
            }
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
            i = j;
        }
        slice.height = height;
        slice.baseline = baseline;
        f.out->push_back(std::move(slice));
    }

    // ---- Blocks ----------------------------------------------------------------------------

    // A block starts on a line of its own: below text already on the pen's line.
    void BeginBlock(Flow& f, int style)
    {
        Flush(f);
        if (f.indent > 0) {
            Slice rest;
            rest.height = LineHeightOf(style);
            f.out->push_back(std::move(rest));
            f.indent = 0;
        }
    }

    void Rule(const Node& e, int style, Flow& f)
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

    void List(const Node& e, int style, Flow& f)
    {
        BeginBlock(f, style);
        const bool ordered = e.name == "ol";
        const wxString type = e.Attr("type", ordered ? "1" : "bullet");
        int number = static_cast<int>(std::clamp(Number(e.Attr("start"), 1), -1e6, 1e6));
        const double indent = std::min(2.0 * styles[style].size / k, (f.right - f.left) / 2);
        for (const Node& li : e.children) {
            if (li.isText || li.name != "li")
                continue;
            wxString marker;
            if (!ordered)
                marker = type.Lower() == "dash" ? wxString(wxS("\u2013")) : wxString(wxS("\u2022"));
            else if (type == "a" || type == "A")
                marker = Letters(number, type == "A") + ".";
            else if (type == "i" || type == "I")
                marker = Roman(number, type == "I") + ".";
            else
                marker = wxString::Format("%d.", number);
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
                s.baseline =
                    (s.height - MetricsOf(style).ascent - MetricsOf(style).descent) / 2 + MetricsOf(style).ascent;
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

    void Picture(const Node& e, int style, Flow& f)
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

    // ---- Tables ----------------------------------------------------------------------------

    struct Row {
        const Node* tr;
        bool header;
        std::optional<PdfColour> background;
    };
    struct Cell {
        const Node* node;
        int row, col, colspan, rowspan;
        double contentHeight = 0;
        std::vector<Slice> content;
    };

    void Table(const Node& table, int style, Flow& f)
    {
        BeginBlock(f, style);
        std::vector<Row> rows;
        std::vector<double> colWidths; // < 0: not given; values > 1e9 mark percent
        auto addCol = [&](const Node& col) {
            const int span = static_cast<int>(std::clamp(Number(col.Attr("span"), 1), 1.0, double(kMaxColumns)));
            const wxString wv = col.Attr("width").Strip(wxString::both);
            double w = -1;
            if (wv.EndsWith("%"))
                w = -2 - std::clamp(Number(wv, 0), 0.0, 100.0); // -2 - percent
            else if (!wv.empty())
                w = std::max(0.0, Number(wv, -1));
            for (int i = 0; i < span && static_cast<int>(colWidths.size()) < kMaxColumns; ++i)
                colWidths.push_back(w);
        };
        std::vector<Row> body;
        auto addRows = [&](const Node& section, bool header) {
            const auto odd = ParseColour(section.Attr("odd")), even = ParseColour(section.Attr("even"));
            int n = 0;
            for (const Node& tr : section.children) {
                if (tr.isText || tr.name != "tr")
                    continue;
                auto bg = ParseColour(tr.Attr("bgcolor"));
                if (!bg)
                    bg = (n % 2 == 0) ? odd : even;
                ++n;
                (header ? rows : body).push_back({&tr, header, bg});
            }
        };
        for (const Node& c : table.children) {
            if (c.isText)
                continue;
            if (c.name == "thead")
                addRows(c, true);
            else if (c.name == "tbody" || c.name == "tfoot")
                addRows(c, false);
            else if (c.name == "tr") { // rows directly under the table are body rows
                auto bg = ParseColour(c.Attr("bgcolor"));
                body.push_back({&c, false, bg});
            } else if (c.name == "colgroup") {
                for (const Node& col : c.children)
                    if (!col.isText && col.name == "col")
                        addCol(col);
            } else if (c.name == "col") {
                addCol(c);
            }
        }
        const size_t headerRows = rows.size();
        rows.insert(rows.end(), body.begin(), body.end());
        if (rows.empty())
            return;

        // Grid: where each cell starts and how far it spans.
        std::vector<Cell> cells;
        std::vector<int> busyUntil; // per column: first row not covered by a rowspan
        int columns = 0;
        bool tooWide = false;
        for (size_t r = 0; r < rows.size(); ++r) {
            const int sectionEnd = static_cast<int>(r < headerRows ? headerRows : rows.size());
            int col = 0;
            for (const Node& c : rows[r].tr->children) {
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
                cells.push_back({&c, static_cast<int>(r), col, colspan, rowspan, 0, {}});
                col += colspan;
                columns = std::max(columns, col);
            }
        }
        if (tooWide)
            wxLogWarning("Rich text: a table has more than %d columns; the cells beyond are left out", kMaxColumns);
        if (columns == 0)
            return;

        // Column widths: given ones first, the rest share what is left; all scaled down
        // together when they add up to more than the room there is.
        const double avail = std::max(kMinWidth, f.right - f.left);
        colWidths.resize(columns, -1);
        double given = 0;
        int free = 0;
        for (double& w : colWidths) {
            if (w <= -2)
                w = avail * (-2 - w) / 100;
            if (w >= 0)
                given += w;
            else
                ++free;
        }
        const double share = free > 0 ? std::max(avail - given, 0.0) / free : 0;
        double total = 0;
        for (double& w : colWidths) {
            if (w < 0)
                w = share > 0 ? share : avail / columns;
            total += w;
        }
        if (total > avail || total <= 0) {
            const double scale = total > 0 ? avail / total : 0;
            for (double& w : colWidths)
                w = total > 0 ? w * scale : avail / columns;
            total = avail;
        }
        const int tableAlign = ParseAlign(table.Attr("align"), PdfAlignLeft);
        const double tableLeft = f.left + (tableAlign == PdfAlignRight    ? avail - total
                                           : tableAlign == PdfAlignCenter ? (avail - total) / 2
                                                                          : 0);
        std::vector<double> colX(columns + 1, tableLeft);
        for (int c = 0; c < columns; ++c)
            colX[c + 1] = colX[c] + colWidths[c];

        const double pad = std::clamp(Number(table.Attr("cellpadding"), 1.5), 0.0, 100.0) / k;
        const bool frame = Number(table.Attr("border"), 0) > 0;
        const double borderWidth = std::clamp(Number(table.Attr("borderwidth"), doc.GetLineWidth()), 0.0, 20.0);
        const PdfColour borderColour = ParseColour(table.Attr("bordercolor")).value_or(doc.GetDrawColour());

        // Cell contents and row heights.
        std::vector<double> rowH(rows.size(), 0);
        for (size_t r = 0; r < rows.size(); ++r)
            rowH[r] = std::max(0.0, Number(rows[r].tr->Attr("height"), 0));
        for (Cell& c : cells) {
            const Node& n = *c.node;
            Style s = styles[style];
            if (n.name == "th")
                s.bold = true;
            Flow inner;
            inner.out = &c.content;
            inner.left = colX[c.col] + pad;
            inner.right = std::max(inner.left + kMinWidth, colX[c.col + c.colspan] - pad);
            inner.align = ParseAlign(n.Attr("align", rows[c.row].tr->Attr("align")),
                                     n.name == "th" ? PdfAlignCenter : PdfAlignLeft);
            Walk(n, AddStyle(s), inner);
            Flush(inner);
            for (const Slice& sl : c.content)
                c.contentHeight += sl.height;
            if (c.rowspan == 1)
                rowH[c.row] = std::max(rowH[c.row], c.contentHeight + 2 * pad);
        }
        for (const Cell& c : cells) {
            if (c.rowspan == 1)
                continue;
            double spanned = 0;
            for (int r = c.row; r < c.row + c.rowspan; ++r)
                spanned += rowH[r];
            if (c.contentHeight + 2 * pad > spanned)
                rowH[c.row + c.rowspan - 1] += c.contentHeight + 2 * pad - spanned;
        }
        for (size_t r = 0; r < rows.size(); ++r) {
            const double maxH = Number(rows[r].tr->Attr("max-height"), 0);
            if (maxH > 0)
                rowH[r] = std::min(rowH[r], maxH);
            if (rowH[r] <= 0)
                rowH[r] = LineHeightOf(style);
        }

        // Row groups: rows tied together by rowspans stay in one slice.
        std::vector<int> groupEnd(rows.size());
        for (size_t r = 0; r < rows.size(); ++r)
            groupEnd[r] = static_cast<int>(r) + 1;
        for (const Cell& c : cells)
            groupEnd[c.row] = std::max(groupEnd[c.row], c.row + c.rowspan);
        std::vector<size_t> cellsByRow(rows.size() + 1, 0); // cells are in row order
        for (const Cell& c : cells)
            ++cellsByRow[c.row + 1];
        for (size_t r = 0; r < rows.size(); ++r)
            cellsByRow[r + 1] += cellsByRow[r];

        auto header = std::make_shared<std::vector<Slice>>();
        size_t r = 0;
        while (r < rows.size()) {
            size_t end = r + 1;
            for (size_t q = r; q < end; ++q)
                end = std::max(end, static_cast<size_t>(groupEnd[q]));
            end = std::min(end, rows.size());
            std::vector<double> top(end - r + 1, 0);
            for (size_t q = r; q < end; ++q)
                top[q - r + 1] = top[q - r] + rowH[q];
            Slice slice;
            slice.height = top.back();
            std::vector<Op> backgrounds, contents, borders;
            std::vector<std::pair<double, double>> lines;
            for (size_t q = r; q < end; ++q) {
                if (rows[q].background) {
                    Op op;
                    op.kind = Op::Fill;
                    op.colour = *rows[q].background;
                    op.x = colX[0];
                    op.y = top[q - r];
                    op.w = total;
                    op.h = rowH[q];
                    backgrounds.push_back(std::move(op));
                }
            }
            for (size_t ci = cellsByRow[r]; ci < cellsByRow[end]; ++ci) {
                Cell& c = cells[ci];
                const Node& n = *c.node;
                const double x0 = colX[c.col], x1 = colX[c.col + c.colspan];
                const double y0 = top[c.row - r];
                const double y1 = top[std::min<size_t>(c.row + c.rowspan, end) - r];
                if (auto bg = ParseColour(n.Attr("bgcolor"))) {
                    Op op;
                    op.kind = Op::Fill;
                    op.colour = *bg;
                    op.x = x0;
                    op.y = y0;
                    op.w = x1 - x0;
                    op.h = y1 - y0;
                    backgrounds.push_back(std::move(op));
                }
                const wxString valign = n.Attr("valign", rows[c.row].tr->Attr("valign")).Lower();
                const double room = y1 - y0 - 2 * pad;
                double dy = 0;
                if (c.contentHeight < room)
                    dy = valign == "bottom"                         ? room - c.contentHeight
                         : valign == "middle" || valign == "center" ? (room - c.contentHeight) / 2
                                                                    : 0;
                const bool clip = c.contentHeight > room + 1e-6;
                if (clip) {
                    Op op;
                    op.kind = Op::ClipBegin;
                    op.x = x0;
                    op.y = y0;
                    op.w = x1 - x0;
                    op.h = y1 - y0;
                    contents.push_back(std::move(op));
                }
                double y = y0 + pad + dy;
                for (Slice& sl : c.content) {
                    lines.emplace_back(y, y + sl.height);
                    for (Op& op : sl.ops) {
                        op.y += y;
                        if (op.kind == Op::Line)
                            op.h += y;
                        contents.push_back(std::move(op));
                    }
                    y += sl.height;
                }
                c.content.clear();
                if (clip) {
                    Op op;
                    op.kind = Op::ClipEnd;
                    contents.push_back(std::move(op));
                }
                // Borders: the cell's own letters, or a frame when the table has a border.
                wxString letters = n.Attr("border").Upper();
                if (!n.HasAttr("border") && frame)
                    letters = "LTRB";
                auto edge = [&](double ax, double ay, double bx, double by) {
                    Op op;
                    op.kind = Op::Line;
                    op.x = ax;
                    op.y = ay;
                    op.w = bx;
                    op.h = by;
                    op.lineWidth = borderWidth;
                    op.colour = borderColour;
                    borders.push_back(std::move(op));
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
            // Where the group may be cut should it be taller than a page: below lines that
            // no line of another cell straddles.
            std::sort(lines.begin(), lines.end());
            for (size_t li = 0; li < lines.size();) {
                double bottom = lines[li].second;
                size_t lj = li + 1;
                while (lj < lines.size() && lines[lj].first < bottom - 1e-9)
                    bottom = std::max(bottom, lines[lj++].second);
                slice.cuts.push_back(bottom);
                li = lj;
            }
            slice.ops = std::move(backgrounds);
            slice.ops.insert(slice.ops.end(), std::make_move_iterator(contents.begin()),
                             std::make_move_iterator(contents.end()));
            slice.ops.insert(slice.ops.end(), std::make_move_iterator(borders.begin()),
                             std::make_move_iterator(borders.end()));
            if (r < headerRows) {
                slice.keepWithNext = true;
                header->push_back(slice);
            } else if (!header->empty()) {
                slice.header = header;
            }
            f.out->push_back(std::move(slice));
            r = end;
        }
    }

    // ---- Placing slices on pages ------------------------------------------------------------

    // Draws the slice with its top at y0; with a window [from, to) of the slice, text,
    // links and anchors outside it are left out (the part shown on another page).
    void Draw(const Slice& slice, double y0, double from = -1e300, double to = 1e300)
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

    void Place(const std::vector<Slice>& slices)
    {
        if (doc.PageNo() == 0 && !doc.IsRecordingTemplate())
            doc.AddPage();
        const bool breaks = doc.GetAutoPageBreak() && !doc.IsRecordingTemplate();
        double y = doc.GetY();
        bool atTop = y <= doc.GetTopMargin() + 1e-6;
        auto limit = [&] { return doc.GetPageHeight() - doc.GetBreakMargin(); };
        auto newPage = [&] {
            doc.AddPage(doc.GetPageWidth() > doc.GetPageHeight() ? wxLANDSCAPE : wxPORTRAIT);
            y = doc.GetY();
            atTop = true;
        };
        for (size_t i = 0; i < slices.size(); ++i) {
            const Slice& s = slices[i];
            if (s.spacer && atTop)
                continue;
            // What must fit here: a slice taller than a page runs on over pages anyway,
            // so only its first line counts.
            auto firstNeed = [&](const Slice& sl) {
                if (sl.height <= limit() - doc.GetTopMargin())
                    return sl.height;
                return sl.cuts.empty() ? 0.0 : sl.cuts.front();
            };
            double need = firstNeed(s);
            for (size_t j = i; j + 1 < slices.size() && slices[j].keepWithNext; ++j)
                need += firstNeed(slices[j + 1]);
            if (breaks && !atTop && y + need > limit() + 1e-6 && doc.AcceptPageBreak()) {
                newPage();
                if (s.header)
                    for (const Slice& h : *s.header) {
                        Draw(h, y);
                        y += h.height;
                    }
            }
            if (breaks && y + s.height > limit() + 1e-6) {
                // Taller than the page: it runs on over as many pages as it needs, each
                // showing the next part of it through a clip. A page with no room at all
                // for it (margins covering the page) cuts it off instead.
                if (!reportedClip)
                    wxLogWarning("Rich text: a block taller than a page is split over pages");
                reportedClip = true;
                double shown = 0;
                while (true) {
                    const double room = limit() - y;
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
                    newPage();
                    if (s.header)
                        for (const Slice& h : *s.header) {
                            Draw(h, y);
                            y += h.height;
                        }
                }
            } else {
                Draw(s, y);
                y += s.height;
            }
            atTop = false;
        }
        doc.SetXY(doc.GetLeftMargin(), y);
    }

    void Write(const Node& root)
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
};

PdfRichTextLayout::PdfRichTextLayout(PdfDocument& document) : d(std::make_unique<Impl>(document)) {}
PdfRichTextLayout::~PdfRichTextLayout() = default;

void PdfRichTextLayout::Write(const Node& root)
{
    d->Write(root);
}
