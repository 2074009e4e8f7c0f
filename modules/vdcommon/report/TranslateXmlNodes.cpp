#include "vdcommon/report/TranslateXmlNodes.h"

namespace {

constexpr int contentRule = 0;
constexpr int attributeRule = 1;

} // namespace

TranslateXmlNodes::TranslateXmlNodes(const IPOParser& parser, const std::string& language,
                                     const std::vector<TranslationRule>& rules)
    : m_parser(parser), m_language(language), m_rules(rules)
{
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
    const TranslationRule* rule = nullptr;
    const wxString name = node->GetName();
    for (const TranslationRule& candidate : m_rules) {
        if (name == wxString::FromUTF8(candidate.nodeName)) {
            rule = &candidate;
            break;
        }
    }
    if (rule == nullptr)
        return;

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
        const wxString attributeName = wxString::FromUTF8(rule->attributeName);
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
