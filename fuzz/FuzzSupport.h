#pragma once
// Shared helpers of the fuzz targets: the toolkit started once, headless, and
// outside bytes parsed into a tree that is freed without recursion.
#include "host/HeadlessToolkit.h"

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/xml/xml.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vdfuzz {

// Frees a tree without recursion (wxXmlNode's destructor recurses once per level),
// so the targets need nothing beyond the code they exercise.
inline void DeleteTree(wxXmlNode* node)
{
    while (node) {
        if (wxXmlNode* child = node->GetChildren()) {
            // Unhook the first child and hang its children in front of its siblings.
            node->SetChildren(child->GetNext());
            wxXmlNode* last = child->GetChildren();
            if (last) {
                while (last->GetNext())
                    last = last->GetNext();
                last->SetNext(node->GetChildren());
                node->SetChildren(child->GetChildren());
            }
            child->SetChildren(nullptr);
            child->SetNext(nullptr);
            delete child;
        } else {
            delete node;
            node = nullptr;
        }
    }
}

struct TreeDeleter {
    void operator()(wxXmlNode* node) const { DeleteTree(node); }
};
using TreePtr = std::unique_ptr<wxXmlNode, TreeDeleter>;

inline void StartToolkit()
{
    static vdhost::HeadlessToolkit toolkit;
    static const bool quiet = [] {
        wxLog::SetLogLevel(wxLOG_FatalError);
        return true;
    }();
    (void)quiet;
}

// The document's root, detached so that deep input never meets wxXmlNode's
// recursive destructor; null when the bytes are not well-formed XML.
inline TreePtr ParseTree(const uint8_t* data, size_t size)
{
    wxMemoryInputStream in(data, size);
    wxXmlDocument doc;
    wxLogNull noLog;
    if (!doc.Load(in))
        return {};
    return TreePtr(doc.DetachRoot());
}

} // namespace vdfuzz
