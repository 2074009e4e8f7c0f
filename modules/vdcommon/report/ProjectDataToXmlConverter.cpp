#include "vdcommon/report/ProjectDataToXmlConverter.h"

#include "vdcommon/printing/XMLHelpers.h"

#include "vdcommon/report/XsltInMemoryTransformer.h"
#include "vdcommon/utilities/LocaleGuard.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/sstream.h>

#include <cstdint>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <exception>
#include <future>
#include <latch>
#include <stdexcept>
#include <system_error>

namespace {

const char* const generalStyleSheet = "general_specification.xsl";

// Report names and style-sheet names come as narrow text in the current locale's
// encoding. The conversion runs under the "C" locale, which cannot represent
// non-ASCII text; such names are read as UTF-8 (the host's narrow encoding)
// instead of silently becoming empty.
wxString NarrowToWx(const std::string& text)
{
    wxString converted(text.c_str(), *wxConvCurrent);
    if (converted.empty() && !text.empty())
        converted = wxString::FromUTF8(text);
    return converted;
}

wxString AbsoluteStyleSheetPath(const wxString& directory, const wxString& fileName)
{
    wxFileName path(directory, fileName);
    path.MakeAbsolute();
    return path.GetFullPath();
}

struct TaskArguments {
    wxXmlNode* tree = nullptr;
    wxString styleSheetPath;
    wxString unitSystem;
    wxString decimalSeparator;
    int pageList = -1;
    std::string saveFailure;
};

// A direct writer of the text wxXmlDocument::Save(stream, 2) produces, for the
// ordinary content of project data. The toolkit's writer makes a wxString and a
// conversion for every piece of markup and every attribute; this one appends to
// one buffer. Whatever it is not sure to write the same way (characters the
// toolkit's converter may refuse, unusual node types or document settings), it
// leaves to the toolkit by returning false.
class FastXmlWriter
{
public:
    explicit FastXmlWriter(std::string& out) : m_out(out) {}

    // Writes the document as WriteDocument does and deletes every node below the
    // top-level ones as soon as it is written, giving the memory back every so
    // often: a large tree and its text are then never both held whole. Only for a
    // document Writable() accepts (it cannot fail half-way, with the tree gone).
    void WriteAndRelease(wxXmlDocument& document)
    {
        m_release = true;
        m_nextTrim = m_out.size() + kTrimStep;
        [[maybe_unused]] const bool written = WriteDocument(document);
        m_release = false;
    }

    // True when WriteDocument will not fail on the document: every node of a kind
    // it writes, every text of characters it can write.
    static bool Writable(const wxXmlDocument& document)
    {
        if (!document.IsOk() || document.GetVersion() != wxS("1.0") || document.GetFileEncoding() != wxS("UTF-8") ||
            document.GetEOL() != wxS("\n") || !document.GetDoctype().GetRootName().empty())
            return false;
        const wxXmlNode* const top = document.GetDocumentNode();
        for (const wxXmlNode* node = top->GetChildren(); node != nullptr;) {
            if (!WritableNode(node))
                return false;
            if (node->GetChildren() != nullptr) {
                node = node->GetChildren();
                continue;
            }
            while (node != nullptr && node->GetNext() == nullptr) {
                node = node->GetParent();
                if (node == top)
                    return true;
            }
            if (node != nullptr)
                node = node->GetNext();
        }
        return true;
    }

    bool WriteDocument(const wxXmlDocument& document)
    {
        if (!document.IsOk() || document.GetVersion() != wxS("1.0") || document.GetFileEncoding() != wxS("UTF-8") ||
            document.GetEOL() != wxS("\n") || !document.GetDoctype().GetRootName().empty())
            return false;
        m_out.clear();
        m_out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        for (const wxXmlNode* node = document.GetDocumentNode()->GetChildren(); node != nullptr;
             node = node->GetNext()) {
            if (!WriteTree(node))
                return false;
            m_out += '\n';
        }
        return true;
    }

private:
    enum class Escape {
        None,
        Text,
        Attribute
    };

