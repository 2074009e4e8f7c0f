#include "vdcommon/report/XsltInMemoryTransformer.h"

#include "vdcommon/report/XsltResultTree.h"

#include "vdcommon/printing/XmlDocumentLoader.h"
#include "vdcommon/utilities/Diagnostics.h"
#include "vdcommon/utilities/Limits.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxslt/extensions.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/variables.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltutils.h>

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/strconv.h>
#include <wx/sstream.h>

#include <fmt/format.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <regex>
#include <strings.h>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

// What libxml2 and libxslt say about a failure (file, line, reason) reaches us only
// through their error callbacks. While a transformer works on a thread, the lines
// are collected here so that its exception can name the file and the line.
struct ErrorCollector {
    bool active = false;
    std::string text;
};
thread_local ErrorCollector errorCollector;

void Collect(const char* format, va_list args)
{
    char buffer[2048];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    if (errorCollector.active) {
        if (errorCollector.text.size() < 65536)
            errorCollector.text += buffer;
        return;
    }
    // Outside a transformation (another caller of libxml2): nothing is lost, but the
    // library never writes to a stream of its own.
    std::string line = buffer;
    while (!line.empty() && (line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    if (!line.empty())
        diagnostics::Debug(line);
}

extern "C" void CollectError(void*, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Collect(format, args);
    va_end(args);
}

void AddCollected(const std::string& line)
{
    if (errorCollector.active && errorCollector.text.size() < 65536)
        errorCollector.text += line + "\n";
}

class CollectErrorsScope
{
public:
    CollectErrorsScope() : previousHandler(xmlGenericError), previousContext(xmlGenericErrorContext)
    {
        errorCollector = ErrorCollector{true, {}};
        // libxml2's handler is per thread; libxslt's is process-wide and set once.
        xmlSetGenericErrorFunc(nullptr, &CollectError);
    }
    ~CollectErrorsScope()
    {
        xmlSetGenericErrorFunc(previousContext, previousHandler);
        errorCollector.active = false;
    }
    CollectErrorsScope(const CollectErrorsScope&) = delete;
    CollectErrorsScope& operator=(const CollectErrorsScope&) = delete;

private:
    xmlGenericErrorFunc previousHandler;
    void* previousContext;
};

// The first location ("file F line N" as libxslt writes it, or "F:N:" as libxml2's
// parser does) and the first line that says what went wrong.
struct CollectedError {
    std::string file;
    int line = 0;
    std::string message;
};

CollectedError SummariseCollected()
{
    CollectedError result;
    static const std::regex xsltLocation(R"((?:compilation|runtime) error: file (.*) line ([0-9]+) element.*)");
    static const std::regex parserLocation(R"((/[^:]*|[^ :][^:]*):([0-9]+): (.*))");
    std::size_t start = 0;
    const std::string& text = errorCollector.text;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
            line.pop_back();
        if (line.empty() || line.find_first_not_of(" ^~") == std::string::npos)
            continue;
        // A missing file: the caller's own message names it already.
        if (line.rfind("I/O warning : failed to load external entity", 0) == 0 || line == "error" ||
            line.rfind("xsltParseStylesheetFile : cannot parse", 0) == 0)
            continue;
        std::smatch m;
        if (std::regex_match(line, m, xsltLocation)) {
            if (result.file.empty()) {
                result.file = m[1];
                result.line = std::stoi(m[2]);
            }
            continue;
        }
        if (std::regex_match(line, m, parserLocation) && m[1].str().find(' ') == std::string::npos) {
            if (result.file.empty()) {
                result.file = m[1];
                result.line = std::stoi(m[2]);
            }
            if (result.message.empty())
                result.message = m[3];
            continue;
        }
        if (result.message.empty())
            result.message = line;
    }
    return result;
}

// "file:line: message", as much of it as is known; empty when nothing was said.
std::string CollectedDetail()
{
    const CollectedError e = SummariseCollected();
    if (e.message.empty())
        return {};
    std::string detail;
    if (!e.file.empty())
        detail = fmt::format("{}:{}: ", e.file, e.line);
    detail += e.message;
    return detail;
}

// Set while a source document is being parsed on this thread. The project data
// comes from outside the application, so it may not pull in local files or
// network resources through external entities or DTDs. Style sheets, their
// imports and document() lookups are the application's own and keep the
// ordinary loader, but no loading path of either may reach the network.
thread_local bool refuseExternalEntities = false;
xmlExternalEntityLoader previousEntityLoader = nullptr;

// "http://...", "ftp://..." and any other scheme but "file".
bool IsNetworkUrl(const char* url)
{
    if (url == nullptr)
        return false;
    const char* p = url;
    while ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') || *p == '+' || *p == '-' ||
           *p == '.')
        ++p;
    if (p == url || std::strncmp(p, "://", 3) != 0)
        return false;
    const std::string scheme(url, p);
    return scheme.size() != 4 || strncasecmp(scheme.c_str(), "file", 4) != 0;
}

