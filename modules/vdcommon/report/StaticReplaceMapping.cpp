#include "vdcommon/report/StaticReplaceMapping.h"

StaticReplaceMapping::StaticReplaceMapping(const wxString& id, const wxString& displayValue)
    : TextReplaceMapping(id), m_displayValue(displayValue)
{}

wxString StaticReplaceMapping::GetDisplayValue(const wxString& /*value*/) const
{
    return m_displayValue;
}
