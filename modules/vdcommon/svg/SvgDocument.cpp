#include "vdcommon/svg/SvgDocument.h"
#include "vdcommon/svg/SvgLimits.h"
#include "vdcommon/svg/SvgValues.h"

#include <wx/xml/xml.h>

#include <algorithm>
#include <array>
#include <fmt/format.h>

namespace svg {

namespace {

constexpr std::string_view kProperties[] = {"clip-path",
                                            "clip-rule",
                                            "color",
                                            "display",
                                            "fill",
                                            "fill-opacity",
                                            "fill-rule",
                                            "font",
                                            "font-family",
                                            "font-size",
                                            "font-style",
                                            "font-variant",
                                            "font-weight",
                                            "letter-spacing",
                                            "marker",
                                            "marker-start",
                                            "marker-mid",
                                            "marker-end",
                                            "mask",
                                            "opacity",
                                            "overflow",
                                            "stop-color",
                                            "stop-opacity",
                                            "stroke",
                                            "stroke-dasharray",
                                            "stroke-dashoffset",
                                            "stroke-linecap",
                                            "stroke-linejoin",
                                            "stroke-miterlimit",
                                            "stroke-opacity",
                                            "stroke-width",
                                            "text-anchor",
                                            "text-decoration",
                                            "visibility",
                                            "word-spacing",
                                            "xml:space",
                                            "white-space",
                                            "transform"};

std::string Utf8(const wxString& text)
{
    return text.utf8_string();
}

std::string LocalName(const wxString& name)
{
    std::string n = Utf8(name);
    if (n.rfind("svg:", 0) == 0)
        n.erase(0, 4);
    return n;
}

// ---- A small CSS selector matcher: type, universal, .class, #id, [attr], [attr=value],
// :first-child, compounds of them, descendant and child combinators.
struct Simple {
    enum Kind {
        Type,
        Universal,
        Class,
        Id,
        AttrExists,
        AttrEquals,
        FirstChild
    } kind;
    std::string name, value;
};
struct Compound {
    std::vector<Simple> parts;
    char combinator = ' '; // how it relates to the compound before it: ' ' or '>'
};
struct Selector {
    std::vector<Compound> compounds;
    int specificity = 0;
};
struct Rule {
    Selector selector;
    std::vector<std::pair<std::string, std::string>> declarations;
    size_t order = 0;
};

bool ParseSelector(std::string_view text, Selector& selector)
{
    text = Trim(text);
    size_t pos = 0;
    char combinator = ' ';
    auto identChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
               static_cast<unsigned char>(c) >= 0x80;
    };
    auto ident = [&] {
        const size_t start = pos;
        while (pos < text.size() && identChar(text[pos]))
            ++pos;
        return std::string(text.substr(start, pos - start));
    };
    while (pos < text.size()) {
        Compound compound;
        compound.combinator = combinator;
        while (pos < text.size() && text[pos] != ' ' && text[pos] != '>' && text[pos] != '\t' && text[pos] != '\n') {
            const char c = text[pos];
            if (c == '*') {
                ++pos;
                compound.parts.push_back({Simple::Universal, "", ""});
            } else if (c == '.') {
                ++pos;
                compound.parts.push_back({Simple::Class, ident(), ""});
                selector.specificity += 10;
            } else if (c == '#') {
                ++pos;
                compound.parts.push_back({Simple::Id, ident(), ""});
                selector.specificity += 100;
            } else if (c == '[') {
                const size_t close = text.find(']', pos);
                if (close == std::string_view::npos)
                    return false;
                const std::string_view body = text.substr(pos + 1, close - pos - 1);
                const size_t eq = body.find('=');
                if (eq == std::string_view::npos) {
                    compound.parts.push_back({Simple::AttrExists, std::string(Trim(body)), ""});
                } else {
                    std::string_view value = Trim(body.substr(eq + 1));
                    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\''))
                        value = value.substr(1, value.size() - 2);
                    if (eq > 0 && std::string_view("~|^$*").find(body[eq - 1]) != std::string_view::npos)
                        return false;
                    compound.parts.push_back(
                        {Simple::AttrEquals, std::string(Trim(body.substr(0, eq))), std::string(value)});
                }
                selector.specificity += 10;
                pos = close + 1;
            } else if (c == ':') {
                if (text.substr(pos, 12) != ":first-child")
                    return false;
                pos += 12;
                compound.parts.push_back({Simple::FirstChild, "", ""});
                selector.specificity += 10;
            } else if (identChar(c)) {
                compound.parts.push_back({Simple::Type, ident(), ""});
                selector.specificity += 1;
            } else {
                return false;
            }
        }
        if (compound.parts.empty())
            return false;
        selector.compounds.push_back(std::move(compound));
        combinator = ' ';
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '>' || text[pos] == '\t' || text[pos] == '\n')) {
            if (text[pos] == '>')
                combinator = '>';
            ++pos;
        }
    }
    return !selector.compounds.empty();
}