    static constexpr int indentStep = 2;

    // An element whose children are being written.
    struct OpenElement {
        const wxXmlNode* element;
        const wxXmlNode* next;     // the child to write next
        const wxXmlNode* previous; // the child written last (deleted once written, when releasing)
        int indent;
        bool previousIsText = false;
    };

    // Freed memory goes back to the system after each such stretch of text.
    static constexpr std::size_t kTrimStep = std::size_t{8} << 20;

    static bool WritableText(const wxString& text)
    {
        const wxStringCharType* chars = text.wx_str();
        const std::size_t length = text.length();
        for (std::size_t i = 0; i < length; ++i) {
            const auto c = static_cast<std::uint32_t>(chars[i]);
            if (c == 0 || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF || c > 0x10FFFF)
                return false;
        }
        return true;
    }

    static bool WritableNode(const wxXmlNode* node)
    {
        switch (node->GetType()) {
        case wxXML_ELEMENT_NODE:
            for (const wxXmlAttribute* a = node->GetAttributes(); a != nullptr; a = a->GetNext())
                if (!WritableText(a->GetName()) || !WritableText(a->GetValue()))
                    return false;
            return WritableText(node->GetName());
        case wxXML_TEXT_NODE: return !node->GetNoConversion() && WritableText(node->GetContent());
        case wxXML_CDATA_SECTION_NODE:
        case wxXML_COMMENT_NODE: return WritableText(node->GetContent());
        case wxXML_PI_NODE: return WritableText(node->GetName()) && WritableText(node->GetContent());
        default: return false;
        }
    }

    // Deletes the first remaining child of `parent`, written with its subtree (whose
    // own children are gone already).
    void Release(const wxXmlNode* parent, const wxXmlNode* child)
    {
        // The nodes are the converter's own: the tree was handed over to be deleted.
        auto* owner = const_cast<wxXmlNode*>(parent);
        auto* written = const_cast<wxXmlNode*>(child);
        owner->SetChildren(written->GetNext());
        written->SetNext(nullptr);
        written->SetChildren(nullptr);
        delete written;
#ifdef __GLIBC__
        if (m_out.size() >= m_nextTrim) {
            malloc_trim(0);
            m_nextTrim = m_out.size() + kTrimStep;
        }
#endif
    }

    // Writes `node` and its subtree with an explicit stack: project data may be
    // deeper than the call stack allows.
    bool WriteTree(const wxXmlNode* node)
    {
        std::vector<OpenElement> open;
        if (!WriteNode(node, 0, open))
            return false;
        while (!open.empty()) {
            OpenElement& top = open.back();
            if (top.next != nullptr) {
                const wxXmlNode* child = top.next;
                top.next = child->GetNext();
                if (m_release && top.previous != nullptr)
                    Release(top.element, top.previous);
                top.previous = child;
                top.previousIsText = child->GetType() == wxXML_TEXT_NODE;
                const int indent = top.indent + indentStep;
                if (child->GetType() != wxXML_TEXT_NODE)
                    Indent(indent);
                // May grow `open`, after which `top` is no longer valid.
                if (!WriteNode(child, indent, open))
                    return false;
                continue;
            }
            if (!top.previousIsText)
                Indent(top.indent);
            m_out += "</";
            if (!Append(top.element->GetName(), Escape::None))
                return false;
            m_out += '>';
            if (m_release)
                Release(top.element, top.previous);
            open.pop_back();
        }
        return true;
    }

