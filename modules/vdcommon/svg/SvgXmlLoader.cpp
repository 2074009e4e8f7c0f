// Loading of SVG files into the toolkit's XML tree with expat directly: text is
// gathered once per node and children are linked at the end of their list, so the
// time is linear in the input (the toolkit's own loader appends text piece by piece
// and walks the child list for every new child). Nesting, element count and size are
// bounded by SvgLimits; external entities are never read.
#include "vdcommon/svg/SvgToPdfConverter.h"

#include <wx/xml/xml.h>

#include <expat.h>
#include <fmt/format.h>

#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace {

struct Builder {
    XML_Parser parser = nullptr;
    const SvgLimits& limits = GetSvgLimits();
    std::unique_ptr<wxXmlNode> root;
    struct Open {
        wxXmlNode* node;
        wxXmlNode* lastChild;
    };
    std::vector<Open> stack;
    std::string text;
    bool textIsCdata = false;
    size_t elements = 0;
    std::string error;

    void Link(wxXmlNode* node)
    {
        Open& parent = stack.back();
        node->SetParent(parent.node);
        if (parent.lastChild)
            parent.lastChild->SetNext(node);
        else
            parent.node->SetChildren(node);
        parent.lastChild = node;
    }

    void FlushText()
    {
        if (text.empty() || stack.empty()) {
            text.clear();
            return;
        }
        auto* node = new wxXmlNode(textIsCdata ? wxXML_CDATA_SECTION_NODE : wxXML_TEXT_NODE, wxEmptyString,
                                   wxString::FromUTF8(text.data(), text.size()));
        Link(node);
        text.clear();
    }

    void Stop(std::string message)
    {
        if (error.empty())
            error = std::move(message);
        XML_StopParser(parser, XML_FALSE);
    }

    // Names arrive as "namespace|local". Elements of the SVG namespace (or of none)
    // keep their local name; others keep their namespace in braces, so that no SVG
    // element is ever mistaken for them. Attributes of the XLink and XML namespaces get
    // their usual prefixes.
    static std::string QualifiedName(const char* name, bool element)
    {
        const std::string_view n(name);
        const size_t bar = n.find('|');
        if (bar == std::string_view::npos)
            return std::string(n);
        const std::string_view ns = n.substr(0, bar), local = n.substr(bar + 1);
        if (ns == "http://www.w3.org/2000/svg")
            return std::string(local);
        if (ns == "http://www.w3.org/1999/xlink")
            return "xlink:" + std::string(local);
        if (ns == "http://www.w3.org/XML/1998/namespace")
            return "xml:" + std::string(local);
        (void)element;
        return "{" + std::string(ns) + "}" + std::string(local);
    }

    static void Start(void* data, const XML_Char* name, const XML_Char** attributes)
    {
        auto& b = *static_cast<Builder*>(data);
        b.FlushText();
        if (static_cast<int>(b.stack.size()) >= b.limits.maxDepth) {
            b.Stop(fmt::format("elements nested deeper than {}", b.limits.maxDepth));
            return;
        }
        if (++b.elements > b.limits.maxElements) {
            b.Stop(fmt::format("more than {} elements", b.limits.maxElements));
            return;
        }
        auto* node = new wxXmlNode(wxXML_ELEMENT_NODE, wxString::FromUTF8(QualifiedName(name, true)));
        wxXmlAttribute* last = nullptr;
        for (const XML_Char** a = attributes; a && a[0]; a += 2) {
            auto* attribute =
                new wxXmlAttribute(wxString::FromUTF8(QualifiedName(a[0], false)), wxString::FromUTF8(a[1]));
            if (last)
                last->SetNext(attribute);
            else
                node->SetAttributes(attribute);
            last = attribute;
        }
        if (b.stack.empty()) {
            b.root.reset(node);
        } else {
            b.Link(node);
        }
        b.stack.push_back({node, nullptr});
    }

    static void End(void* data, const XML_Char*)
    {
        auto& b = *static_cast<Builder*>(data);
        b.FlushText();
        if (!b.stack.empty())
            b.stack.pop_back();
    }

    static void Text(void* data, const XML_Char* s, int len)
    {
        auto& b = *static_cast<Builder*>(data);
        if (b.stack.empty())
            return;
        if (b.text.size() + static_cast<size_t>(len) > b.limits.maxDocumentBytes) {
            b.Stop("text larger than the size limit");
            return;
        }
        b.text.append(s, static_cast<size_t>(len));
    }

    static void CdataStart(void* data)
    {
        auto& b = *static_cast<Builder*>(data);
        b.FlushText();
        b.textIsCdata = true;
    }

    static void CdataEnd(void* data)
    {
        auto& b = *static_cast<Builder*>(data);
        b.FlushText();
        b.textIsCdata = false;
    }

    static void EntityDeclaration(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                  const XML_Char* systemId, const XML_Char*, const XML_Char*)
    {
        // Internal entities are fine (expat bounds their expansion); an entity that
        // names an outside file or address is refused.
        if (systemId)
            static_cast<Builder*>(data)->Stop("external entities are not allowed");
    }
};

} // namespace

SvgDocumentLoad SvgToPdfConverter::LoadBytes(const std::string& bytes, const std::string& name)
{
    SvgDocumentLoad result;
    const SvgLimits& limits = GetSvgLimits();
    if (bytes.size() > limits.maxDocumentBytes) {
        result.error = fmt::format("{}: larger than {} bytes", name, limits.maxDocumentBytes);
        return result;
    }
    Builder b;
    b.parser = XML_ParserCreateNS(nullptr, '|');
    if (!b.parser) {
        result.error = name + ": out of memory";
        return result;
    }
    XML_SetUserData(b.parser, &b);
    XML_SetElementHandler(b.parser, Builder::Start, Builder::End);
    XML_SetCharacterDataHandler(b.parser, Builder::Text);
    XML_SetCdataSectionHandler(b.parser, Builder::CdataStart, Builder::CdataEnd);
    XML_SetEntityDeclHandler(b.parser, Builder::EntityDeclaration);
    const bool ok = XML_Parse(b.parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) == XML_STATUS_OK;
    if (!ok && b.error.empty())
        b.error = fmt::format("not well-formed XML at line {}, column {}: {}", XML_GetCurrentLineNumber(b.parser),
                              XML_GetCurrentColumnNumber(b.parser), XML_ErrorString(XML_GetErrorCode(b.parser)));
    XML_ParserFree(b.parser);
    if (!b.error.empty() || !b.root) {
        result.error = name + ": " + (b.error.empty() ? std::string("no root element") : b.error);
        return result;
    }
    result.document = std::make_shared<wxXmlDocument>();
    result.document->SetRoot(b.root.release());
    return result;
}

SvgDocumentLoad SvgToPdfConverter::LoadFile(const wxString& path)
{
    SvgDocumentLoad result;
    const std::string name = path.utf8_string();
    struct stat info {};
    if (stat(name.c_str(), &info) != 0) {
        result.error = name + ": not found";
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = name + ": not a regular file";
        return result;
    }
    if (static_cast<unsigned long long>(info.st_size) > GetSvgLimits().maxDocumentBytes) {
        result.error = fmt::format("{}: larger than {} bytes", name, GetSvgLimits().maxDocumentBytes);
        return result;
    }
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        result.error = name + ": cannot be read";
        return result;
    }
    std::string bytes(static_cast<size_t>(info.st_size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return LoadBytes(bytes, name);
}
