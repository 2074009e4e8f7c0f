#include "vdcommon/printing/VireldaReport.h"
#include "vdcommon/utilities/Diagnostics.h"

#include "vdcommon/printing/DiagramPictureCache.h"
#include "vdcommon/printing/XMLHelpers.h"

#include "vdcommon/pdf/PdfFontManager.h"
#include "vdcommon/report/ITranslationProvider.h"

#include <wx/datetime.h>
#include <wx/filename.h>
#include <wx/xml/xml.h>

#include <fmt/format.h>

#include <memory>
#include <stdexcept>
#include <utility>

VireldaReport::VireldaReport(VireldaReportConfig&& reportConfig, const ITranslationProvider& provider)
    : PdfDocument(reportConfig.orientation, reportConfig.unit, reportConfig.paperSize), config(std::move(reportConfig)),
      defaultFont(wxS("Arial")), translationProvider(provider), diagramPictures(std::make_unique<DiagramPictureCache>())
{
    CreateTimestampString();
    CreateVireldaLogoFilePath();
    CreateXMLHandlerMap();
    CreateDiagramHandlerMap();
}

VireldaReport::~VireldaReport() = default;

void VireldaReport::CreateTimestampString()
{
    const wxDateTime now = wxDateTime::Now();
    timeStamp = now.FormatISODate() + wxS(" ") + now.FormatISOTime();
}

void VireldaReport::CreateVireldaLogoFilePath()
{
    vireldaLogoFilePath = wxFileName(config.resourcePath, wxS("virelda-logo.png")).GetFullPath();
}

wxString VireldaReport::GetFullXSLTFilePath(const wxString& fileName) const
{
    return wxFileName(config.resourcePath, fileName).GetFullPath();
}

// ---- Creation ------------------------------------------------------------------------

void VireldaReport::ExpectStage(Stage expected, const char* call) const
{
    if (stage != expected) {
        const char* why = stage == Stage::NotStarted ? "before BeginReport"
                          : stage == Stage::Open     ? "while a report is being built"
                                                     : "after the report was finished";
        throw std::logic_error(fmt::format("PDF Report: {} called {}.", call, why));
    }
}

void VireldaReport::BuildDocument(const wxXmlNode* markupRoot)
{
    PrepareReportSettings();
    CreateReportPartFromXML(markupRoot);
    AddDisclaimer();
}

const wxMemoryOutputStream& VireldaReport::CreateReport(wxXmlNode* markupRoot)
{
    ExpectStage(Stage::NotStarted, "CreateReport");
    stage = Stage::Finished;
    BuildDocument(markupRoot);
    return CloseAndGetBuffer();
}

void VireldaReport::Create(wxXmlNode* markupRoot)
{
    ExpectStage(Stage::NotStarted, "Create");
    stage = Stage::Finished;
    BuildDocument(markupRoot);
}

const wxMemoryOutputStream& VireldaReport::CreateReport(std::unique_ptr<wxXmlNode> markupRoot)
{
    ExpectStage(Stage::NotStarted, "CreateReport");
    BeginReport();
    AddMarkup(std::move(markupRoot));
    return FinishReport();
}

void VireldaReport::BeginReport()
{
    ExpectStage(Stage::NotStarted, "BeginReport");
    stage = Stage::Open;
    PrepareReportSettings();
}

void VireldaReport::AddMarkup(std::unique_ptr<wxXmlNode> part)
{
    ExpectStage(Stage::Open, "AddMarkup");
    // Freed without recursion, whatever is left of it should a handler throw.
    const XMLHelpers::TreePtr owned(part.release());
    if (!owned) {
        return;
    }
    // Each child is freed once the walk has left it: no handler keeps a pointer into
    // markup it has seen (what later pages need is copied into the report's state).
    while (wxXmlNode* child = owned->GetChildren()) {
        InterpretTree(child);
        owned->RemoveChild(child);
        XMLHelpers::DeleteTree(child);
    }
}

const wxMemoryOutputStream& VireldaReport::FinishReport()
{
    ExpectStage(Stage::Open, "FinishReport");
    stage = Stage::Finished;
    AddDisclaimer();
    return CloseAndGetBuffer();
}

void VireldaReport::CreateAndSaveFile(wxXmlNode* markupRoot)
{
    ExpectStage(Stage::NotStarted, "CreateAndSaveFile");
    stage = Stage::Finished;
    BuildDocument(markupRoot);
    // A report that silently fails to reach its file would look like a success to the
    // host, so a failed write is an error here.
    if (!SaveAsFile(config.pdfFileName)) {
        const wxString name = config.pdfFileName.empty() ? wxString(wxS("doc.pdf")) : config.pdfFileName;
        throw std::runtime_error(fmt::format("PDF Report: could not write the file \"{}\".", name.utf8_string()));
    }
}

