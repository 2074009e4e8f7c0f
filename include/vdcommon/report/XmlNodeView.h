#pragma once

#include <string>

// A non-owning view of one XML node (possibly none) through a static backend such
// as WxXmlBackend. Copied by value; navigation off a missing node gives a missing
// node, so lookups can be chained without checks in between.
template <typename Backend>
class XmlNodeView
{
public:
    using Node = typename Backend::Node;

    XmlNodeView() = default;
    explicit XmlNodeView(Node node) : m_node(node) {}

    Node GetNode() const { return m_node; }
    bool IsNull() const { return m_node == nullptr; }
    explicit operator bool() const { return m_node != nullptr; }

    std::string GetName() const { return Backend::GetName(m_node); }
    bool NameEquals(const std::string& name) const { return Backend::NameEquals(m_node, name); }
    std::string GetAttribute(const std::string& name, const std::string& defaultValue = {}) const
    {
        return Backend::GetAttribute(m_node, name, defaultValue);
    }

    XmlNodeView GetFirstChild() const { return XmlNodeView(Backend::GetChildren(m_node)); }
    XmlNodeView GetNext() const { return XmlNodeView(Backend::GetNext(m_node)); }
    XmlNodeView GetParent() const { return XmlNodeView(Backend::GetParent(m_node)); }

    // The first child with this name.
    XmlNodeView FindChild(const std::string& name) const
    {
        for (XmlNodeView child = GetFirstChild(); child; child = child.GetNext()) {
            if (child.NameEquals(name))
                return child;
        }
        return {};
    }

    // The first child with this name whose attribute has exactly this text; an
    // absent attribute reads as the empty text.
    XmlNodeView FindChild(const std::string& name, const std::string& attributeName,
                          const std::string& attributeValue) const
    {
        for (XmlNodeView child = GetFirstChild(); child; child = child.GetNext()) {
            if (child.NameEquals(name) && Backend::GetAttribute(child.m_node, attributeName, {}) == attributeValue)
                return child;
        }
        return {};
    }

    XmlNodeView AddChild(const std::string& name) const { return XmlNodeView(Backend::AddChild(m_node, name)); }
    XmlNodeView AddChildWithAttribute(const std::string& name, const std::string& attributeName,
                                      const std::string& attributeValue) const
    {
        return XmlNodeView(Backend::AddChildWithAttribute(m_node, name, attributeName, attributeValue));
    }
    void AddAttribute(const std::string& name, const std::string& value) const
    {
        Backend::AddAttribute(m_node, name, value);
    }
    void SetContent(const std::string& content) const { Backend::SetContent(m_node, content); }

private:
    Node m_node = nullptr;
};
