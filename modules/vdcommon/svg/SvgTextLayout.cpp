// Text layout: the characters of a text element and its spans, white space handled,
// placed by their position lists and laid out in runs that share a face.
#include "vdcommon/svg/SvgResolverImpl.h"

#include <algorithm>

namespace svg::resolve {

namespace {

std::u32string Decode(std::string_view s)
{
    std::u32string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k < n && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += static_cast<size_t>(n);
    }
    return out;
}

void Encode(char32_t cp, std::string& out)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

// Characters are kept small (a text node may hold millions); the few that carry
// their own position keep it aside.
struct TextPosition {
    bool hasX = false, hasY = false, hasRotate = false;
    double x = 0, y = 0, dx = 0, dy = 0, rotate = 0;
};

struct TextChar {
    char32_t cp;
    uint32_t style;        // index into the styles list
    int32_t position = -1; // index into the positions list, -1: none
};

// The position lists of one element, applied after collecting: outer elements first,
// inner ones win.
struct PositionLists {
    size_t start, end;
    int depth;
    std::vector<double> x, y, dx, dy, rotate;
};

struct RunFace {
    std::string family, style;
};

struct TextContent {
    std::vector<TextChar> chars;
    std::vector<TextPosition> positions;
    std::vector<PositionLists> lists;
    // Per style: the computed style, the element that set it and its face.
    std::vector<Style> styles;
    std::vector<const Element*> styleElements;
    std::vector<RunFace> faces;

    const TextPosition& At(size_t i) const
    {
        static const TextPosition noPosition;
        return chars[i].position < 0 ? noPosition : positions[static_cast<size_t>(chars[i].position)];
    }
    void ApplyPositions();
};

void TextContent::ApplyPositions()
{
    std::stable_sort(lists.begin(), lists.end(),
                     [](const PositionLists& a, const PositionLists& b) { return a.depth < b.depth; });
    for (const PositionLists& l : lists) {
        for (size_t i = l.start, k = 0; i < l.end && i < chars.size(); ++i, ++k) {
            if (k >= l.x.size() && k >= l.y.size() && k >= l.dx.size() && k >= l.dy.size() && l.rotate.empty())
                break;
            TextChar& c = chars[i];
            if (c.position < 0) {
                c.position = static_cast<int32_t>(positions.size());
                positions.emplace_back();
            }
            TextPosition& ch = positions[static_cast<size_t>(c.position)];
            if (k < l.x.size())
                ch.hasX = true, ch.x = l.x[k];
            if (k < l.y.size())
                ch.hasY = true, ch.y = l.y[k];
            if (k < l.dx.size())
                ch.dx = l.dx[k];
            if (k < l.dy.size())
                ch.dy = l.dy[k];
            if (!l.rotate.empty())
                ch.hasRotate = true, ch.rotate = l.rotate[std::min(k, l.rotate.size() - 1)];
        }
    }
}

void Resolver::ResolveText(const Element& textElement, const Style& textStyle, Node& node)
{
    TextContent text;
    text.styles.push_back(textStyle);
    text.styleElements.push_back(&textElement);
    CollectText(textElement, text);
    // Trailing space of the whole text goes (leading ones were never added).
    if (!textStyle.preserveSpace)
        while (!text.chars.empty() && text.chars.back().cp == ' ')
            text.chars.pop_back();
    if (text.chars.empty())
        return;
    text.ApplyPositions();
    for (const Style& st : text.styles) {
        auto [family, styleName] = fonts.select ? fonts.select(st.fontFamily, st.fontWeight, st.italic)
                                                : std::pair<std::string, std::string>{st.fontFamily, ""};
        text.faces.push_back({family, styleName});
    }
    LayOutText(text, node);
}

namespace {

// Appends the characters of a text node: line breaks and tabs become spaces (or go),
// runs of spaces collapse unless space is preserved.
void AppendCharacters(std::string_view utf8, bool preserveSpace, uint32_t styleIndex, bool& lastWasSpace,
                      std::vector<TextChar>& chars)
{
    for (char32_t cp : Decode(utf8)) {
        if (preserveSpace) {
            if (cp == '\n' || cp == '\r' || cp == '\t')
                cp = ' ';
        } else {
            if (cp == '\n' || cp == '\r')
                continue;
            if (cp == '\t')
                cp = ' ';
            if (cp == ' ' && lastWasSpace)
                continue;
        }
        lastWasSpace = cp == ' ';
        chars.push_back({cp, styleIndex, -1});
    }
}

} // namespace

void Resolver::CollectText(const Element& textElement, TextContent& text)
{
    bool lastWasSpace = true; // collapses spaces across spans
    auto readList = [&](const Element& e, std::string_view name, int axis, const Style& st) {
        std::vector<double> out;
        std::vector<Length> ls;
        if (const std::string* v = e.Attribute(name)) {
            if (name == "rotate") {
                // Angles are plain numbers; anything else makes the list invalid.
                if (!ParseNumberList(*v, out))
                    out.clear();
            } else if (ParseLengthList(*v, ls)) {
                for (const Length& l : ls)
                    out.push_back(ToUser(l, axis, st));
            }
        }
        return out;
    };
    struct Frame {
        const Element* e;
        size_t styleIndex;
        size_t listIndex;
        size_t child;
    };
    std::vector<Frame> stack;
    auto enter = [&](const Element& e, size_t styleIndex, int depth) {
        PositionLists l;
        l.start = l.end = text.chars.size();
        l.depth = depth;
        const Style& st = text.styles[styleIndex];
        l.x = readList(e, "x", 0, st);
        l.y = readList(e, "y", 1, st);
        l.dx = readList(e, "dx", 0, st);
        l.dy = readList(e, "dy", 1, st);
        l.rotate = readList(e, "rotate", 2, st);
        text.lists.push_back(std::move(l));
        stack.push_back({&e, styleIndex, text.lists.size() - 1, 0});
    };
    enter(textElement, 0, 0);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.child >= f.e->children.size()) {
            text.lists[f.listIndex].end = text.chars.size();
            stack.pop_back();
            continue;
        }
        const Element* c = f.e->children[f.child++];
        const size_t styleIndex = f.styleIndex;
        const Style& st = text.styles[styleIndex];
        if (c->IsText()) {
            AppendCharacters(c->text, st.preserveSpace, static_cast<uint32_t>(styleIndex), lastWasSpace, text.chars);
            continue;
        }
        if ((c->tag != "tspan" && c->tag != "a") || stack.size() > 64)
            continue;
        Style childStyle;
        ComputeStyle(*c, st, childStyle);
        if (childStyle.displayNone)
            continue;
        text.styles.push_back(childStyle);
        text.styleElements.push_back(c);
        enter(*c, text.styles.size() - 1, static_cast<int>(stack.size()));
    }
}

