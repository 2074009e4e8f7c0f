// A one-page PDF with a line of text and an RO overview diagram, made through the
// installed headers and library only: `consumer OUT.pdf`. Exit code 0 on success.
#include "vdcommon/diagrams/ROOverviewDiagram.h"
#include "vdcommon/pdf/PdfDC.h"
#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/version.h"

#include <wx/app.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: consumer OUT.pdf\n");
        return 2;
    }
    // The headers and the library loaded must be the same release.
    if (vdcommon::GetVersion() != VDCOMMON_VERSION ||
        std::strcmp(vdcommon::VersionString(), VDCOMMON_VERSION_STRING) != 0) {
        std::fprintf(stderr, "consumer: headers %s, library %s\n", VDCOMMON_VERSION_STRING, vdcommon::VersionString());
        return 1;
    }

    // The library never starts the toolkit: the application does (here headless).
    wxInitializer toolkit;
    if (!toolkit.IsOk()) {
        std::fprintf(stderr, "consumer: the toolkit did not start\n");
        return 1;
    }
    wxInitializeStockLists();
    wxInitAllImageHandlers();

    PdfDocument document;
    document.AddPage();
    document.SetFont(wxS("Arial"), wxEmptyString, 14);
    document.Cell(0, 10, wxString::Format("Consumer of vdcommon %s", vdcommon::VersionString()));
    document.Ln(12);

    // The diagram is recorded as a template through a device context, then placed.
    const double width = 180, height = 90;
    const int id = document.BeginTemplate(0, 0, width, height);
    {
        PdfDC dc(document, width, height);
        ROOverviewDiagram diagram;
        diagram.SetPassCount(2);
        diagram.Draw(dc, dc.GetSize().x, dc.GetSize().y, true);
    }
    document.EndTemplate();
    document.UseTemplate(id, 15, 40, width);

    if (!document.SaveAsFile(wxString::FromUTF8(argv[1]))) {
        std::fprintf(stderr, "consumer: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