xmlParserInputPtr GuardedEntityLoader(const char* url, const char* id, xmlParserCtxtPtr context)
{
    if (IsNetworkUrl(url)) {
        AddCollected(fmt::format("refused to load {}: no network access", url));
        return nullptr;
    }
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

struct SecurityPrefsDeleter {
    void operator()(xsltSecurityPrefsPtr prefs) const { xsltFreeSecurityPrefs(prefs); }
};
struct TransformContextDeleter {
    void operator()(xsltTransformContextPtr context) const { xsltFreeTransformContext(context); }
};

// A style sheet may read local files (imports, includes, document()), but it may
// not write files, create directories or touch the network.
std::unique_ptr<xsltSecurityPrefs, SecurityPrefsDeleter> MakeSecurityPrefs()
{
    std::unique_ptr<xsltSecurityPrefs, SecurityPrefsDeleter> prefs(xsltNewSecurityPrefs());
    if (!prefs)
        throw std::runtime_error("XSLT transformation failed");
    for (auto option : {XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY, XSLT_SECPREF_READ_NETWORK,
                        XSLT_SECPREF_WRITE_NETWORK}) {
        if (xsltSetSecurityPrefs(prefs.get(), option, xsltSecurityForbid) != 0)
            throw std::runtime_error("XSLT transformation failed");
    }
    return prefs;
}

std::string Utf8(const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

// Stops a transformation that runs longer than its time limit: libxslt counts its
// operations against ctxt->opLimit and stops cleanly, with an error, once the count
// reaches it; lowering the limit from here ends the run at its next instruction.
class TransformationWatchdog
{
public:
    TransformationWatchdog(xsltTransformContextPtr context, double seconds)
    {
        if (seconds <= 0)
            return;
        const auto limit = std::chrono::duration<double>(seconds);
        thread = std::thread([this, context, limit] {
            std::unique_lock lock(mutex);
            if (!wake.wait_for(lock, limit, [this] { return finished; })) {
                fired = true;
                __atomic_store_n(&context->opLimit, 1UL, __ATOMIC_RELAXED);
            }
        });
    }
    ~TransformationWatchdog()
    {
        if (!thread.joinable())
            return;
        {
            std::lock_guard lock(mutex);
            finished = true;
        }
        wake.notify_all();
        thread.join();
    }
    bool Fired()
    {
        std::lock_guard lock(mutex);
        return fired;
    }
    TransformationWatchdog(const TransformationWatchdog&) = delete;
    TransformationWatchdog& operator=(const TransformationWatchdog&) = delete;

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool finished = false;
    bool fired = false;
    std::thread thread;
};

std::string ComposeTransformationMessage()
{
    std::string message = "XSLT transformation failed";
    // libxslt's own report names the instruction's file and line; libxml2's record
    // of the thread is the fallback.
    const CollectedError collected = SummariseCollected();
    if (!collected.message.empty()) {
        message += "\nError: " + collected.message;
        message += fmt::format("\nLine: {}", collected.line);
        if (!collected.file.empty())
            message += "\nFile: " + collected.file;
        return message;
    }
    const xmlError* error = xmlGetLastError();
    if (error == nullptr || error->message == nullptr)
        return message;
    message += "\nError: ";
    message += error->message;
    while (!message.empty() && message.back() == '\n')
        message.pop_back();
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

// A result whose root has more children than this is written and read back: its
// text is far smaller than libxml2's document, which then goes before the toolkit's
// tree is made, so the two are never held together. Smaller results are made
// straight into the toolkit's tree, which is quicker.
constexpr std::size_t kLargeResultChildren = 50000;

} // namespace

StageClock::StageClock(XsltStageTimes* times, double XsltStageTimes::*stage) : m_times(times), m_stage(stage)
{
    if (m_times != nullptr)
        m_start = std::chrono::steady_clock::now();
}

void StageClock::Next(double XsltStageTimes::*stage)
{
    if (m_times == nullptr)
        return;
    const auto now = std::chrono::steady_clock::now();
    m_times->*m_stage += std::chrono::duration<double>(now - m_start).count();
    m_start = now;
    m_stage = stage;
}

StageClock::~StageClock()
{
    Next(m_stage);
}

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
        xsltSetGenericErrorFunc(nullptr, &CollectError);
        // Imports and includes are checked against the default preferences while a
        // style sheet compiles: no network there either.
        static const auto defaultPrefs = MakeSecurityPrefs();
        xsltSetDefaultSecurityPrefs(defaultPrefs.get());
    });
}