    bool WriteNode(const wxXmlNode* node, int indent, std::vector<OpenElement>& open)
    {
        switch (node->GetType()) {
        case wxXML_ELEMENT_NODE:
            m_out += '<';
            if (!Append(node->GetName(), Escape::None))
                return false;
            for (const wxXmlAttribute* attribute = node->GetAttributes(); attribute != nullptr;
                 attribute = attribute->GetNext()) {
                m_out += ' ';
                if (!Append(attribute->GetName(), Escape::None))
                    return false;
                m_out += "=\"";
                if (!Append(attribute->GetValue(), Escape::Attribute))
                    return false;
                m_out += '"';
            }
            if (node->GetChildren() == nullptr) {
                m_out += "/>";
            } else {
                m_out += '>';
                open.push_back({node, node->GetChildren(), nullptr, indent});
            }
            return true;
        case wxXML_TEXT_NODE: return !node->GetNoConversion() && Append(node->GetContent(), Escape::Text);
        case wxXML_CDATA_SECTION_NODE:
            m_out += "<![CDATA[";
            if (!Append(node->GetContent(), Escape::None))
                return false;
            m_out += "]]>";
            return true;
        case wxXML_COMMENT_NODE:
            m_out += "<!--";
            if (!Append(node->GetContent(), Escape::None))
                return false;
            m_out += "-->";
            return true;
        case wxXML_PI_NODE:
            m_out += "<?";
            if (!Append(node->GetName(), Escape::None))
                return false;
            m_out += ' ';
            if (!Append(node->GetContent(), Escape::None))
                return false;
            m_out += "?>";
            return true;
        default: return false;
        }
    }

    void Indent(int indent)
    {
        m_out += '\n';
        m_out.append(static_cast<std::size_t>(indent), ' ');
    }

    // Appends `text` in UTF-8 with the escapes of the toolkit's writer. False for
    // NUL, surrogate halves, U+FFFE, U+FFFF and values beyond Unicode.
    bool Append(const wxString& text, Escape mode)
    {
        const wxStringCharType* chars = text.wx_str();
        const std::size_t length = text.length();
        for (std::size_t i = 0; i < length; ++i) {
            const auto c = static_cast<std::uint32_t>(chars[i]);
            if (c < 0x80) {
                if (c == 0)
                    return false;
                if (mode != Escape::None && AppendEscape(static_cast<char>(c), mode))
                    continue;
                m_out += static_cast<char>(c);
            } else if (c < 0x800) {
                m_out += static_cast<char>(0xC0 | (c >> 6));
                m_out += static_cast<char>(0x80 | (c & 0x3F));
            } else if (c < 0x10000) {
                if ((c >= 0xD800 && c <= 0xDFFF) || c >= 0xFFFE)
                    return false;
                m_out += static_cast<char>(0xE0 | (c >> 12));
                m_out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                m_out += static_cast<char>(0x80 | (c & 0x3F));
            } else if (c <= 0x10FFFF) {
                m_out += static_cast<char>(0xF0 | (c >> 18));
                m_out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                m_out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                m_out += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                return false;
            }
        }
        return true;
    }

    bool AppendEscape(char c, Escape mode)
    {
        switch (c) {
        case '<': m_out += "&lt;"; return true;
        case '>': m_out += "&gt;"; return true;
        case '&': m_out += "&amp;"; return true;
        case '\r': m_out += "&#xD;"; return true;
        default: break;
        }
        if (mode != Escape::Attribute)
            return false;
        switch (c) {
        case '"': m_out += "&quot;"; return true;
        case '\t': m_out += "&#x9;"; return true;
        case '\n': m_out += "&#xA;"; return true;
        default: return false;
        }
    }

