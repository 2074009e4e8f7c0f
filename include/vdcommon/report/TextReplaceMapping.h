#pragma once
#include "vdcommon/Export.h"

#include <wx/string.h>

// A text replacement by identifier: the text with this identifier is shown as the
// display value of whatever value it would otherwise show.
class VDCOMMON_API TextReplaceMapping
{
public:
    explicit TextReplaceMapping(const wxString& id);
    virtual ~TextReplaceMapping();

    wxString GetId() const;
    virtual wxString GetDisplayValue(const wxString& value) const = 0;

private:
    wxString m_id;
};
