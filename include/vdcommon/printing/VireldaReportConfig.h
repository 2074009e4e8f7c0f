#pragma once
#include "vdcommon/Export.h"
// The report configuration: a plain record filled by the host and moved into the
// report, which owns it (and through it the diagram factory and the message
// formatter) from then on.
#include <wx/defs.h>
#include <wx/string.h>

#include <map>
#include <memory>
#include <vector>

#include "vdcommon/report/IMessageFormatter.h"

struct ArchiveLoadPolicy;
template <typename LoadPolicy>
class SvgGraphicInfo;
class VireldaReportDiagramFactory;

struct VDCOMMON_API VireldaReportConfig {
    // The special font of the report: registered with the PDF font manager and used as
    // the default font family.
    struct FontInfo {
        // "UTF", "CJK" or "CJK-UNI" (case-sensitive); anything else registers nothing.
        wxString type;
        // Family name ("UTF", "CJK") or font file name ("CJK-UNI").
        wxString name;
    };

    int orientation = wxLANDSCAPE;
    wxString unit = wxS("mm");
    wxPaperSize paperSize = wxPAPER_A4;
    wxString longTitle;
    wxString shortTitle;
    wxString versionInfo;
    wxString unitSystem;
    wxString author;
    wxString projectNumber;
    wxString projectTitle;
    wxString projectAgent;
    wxString pdfFileName;
    wxString companyLogoPath;
    wxString language = wxS("en_GB");
    wxString resourcePath;
    wxString fontSearchPath;
    FontInfo font;
    // Plant graphics per project UUID.
    std::map<wxString, std::vector<SvgGraphicInfo<ArchiveLoadPolicy>>> projectGraphics;
    std::unique_ptr<VireldaReportDiagramFactory> diagramFactory;
    // Completes the design-message texts; without it no message is printed.
    std::unique_ptr<IMessageFormatter> messageFormatter;

    // Defined out of line so that users of the record need not see the complete
    // graphic and factory classes.
    VireldaReportConfig();
    ~VireldaReportConfig();
    VireldaReportConfig(VireldaReportConfig&&) noexcept;
    VireldaReportConfig& operator=(VireldaReportConfig&&) noexcept;
    VireldaReportConfig(const VireldaReportConfig&) = delete;
    VireldaReportConfig& operator=(const VireldaReportConfig&) = delete;
};
