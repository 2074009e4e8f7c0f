#include "vdcommon/report/TextReplaceMapping.h"

TextReplaceMapping::TextReplaceMapping(const wxString& id) : m_id(id) {}

TextReplaceMapping::~TextReplaceMapping() = default;

wxString TextReplaceMapping::GetId() const
{
    return m_id;
}
