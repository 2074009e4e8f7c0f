#pragma once
#include "vdcommon/Export.h"

#include "vdcommon/report/IPOParser.h"

#include <wx/xml/xml.h>

#include <string>
#include <utility>
#include <vector>

// Which texts of the markup are translated: kind 0 the text of the element's first
// child, kind 1 the value of the attribute `attributeName`; other kinds nothing.
struct VDCOMMON_API TranslationRule {
    int kind = 0;
    std::string nodeName;
    std::string attributeName;
};

// Translates the marked texts of a markup tree in place through the host's PO
// catalogue parser. Texts without a translation keep their English wording.
class VDCOMMON_API TranslateXmlNodes
{
public:
    TranslateXmlNodes(const IPOParser& parser, const std::string& language, const std::vector<TranslationRule>& rules);

    // Translates `node`, its following siblings and all their descendants, in
    // document order. Null does nothing. Exceptions of the parser pass through.
    void Translate(wxXmlNode* node) const;

private:
    void TranslateOne(wxXmlNode* node) const;

    const IPOParser& m_parser;
    std::string m_language;
    std::vector<TranslationRule> m_rules;
    // The rules' node and attribute names, converted once.
    std::vector<std::pair<wxString, wxString>> m_ruleNames;
};
