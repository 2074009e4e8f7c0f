#include "vdcommon/report/XsltInMemoryTransformer.h"

#include "vdcommon/printing/XmlDocumentLoader.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxslt/extensions.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltutils.h>

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/strconv.h>
#include <wx/sstream.h>

#include <fmt/format.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

namespace {

// Set while a source document is being parsed on this thread. The project data
// comes from outside the application, so it may not pull in local files or
// network resources through external entities or DTDs. Style sheets, their
// imports and document() lookups are the application's own and keep the
// ordinary loader.
thread_local bool refuseExternalEntities = false;
xmlExternalEntityLoader previousEntityLoader = nullptr;

xmlParserInputPtr GuardedEntityLoader(const char* url, const char* id, xmlParserCtxtPtr context)
{
    if (refuseExternalEntities || previousEntityLoader == nullptr)
        return nullptr;
    return previousEntityLoader(url, id, context);
}

class RefuseExternalEntitiesScope
{
public:
    RefuseExternalEntitiesScope() : m_previous(refuseExternalEntities) { refuseExternalEntities = true; }
    ~RefuseExternalEntitiesScope() { refuseExternalEntities = m_previous; }
    RefuseExternalEntitiesScope(const RefuseExternalEntitiesScope&) = delete;
    RefuseExternalEntitiesScope& operator=(const RefuseExternalEntitiesScope&) = delete;

private:
    bool m_previous;
};

// Entities of the document's own internal subset are substituted; nothing is
// fetched from the network, no external DTD is loaded and the parser keeps its
// limits against entity expansion bombs (no XML_PARSE_HUGE).
constexpr int sourceParseOptions = XML_PARSE_NOENT | XML_PARSE_NONET;

struct SecurityPrefsDeleter
{
    void operator()(xsltSecurityPrefsPtr prefs) const { xsltFreeSecurityPrefs(prefs); }
};
struct TransformContextDeleter
{
    void operator()(xsltTransformContextPtr context) const { xsltFreeTransformContext(context); }
};

// A style sheet may read local files (imports, includes, document()), but it may
// not write files, create directories or touch the network.
std::unique_ptr<xsltSecurityPrefs, SecurityPrefsDeleter> MakeSecurityPrefs()
{
    std::unique_ptr<xsltSecurityPrefs, SecurityPrefsDeleter> prefs(xsltNewSecurityPrefs());
    if (!prefs)
        throw std::runtime_error("XSLT transformation failed");
    for (auto option : {XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                        XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK}) {
        if (xsltSetSecurityPrefs(prefs.get(), option, xsltSecurityForbid) != 0)
            throw std::runtime_error("XSLT transformation failed");
    }
    return prefs;
}

// A string parameter as an XPath string literal. Nothing inside is escaped.
std::string QuotedUtf8(const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    std::string quoted;
    quoted.reserve(utf8.length() + 2);
    quoted.push_back('\'');
    quoted.append(utf8.data(), utf8.length());
    quoted.push_back('\'');
    return quoted;
}

std::string ComposeTransformationMessage()
{
    std::string message = "XSLT transformation failed";
    const xmlError* error = xmlGetLastError();
    if (error == nullptr || error->message == nullptr)
        return message;
    message += "\nError: ";
    message += error->message;
    message += fmt::format("\nLine: {}", error->line);
    if (error->file != nullptr) {
        message += "\nFile: ";
        message += error->file;
    }
    return message;
}

// True when `text` is well-formed UTF-8: no stray or missing continuation bytes, no
// overlong forms, no surrogate halves, nothing beyond U+10FFFF. Exactly such text
// comes out of a decode into wxString and an encode back unchanged, byte for byte.
bool IsWellFormedUtf8(const unsigned char* text, std::size_t length)
{
    std::size_t i = 0;
    while (i < length) {
        const unsigned char lead = text[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra = 0;
        unsigned char low = 0x80, high = 0xBF; // range of the first continuation byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (length - i <= extra)
            return false;
        if (text[i + 1] < low || text[i + 1] > high)
            return false;
        for (std::size_t k = 2; k <= extra; ++k) {
            if ((text[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += extra + 1;
    }
    return true;
}

} // namespace

void XsltInMemoryTransformer::InitialiseLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // The toolkit makes its shared text converters on first use, without a lock;
        // make them here so that transformations on several threads only read them.
        static_cast<void>(wxConvUTF8);
        static_cast<void>(wxConvLibc);
        static_cast<void>(wxConvFileName->GetMBNulLen());
        xmlInitParser();
        xsltInit();
        // Compiling a style sheet sets up libxslt's extension registry on first use
        // without a lock; done here once, two workers cannot both create it.
        xsltInitGlobals();
        previousEntityLoader = xmlGetExternalEntityLoader();
        xmlSetExternalEntityLoader(GuardedEntityLoader);
    });
}

XsltInMemoryTransformer::XsltInMemoryTransformer() = default;

XsltInMemoryTransformer::~XsltInMemoryTransformer()
{
    if (m_styleSheet != nullptr)
        xsltFreeStylesheet(m_styleSheet);
    if (m_sourceDocument != nullptr)
        xmlFreeDoc(m_sourceDocument);
    if (m_resultDocument != nullptr)
        xmlFreeDoc(m_resultDocument);
    if (m_resultBuffer != nullptr)
        xmlFree(m_resultBuffer);
}

wxXmlNode* XsltInMemoryTransformer::Transform(const wxString& xmlText, const wxString& styleSheetPath,
                                              const wxString& unitSystem,
                                              const wxString& decimalSeparator, int pageList)
{
    InitialiseLibraries(); // before the first conversion: it sets up the converters
    const wxScopedCharBuffer source = xmlText.utf8_str();
    return TransformUtf8(source.data(), styleSheetPath, unitSystem, decimalSeparator, pageList);
}

wxXmlNode* XsltInMemoryTransformer::TransformUtf8(const char* xmlUtf8, const wxString& styleSheetPath,
                                                  const wxString& unitSystem,
                                                  const wxString& decimalSeparator, int pageList)
{
    InitialiseLibraries();
    DoTransform(xmlUtf8, styleSheetPath, unitSystem, decimalSeparator, pageList);
    ConvertResultToXmlDoc();
    return GetXmlDocumentDetachedRoot();
}

void XsltInMemoryTransformer::DoTransform(const char* xmlUtf8, const wxString& styleSheetPath,
                                          const wxString& unitSystem,
                                          const wxString& decimalSeparator, int pageList)
{
    const std::string pageListText = fmt::format("{}", pageList);
    // String parameters arrive as XPath string literals; the page list as a number.
    const std::string quotedUnitSystem = QuotedUtf8(unitSystem);
    const std::string quotedDecimalSeparator = QuotedUtf8(decimalSeparator);
    const char* parameters[] = {
        "unitsystem", quotedUnitSystem.c_str(),
        "decsep",     quotedDecimalSeparator.c_str(),
        "pagelist",   pageListText.c_str(),
        nullptr,
    };

    const wxCharBuffer fileName = styleSheetPath.fn_str();
    const char* fileNameText = fileName.data() != nullptr ? fileName.data() : "";
    m_styleSheet = xsltParseStylesheetFile(reinterpret_cast<const xmlChar*>(fileNameText));
    if (m_styleSheet == nullptr)
        throw std::runtime_error(std::string("Failed to parse XSLT stylesheet: ") + fileNameText);

    {
        RefuseExternalEntitiesScope refuse;
        m_sourceDocument = xmlReadDoc(reinterpret_cast<const xmlChar*>(xmlUtf8), nullptr,
                                      nullptr, sourceParseOptions);
    }
    if (m_sourceDocument == nullptr)
        throw std::runtime_error("Failed to parse XML document");

    const auto securityPrefs = MakeSecurityPrefs();
    std::unique_ptr<xsltTransformContext, TransformContextDeleter> context(
        xsltNewTransformContext(m_styleSheet, m_sourceDocument));
    if (!context || xsltSetCtxtSecurityPrefs(securityPrefs.get(), context.get()) != 0)
        throw std::runtime_error("XSLT transformation failed");

    // The error record is per thread and pooled threads run many transformations:
    // forget whatever an earlier step left there so a failure reports its own cause.
    xmlResetLastError();
    m_resultDocument = xsltApplyStylesheetUser(m_styleSheet, m_sourceDocument, parameters, nullptr,
                                               nullptr, context.get());
    if (m_resultDocument == nullptr)
        throw std::runtime_error(ComposeTransformationMessage());

    int length = 0;
    const int saved = xsltSaveResultToString(&m_resultBuffer, &length, m_resultDocument, m_styleSheet);
    if (saved < 0 || m_resultBuffer == nullptr)
        throw std::runtime_error("Failed to convert transformation result to string");
}

void XsltInMemoryTransformer::ConvertResultToXmlDoc()
{
    // The failure is reported by the exception below; the toolkit's own log
    // message would only duplicate it (and reach the host's log from a worker).
    wxLogNull noToolkitLog;
    // The result is read as UTF-8 text up to its first NUL, whatever encoding the
    // style sheet declared for its output. Well-formed UTF-8 would come back from a
    // round trip through wxString unchanged, so the parser reads the buffer itself;
    // anything else takes that round trip, which turns it into empty text that does
    // not load.
    const char* resultText = reinterpret_cast<const char*>(m_resultBuffer);
    const std::size_t length = std::strlen(resultText);
    bool loaded = false;
    if (length > 0 && IsWellFormedUtf8(m_resultBuffer, length)) {
        // The toolkit's tree, built in linear time: its own loader re-copies a text
        // for every line of it, which makes a project text of megabytes hang the run.
        loaded = XMLHelpers::LoadXmlDocument(m_resultXmlDocument, resultText, length, wxXMLDOC_NONE);
    } else {
        wxStringInputStream stream(wxString::FromUTF8(resultText));
        loaded = XMLHelpers::LoadXmlDocument(m_resultXmlDocument, stream, wxXMLDOC_NONE);
    }
    if (!loaded)
        throw std::runtime_error("Unable to load xml structure from xslt transformed buffer");
    if (m_resultXmlDocument.GetRoot() == nullptr)
        throw std::runtime_error("PDF Report: Markup invalid.");
}

wxXmlNode* XsltInMemoryTransformer::GetXmlDocumentDetachedRoot()
{
    return m_resultXmlDocument.DetachRoot();
}