    std::string& m_out;
    bool m_release = false;
    std::size_t m_nextTrim = 0;
};

// A task's result whose top-level nodes already have the merged root as their parent,
// so that merging only links the lists: the walks over the nodes run on the workers,
// at the same time, instead of one after another at the end.
struct Adopted {
    std::unique_ptr<wxXmlNode> root; // the result's own root, its children taken away
    wxXmlNode* first = nullptr;
    wxXmlNode* last = nullptr;
};

// What a worker frees after its result is handed over: the project tree and
// libxml2's documents, which its transformation no longer needs.
struct Leftovers {
    XMLHelpers::TreePtr tree;
    std::unique_ptr<XsltInMemoryTransformer> transformer;
};

std::unique_ptr<wxXmlNode> Transform(wxXmlNode* tree, const wxString& styleSheetPath, const wxString& unitSystem,
                                     const wxString& decimalSeparator, int pageList, const std::string& saveFailure,
                                     XsltStageTimes* times, Leftovers* leftovers);

// Runs on a worker thread.
Adopted RunTask(TaskArguments& arguments, wxXmlNode* mergedRoot, Leftovers& leftovers)
{
    Adopted adopted;
    adopted.root = Transform(arguments.tree, arguments.styleSheetPath, arguments.unitSystem, arguments.decimalSeparator,
                             arguments.pageList, arguments.saveFailure, nullptr, &leftovers);
    adopted.first = adopted.root->GetChildren();
    adopted.root->SetChildren(nullptr);
    for (wxXmlNode* child = adopted.first; child != nullptr; child = child->GetNext()) {
        child->SetParent(mergedRoot);
        adopted.last = child;
    }
    return adopted;
}

// A worker's whole way: the task, its result handed over, then the freeing, which
// waits until every result is handed over so that it never slows a transformation
// still running. It then runs beside the caller's next step.
struct Job {
    TaskArguments task;
    wxXmlNode* mergedRoot;
    std::promise<Adopted> promise;
    std::shared_ptr<std::latch> published; // counts the results handed over

    void Run(bool waitForOthers)
    {
        Leftovers leftovers;
        {
            // The promise goes at once, so that the caller's future holds the last
            // reference to the result or the failure and releases it on its own thread.
            std::promise<Adopted> handOver = std::move(promise);
            try {
                handOver.set_value(RunTask(task, mergedRoot, leftovers));
            } catch (...) {
                handOver.set_exception(std::current_exception());
            }
        }
        published->count_down();
        if (waitForOthers)
            published->wait();
        leftovers = {};
    }
};

} // namespace

ProjectDataToXmlConverter::ProjectDataToXmlConverter(const Input& input, const std::vector<ActiveReport>& activeReports)
    : m_input(input), m_activeReports(activeReports)
{}

std::unique_ptr<wxXmlNode> ProjectDataToXmlConverter::GetAsXml() const
{
    LocaleGuard cLocale("C");
    // libxml2 must be set up on one thread before several use it.
    XsltInMemoryTransformer::InitialiseLibraries();

    // Looked up here rather than on the workers: the translation catalogue belongs
    // to the host's thread.
    const std::string saveFailure = wxGetTranslation("Unable to save project data structure to stream").utf8_string();

    std::vector<TaskArguments> tasks;
    tasks.push_back({m_input.projectData, AbsoluteStyleSheetPath(m_input.styleSheetDirectory, generalStyleSheet),
                     m_input.unitSystem, m_input.decimalSeparator, -1, saveFailure});
    for (const ReportDataEntry& entry : m_input.reportData) {
        for (const ActiveReport& report : m_activeReports) {
            if (NarrowToWx(report.name) != entry.name)
                continue;
            tasks.push_back({entry.data,
                             AbsoluteStyleSheetPath(m_input.styleSheetDirectory, NarrowToWx(report.styleSheet)),
                             m_input.unitSystem, m_input.decimalSeparator, report.pageList, saveFailure});
            break;
        }
    }

    // The merged markup: the first result's root element with every result's
    // top-level nodes in order. Made now so that the workers can point their nodes at it.
    auto merged = std::make_unique<wxXmlNode>(wxXML_ELEMENT_NODE, wxString());

    // Each task runs on a thread of its own, which the converter joins when it goes:
    // a worker hands its result over first and only then frees what its
    // transformation left behind, while the caller goes on with the markup.
    auto published = std::make_shared<std::latch>(static_cast<std::ptrdiff_t>(tasks.size()));
    std::vector<std::future<Adopted>> futures;
    futures.reserve(tasks.size());
    std::size_t started = 0;
    try {
        m_cleanup.reserve(m_cleanup.size() + tasks.size());
        for (TaskArguments& task : tasks) {
            std::promise<Adopted> promise;
            futures.push_back(promise.get_future());
            auto job = std::make_shared<Job>(std::move(task), merged.get(), std::move(promise), published);
            try {
                m_cleanup.emplace_back([job] { job->Run(true); });
            } catch (const std::system_error&) {
                // No thread to be had: the task runs here, and frees at once, since
                // the tasks after it have not started.
                job->Run(false);
            }
            ++started;
        }
    } catch (...) {
        // The workers that did start must not wait for tasks that never will.
        published->count_down(static_cast<std::ptrdiff_t>(tasks.size() - started));
        throw;
    }

    for (auto& future : futures)
        future.wait();

    // Every finished result is linked in (and so released with the merged tree) before
    // the first failure in input order is reported.
    std::exception_ptr failure;
    wxXmlNode* last = nullptr;
    for (std::size_t i = 0; i < futures.size(); ++i) {
        Adopted adopted;
        try {
            adopted = futures[i].get();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
            continue;
        }
        if (i == 0) {
            merged->SetName(adopted.root->GetName());
            merged->SetAttributes(adopted.root->GetAttributes());
            adopted.root->SetAttributes(nullptr);
        }
        if (adopted.first == nullptr)
            continue;
        if (last == nullptr)
            merged->SetChildren(adopted.first);
        else
            last->SetNext(adopted.first);
        last = adopted.last;
    }
    if (failure)
        std::rethrow_exception(failure);
    return merged;
}

