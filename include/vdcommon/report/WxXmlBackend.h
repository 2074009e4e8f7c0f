#pragma once
#include "vdcommon/Export.h"

#include <wx/xml/xml.h>

#include <string>

// Access to the toolkit's XML nodes in UTF-8 std::strings. Stateless; every
// operation accepts a null node and then does nothing or returns the neutral value.
class VDCOMMON_API WxXmlBackend
{
public:
    using Node = wxXmlNode*;

    static void AddAttribute(wxXmlNode* node, const std::string& name, const std::string& value);
    // A new element appended as the last child of `parent`; null when `parent` is null.
    static wxXmlNode* AddChild(wxXmlNode* parent, const std::string& name);
    static wxXmlNode* AddChildWithAttribute(wxXmlNode* parent, const std::string& name,
                                            const std::string& attributeName, const std::string& attributeValue);
    static std::string GetAttribute(wxXmlNode* node, const std::string& name, const std::string& defaultValue);
    static wxXmlNode* GetChildren(wxXmlNode* node);
    static std::string GetName(wxXmlNode* node);
    static wxXmlNode* GetNext(wxXmlNode* node);
    static wxXmlNode* GetParent(wxXmlNode* node);
    static bool NameEquals(wxXmlNode* node, const std::string& name);
    static void SetContent(wxXmlNode* node, const std::string& content);
};
