// The linear XML loader against the toolkit's own: the trees must be the same.
#include "FuzzSupport.h"
#include "vdcommon/printing/XmlDocumentLoader.h"

#include <wx/mstream.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace {

void Compare(const wxXmlNode* a, const wxXmlNode* b)
{
    // Both trees are small (the input is capped), so recursion depth stays bounded.
    while (a || b) {
        if (!a || !b || a->GetType() != b->GetType() || a->GetName() != b->GetName() ||
            a->GetContent() != b->GetContent() || a->GetLineNumber() != b->GetLineNumber())
            std::abort();
        const wxXmlAttribute* x = a->GetAttributes();
        const wxXmlAttribute* y = b->GetAttributes();
        for (; x && y; x = x->GetNext(), y = y->GetNext())
            if (x->GetName() != y->GetName() || x->GetValue() != y->GetValue())
                std::abort();
        if (x || y)
            std::abort();
        Compare(a->GetChildren(), b->GetChildren());
        a = a->GetNext();
        b = b->GetNext();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The toolkit's loader is quadratic on long texts and recursive on deep trees.
    if (size > 16384)
        return 0;
    // An encoding the parser does not know goes through a converter table that the
    // toolkit's loader builds from a two-byte buffer it over-reads: compare only
    // documents in the parser's own encodings.
    const std::string head(reinterpret_cast<const char*>(data), std::min<size_t>(size, 256));
    if (const size_t at = head.find("encoding="); at != std::string::npos && at + 9 < head.size()) {
        const size_t end = head.find(head[at + 9], at + 10);
        std::string name = head.substr(at + 10, end == std::string::npos ? std::string::npos : end - at - 10);
        for (char& c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (name != "UTF-8" && name != "ISO-8859-1" && name != "US-ASCII" && name != "UTF-16" && name != "UTF-16LE" &&
            name != "UTF-16BE")
            return 0;
    }
    vdfuzz::StartToolkit();
    wxLogNull noLog;
    for (int flags : {wxXMLDOC_NONE, wxXMLDOC_KEEP_WHITESPACE_NODES}) {
        wxMemoryInputStream in(data, size);
        wxXmlDocument theirs;
        const bool theirsOk = theirs.Load(in, wxS("UTF-8"), flags);
        wxXmlDocument ours;
        const bool oursOk = XMLHelpers::LoadXmlDocument(ours, reinterpret_cast<const char*>(data), size, flags);
        if (theirsOk != oursOk)
            std::abort();
        if (oursOk) {
            if (theirs.GetVersion() != ours.GetVersion() || theirs.GetFileEncoding() != ours.GetFileEncoding())
                std::abort();
            Compare(theirs.GetDocumentNode(), ours.GetDocumentNode());
        }
        vdfuzz::DeleteTree(theirs.DetachDocumentNode());
        vdfuzz::DeleteTree(ours.DetachDocumentNode());
    }
    return 0;
}