bool MatchCompound(const Compound& compound, const Element& e)
{
    for (const Simple& s : compound.parts) {
        switch (s.kind) {
        case Simple::Universal: break;
        case Simple::Type:
            if (e.tag != s.name)
                return false;
            break;
        case Simple::Class: {
            const std::string* cls = e.Attribute("class");
            if (!cls)
                return false;
            bool found = false;
            size_t pos = 0;
            const std::string& c = *cls;
            while (pos < c.size() && !found) {
                while (pos < c.size() && (c[pos] == ' ' || c[pos] == '\t' || c[pos] == '\n'))
                    ++pos;
                size_t end = pos;
                while (end < c.size() && c[end] != ' ' && c[end] != '\t' && c[end] != '\n')
                    ++end;
                found = end > pos && std::string_view(c).substr(pos, end - pos) == s.name;
                pos = end;
            }
            if (!found)
                return false;
            break;
        }
        case Simple::Id: {
            const std::string* id = e.Attribute("id");
            if (!id || *id != s.name)
                return false;
            break;
        }
        case Simple::AttrExists:
            if (!e.Attribute(s.name))
                return false;
            break;
        case Simple::AttrEquals: {
            const std::string* v = e.Attribute(s.name);
            if (!v || *v != s.value)
                return false;
            break;
        }
        case Simple::FirstChild: {
            if (!e.parent)
                return false;
            const Element* first = nullptr;
            for (const Element* c : e.parent->children)
                if (!c->IsText()) {
                    first = c;
                    break;
                }
            if (first != &e)
                return false;
            break;
        }
        }
    }
    return true;
}

bool Match(const Selector& selector, const Element& e, int index)
{
    if (!MatchCompound(selector.compounds[index], e))
        return false;
    if (index == 0)
        return true;
    const char combinator = selector.compounds[index].combinator;
    for (const Element* p = e.parent; p; p = p->parent) {
        if (Match(selector, *p, index - 1))
            return true;
        if (combinator == '>')
            return false;
    }
    return false;
}

void ParseSheet(std::string_view css, std::vector<Rule>& rules)
{
    size_t pos = 0;
    while (pos < css.size()) {
        // Comments and at-rules are skipped.
        const size_t comment = css.find("/*", pos);
        const size_t open = css.find('{', pos);
        if (open == std::string_view::npos)
            break;
        if (comment != std::string_view::npos && comment < open) {
            const size_t end = css.find("*/", comment + 2);
            pos = end == std::string_view::npos ? css.size() : end + 2;
            continue;
        }
        const size_t close = css.find('}', open);
        if (close == std::string_view::npos)
            break;
        const std::string_view prelude = Trim(css.substr(pos, open - pos));
        const std::string_view body = css.substr(open + 1, close - open - 1);
        pos = close + 1;
        if (prelude.empty() || prelude[0] == '@')
            continue;
        const auto declarations = ParseDeclarations(body);
        size_t start = 0;
        while (start <= prelude.size()) {
            size_t comma = prelude.find(',', start);
            if (comma == std::string_view::npos)
                comma = prelude.size();
            Rule rule;
            if (ParseSelector(prelude.substr(start, comma - start), rule.selector)) {
                rule.declarations = declarations;
                rule.order = rules.size();
                rules.push_back(std::move(rule));
            }
            start = comma + 1;
        }
    }
}

} // namespace

bool IsStyleProperty(std::string_view name)
{
    return std::find(std::begin(kProperties), std::end(kProperties), name) != std::end(kProperties);
}

std::vector<std::pair<std::string, std::string>> ParseDeclarations(std::string_view text)
{
    std::vector<std::pair<std::string, std::string>> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(';', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view decl = text.substr(pos, end - pos);
        pos = end + 1;
        const size_t colon = decl.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string name(Trim(decl.substr(0, colon)));
        std::string_view value = Trim(decl.substr(colon + 1));
        const size_t important = value.find("!important");
        if (important != std::string_view::npos)
            value = Trim(value.substr(0, important));
        for (char& c : name)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        if (!name.empty() && !value.empty())
            out.emplace_back(std::move(name), std::string(value));
    }
    return out;
}

