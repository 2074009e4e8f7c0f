#pragma once
// Builds "diagram" markup nodes with "parameter" children for the diagram tests.
#include <wx/xml/xml.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace vdtest {

struct Param {
    std::string name;
    std::string value;
    std::string extraName = {}; // optional third attribute ("pass" or "unit")
    std::string extraValue = {};
};

inline std::unique_ptr<wxXmlNode> MakeDiagramNode(const std::vector<Param>& params)
{
    auto node = std::make_unique<wxXmlNode>(wxXML_ELEMENT_NODE, "diagram");
    wxXmlNode* last = nullptr;
    for (const Param& p : params) {
        auto* child = new wxXmlNode(wxXML_ELEMENT_NODE, "parameter");
        child->AddAttribute("name", wxString::FromUTF8(p.name));
        child->AddAttribute("value", wxString::FromUTF8(p.value));
        if (!p.extraName.empty())
            child->AddAttribute(wxString::FromUTF8(p.extraName), wxString::FromUTF8(p.extraValue));
        if (last)
            last->SetNext(child);
        else
            node->SetChildren(child);
        child->SetParent(node.get());
        last = child;
    }
    return node;
}

} // namespace vdtest
