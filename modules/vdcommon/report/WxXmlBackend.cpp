#include "vdcommon/report/WxXmlBackend.h"

namespace {

wxString FromUtf8(const std::string& text)
{
    return wxString::FromUTF8(text.data(), text.size());
}

} // namespace

void WxXmlBackend::AddAttribute(wxXmlNode* node, const std::string& name, const std::string& value)
{
    if (node != nullptr)
        node->AddAttribute(FromUtf8(name), FromUtf8(value));
}

wxXmlNode* WxXmlBackend::AddChild(wxXmlNode* parent, const std::string& name)
{
    if (parent == nullptr)
        return nullptr;
    auto* child = new wxXmlNode(wxXML_ELEMENT_NODE, FromUtf8(name));
    parent->AddChild(child);
    return child;
}

wxXmlNode* WxXmlBackend::AddChildWithAttribute(wxXmlNode* parent, const std::string& name,
                                               const std::string& attributeName, const std::string& attributeValue)
{
    if (parent == nullptr)
        return nullptr;
    auto* child = new wxXmlNode(wxXML_ELEMENT_NODE, FromUtf8(name));
    child->AddAttribute(FromUtf8(attributeName), FromUtf8(attributeValue));
    parent->AddChild(child);
    return child;
}

std::string WxXmlBackend::GetAttribute(wxXmlNode* node, const std::string& name, const std::string& defaultValue)
{
    if (node == nullptr)
        return defaultValue;
    wxString value;
    if (!node->GetAttribute(FromUtf8(name), &value))
        return defaultValue;
    return value.utf8_string();
}

wxXmlNode* WxXmlBackend::GetChildren(wxXmlNode* node)
{
    return node != nullptr ? node->GetChildren() : nullptr;
}

std::string WxXmlBackend::GetName(wxXmlNode* node)
{
    return node != nullptr ? node->GetName().utf8_string() : std::string();
}

wxXmlNode* WxXmlBackend::GetNext(wxXmlNode* node)
{
    return node != nullptr ? node->GetNext() : nullptr;
}

wxXmlNode* WxXmlBackend::GetParent(wxXmlNode* node)
{
    return node != nullptr ? node->GetParent() : nullptr;
}

bool WxXmlBackend::NameEquals(wxXmlNode* node, const std::string& name)
{
    return node != nullptr && node->GetName() == FromUtf8(name);
}

void WxXmlBackend::SetContent(wxXmlNode* node, const std::string& content)
{
    if (node != nullptr)
        node->SetContent(FromUtf8(content));
}