const std::string* Element::Attribute(std::string_view name) const
{
    for (const auto& [n, v] : attributes)
        if (n == name)
            return &v;
    return nullptr;
}

const std::string* Element::Property(std::string_view name) const
{
    for (const auto& [n, v] : properties)
        if (n == name)
            return &v;
    return nullptr;
}

void Element::SetProperty(std::string_view name, std::string_view value)
{
    for (auto& [n, v] : properties) {
        if (n == name) {
            v = value;
            return;
        }
    }
    properties.emplace_back(std::string(name), std::string(value));
}

Element* Document::FindById(std::string_view id) const
{
    const auto it = ids.find(std::string(id));
    return it == ids.end() ? nullptr : it->second;
}

std::unique_ptr<Document> Document::FromXml(const wxXmlNode* xmlRoot)
{
    auto doc = std::make_unique<Document>();
    if (!xmlRoot)
        return doc;
    const SvgLimits& limits = GetSvgLimits();
    // Iterative copy: a deep tree cannot overflow the stack.
    struct Item {
        const wxXmlNode* node;
        Element* parent;
    };
    std::vector<Item> stack{{xmlRoot, nullptr}};
    bool tooDeep = false, tooMany = false;
    while (!stack.empty()) {
        const Item item = stack.back();
        stack.pop_back();
        const wxXmlNode* node = item.node;
        const int depth = item.parent ? item.parent->depth + 1 : 0;
        if (node->GetType() == wxXML_TEXT_NODE || node->GetType() == wxXML_CDATA_SECTION_NODE) {
            if (!item.parent)
                continue;
            Element& e = doc->elements.emplace_back();
            e.text = Utf8(node->GetContent());
            e.parent = item.parent;
            e.depth = depth;
            item.parent->children.push_back(&e);
            continue;
        }
        if (node->GetType() != wxXML_ELEMENT_NODE)
            continue;
        if (depth > limits.maxDepth) {
            tooDeep = true;
            continue;
        }
        if (doc->elements.size() >= limits.maxElements) {
            tooMany = true;
            break;
        }
        Element& e = doc->elements.emplace_back();
        e.tag = LocalName(node->GetName());
        e.parent = item.parent;
        e.depth = depth;
        if (item.parent)
            item.parent->children.push_back(&e);
        else
            doc->root = &e;
        for (const wxXmlAttribute* a = node->GetAttributes(); a; a = a->GetNext()) {
            std::string name = Utf8(a->GetName());
            if (name.rfind("svg:", 0) == 0)
                name.erase(0, 4);
            e.attributes.emplace_back(std::move(name), Utf8(a->GetValue()));
        }
        if (const std::string* id = e.Attribute("id"))
            doc->ids.emplace(*id, &e);
        // Children in reverse so that they come off the stack in document order.
        std::vector<const wxXmlNode*> children;
        for (const wxXmlNode* c = node->GetChildren(); c; c = c->GetNext())
            children.push_back(c);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back({*it, &e});
    }
    if (tooDeep)
        doc->warnings.push_back(fmt::format("SVG: elements nested deeper than {} are not drawn", limits.maxDepth));
    if (tooMany)
        doc->warnings.push_back(fmt::format("SVG: more than {} elements; the rest is not drawn", limits.maxElements));
    doc->ApplyStyleSheets();
    return doc;
}

void Document::ApplyStyleSheets()
{
    std::vector<Rule> rules;
    for (const Element& e : elements) {
        if (e.tag != "style")
            continue;
        const std::string* type = e.Attribute("type");
        if (type && !type->empty() && *type != "text/css")
            continue;
        std::string css;
        for (const Element* c : e.children)
            if (c->IsText())
                css += c->text;
        ParseSheet(css, rules);
    }
    std::stable_sort(rules.begin(), rules.end(),
                     [](const Rule& a, const Rule& b) { return a.selector.specificity < b.selector.specificity; });
    for (Element& e : elements) {
        if (e.IsText())
            continue;
        for (const auto& [name, value] : e.attributes)
            if (IsStyleProperty(name))
                e.SetProperty(name, value);
        for (const Rule& rule : rules)
            if (Match(rule.selector, e, static_cast<int>(rule.selector.compounds.size()) - 1))
                for (const auto& [name, value] : rule.declarations)
                    e.SetProperty(name, value);
        if (const std::string* style = e.Attribute("style"))
            for (const auto& [name, value] : ParseDeclarations(*style))
                e.SetProperty(name, value);
    }
}

} // namespace svg
