#pragma once
#include "vdcommon/Export.h"
// A device context that draws into a PDF document: into the template being recorded
// or onto the current page. Drawing code written for a screen DC draws the same
// picture through it.
#include <wx/dc.h>

class PdfDocument;

class VDCOMMON_API PdfDC : public wxDC
{
public:
    PdfDC(PdfDocument& document, double templateWidth, double templateHeight);
    ~PdfDC() override;
};