namespace {

// A text chunk (from one absolute position to the next) moved for its text-anchor.
void AnchorChunk(std::vector<TextRun>& runs, size_t start, size_t end, int anchor)
{
    if (start >= end || anchor == 0)
        return;
    double minX = runs[start].x, maxX = minX;
    for (size_t i = start; i < end; ++i) {
        minX = std::min(minX, runs[i].x);
        maxX = std::max(maxX, runs[i].x + runs[i].width);
    }
    const double shift = (maxX - minX) * (anchor == 1 ? 0.5 : 1.0);
    for (size_t i = start; i < end; ++i)
        runs[i].x -= shift;
}

} // namespace

void Resolver::LayOutText(const TextContent& text, Node& node)
{
    const std::vector<TextChar>& chars = text.chars;
    // Runs of characters that share a style and have no own position.
    double penX = 0, penY = 0;
    size_t chunkStart = node.runs.size();
    int chunkAnchor = text.styles[chars[0].style].anchor;
    for (size_t i = 0; i < chars.size();) {
        const TextChar& firstChar = chars[i];
        const TextPosition& first = text.At(i);
        if ((first.hasX || first.hasY) && i > 0) {
            AnchorChunk(node.runs, chunkStart, node.runs.size(), chunkAnchor);
            chunkStart = node.runs.size();
            chunkAnchor = text.styles[firstChar.style].anchor;
        }
        if (first.hasX)
            penX = first.x;
        if (first.hasY)
            penY = first.y;
        penX += first.dx;
        penY += first.dy;
        const Style& st = text.styles[firstChar.style];
        const RunFace& face = text.faces[firstChar.style];
        const bool perChar = st.letterSpacing != 0 || st.wordSpacing != 0 || first.hasRotate;
        size_t j = i + 1;
        if (!perChar)
            while (j < chars.size() && chars[j].style == firstChar.style && chars[j].position < 0)
                ++j;
        TextRun run;
        for (size_t k = i; k < j; ++k)
            Encode(chars[k].cp, run.text);
        run.family = face.family;
        run.style = face.style;
        run.fontSize = st.fontSize;
        run.x = penX;
        run.y = penY;
        run.rotate = first.hasRotate ? first.rotate : 0;
        run.width = fonts.measure ? fonts.measure(run.family, run.style, run.fontSize, run.text) : 0;
        // The pair across the run's end keeps its kerning when the next run continues
        // in the same face and size (spans, per-character positions).
        if (fonts.measure && j < chars.size() && !text.At(j).hasX && !text.At(j).hasY &&
            text.faces[chars[j].style].family == run.family && text.faces[chars[j].style].style == run.style &&
            text.styles[chars[j].style].fontSize == run.fontSize) {
            std::string last, next;
            Encode(chars[j - 1].cp, last);
            Encode(chars[j].cp, next);
            run.width += fonts.measure(run.family, run.style, run.fontSize, last + next) -
                         fonts.measure(run.family, run.style, run.fontSize, last) -
                         fonts.measure(run.family, run.style, run.fontSize, next);
        }
        if (perChar) {
            run.width += st.letterSpacing;
            if (firstChar.cp == ' ')
                run.width += st.wordSpacing;
        }
        PaintRun(st, text.styleElements[firstChar.style], run);
        penX += run.width;
        if (st.visible && run.fontSize > 0)
            node.runs.push_back(std::move(run));
        i = j;
    }
    AnchorChunk(node.runs, chunkStart, node.runs.size(), chunkAnchor);
}

void Resolver::PaintRun(const Style& st, const Element* context, TextRun& run)
{
    run.fill = MakePaint(st.fill, st.fillOpacity, st, context);
    if (clipMode) {
        run.fill = Paint();
        run.fill.kind = Paint::Colour;
    }
    run.stroke.paint = clipMode ? Paint() : MakePaint(st.stroke, st.strokeOpacity, st, context);
    run.hasStroke = run.stroke.paint.kind != Paint::None && st.strokeWidth > 0;
    run.stroke.width = st.strokeWidth;
    run.stroke.cap = st.cap;
    run.stroke.join = st.join;
    run.stroke.miterLimit = st.miterLimit;
    run.stroke.dash = st.dash;
    run.stroke.dashOffset = st.dashOffset;
    run.underline = st.decoration & 1;
    run.overline = st.decoration & 2;
    run.lineThrough = st.decoration & 4;
}

} // namespace svg::resolve