namespace {

// About the length of the text a tree is written as (characters, indentation, markup),
// so the buffer is made once: growing it by doubling would hold up to twice the text
// for a moment, next to the tree.
std::size_t EstimateTextLength(const wxXmlDocument& document)
{
    std::size_t length = 64;
    const wxXmlNode* const top = document.GetDocumentNode();
    if (top == nullptr)
        return length;
    std::size_t depth = 0;
    for (const wxXmlNode* node = top->GetChildren(); node != nullptr;) {
        length += node->GetContent().length() + 2 * node->GetName().length() + 2 * depth + 8;
        for (const wxXmlAttribute* a = node->GetAttributes(); a != nullptr; a = a->GetNext())
            length += a->GetName().length() + a->GetValue().length() + 4;
        if (node->GetChildren() != nullptr) {
            node = node->GetChildren();
            ++depth;
            continue;
        }
        while (node != nullptr && node->GetNext() == nullptr) {
            node = node->GetParent();
            --depth;
            if (node == top)
                return length + length / 16;
        }
        if (node != nullptr)
            node = node->GetNext();
    }
    return length + length / 16;
}

// Trees whose text is larger than this are deleted node by node as they are written.
constexpr std::size_t kReleaseWhileWriting = std::size_t{16} << 20;

// Trees up to this size (of their text) and their libxml2 documents are freed after
// the result is handed over, which holds them longer (a 1 MB tree's documents take
// about 17 MB); larger ones as soon as they are read, so that a large project is
// never held twice.
constexpr std::size_t kFreeAfterHandOver = std::size_t{2} << 20;

bool Serialise(const wxXmlDocument& document, std::string& utf8, std::size_t estimate)
{
    utf8.reserve(estimate);
    FastXmlWriter writer(utf8);
    if (writer.WriteDocument(document))
        return true;
    // The toolkit's writer decides, through the text route it has always taken. A
    // NUL in the text ends the document for the parser, as it did there.
    wxString text;
    wxStringOutputStream stream(&text, wxConvUTF8);
    if (!document.Save(stream, 2))
        return false;
    const wxScopedCharBuffer converted = text.utf8_str();
    utf8.assign(converted.data() != nullptr ? converted.data() : "");
    return true;
}

// The tree becomes the root of this function's own document and is deleted with
// it, whatever happens, unless `leftovers` takes it (and the transformer's
// libxml2 data) to be freed after the result is handed over.
std::unique_ptr<wxXmlNode> Transform(wxXmlNode* tree, const wxString& styleSheetPath, const wxString& unitSystem,
                                     const wxString& decimalSeparator, int pageList, const std::string& saveFailure,
                                     XsltStageTimes* times, Leftovers* leftovers)
{
    wxXmlDocument document;
    if (tree == nullptr)
        throw std::runtime_error(saveFailure);
    document.SetRoot(tree);

    std::string text;
    {
        StageClock clock(times, &XsltStageTimes::serialise);
        // A large tree is deleted while it is written, when nothing in it can make
        // the writing fail; a small one keeps the quicker way (no checking pass).
        const std::size_t estimate = EstimateTextLength(document);
        if (estimate > kReleaseWhileWriting && FastXmlWriter::Writable(document)) {
            text.reserve(estimate);
            FastXmlWriter(text).WriteAndRelease(document);
        } else if (!Serialise(document, text, estimate)) {
            throw std::runtime_error(saveFailure);
        }
        clock.Next(&XsltStageTimes::freeTree);
        if (leftovers != nullptr && estimate <= kFreeAfterHandOver) {
            leftovers->tree.reset(document.DetachDocumentNode());
        } else {
            // The text is all the transformation needs: the tree goes now, not after it, so
            // a large project is not held twice while libxslt works.
            XMLHelpers::DeleteTree(document.DetachDocumentNode());
#ifdef __GLIBC__
            // The tree was made on the caller's thread, in its allocator arena; libxml2
            // allocates on this one and could not reuse what was freed there. Large trees
            // give the freed pages back, so the two are never both resident.
            if (text.size() > (std::size_t{16} << 20))
                malloc_trim(0);
#endif
        }
    }

    auto transformer = std::make_unique<XsltInMemoryTransformer>();
    transformer->RecordStageTimes(times);
    if (leftovers != nullptr && leftovers->tree)
        transformer->KeepLibxmlData();
    std::unique_ptr<wxXmlNode> result(
        transformer->TransformUtf8(std::move(text), styleSheetPath, unitSystem, decimalSeparator, pageList));
    if (leftovers != nullptr && leftovers->tree)
        leftovers->transformer = std::move(transformer);
    return result;
}

} // namespace

