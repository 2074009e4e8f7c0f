#include "vdcommon/report/XsltInMemoryTransformer.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltutils.h>

#include <wx/log.h>
#include <wx/strconv.h>
#include <wx/sstream.h>

#include <fmt/format.h>

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
    InitialiseLibraries();
    DoTransform(xmlText, styleSheetPath, unitSystem, decimalSeparator, pageList);
    ConvertResultStringToXmlDoc();
    return GetXmlDocumentDetachedRoot();
}

void XsltInMemoryTransformer::DoTransform(const wxString& xmlText, const wxString& styleSheetPath,
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

    const wxScopedCharBuffer source = xmlText.utf8_str();
    {
        RefuseExternalEntitiesScope refuse;
        m_sourceDocument = xmlReadDoc(reinterpret_cast<const xmlChar*>(source.data()), nullptr,
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

    m_resultText = wxString::FromUTF8(reinterpret_cast<const char*>(m_resultBuffer));
}

void XsltInMemoryTransformer::ConvertResultStringToXmlDoc()
{
    // The failure is reported by the exception below; the toolkit's own log
    // message would only duplicate it (and reach the host's log from a worker).
    wxLogNull noToolkitLog;
    wxStringInputStream stream(m_resultText);
    if (!m_resultXmlDocument.Load(stream, wxS("UTF-8"), wxXMLDOC_NONE))
        throw std::runtime_error("Unable to load xml structure from xslt transformed buffer");
    if (m_resultXmlDocument.GetRoot() == nullptr)
        throw std::runtime_error("PDF Report: Markup invalid.");
}

wxXmlNode* XsltInMemoryTransformer::GetXmlDocumentDetachedRoot()
{
    return m_resultXmlDocument.DetachRoot();
}
