// Rich text: the markup is copied into a bounded tree and handed to the layout engine.
#include "pdf/PdfRichText.h"

#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfRichTextLayout.h"

#include <wx/log.h>
#include <wx/sstream.h>
#include <wx/xml/xml.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vdpdf::richtext {

wxString Node::Attr(const char* key, const wxString& fallback) const
{
    for (const auto& [k, v] : attributes)
        if (k == key)
            return v;
    return fallback;
}

bool Node::HasAttr(const char* key) const
{
    for (const auto& a : attributes)
        if (a.first == key)
            return true;
    return false;
}

bool BuildTree(const wxXmlNode* parent, Node& root)
{
    root.isText = false;
    root.name = "xml";
    if (!parent)
        return false;
    // Iterative on purpose: a caller's tree may be far deeper than the stack allows.
    struct Step {
        const wxXmlNode* next;
        Node* target;
        int depth;
    };
    bool flattened = false;
    std::vector<Step> stack{{parent->GetChildren(), &root, 1}};
    while (!stack.empty()) {
        Step& top = stack.back();
        const wxXmlNode* n = top.next;
        if (!n) {
            stack.pop_back();
            continue;
        }
        top.next = n->GetNext();
        Node* target = top.target;
        const int depth = top.depth;
        if (n->GetType() == wxXML_TEXT_NODE || n->GetType() == wxXML_CDATA_SECTION_NODE) {
            if (!target->children.empty() && target->children.back().isText) {
                target->children.back().text += n->GetContent();
            } else {
                Node t;
                t.isText = true;
                t.text = n->GetContent();
                target->children.push_back(std::move(t));
            }
        } else if (n->GetType() == wxXML_ELEMENT_NODE) {
            if (depth > kMaxDepth) {
                flattened = true;
                stack.push_back({n->GetChildren(), target, depth + 1});
                continue;
            }
            Node e;
            e.name = n->GetName().Lower();
            for (const wxXmlAttribute* a = n->GetAttributes(); a; a = a->GetNext())
                e.attributes.emplace_back(a->GetName().Lower(), a->GetValue());
            target->children.push_back(std::move(e));
            stack.push_back({n->GetChildren(), &target->children.back(), depth + 1});
        }
    }
    if (flattened)
        wxLogWarning("Rich text nested deeper than %d levels: the inner elements are written as plain text.",
                     kMaxDepth);
    return flattened;
}

