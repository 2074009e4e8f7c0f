#pragma once
// Small helpers shared by the report pipeline tests.
#include "vdcommon/report/IPOParser.h"

#include <wx/sstream.h>
#include <wx/string.h>
#include <wx/xml/xml.h>

#include <atomic>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace reporttest {

inline wxString DataDir()
{
    return wxString::FromUTF8(VD_SOURCE_DIR "/tests/vdcommon/report/data");
}

inline wxString DataFile(const char* name)
{
    return DataDir() + "/" + wxString::FromUTF8(name);
}

// A new element with these attributes, the first child of `parent` when there is one.
inline wxXmlNode* Element(const wxString& name, std::initializer_list<std::pair<const char*, wxString>> attributes,
                          wxXmlNode* parent = nullptr)
{
    auto* node = new wxXmlNode(parent, wxXML_ELEMENT_NODE, name);
    for (const auto& [key, value] : attributes)
        node->AddAttribute(key, value);
    return node;
}

// First element (depth first, the node itself included) whose attribute "id" is `id`.
inline const wxXmlNode* FindById(const wxXmlNode* node, const wxString& id)
{
    for (; node != nullptr; node = node->GetNext()) {
        if (node->GetType() == wxXML_ELEMENT_NODE && node->GetAttribute("id") == id)
            return node;
        if (const wxXmlNode* found = FindById(node->GetChildren(), id))
            return found;
    }
    return nullptr;
}

// Text of the element with attribute id, trimmed; "<missing>" when there is none.
inline std::string TextById(const wxXmlNode* root, const wxString& id)
{
    const wxXmlNode* node = FindById(root, id);
    if (node == nullptr)
        return "<missing>";
    wxString text = node->GetNodeContent();
    text.Trim(true).Trim(false);
    return text.utf8_string();
}

inline int CountElements(const wxXmlNode* node, const wxString& name)
{
    int count = 0;
    for (; node != nullptr; node = node->GetNext()) {
        if (node->GetType() == wxXML_ELEMENT_NODE && node->GetName() == name)
            ++count;
        count += CountElements(node->GetChildren(), name);
    }
    return count;
}

// Every node of the tree, one a line: type, line number ("!" when written without
// conversion), name, attributes in their order, content. Without `lines` the line
// numbers are left out (they mean nothing for a tree made without a text).
inline void Dump(const wxXmlNode* node, int depth, std::string& out, bool lines = true)
{
    for (; node != nullptr; node = node->GetNext()) {
        out += std::string(static_cast<std::size_t>(depth), ' ') + std::to_string(node->GetType()) +
               (lines ? "@" + std::to_string(node->GetLineNumber()) + (node->GetNoConversion() ? "!" : "") : "") +
               " <" + node->GetName().utf8_string() + ">";
        for (const wxXmlAttribute* a = node->GetAttributes(); a != nullptr; a = a->GetNext())
            out += " " + a->GetName().utf8_string() + "=[" + a->GetValue().utf8_string() + "]";
        out += " [" + node->GetContent().utf8_string() + "]\n";
        Dump(node->GetChildren(), depth + 1, out, lines);
    }
}

inline std::string Dump(const wxXmlNode* node, bool lines = true)
{
    std::string out;
    Dump(node, 0, out, lines);
    return out;
}

// The tree as the toolkit writes it, without indentation.
inline std::string Saved(const wxXmlNode& root)
{
    wxString text;
    wxStringOutputStream out(&text);
    wxXmlDocument doc;
    doc.SetRoot(new wxXmlNode(root));
    doc.Save(out, wxXML_NO_INDENTATION);
    return text.utf8_string();
}

// A catalogue by a table of "language|text" entries; other texts come back empty. It
// records what it was asked and fails on the text "throw".
class TableCatalogue : public IPOParser
{
public:
    std::map<std::string, std::string> entries;
    mutable std::vector<std::string> asked;
    std::string Translate(const std::string& language, const std::string& text) const override
    {
        asked.push_back(language + "|" + text);
        if (text == "throw")
            throw std::runtime_error("catalogue broken");
        const auto found = entries.find(language + "|" + text);
        return found == entries.end() ? std::string() : found->second;
    }
};

// A project data node that records its own destruction, to see which trees the
// pipeline consumed.
class TrackedNode : public wxXmlNode
{
public:
    TrackedNode(const wxString& name, std::atomic<bool>& deleted)
        : wxXmlNode(wxXML_ELEMENT_NODE, name), m_deleted(deleted)
    {}
    ~TrackedNode() override { m_deleted = true; }

private:
    std::atomic<bool>& m_deleted;
};

} // namespace reporttest
