#include "vdcommon/report/XsltResultTree.h"

#include "vdcommon/printing/XMLHelpers.h"
#include "vdcommon/utilities/Limits.h"

#include <libxml/parserInternals.h>
#include <libxslt/imports.h>

#include <wx/xml/xml.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace xsltresult {
namespace {

// The message loading the written text gives for what it cannot read.
const char* const kLoadFailure = "Unable to load xml structure from xslt transformed buffer";

std::string_view View(const xmlChar* text)
{
    return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

// An output setting as the writer looks it up: the style sheet's own, else the first
// import that has one.
template <typename Field>
Field OutputSetting(xsltStylesheetPtr style, Field xsltStylesheet::*field)
{
    for (xsltStylesheetPtr sheet = style; sheet != nullptr; sheet = xsltNextImport(sheet))
        if (sheet->*field != nullptr)
            return sheet->*field;
    return nullptr;
}

bool IsUtf8Name(std::string_view encoding)
{
    if (encoding.size() != 5 && encoding.size() != 4)
        return false;
    std::string lower;
    for (const char c : encoding)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower == "utf-8" || lower == "utf8";
}

bool IsWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsWhiteOnly(std::string_view text)
{
    for (const char c : text)
        if (!IsWhite(c))
            return false;
    return true;
}

// A namespace name the writer puts between quotes as it is and the parser reads back
// unchanged.
bool PlainNamespaceName(const xmlNs* ns)
{
    return ns->href != nullptr && View(ns->href).find_first_of("&<\"'\t\n\r") == std::string_view::npos;
}

bool CanBuildElement(const xmlNode* element)
{
    if (element->ns != nullptr && element->ns->prefix != nullptr && View(element->ns->prefix) == "xml")
        return false;
    for (const xmlNs* ns = element->nsDef; ns != nullptr; ns = ns->next)
        if (!PlainNamespaceName(ns) || View(ns->prefix) == "xml")
            return false;
    for (const xmlAttr* attribute = element->properties; attribute != nullptr; attribute = attribute->next) {
        if (attribute->type != XML_ATTRIBUTE_NODE)
            return false;
        for (const xmlNode* part = attribute->children; part != nullptr; part = part->next)
            if (part->type != XML_TEXT_NODE)
                return false;
    }
    return true;
}

// Nodes whose written form the parser reads as something else, or not at all.
bool CanBuildNode(const xmlNode* node)
{
    switch (node->type) {
    case XML_ELEMENT_NODE: return CanBuildElement(node);
    case XML_TEXT_NODE: return node->name != xmlStringTextNoenc;
    case XML_CDATA_SECTION_NODE: return View(node->content).find("]]>") == std::string_view::npos;
    case XML_COMMENT_NODE: {
        const std::string_view text = View(node->content);
        return text.find("--") == std::string_view::npos && (text.empty() || text.back() != '-');
    }
    case XML_PI_NODE: {
        const std::string_view target = View(node->name);
        return View(node->content).find("?>") == std::string_view::npos &&
               !(target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
                 (target[2] | 0x20) == 'l');
    }
    default: return false;
    }
}

// Decodes UTF-8 from libxml2 into wide characters, refusing what the parser would
// refuse: malformed sequences and characters XML does not allow.
void AppendDecoded(std::wstring& out, std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        std::uint32_t c = *p++;
        if (c >= 0x80) {
            int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
            if (extra < 0 || c > 0xF4 || end - p < extra)
                throw std::runtime_error(kLoadFailure);
            c &= 0x3Fu >> extra;
            const std::uint32_t least = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
            for (; extra > 0; --extra) {
                if ((*p & 0xC0) != 0x80)
                    throw std::runtime_error(kLoadFailure);
                c = (c << 6) | (*p++ & 0x3F);
            }
            if (c < least || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF || c > 0x10FFFF)
                throw std::runtime_error(kLoadFailure);
        } else if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            throw std::runtime_error(kLoadFailure);
        }
        out.push_back(static_cast<wchar_t>(c));
    }
}

// Sets a string of a node made here (the toolkit hands out const references only).
void Assign(const wxString& target, std::string_view utf8)
{
    thread_local std::wstring scratch;
    scratch.clear();
    AppendDecoded(scratch, utf8);
    auto& out = const_cast<wxString&>(target);
    out.assign(scratch.data(), scratch.size());
    if (scratch.capacity() > 65536)
        std::wstring().swap(scratch); // a long text's buffer is not kept for the thread's life
}

