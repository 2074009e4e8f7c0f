#pragma once
#include "vdcommon/Export.h"

#include "vdcommon/report/TextReplaceMapping.h"

// A replacement whose display value is fixed when it is made.
class VDCOMMON_API StaticReplaceMapping : public TextReplaceMapping
{
public:
    StaticReplaceMapping(const wxString& id, const wxString& displayValue);

    // The fixed display value, whatever `value` is.
    wxString GetDisplayValue(const wxString& value) const override;

private:
    wxString m_displayValue;
};