// ---- Document set-up --------------------------------------------------------------------

void VireldaReport::PrepareReportSettings()
{
    // A character no installed font has is drawn as a box: the host should hear of it.
    SetMissingCharacterHandler([](char32_t, const wxString& message) { diagnostics::Warning(message.utf8_string()); });
    SetupPageNumbering();
    SetReportMetaData();
    SetupFontSearchPath();
    AddSpecialFonts();
    AddDefaultFont();
    SetReportBaseLayout();
    EnableTranslation();
}

void VireldaReport::SetupPageNumbering()
{
    AliasNbPages(wxS("{nb}"));
}

void VireldaReport::SetReportMetaData()
{
    SetAuthor(config.author);
    SetTitle(config.projectNumber + wxS(": ") + config.projectTitle + wxS(" (") + config.projectAgent + wxS(")"));
    SetCreator(wxS("Virelda (") + config.versionInfo + wxS(")"));
}

void VireldaReport::SetupFontSearchPath()
{
    diagnostics::Info("------- Adding font search path: " + config.fontSearchPath.utf8_string());
    PdfFontManager::GetFontManager()->AddSearchPath(config.fontSearchPath);
}

void VireldaReport::AddSpecialFonts()
{
    const wxString& type = config.font.type;
    const wxString& name = config.font.name;
    if (type == wxS("UTF")) {
        AddFontUTF(name);
    } else if (type == wxS("CJK")) {
        AddFontCJK(name);
    } else if (type == wxS("CJK-UNI")) {
        AddFontCJK_UNI(name);
    }
}

void VireldaReport::AddFontUTF(const wxString& name)
{
    if (AddFont(name, wxEmptyString, wxEmptyString)) {
        AddFont(name, wxS("B"), wxEmptyString);
    }
}

void VireldaReport::AddFontCJK_UNI(const wxString& name)
{
    AddFontCJK_UNI_Regular(name);
    AddFontCJK_UNI_Bold(name);
}

void VireldaReport::AddFontCJK_UNI_Regular(const wxString& name)
{
    PdfFontManager::GetFontManager()->RegisterFont(name, name, 0);
}

void VireldaReport::AddFontCJK_UNI_Bold(const wxString& name)
{
    PdfFontManager::GetFontManager()->RegisterFont(GetBoldFontFileName(name), name, 0);
}

wxString VireldaReport::GetBoldFontFileName(const wxString& fileName)
{
    // Only a dot in the file's own name counts, not one in a folder name.
    const int dot = fileName.Find('.', true);
    const size_t separator = fileName.find_last_of(wxS("/\\"));
    if (dot == wxNOT_FOUND || (separator != wxString::npos && static_cast<size_t>(dot) < separator)) {
        return fileName + wxS("-Bold");
    }
    return fileName.Left(static_cast<size_t>(dot)) + wxS("-Bold") + fileName.Mid(static_cast<size_t>(dot));
}

void VireldaReport::AddDefaultFont()
{
    SetDefaultFont(config.font.name);
    SetFont(GetDefaultFont(), wxEmptyString, 10);
}

void VireldaReport::SetReportBaseLayout()
{
    SetLeftMargin(10);
    SetTopMargin(25);
    SetAutoPageBreak(true, 5);
    SetLineHeight(4);
}

void VireldaReport::EnableTranslation()
{
    SetMessageTranslateMode(true);
}

void VireldaReport::EnableAutoPageBreak()
{
    SetAutoPageBreak(true, 0);
}

void VireldaReport::DisableAutoPageBreak()
{
    SetAutoPageBreak(false, 0);
}

// ---- Drawing helpers ----------------------------------------------------------------------

void VireldaReport::SetUnit(const wxString& unit)
{
    ChangeUnit(unit);
}

void VireldaReport::TransformWithYAxis(double a, double b, double c, double d, double e, double f)
{
    Transform(1, 0, 0, -1, 0, 0);
    Transform(a, b, c, d, e, f);
}

void VireldaReport::ClosePdfPath(int style)
{
    const bool evenOdd = GetFillingRule() == wxODDEVEN_RULE;
    wxString op;
    switch (style) {
    case PdfStyle::Draw: op = wxS("S"); break;
    case PdfStyle::Fill: op = evenOdd ? wxS("f*") : wxS("f"); break;
    case PdfStyle::FillDraw: op = evenOdd ? wxS("B*") : wxS("B"); break;
    default: op = wxS("n"); break;
    }
    OutAscii(wxS("h ") + op, true);
}