// The parser turns every line end in comments, processing instructions and CDATA
// sections (written as they are) into a line feed.
std::string NormalisedLineEnds(std::string_view text)
{
    std::string out(text);
    if (out.find('\r') == std::string::npos)
        return out;
    std::size_t to = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\r') {
            out[to++] = '\n';
            if (i + 1 < out.size() && out[i + 1] == '\n')
                ++i;
        } else {
            out[to++] = out[i];
        }
    }
    out.resize(to);
    return out;
}

// Where the loaded text of a run of character data starts. The parser reports the run
// in pieces — each line end and each escaped character ('<', '>', '&' and carriage
// return are written escaped) alone, the rest between them — and the loader drops the
// leading pieces that are whitespace alone. npos: the whole run is whitespace and
// makes no node.
std::size_t LoadedStart(std::string_view run)
{
    std::size_t pieceStart = 0;
    for (std::size_t i = 0; i < run.size(); ++i) {
        const char c = run[i];
        switch (c) {
        case '\n':
        case '\r': pieceStart = i + 1; break;
        case ' ':
        case '\t': break;
        case '<':
        case '>':
        case '&': return i;
        default: return pieceStart;
        }
    }
    return std::string_view::npos;
}

std::string QualifiedName(const xmlNs* ns, const xmlChar* name)
{
    std::string qualified;
    if (ns != nullptr && ns->prefix != nullptr) {
        qualified = View(ns->prefix);
        qualified += ':';
    }
    qualified += View(name);
    return qualified;
}

class Builder
{
public:
    explicit Builder(std::size_t maxChildren) : m_maxDepth(limits::Get().xmlDepth), m_maxChildren(maxChildren) {}

    // Makes `root` and everything below it; null when some node's written form would
    // load as something else.
    wxXmlNode* Build(xmlNode* root)
    {
        if (!CanBuildNode(root))
            return nullptr;
        std::unique_ptr<wxXmlNode, void (*)(wxXmlNode*)> top(MakeElement(root, 1),
                                                             [](wxXmlNode* node) { XMLHelpers::DeleteTree(node); });
        struct Open {
            wxXmlNode* made;
            wxXmlNode* last; // its last child so far
            xmlNode* next;   // the source child to make next
        };
        std::vector<Open> open{{top.get(), nullptr, root->children}};
        while (!open.empty()) {
            Open& current = open.back();
            xmlNode* child = current.next;
            if (child == nullptr) {
                open.pop_back();
                continue;
            }
            if (!CanBuildNode(child))
                return nullptr;
            // Text nodes next to each other are one run of character data in the text.
            xmlNode* after = child->next;
            wxXmlNode* made = nullptr;
            if (child->type == XML_TEXT_NODE) {
                for (; after != nullptr && after->type == XML_TEXT_NODE; after = after->next)
                    if (!CanBuildNode(after))
                        return nullptr;
                made = MakeText(child, after);
            } else if (child->type == XML_ELEMENT_NODE) {
                made = MakeElement(child, open.size() + 1);
            } else {
                made = MakeOther(child);
            }
            current.next = after;
            if (made != nullptr) {
                current.made->InsertChildAfter(made, current.last);
                current.last = made;
            }
            if (open.size() == 1 && ++m_children > m_maxChildren)
                return nullptr;
            if (child->type == XML_ELEMENT_NODE && child->children != nullptr)
                open.push_back({made, nullptr, child->children});
        }
        return top.release();
    }

private:
    wxXmlNode* MakeElement(const xmlNode* element, std::size_t depth)
    {
        if (depth > m_maxDepth)
            throw std::runtime_error(kLoadFailure);
        auto* made = new wxXmlNode(wxXML_ELEMENT_NODE, wxString());
        Assign(made->GetName(), QualifiedName(element->ns, element->name));
        // Namespace declarations come first in the written start tag, then the
        // attributes, each in its list's order.
        wxXmlAttribute* last = nullptr;
        auto add = [&](std::string_view name, std::string_view value) {
            auto* attribute = new wxXmlAttribute();
            if (last == nullptr)
                made->SetAttributes(attribute);
            else
                last->SetNext(attribute);
            last = attribute;
            Assign(attribute->GetName(), name);
            Assign(attribute->GetValue(), value);
        };
        for (const xmlNs* ns = element->nsDef; ns != nullptr; ns = ns->next)
            add(ns->prefix == nullptr ? std::string("xmlns") : "xmlns:" + std::string(View(ns->prefix)),
                View(ns->href));
        std::string value;
        for (const xmlAttr* attribute = element->properties; attribute != nullptr; attribute = attribute->next) {
            const xmlNode* part = attribute->children;
            if (part != nullptr && part->next == nullptr) {
                add(QualifiedName(attribute->ns, attribute->name), View(part->content));
                continue;
            }
            value.clear();
            for (; part != nullptr; part = part->next)
                value += View(part->content);
            add(QualifiedName(attribute->ns, attribute->name), value);
        }
        return made;
    }

