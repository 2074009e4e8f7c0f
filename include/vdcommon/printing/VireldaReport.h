#pragma once
#include "vdcommon/Export.h"
// The PDF design report: interprets one report markup tree into a PDF document held
// in memory (or written to the configured file), with the page header on every page
// and the disclaimer page at the end.
#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/printing/VireldaReportConfig.h"
#include "vdcommon/svg/SvgGraphicInfo.h"

#include <wx/gdicmn.h>
#include <wx/mstream.h>
#include <wx/string.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class wxXmlNode;
class ITranslationProvider;
class BaseDiagram;
class VireldaReportDiagram;
class DiagramPictureCache;
class wxImage;

class VDCOMMON_API VireldaReport : public PdfDocument
{
public:
    // `translationProvider` is not owned and must outlive the report.
    VireldaReport(VireldaReportConfig&& config, const ITranslationProvider& translationProvider);
    ~VireldaReport() override;

    // The handler maps hold callables bound to this object.
    VireldaReport(const VireldaReport&) = delete;
    VireldaReport& operator=(const VireldaReport&) = delete;
    VireldaReport(VireldaReport&&) = delete;
    VireldaReport& operator=(VireldaReport&&) = delete;

    // Each of the following builds one document; a report builds exactly one, so a
    // second call (or one after BeginReport) throws std::logic_error. A null root is
    // empty markup: the document then has the disclaimer page only.

    // The three below read the markup, which stays the caller's.
    // Closes the document and returns its bytes (owned by the report).
    const wxMemoryOutputStream& CreateReport(wxXmlNode* markupRoot);
    // Leaves the document open.
    void Create(wxXmlNode* markupRoot);
    // Writes the document to the configured file name; throws std::runtime_error naming
    // the file when it cannot be written.
    void CreateAndSaveFile(wxXmlNode* markupRoot);

    // Takes the markup over and frees each child of the root as soon as it has been
    // interpreted, so that a large tree shrinks while the document grows. The same
    // bytes as the other forms: it is BeginReport, AddMarkup(root), FinishReport.
    const wxMemoryOutputStream& CreateReport(std::unique_ptr<wxXmlNode> markupRoot);

    // For markup made piece by piece: BeginReport once, then AddMarkup for each piece,
    // whose children are interpreted as children of one markup root would be (the
    // piece element itself is not) and then freed; FinishReport adds the closing
    // pages, closes the document and returns its bytes (owned by the report). Pieces
    // may split the markup between any two children of the root. AddMarkup(nullptr)
    // adds nothing. Calls out of this order throw std::logic_error and leave the
    // report as it was.
    void BeginReport();
    void AddMarkup(std::unique_ptr<wxXmlNode> part);
    const wxMemoryOutputStream& FinishReport();

    // Changes the user unit for everything drawn afterwards.
    void SetUnit(const wxString& unit);

    // Mirrors about the x axis, then applies [a b c d e f]. Opens no transformation
    // bracket: callers wrap it in StartTransform/StopTransform.
    void TransformWithYAxis(double a, double b, double c, double d, double e, double f);
    // Closes the current subpath and paints it: 1 stroke, 2 fill, 3 fill and stroke
    // (by the filling rule), anything else ends the path unpainted.
    void ClosePdfPath(int style);

    // The bold companion of a font file: "-Bold" before the last ".", or appended.
    static wxString GetBoldFontFileName(const wxString& fileName);

    void Header() override;
    // The element handler below overloads AddPage; the document's own stays public.
    using PdfDocument::AddPage;

private:
    using XmlHandler = std::function<void(const wxXmlNode*)>;
    using DiagramHandler = std::function<void(const wxXmlNode*, const wxPoint&, double)>;
    // The one document of a report: not begun, taking markup, finished.
    enum class Stage {
        NotStarted,
        Open,
        Finished
    };

    // ---- Set-up ---------------------------------------------------------------------
    void CreateTimestampString();
    void CreateVireldaLogoFilePath();
    void CreateXMLHandlerMap();
    void CreateDiagramHandlerMap();
    void BuildDocument(const wxXmlNode* markupRoot);
    // Throws std::logic_error naming `call` unless the report is at `expected`.
    void ExpectStage(Stage expected, const char* call) const;
    void PrepareReportSettings();
    void SetupPageNumbering();
    void SetReportMetaData();
    void SetupFontSearchPath();
    void AddSpecialFonts();
    void AddFontUTF(const wxString& name);
    void AddFontCJK_UNI(const wxString& name);
    void AddFontCJK_UNI_Regular(const wxString& name);
    void AddFontCJK_UNI_Bold(const wxString& name);
    void AddDefaultFont();
    void SetReportBaseLayout();
    void EnableTranslation();
    void EnableAutoPageBreak();
    void DisableAutoPageBreak();

    // ---- Markup walk and elements -------------------------------------------------------
    void CreateReportPartFromXML(const wxXmlNode* node);
    // One child of the markup root and everything below it.
    void InterpretTree(const wxXmlNode* top);
    void CallXmlNodeHandler(const wxXmlNode* node) const;
    void GetProjectTypeFromXML(const wxXmlNode* node);
    void GetProjectTitleFromXML(const wxXmlNode* node);
    void AddPage(const wxXmlNode* node);
    void AddCompanyLogo(const wxXmlNode* node);
    void AddBookmark(const wxXmlNode* node);
    void SetPosition(const wxXmlNode* node);
    void AddLineFeed(const wxXmlNode* node);
    void AddCell(const wxXmlNode* node);
    void AddXMLCell(const wxXmlNode* node);
    void AddDiagram(const wxXmlNode* node);
    void CallDiagramNodeHandler(const wxXmlNode* node) const;
    void AddPlantOverview(const wxXmlNode* node);
    void AddPlantOverviewXml(const wxXmlNode* node);

