#include "vdcommon/report/TranslateXmlNodes.h"

namespace {

constexpr int contentRule = 0;
constexpr int attributeRule = 1;

} // namespace

TranslateXmlNodes::TranslateXmlNodes(const IPOParser& parser, const std::string& language,
                                     const std::vector<TranslationRule>& rules)
    : m_parser(parser), m_language(language), m_rules(rules)
{
    m_ruleNames.reserve(m_rules.size());
    for (const TranslationRule& rule : m_rules)
        m_ruleNames.emplace_back(wxString::FromUTF8(rule.nodeName), wxString::FromUTF8(rule.attributeName));
}

void TranslateXmlNodes::Translate(wxXmlNode* node) const
{
    if (node == nullptr)
        return;
    // Depth first, pre-order, without recursion: markup can nest deeply and the
    // walk must not depend on the stack for it.
    wxXmlNode* const stop = node->GetParent();
    wxXmlNode* current = node;
    while (current != nullptr) {
        TranslateOne(current);
        if (current->GetChildren() != nullptr) {
            current = current->GetChildren();
            continue;
        }
        while (current != nullptr && current->GetNext() == nullptr) {
            current = current->GetParent();
            if (current == stop)
                return;
        }
        if (current != nullptr)
            current = current->GetNext();
    }
}

void TranslateXmlNodes::TranslateOne(wxXmlNode* node) const
{
    const wxString& name = node->GetName();
    std::size_t index = 0;
    while (index < m_rules.size() && m_ruleNames[index].first != name)
        ++index;
    if (index == m_rules.size())
        return;
    const TranslationRule* rule = &m_rules[index];

    if (rule->kind == contentRule) {
        wxXmlNode* first = node->GetChildren();
        if (first == nullptr)
            return;
        const std::string text = first->GetContent().utf8_string();
        if (text.empty())
            return;
        const wxString translated = wxString::FromUTF8(m_parser.Translate(m_language, text));
        if (!translated.empty())
            first->SetContent(translated);
    } else if (rule->kind == attributeRule) {
        const wxString& attributeName = m_ruleNames[index].second;
        wxString value;
        if (!node->GetAttribute(attributeName, &value))
            return;
        const std::string text = value.utf8_string();
        if (text.empty())
            return;
        const wxString translated = wxString::FromUTF8(m_parser.Translate(m_language, text));
        if (translated.empty())
            return;
        node->DeleteAttribute(attributeName);
        node->AddAttribute(attributeName, translated);
    }
}