std::unique_ptr<wxXmlNode> ProjectDataToXmlConverter::TransformTree(wxXmlNode* tree, const wxString& styleSheetPath,
                                                                    const wxString& unitSystem,
                                                                    const wxString& decimalSeparator, int pageList,
                                                                    const std::string& saveFailure,
                                                                    XsltStageTimes* times)
{
    return Transform(tree, styleSheetPath, unitSystem, decimalSeparator, pageList, saveFailure, times, nullptr);
}

bool ProjectDataToXmlConverter::SerialiseToUtf8(const wxXmlDocument& document, std::string& utf8)
{
    return Serialise(document, utf8, EstimateTextLength(document));
}

std::unique_ptr<wxXmlNode> ProjectDataToXmlConverter::MergeResults(std::vector<std::unique_ptr<wxXmlNode>>& results)
{
    if (results.empty() || !results.front())
        return nullptr;
    std::unique_ptr<wxXmlNode> merged = std::move(results.front());
    wxXmlNode* last = merged->GetChildren();
    while (last != nullptr && last->GetNext() != nullptr)
        last = last->GetNext();
    for (std::size_t i = 1; i < results.size(); ++i) {
        if (!results[i])
            continue;
        wxXmlNode* child = results[i]->GetChildren();
        results[i]->SetChildren(nullptr);
        if (child == nullptr)
            continue;
        if (last == nullptr)
            merged->SetChildren(child);
        else
            last->SetNext(child);
        for (; child != nullptr; child = child->GetNext()) {
            child->SetParent(merged.get());
            last = child;
        }
    }
    return merged;
}
