#include "vdcommon/pdf/PdfDC.h"

#include "pdf/PdfDCImpl.h"

PdfDC::PdfDC(PdfDocument& document, double templateWidth, double templateHeight)
    : wxDC(new PdfDCImpl(this, document, templateWidth, templateHeight))
{}

PdfDC::~PdfDC() = default;