XsltInMemoryTransformer::XsltInMemoryTransformer() = default;

XsltInMemoryTransformer::~XsltInMemoryTransformer()
{
    ReleaseLibxmlData();
    if (m_resultBuffer != nullptr)
        xmlFree(m_resultBuffer);
}

void XsltInMemoryTransformer::ReleaseLibxmlData()
{
    StageClock clock(m_stageTimes, &XsltStageTimes::release);
    if (m_styleSheet != nullptr)
        xsltFreeStylesheet(m_styleSheet);
    m_styleSheet = nullptr;
    if (m_sourceDocument != nullptr)
        xmlFreeDoc(m_sourceDocument);
    m_sourceDocument = nullptr;
    if (m_resultDocument != nullptr)
        xmlFreeDoc(m_resultDocument);
    m_resultDocument = nullptr;
}

wxXmlNode* XsltInMemoryTransformer::Transform(const wxString& xmlText, const wxString& styleSheetPath,
                                              const wxString& unitSystem, const wxString& decimalSeparator,
                                              int pageList)
{
    InitialiseLibraries(); // before the first conversion: it sets up the converters
    const wxScopedCharBuffer source = xmlText.utf8_str();
    return TransformUtf8(source.data(), styleSheetPath, unitSystem, decimalSeparator, pageList);
}

wxXmlNode* XsltInMemoryTransformer::TransformUtf8(const char* xmlUtf8, const wxString& styleSheetPath,
                                                  const wxString& unitSystem, const wxString& decimalSeparator,
                                                  int pageList)
{
    InitialiseLibraries();
    DoTransform(xmlUtf8, styleSheetPath, unitSystem, decimalSeparator, pageList);
    return MakeResultTree();
}

wxXmlNode* XsltInMemoryTransformer::TransformUtf8(std::string&& xmlUtf8, const wxString& styleSheetPath,
                                                  const wxString& unitSystem, const wxString& decimalSeparator,
                                                  int pageList)
{
    InitialiseLibraries();
    std::string text = std::move(xmlUtf8);
    DoTransform(text.c_str(), styleSheetPath, unitSystem, decimalSeparator, pageList, &text);
    return MakeResultTree();
}

wxXmlNode* XsltInMemoryTransformer::MakeResultTree()
{
    if (!m_keepLibxmlData) {
        // The project document is not needed any more: it goes before the tree is made.
        StageClock clock(m_stageTimes, &XsltStageTimes::release);
        xmlFreeDoc(m_sourceDocument);
        m_sourceDocument = nullptr;
    }
    std::unique_ptr<wxXmlNode> tree;
    {
        // The tree loading the written result would give, made without writing and
        // reading it where the result allows.
        StageClock clock(m_stageTimes, &XsltStageTimes::load);
        tree.reset(xsltresult::BuildTree(m_resultDocument, m_styleSheet, kLargeResultChildren));
    }
    if (tree) {
        if (!m_keepLibxmlData)
            ReleaseLibxmlData();
        return tree.release();
    }
    SaveResult();
    ReleaseLibxmlData();
    ConvertResultToXmlDoc();
    return GetXmlDocumentDetachedRoot();
}

void XsltInMemoryTransformer::SaveResult()
{
    StageClock clock(m_stageTimes, &XsltStageTimes::save);
    int length = 0;
    const int saved = xsltSaveResultToString(&m_resultBuffer, &length, m_resultDocument, m_styleSheet);
    if (saved < 0 || m_resultBuffer == nullptr)
        throw std::runtime_error("Failed to convert transformation result to string");
}