    // ---- Diagrams ------------------------------------------------------------------
    void AddROPassDiagram(const wxXmlNode* node, const wxPoint& position, double width);
    void AddROOverviewDiagram(const wxXmlNode* node, const wxPoint& position, double width);
    void AddUFDesignDiagram(const wxXmlNode* node, const wxPoint& position, double width);
    void AddUFBackwashDiagram(const wxXmlNode* node, const wxPoint& position, double width);
    void AddUFOverviewDiagram(const wxXmlNode* node, const wxPoint& position, double width);
    void AddUFOverviewDiagramSeawater(const wxXmlNode* node, const wxPoint& position, double width);
    void AddFactoryDiagram(const wxXmlNode* node, int type, const wxPoint& position, double width);
    // Records the vector picture in a template of its natural size, then places it.
    void DrawDiagram(BaseDiagram& diagram, double x, double y, double width, double templateWidth,
                     double templateHeight);
    // Records the raster picture in a template of its pixel size, then places it.
    void DrawDiagram(const std::unique_ptr<VireldaReportDiagram>& diagram, wxPoint position, long width);
    void DrawDiagramImage(const wxImage& image, const wxString& name, wxPoint position, long width);
    void ImageByPoint(const wxString& file, const wxPoint& position, double w, double h, const wxString& type,
                      const PdfLink& link, int maskImage);
    void SetXYByPoint(const wxPoint& position);

    // ---- Plant graphics ------------------------------------------------------------
    std::vector<SvgGraphicInfo<ArchiveLoadPolicy>> GetProjectGraphics(const wxString& projectUuid) const;
    SvgGraphicInfo<FileLoadPolicy> GetGraphic(const wxString& fileName, wxXmlNode* firstChild) const;
    SvgGraphicInfo<ArchiveLoadPolicy> GetGraphicArchive(const wxString& fileName, wxXmlNode* firstChild) const;
    template <typename LoadPolicy>
    void DrawSvgPlantOverview(const wxXmlNode* node, SvgGraphicInfo<LoadPolicy>& graphic);
    // The pen position, each coordinate truncated to a whole unit.
    wxPoint GetPenPoint() const;

    // ---- Page furniture ------------------------------------------------------------
    void AddHeaderLogos();
    void AddMainTitle();
    void AddLongTitle();
    void AddShortTitle();
    void AddModuleType();
    void AddHeaderLine();
    void AddTimestamp();
    void AddPageNumber();
    // Draws a header title centred in a cell, scaled down to `maxWidth` when wider.
    void AddScaledTitle(const wxString& title, double maxWidth, double x, double y, double cellWidth);

    void AddDisclaimer();
    void AddDisclaimerHeader();
    void AddDisclaimerMainPart();
    void AddROCCDisclaimer();
    void AddMessages(const wxXmlNode* node);
    void PrintMessages(const std::vector<std::string>& messages, const std::string& moduleType);
    // A fixed English text through the host's translation provider.
    wxString TranslateText(const char* text) const;

    // ---- Report state ------------------------------------------------------------
    wxString GetLongTitle() const { return config.longTitle; }
    wxString GetShortTitle() const { return config.shortTitle; }
    wxString GetVersionInfo() const { return config.versionInfo; }
    wxString GetUnitSystem() const { return config.unitSystem; }
    wxString GetProjectNumber() const { return config.projectNumber; }
    wxString GetProjectTitle() const { return config.projectTitle; }
    wxString GetProjectAgent() const { return config.projectAgent; }
    wxString GetPdfFileName() const { return config.pdfFileName; }
    wxString GetDefaultFont() const { return defaultFont; }
    wxString GetModuleType() const { return moduleType; }
    wxString GetTimeStamp() const { return timeStamp; }
    wxString GetCurrentComponenType() const { return currentComponentType; }
    wxString GetVireldaLogoFilePath() const { return vireldaLogoFilePath; }
    bool HasLongTitle() const { return !config.longTitle.empty(); }
    bool HasShortTitle() const { return !config.shortTitle.empty(); }
    bool HasCompanyLogo() const { return !config.companyLogoPath.empty(); }
    bool HasROCC() const { return hasROCC; }
    void SetDefaultFont(const wxString& font) { defaultFont = font; }
    void SetModuleType(const wxString& type) { moduleType = type; }
    void SetCurrentComponentType(const wxString& type) { currentComponentType = type; }
    void SetHasROCC(bool rocc) { hasROCC = rocc; }
    wxString GetFullXSLTFilePath(const wxString& fileName) const;
    // False (with one warning line, the first time) when the image at `path` declares
    // more pixels than the limit allows; decided once per report and image.
    bool IsImageWithinLimits(const wxString& path, const char* what);

    std::map<wxString, XmlHandler> xmlHandlers;
    std::map<wxString, DiagramHandler> diagramHandlers;
    VireldaReportConfig config;
    wxString defaultFont;
    wxString moduleType;
    wxString timeStamp;
    wxString currentComponentType;
    wxString vireldaLogoFilePath;
    bool hasROCC = false;
    Stage stage = Stage::NotStarted;
    std::map<wxString, bool> imageWithinLimits;
    const ITranslationProvider& translationProvider;
    std::unique_ptr<DiagramPictureCache> diagramPictures;

    friend class VireldaReportTestAccess;
};
