#pragma once

#include "vdcommon/report/TextReplaceMapping.h"

// A replacement whose display value is fixed when it is made.
class StaticReplaceMapping : public TextReplaceMapping
{
public:
    StaticReplaceMapping(const wxString& id, const wxString& displayValue);

    // The fixed display value, whatever `value` is.
    wxString GetDisplayValue(const wxString& value) const override;

private:
    wxString m_displayValue;
};