    // The run of text nodes from `first` up to `end`, as the loader would keep it.
    static wxXmlNode* MakeText(const xmlNode* first, const xmlNode* end)
    {
        std::string joined;
        std::string_view run = View(first->content);
        if (first->next != end) {
            for (const xmlNode* node = first; node != end; node = node->next)
                joined += View(node->content);
            run = joined;
        }
        const std::size_t start = LoadedStart(run);
        if (start == std::string_view::npos)
            return nullptr;
        auto* text = new wxXmlNode(wxXML_TEXT_NODE, wxS("text"));
        Assign(text->GetContent(), run.substr(start));
        return text;
    }

    static wxXmlNode* MakeOther(const xmlNode* node)
    {
        switch (node->type) {
        case XML_CDATA_SECTION_NODE: {
            auto* cdata = new wxXmlNode(wxXML_CDATA_SECTION_NODE, wxS("cdata"), wxS(""));
            Assign(cdata->GetContent(), NormalisedLineEnds(View(node->content)));
            return cdata;
        }
        case XML_COMMENT_NODE: {
            auto* comment = new wxXmlNode(wxXML_COMMENT_NODE, wxS("comment"));
            Assign(comment->GetContent(), NormalisedLineEnds(View(node->content)));
            return comment;
        }
        case XML_PI_NODE: {
            // The parser leaves out the whitespace between target and data.
            std::string data = NormalisedLineEnds(View(node->content));
            const std::size_t start = data.find_first_not_of(" \t\n");
            data.erase(0, start == std::string::npos ? data.size() : start);
            auto* instruction = new wxXmlNode(wxXML_PI_NODE, wxString());
            Assign(instruction->GetName(), View(node->name));
            Assign(instruction->GetContent(), data);
            return instruction;
        }
        default: return nullptr; // CanBuildTree lets no other kind through
        }
    }

    std::size_t m_maxDepth;
    std::size_t m_maxChildren;
    std::size_t m_children = 0; // of the root, so far
};

} // namespace

wxXmlNode* BuildTree(xmlDocPtr result, xsltStylesheetPtr style, std::size_t maxChildren)
{
    if (result == nullptr || style == nullptr || result->type != XML_DOCUMENT_NODE)
        return nullptr;
    const xmlChar* method = OutputSetting(style, &xsltStylesheet::method);
    if (OutputSetting(style, &xsltStylesheet::methodURI) != nullptr || (method != nullptr && View(method) != "xml"))
        return nullptr;
    if (!IsUtf8Name(View(OutputSetting(style, &xsltStylesheet::encoding))))
        return nullptr;
    // One root element; beside it only what the loader keeps out of the returned tree.
    xmlNode* root = nullptr;
    for (xmlNode* node = result->children; node != nullptr; node = node->next) {
        switch (node->type) {
        case XML_ELEMENT_NODE:
            if (root != nullptr)
                return nullptr;
            root = node;
            break;
        case XML_TEXT_NODE:
            if (node->name == xmlStringTextNoenc || !IsWhiteOnly(View(node->content)))
                return nullptr;
            break;
        case XML_DTD_NODE: break;
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            if (!CanBuildNode(node))
                return nullptr;
            break;
        default: return nullptr;
        }
    }
    if (root == nullptr)
        return nullptr;
    return Builder(maxChildren).Build(root);
}

} // namespace xsltresult
