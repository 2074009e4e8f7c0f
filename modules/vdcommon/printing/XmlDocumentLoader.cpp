#include "vdcommon/printing/XmlDocumentLoader.h"

#include "vdcommon/printing/XMLHelpers.h"
#include "vdcommon/utilities/Limits.h"

#include <expat.h>
#include <fmt/format.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/stream.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace XMLHelpers {
namespace {

// The toolkit feeds the parser in blocks of this size. Block ends split character
// data, and the whitespace rule looks at single pieces, so the same block size is
// what makes the trees the same.
constexpr std::size_t kBlockSize = 1024;

wxString FromUtf8(const char* text, std::size_t length)
{
    return wxString::FromUTF8(text, length);
}
wxString FromUtf8(const char* text)
{
    return text ? wxString::FromUTF8(text) : wxString();
}

bool IsWhiteOnly(const char* text, std::size_t length)
{
    return std::all_of(text, text + length, [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

// Appends well-formed UTF-8 (what expat hands over) to `out`: the same characters the
// toolkit's UTF-8 converter makes, decoded in one pass into a scratch buffer and
// copied once. The converter's general path (length pass, conversion object, checks
// for every character) was most of the time it took to load a large markup text.
void AppendUtf8(wxString& out, const char* text, std::size_t length)
{
    thread_local std::wstring scratch;
    scratch.resize(length); // never more characters than bytes
    wchar_t* w = scratch.data();
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* end = p + length;
    while (p < end) {
        std::uint32_t c = *p++;
        if (c >= 0x80) {
            int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
            if (extra)
                c &= 0x3F >> extra;
            while (extra-- > 0 && p < end)
                c = (c << 6) | (*p++ & 0x3F);
        }
        *w++ = static_cast<wchar_t>(c);
    }
    const std::size_t count = static_cast<std::size_t>(w - scratch.data());
    if (out.empty())
        out.assign(scratch.data(), count);
    else
        out.append(scratch.data(), count);
    if (scratch.capacity() > 65536)
        std::wstring().swap(scratch); // a long text's buffer is not kept for the thread's life
}

void AssignUtf8(const wxString& target, const char* text)
{
    // Nodes and attributes made here are ours; the toolkit only hands out const references.
    auto& out = const_cast<wxString&>(target);
    out.clear();
    AppendUtf8(out, text, std::strlen(text));
}

struct Context {
    XML_Parser parser = nullptr;
    wxXmlNode* node = nullptr;      // the element being filled
    wxXmlNode* lastChild = nullptr; // its last child so far
    wxXmlNode* openText = nullptr;  // the text or CDATA node still collecting
    std::string pending;            // UTF-8 collected for openText
    bool removeWhiteOnly = true;
    std::size_t depth = 0;
    std::size_t maxDepth = limits::kDefaultXmlDepth;
    bool tooDeep = false;
    const ElementFilter* filter = nullptr;
    std::size_t skipping = 0; // depth of the element being left out with its content, 0: none
    wxString encoding = wxS("UTF-8");
    wxString version;
    wxXmlDoctype doctype;

    int Line() const { return static_cast<int>(XML_GetCurrentLineNumber(parser)); }

    // Gives the collected text to its node: once per run instead of once per piece.
    void CloseText()
    {
        if (openText && !pending.empty())
            AppendDecoded(openText, pending);
        pending.clear();
        pending.shrink_to_fit();
        openText = nullptr;
    }

    // Gives a node's text its decoded form, reserved once: a text of N bytes costs
    // its final size and no temporary copies on the way.
    static void AppendDecoded(wxXmlNode* node, const std::string& utf8)
    {
        // The node is ours and not const; the toolkit only hands out a const reference.
        AppendUtf8(const_cast<wxString&>(node->GetContent()), utf8.data(), utf8.size());
    }

    void Append(wxXmlNode* child)
    {
        node->InsertChildAfter(child, lastChild);
        lastChild = child;
    }
};

Context& Of(void* userData)
{
    return *static_cast<Context*>(userData);
}

extern "C" {

void XMLCALL OnStartElement(void* userData, const XML_Char* name, const XML_Char** attributes)
{
    Context& ctx = Of(userData);
    ctx.CloseText();
    if (++ctx.depth > ctx.maxDepth) {
        ctx.tooDeep = true;
        XML_StopParser(ctx.parser, XML_FALSE);
        return;
    }
    if (ctx.skipping != 0)
        return;
    if (ctx.filter && *ctx.filter && !(*ctx.filter)(ctx.depth, name, attributes, ctx.Line())) {
        ctx.skipping = ctx.depth;
        return;
    }
    auto* element = new wxXmlNode(wxXML_ELEMENT_NODE, wxString(), wxEmptyString, ctx.Line());
    AssignUtf8(element->GetName(), name);
    // Attributes in document order, as AddAttribute would chain them, without its
    // copies of name and value and its walk to the end of the list for each one.
    wxXmlAttribute* lastAttribute = nullptr;
    for (const XML_Char** a = attributes; *a; a += 2) {
        auto* attribute = new wxXmlAttribute();
        AssignUtf8(attribute->GetName(), a[0]);
        AssignUtf8(attribute->GetValue(), a[1]);
        if (lastAttribute == nullptr)
            element->SetAttributes(attribute);
        else
            lastAttribute->SetNext(attribute);
        lastAttribute = attribute;
    }
    ctx.Append(element);
    ctx.lastChild = nullptr;
    ctx.node = element;
}

void XMLCALL OnEndElement(void* userData, const XML_Char*)
{
    Context& ctx = Of(userData);
    ctx.CloseText();
    if (ctx.skipping != 0) {
        if (ctx.depth-- == ctx.skipping)
            ctx.skipping = 0;
        return;
    }
    --ctx.depth;
    ctx.lastChild = ctx.node;
    ctx.node = ctx.node->GetParent();
}

void XMLCALL OnText(void* userData, const XML_Char* text, int length)
{
    Context& ctx = Of(userData);
    if (ctx.skipping != 0)
        return;
    const std::size_t size = static_cast<std::size_t>(length);
    if (ctx.openText) {
        ctx.pending.append(text, size);
        return;
    }
    if (ctx.removeWhiteOnly && IsWhiteOnly(text, size))
        return;
    auto* textNode = new wxXmlNode(wxXML_TEXT_NODE, wxS("text"), wxEmptyString, ctx.Line());
    ctx.Append(textNode);
    ctx.openText = textNode;
    ctx.pending.assign(text, size);
}

void XMLCALL OnStartCdata(void* userData)
{
    Context& ctx = Of(userData);
    if (ctx.skipping != 0)
        return;
    ctx.CloseText();
    auto* cdata = new wxXmlNode(wxXML_CDATA_SECTION_NODE, wxS("cdata"), wxS(""), ctx.Line());
    ctx.Append(cdata);
    ctx.openText = cdata;
}

void XMLCALL OnEndCdata(void* userData)
{
    // Text after the section starts a node of its own.
    Of(userData).CloseText();
}

void XMLCALL OnComment(void* userData, const XML_Char* data)
{
    Context& ctx = Of(userData);
    if (ctx.skipping != 0)
        return;
    ctx.CloseText();
    ctx.Append(new wxXmlNode(wxXML_COMMENT_NODE, wxS("comment"), FromUtf8(data), ctx.Line()));
}

void XMLCALL OnProcessingInstruction(void* userData, const XML_Char* target, const XML_Char* data)
{
    Context& ctx = Of(userData);
    if (ctx.skipping != 0)
        return;
    ctx.CloseText();
    ctx.Append(new wxXmlNode(wxXML_PI_NODE, FromUtf8(target), FromUtf8(data), ctx.Line()));
}

void XMLCALL OnStartDoctype(void* userData, const XML_Char* name, const XML_Char* systemId, const XML_Char* publicId,
                            int)
{
    Of(userData).doctype = wxXmlDoctype(FromUtf8(name), FromUtf8(systemId), FromUtf8(publicId));
}

void XMLCALL OnEndDoctype(void*) {}

// Sees the XML declaration (and, as with the toolkit, keeps internal entities of a
// DTD from being expanded).
void XMLCALL OnDefault(void* userData, const XML_Char* text, int length)
{
    if (length <= 6 || std::memcmp(text, "<?xml ", 6) != 0)
        return;
    Context& ctx = Of(userData);
    const wxString declaration = FromUtf8(text, static_cast<std::size_t>(length));
    int pos = declaration.Find(wxS("encoding="));
    if (pos != wxNOT_FOUND)
        ctx.encoding = declaration.Mid(pos + 10).BeforeFirst(declaration[static_cast<size_t>(pos) + 9]);
    pos = declaration.Find(wxS("version="));
    if (pos != wxNOT_FOUND)
        ctx.version = declaration.Mid(pos + 9).BeforeFirst(declaration[static_cast<size_t>(pos) + 8]);
}

// Single-byte encodings other than the parser's own, through the toolkit's converters.
// The input is padded with zeros and a byte that does not convert maps to -1 (an
// error in the parser): a converter for a wider encoding reads more than one byte
// and may produce nothing.
int XMLCALL OnUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info)
{
    wxCSConv conv(FromUtf8(name));
    char in[8] = {};
    wchar_t out[8] = {};
    info->map[0] = 0;
    for (int i = 1; i < 256; ++i) {
        in[0] = static_cast<char>(i);
        out[0] = 0;
        const size_t converted = conv.MB2WC(out, in, 2);
        info->map[i] = converted == wxCONV_FAILED || converted == 0 ? -1 : static_cast<int>(out[0]);
    }
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return 1;
}

} // extern "C"

struct ParserDeleter {
    void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};

enum class Outcome {
    Loaded,
    Failed,
    UnknownEncoding
};

template <typename ReadBlock>
Outcome Load(wxXmlDocument& document, int flags, XmlLoadError& error, ReadBlock readBlock,
             const ElementFilter* filter = nullptr)
{
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreate(nullptr));
    if (!parser)
        return Outcome::Failed;
    TreePtr root(new wxXmlNode(wxXML_DOCUMENT_NODE, wxEmptyString));
    Context ctx;
    ctx.parser = parser.get();
    ctx.node = root.get();
    ctx.removeWhiteOnly = (flags & wxXMLDOC_KEEP_WHITESPACE_NODES) == 0;
    ctx.maxDepth = limits::Get().xmlDepth;
    ctx.filter = filter;

    XML_SetUserData(ctx.parser, &ctx);
    XML_SetElementHandler(ctx.parser, OnStartElement, OnEndElement);
    XML_SetCharacterDataHandler(ctx.parser, OnText);
    XML_SetCdataSectionHandler(ctx.parser, OnStartCdata, OnEndCdata);
    XML_SetCommentHandler(ctx.parser, OnComment);
    XML_SetProcessingInstructionHandler(ctx.parser, OnProcessingInstruction);
    XML_SetDoctypeDeclHandler(ctx.parser, OnStartDoctype, OnEndDoctype);
    XML_SetDefaultHandler(ctx.parser, OnDefault);
    XML_SetUnknownEncodingHandler(ctx.parser, OnUnknownEncoding, nullptr);

    char block[kBlockSize];
    bool done = false;
    do {
        const std::size_t length = readBlock(block);
        done = length < kBlockSize;
        if (XML_Parse(ctx.parser, block, static_cast<int>(length), done) == XML_STATUS_ERROR) {
            error.line = static_cast<int>(XML_GetCurrentLineNumber(ctx.parser));
            const XML_Error code = XML_GetErrorCode(ctx.parser);
            error.message = ctx.tooDeep ? fmt::format("elements nested deeper than {} levels", ctx.maxDepth)
                                        : std::string(XML_ErrorString(code));
            ctx.openText = nullptr; // its node goes with the tree
            return code == XML_ERROR_UNKNOWN_ENCODING || code == XML_ERROR_INCORRECT_ENCODING ? Outcome::UnknownEncoding
                                                                                              : Outcome::Failed;
        }
    } while (!done);
    ctx.CloseText();

    if (!ctx.version.empty())
        document.SetVersion(ctx.version);
    if (!ctx.encoding.empty())
        document.SetFileEncoding(ctx.encoding);
    document.SetDoctype(ctx.doctype);
    // Free any earlier tree without the toolkit's recursive destructor.
    DeleteTree(document.DetachDocumentNode());
    document.SetDocumentNode(root.release());
    return Outcome::Loaded;
}

Outcome LoadMemory(wxXmlDocument& document, const char* data, std::size_t size, int flags, XmlLoadError& error)
{
    std::size_t offset = 0;
    return Load(document, flags, error, [&](char* block) {
        const std::size_t length = std::min(kBlockSize, size - offset);
        std::memcpy(block, data + offset, length);
        offset += length;
        return length;
    });
}

// A multi-byte encoding that only libxml2 knows (Shift_JIS, GB18030, ...): libxml2
// reads the text and writes it back as UTF-8, which is then loaded as usual.
bool ConvertWithLibxml2(const char* data, std::size_t size, std::string& utf8)
{
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return false;
    xmlDocPtr doc = xmlReadMemory(data, static_cast<int>(size), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (doc == nullptr)
        return false;
    xmlChar* buffer = nullptr;
    int length = 0;
    xmlDocDumpMemoryEnc(doc, &buffer, &length, "UTF-8");
    xmlFreeDoc(doc);
    if (buffer == nullptr)
        return false;
    utf8.assign(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
    xmlFree(buffer);
    return true;
}

void LogLoadError(const XmlLoadError& error)
{
    wxLogError(_("XML parsing error: '%s' at line %d"), wxString::FromUTF8(error.message), error.line);
}

} // namespace

bool LoadXmlDocument(wxXmlDocument& document, const char* data, std::size_t size, int flags, XmlLoadError& error)
{
    const Outcome outcome = LoadMemory(document, data, size, flags, error);
    if (outcome != Outcome::UnknownEncoding)
        return outcome == Outcome::Loaded;
    std::string utf8;
    if (!ConvertWithLibxml2(data, size, utf8))
        return false;
    // The declaration still names the old encoding; the converted text is UTF-8.
    if (const auto end = utf8.find("?>"); utf8.rfind("<?xml", 0) == 0 && end != std::string::npos)
        utf8.replace(0, end + 2, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    error = {};
    return LoadMemory(document, utf8.data(), utf8.size(), flags, error) == Outcome::Loaded;
}

bool LoadXmlDocument(wxXmlDocument& document, const char* data, std::size_t size, int flags)
{
    XmlLoadError error;
    if (LoadXmlDocument(document, data, size, flags, error))
        return true;
    LogLoadError(error);
    return false;
}

bool LoadXmlDocument(wxXmlDocument& document, wxInputStream& stream, int flags, XmlLoadError& error,
                     bool& unknownEncoding, const ElementFilter& filter)
{
    const Outcome outcome = Load(
        document, flags, error,
        [&](char* block) {
            // A short read before the end would end the text early, as with the toolkit:
            // read until the block is full or the stream is exhausted.
            std::size_t length = 0;
            while (length < kBlockSize) {
                const std::size_t got = stream.Read(block + length, kBlockSize - length).LastRead();
                if (got == 0)
                    break;
                length += got;
            }
            return length;
        },
        &filter);
    unknownEncoding = outcome == Outcome::UnknownEncoding;
    return outcome == Outcome::Loaded;
}

bool LoadXmlDocument(wxXmlDocument& document, wxInputStream& stream, int flags)
{
    XmlLoadError error;
    bool unknownEncoding = false;
    if (LoadXmlDocument(document, stream, flags, error, unknownEncoding, {}))
        return true;
    LogLoadError(error);
    return false;
}

} // namespace XMLHelpers