namespace {

bool IsNameChar(wchar_t c)
{
    return c != L'>' && c != L'/' && c != L' ' && c != L'\t' && c != L'\n' && c != L'\r';
}

size_t NameEnd(std::wstring_view s, size_t j)
{
    while (j < s.size() && IsNameChar(s[j]))
        ++j;
    return j;
}

// Past the comment, CDATA section, processing instruction or declaration at `i` (to the
// end of the text when it is not closed); npos when there is none at `i`.
size_t SkipSpecial(std::wstring_view s, size_t i)
{
    static constexpr std::pair<std::wstring_view, std::wstring_view> kinds[] = {
        {L"<!--", L"-->"}, {L"<![CDATA[", L"]]>"}, {L"<?", L"?>"}, {L"<!", L">"}};
    const std::wstring_view rest = s.substr(i);
    for (const auto& [start, end] : kinds) {
        if (rest.starts_with(start)) {
            const size_t e = s.find(end, i);
            return e == std::wstring_view::npos ? s.size() : e + end.size();
        }
    }
    return std::wstring_view::npos;
}

// The '>' that ends a start tag, from `j` past quoted attribute values; npos when the
// tag does not end.
size_t StartTagEnd(std::wstring_view s, size_t j)
{
    wchar_t quote = 0;
    while (j < s.size() && (quote || s[j] != L'>')) {
        if (quote && s[j] == quote)
            quote = 0;
        else if (!quote && (s[j] == L'"' || s[j] == L'\''))
            quote = s[j];
        ++j;
    }
    return j < s.size() ? j : std::wstring_view::npos;
}

// The text without the [begin, end) ranges of `drop`.
wxString Without(std::wstring_view s, const std::vector<std::pair<size_t, size_t>>& drop)
{
    std::wstring out;
    out.reserve(s.size());
    size_t pos = 0;
    for (const auto& [b, e] : drop) {
        out.append(s.substr(pos, b - pos));
        pos = e;
    }
    out.append(s.substr(pos));
    return wxString(out);
}

// Drops the start and end tags of elements nested deeper than the limit (their content
// stays), so the toolkit's parser never builds a tree deeper than the limit: its node
// destructor recurses. False when start and end tags do not match.
bool CapNesting(const wxString& text, int limit, wxString& capped, bool& changed)
{
    const std::wstring_view s(text.wc_str(), text.length());
    std::vector<std::wstring_view> open;
    std::vector<std::pair<size_t, size_t>> drop; // [begin, end) of dropped tags
    size_t i = 0;
    while ((i = s.find(L'<', i)) != std::wstring_view::npos) {
        const size_t start = i;
        if (const size_t past = SkipSpecial(s, i); past != std::wstring_view::npos) {
            i = past;
        } else if (s.substr(i).starts_with(L"</")) {
            const size_t j = NameEnd(s, i + 2);
            const std::wstring_view name = s.substr(i + 2, j - i - 2);
            const size_t e = s.find(L'>', j);
            if (e == std::wstring_view::npos || open.empty() || open.back() != name)
                return false;
            i = e + 1;
            if (static_cast<int>(open.size()) > limit)
                drop.emplace_back(start, i);
            open.pop_back();
        } else {
            const size_t nameEnd = NameEnd(s, i + 1);
            const std::wstring_view name = s.substr(i + 1, nameEnd - i - 1);
            const size_t j = StartTagEnd(s, nameEnd);
            if (j == std::wstring_view::npos)
                return false;
            i = j + 1;
            const bool empty = s[j - 1] == L'/';
            if (!empty)
                open.push_back(name);
            if (static_cast<int>(open.size()) > limit || (empty && static_cast<int>(open.size()) >= limit))
                drop.emplace_back(start, i);
        }
    }
    changed = !drop.empty();
    if (changed)
        capped = Without(s, drop);
    return true;
}

} // namespace

bool ParseMarkup(const wxString& markup, Node& root)
{
    const wxString wrapped = wxS("<xml>") + markup + wxS("</xml>");
    wxString capped;
    bool changed = false;
    if (!CapNesting(wrapped, kMaxDepth + 1, capped, changed)) {
        wxLogError("Rich text is not well-formed XML; nothing is written.");
        return false;
    }
    if (changed)
        wxLogWarning("Rich text nested deeper than %d levels: the inner elements are written as plain text.",
                     kMaxDepth);
    wxXmlDocument xml;
    bool ok = false;
    {
        wxLogNull quiet; // one message of our own below is clearer than expat's
        wxStringInputStream in(changed ? capped : wrapped);
        ok = xml.Load(in, "UTF-8", wxXMLDOC_KEEP_WHITESPACE_NODES) && xml.GetRoot();
    }
    if (!ok) {
        wxLogError("Rich text is not well-formed XML; nothing is written.");
        return false;
    }
    BuildTree(xml.GetRoot(), root);
    return true;
}

} // namespace vdpdf::richtext

void PdfDocument::WriteXml(const wxString& markup)
{
    vdpdf::richtext::Node root;
    if (!vdpdf::richtext::ParseMarkup(markup, root))
        return;
    PdfRichTextLayout(*this).Write(root);
}

void PdfDocument::WriteXml(wxXmlNode* node)
{
    if (!node) {
        wxLogDebug("PDF: WriteXml without markup");
        return;
    }
    vdpdf::richtext::Node root;
    vdpdf::richtext::BuildTree(node, root);
    PdfRichTextLayout(*this).Write(root);
}