void XsltInMemoryTransformer::DoTransform(const char* xmlUtf8, const wxString& styleSheetPath,
                                          const wxString& unitSystem, const wxString& decimalSeparator, int pageList,
                                          std::string* release)
{
    StageClock clock(m_stageTimes, &XsltStageTimes::styleSheet);
    const limits::Limits bounds = limits::Get();
    CollectErrorsScope collect;
    const std::string pageListText = fmt::format("{}", pageList);
    // The strings come from the project file: they are handed over as string values,
    // never as XPath expressions, so nothing in them can run in the style sheet.
    const std::string unitSystemText = Utf8(unitSystem);
    const std::string decimalSeparatorText = Utf8(decimalSeparator);
    const char* stringParameters[] = {
        "unitsystem", unitSystemText.c_str(), "decsep", decimalSeparatorText.c_str(), nullptr,
    };
    // Our own integer, formatted here: a number.
    const char* numberParameters[] = {"pagelist", pageListText.c_str(), nullptr};

    const wxCharBuffer fileName = styleSheetPath.fn_str();
    const char* fileNameText = fileName.data() != nullptr ? fileName.data() : "";
    m_styleSheet = xsltParseStylesheetFile(reinterpret_cast<const xmlChar*>(fileNameText));
    if (m_styleSheet == nullptr) {
        std::string message = std::string("Failed to parse XSLT stylesheet: ") + fileNameText;
        if (const std::string detail = CollectedDetail(); !detail.empty())
            message += "\n" + detail;
        throw std::runtime_error(message);
    }

    clock.Next(&XsltStageTimes::parse);
    {
        RefuseExternalEntitiesScope refuse;
        m_sourceDocument = xmlReadDoc(reinterpret_cast<const xmlChar*>(xmlUtf8), nullptr, nullptr, sourceParseOptions);
    }
    if (release != nullptr)
        std::string().swap(*release);
    if (m_sourceDocument == nullptr)
        throw std::runtime_error("Failed to parse XML document");

    clock.Next(&XsltStageTimes::transform);
    const auto securityPrefs = MakeSecurityPrefs();
    std::unique_ptr<xsltTransformContext, TransformContextDeleter> context(
        xsltNewTransformContext(m_styleSheet, m_sourceDocument));
    if (!context || xsltSetCtxtSecurityPrefs(securityPrefs.get(), context.get()) != 0)
        throw std::runtime_error("XSLT transformation failed");
    xsltSetTransformErrorFunc(context.get(), nullptr, &CollectError);
    // Documents loaded by document() get the same parser limits and no network.
    xsltSetCtxtParseOptions(context.get(), XSLT_PARSE_OPTIONS | XML_PARSE_NONET);
    context->maxTemplateDepth = bounds.xsltDepth;
    if (xsltQuoteUserParams(context.get(), stringParameters) != 0 ||
        xsltEvalUserParams(context.get(), numberParameters) != 0)
        throw std::runtime_error(ComposeTransformationMessage());

    // The error record is per thread and pooled threads run many transformations:
    // forget whatever an earlier step left there so a failure reports its own cause.
    xmlResetLastError();
    bool stoppedByTime = false;
    {
        TransformationWatchdog watchdog(context.get(), bounds.xsltSeconds);
        m_resultDocument =
            xsltApplyStylesheetUser(m_styleSheet, m_sourceDocument, nullptr, nullptr, nullptr, context.get());
        stoppedByTime = watchdog.Fired();
    }
    if (stoppedByTime) {
        throw std::runtime_error(fmt::format("XSLT transformation stopped: {} ran longer than its time limit of {} s",
                                             fileNameText, bounds.xsltSeconds));
    }
    if (m_resultDocument == nullptr || context->state == XSLT_STATE_ERROR || context->state == XSLT_STATE_STOPPED)
        throw std::runtime_error(ComposeTransformationMessage());
}

void XsltInMemoryTransformer::ConvertResultToXmlDoc()
{
    // The failure is reported by the exception below; the toolkit's own log
    // message would only duplicate it (and reach the host's log from a worker).
    wxLogNull noToolkitLog;
    StageClock clock(m_stageTimes, &XsltStageTimes::load);
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
    // The text is read: it goes before the caller's next step.
    xmlFree(m_resultBuffer);
    m_resultBuffer = nullptr;
    if (!loaded)
        throw std::runtime_error("Unable to load xml structure from xslt transformed buffer");
    if (m_resultXmlDocument.GetRoot() == nullptr)
        throw std::runtime_error("PDF Report: Markup invalid.");
}

wxXmlNode* XsltInMemoryTransformer::GetXmlDocumentDetachedRoot()
{
    return m_resultXmlDocument.DetachRoot();
}
