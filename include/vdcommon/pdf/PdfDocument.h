#pragma once
#include "vdcommon/Export.h"
// The PDF document: pages, text, images, graphics, templates, outline and output,
// in user units (mm by default) with the origin at the top-left of the page and y
// growing downwards. All state lives behind a private implementation so the layer
// can grow without touching its users.
#include "vdcommon/pdf/PdfTypes.h"

#include <wx/defs.h>
#include <wx/image.h>
#include <wx/mstream.h>
#include <wx/string.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class wxXmlNode;
class PdfFont;

class VDCOMMON_API PdfDocument
{
public:
    explicit PdfDocument(int orientation = wxPORTRAIT, const wxString& unit = wxS("mm"),
                         wxPaperSize paperSize = wxPAPER_A4);
    virtual ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    // ---- Pages and layout -------------------------------------------------------
    // orientation -1: the document's; wxPORTRAIT: portrait; anything else landscape.
    void AddPage(int orientation = -1, bool withHeaderFooter = true);
    virtual void Header() {}
    virtual void Footer() {}
    // Called before an automatic page break; returning false suppresses the break.
    virtual bool AcceptPageBreak();
    int PageNo() const; // current page, 1-based; 0 before the first
    int GetPageCount() const;
    void AliasNbPages(const wxString& alias = wxS("{nb}"));

    void SetMargins(double left, double top, double right = -1);
    void SetLeftMargin(double margin);
    void SetTopMargin(double margin);
    void SetRightMargin(double margin);
    double GetLeftMargin() const;
    double GetTopMargin() const;
    double GetRightMargin() const;
    double GetBreakMargin() const;
    void SetCellMargin(double margin);
    double GetCellMargin() const;
    void SetAutoPageBreak(bool autoPageBreak, double margin = 0);
    bool GetAutoPageBreak() const;
    bool IsInFooter() const;
    double GetPageWidth() const; // of the page, or of the template being recorded
    double GetPageHeight() const;
    double GetScaleFactor() const;     // points per user unit
    void SetLineHeight(double height); // the "last height" used by Ln(-1)
    double GetLineHeight() const;

    // ---- Metadata and output ------------------------------------------------------
    void SetAuthor(const wxString& author);
    void SetTitle(const wxString& title);
    void SetCreator(const wxString& creator);
    void SetSubject(const wxString& subject);
    void SetKeywords(const wxString& keywords);
    const wxString& GetAuthor() const;
    const wxString& GetTitle() const;
    const wxString& GetCreator() const;
    void SetCompression(bool compress);
    bool GetCompression() const;
    // Closes the document (once) and returns its bytes; owned by the document.
    const wxMemoryOutputStream& CloseAndGetBuffer();
    // Closes the document (once) and writes it; "" means "doc.pdf". False on failure.
    bool SaveAsFile(const wxString& fileName = wxEmptyString);

    // ---- Fonts and text ----------------------------------------------------------
    bool AddFont(const wxString& family, const wxString& style = wxEmptyString, const wxString& file = wxEmptyString);
    bool AddFontCJK(const wxString& family);
    bool SetFont(const wxString& family, const wxString& style = wxEmptyString, double size = 0);
    void SetFontSize(double size);
    double GetFontSize() const; // points
    const wxString& GetFontFamily() const;
    wxString GetFontStyle() const; // "", "B", "I", "BI", with "U" when underlined
    // The face currently selected (null before the first SetFont and text).
    std::shared_ptr<const PdfFont> GetCurrentFont() const;
    // The width of the text as drawn (shaped: kerning, ligatures, fallback fonts).
    double GetStringWidth(const wxString& text) const; // user units
    // Kerning in shaping, on by default. Off, text is set with the plain advances
    // (ligatures and the shaping a script needs stay).
    void SetKerning(bool kerning);
    bool GetKerning() const;
    // Called once per document for each character no installed font has (it is
    // drawn as the font's missing-glyph box), with a message naming it. Without a
    // handler the process-wide default handler is called, and without that the
    // toolkit's debug log gets the message.
    using MissingCharacterHandler = std::function<void(char32_t codePoint, const wxString& message)>;
    void SetMissingCharacterHandler(MissingCharacterHandler handler);
    static void SetDefaultMissingCharacterHandler(MissingCharacterHandler handler);
    double GetFontAscent() const;  // user units above the baseline
    double GetFontDescent() const; // user units below the baseline (positive)

    void Cell(double w, double h = 0, const wxString& text = wxEmptyString, int border = PdfBorder::None, int ln = 0,
              int align = PdfAlignLeft, bool fill = false, const PdfLink& link = PdfLink());
    // Returns the number of lines written.
    int MultiCell(double w, double h, const wxString& text, int border = PdfBorder::None, int align = PdfAlignJustify,
                  bool fill = false, int maxline = 0);
    void Write(double h, const wxString& text, const PdfLink& link = PdfLink());
    void Ln(double h = -1);
    void Text(double x, double y, const wxString& text);
    // Text with its baseline at (x, y), turned by `angle` degrees anticlockwise.
    void RotatedText(double x, double y, const wxString& text, double angle);

    double GetX() const;
    double GetY() const;
    void SetX(double x);
    void SetY(double y); // also resets x to the left margin
    void SetXY(double x, double y);

    void SetTextColour(const PdfColour& colour);
    void SetTextColour(unsigned char grey);
    void SetTextColour(unsigned char r, unsigned char g, unsigned char b);
    const PdfColour& GetTextColour() const;
    void SetTextRenderMode(int mode);
    int GetTextRenderMode() const;
    void SetMessageTranslateMode(bool translate);
    bool GetMessageTranslateMode() const;

    // ---- Rich text ---------------------------------------------------------------
    void WriteXml(const wxString& markup);
    void WriteXml(wxXmlNode* node); // the node's children are the markup

    // ---- Images ------------------------------------------------------------------
    bool Image(const wxString& file, double x, double y, double w = 0, double h = 0,
               const wxString& type = wxEmptyString, const PdfLink& link = PdfLink(), int mask = 0);
    bool Image(const wxString& name, const wxImage& image, double x, double y, double w = 0, double h = 0,
               const PdfLink& link = PdfLink(), int mask = 0, bool jpeg = false, int quality = 75);

    // ---- Outline and links -------------------------------------------------------
    void Bookmark(const wxString& text, int level = 0, double y = 0);
    int AddLink();
    bool SetLink(int link, double y = 0, int page = -1);
    void Link(double x, double y, double w, double h, const PdfLink& link);

    // ---- Graphics state ----------------------------------------------------------
    void SetLineWidth(double width);
    double GetLineWidth() const;
    void SetLineStyle(const PdfLineStyle& style);
    const PdfLineStyle& GetLineStyle() const;
    void SetDrawColour(const PdfColour& colour);
    void SetDrawColour(unsigned char grey);
    void SetDrawColour(unsigned char r, unsigned char g, unsigned char b);
    const PdfColour& GetDrawColour() const;
    void SetFillColour(const PdfColour& colour);
    void SetFillColour(unsigned char grey);
    void SetFillColour(unsigned char r, unsigned char g, unsigned char b);
    const PdfColour& GetFillColour() const;
    void SetAlpha(double lineAlpha = 1, double fillAlpha = 1, PdfBlendMode blend = PdfBlendMode::Normal);
    void SetFillingRule(int rule); // wxODDEVEN_RULE or wxWINDING_RULE
    int GetFillingRule() const;

    // ---- Paths and shapes --------------------------------------------------------
    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
    void ClosePath(int style = PdfStyle::NoOp);
    void EndPath(int style = PdfStyle::Draw);
    void Line(double x1, double y1, double x2, double y2);
    void Rect(double x, double y, double w, double h, int style = PdfStyle::Draw);
    void RoundedRect(double x, double y, double w, double h, double r, int corners = PdfCorner::All,
                     int style = PdfStyle::Draw);
    void Circle(double x0, double y0, double r, double astart = 0, double afinish = 360, int style = PdfStyle::Draw,
                int nSeg = 8);
    void Ellipse(double x0, double y0, double rx, double ry = 0, double angle = 0, double astart = 0,
                 double afinish = 360, int style = PdfStyle::Draw, int nSeg = 8, bool doSector = false);
    void Curve(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3,
               int style = PdfStyle::Draw);
    void Polygon(const std::vector<double>& x, const std::vector<double>& y, int style = PdfStyle::Draw);
    void Polyline(const std::vector<double>& x, const std::vector<double>& y, int style = PdfStyle::Draw);

    // ---- Transforms and clipping -------------------------------------------------
    void StartTransform();
    bool StopTransform(); // false (and logged) when unbalanced
    // Concatenates [a b c d e f]; e and f are in points, in the page's y-down space.
    void Transform(double a, double b, double c, double d, double e, double f);
    void Translate(double tx, double ty); // points
    void Scale(double sxPercent, double syPercent);
    void Scale(double sxPercent, double syPercent, double x, double y);
    void Rotate(double angle, double x = -1, double y = -1); // x or y < 0: the pen's position
    void ClippingPath();                                     // the next ClosePath/EndPath clips
    void ClippingRect(double x, double y, double w, double h, bool outline = false);
    void UnsetClipping();

    // ---- Gradients ---------------------------------------------------------------
    int AxialGradient(const PdfColour& c1, const PdfColour& c2, double x1 = 0, double y1 = 0, double x2 = 1,
                      double y2 = 0, double intexp = 1);
    int RadialGradient(const PdfColour& c1, const PdfColour& c2, double x1 = 0.5, double y1 = 0.5, double r1 = 0,
                       double x2 = 0.5, double y2 = 0.5, double r2 = 1, double intexp = 1);
    // Several stops (offsets 0..1, ascending). Returns 0 on error.
    int AxialGradient(const std::vector<std::pair<double, PdfColour>>& stops, double x1, double y1, double x2,
                      double y2);
    int RadialGradient(const std::vector<std::pair<double, PdfColour>>& stops, double x1, double y1, double r1,
                       double x2, double y2, double r2);
    // Paints the rectangle with gradient `id`; gradient coordinates run 0..1 across it,
    // (0, 0) at its top-left.
    void SetFillGradient(double x, double y, double w, double h, int id);
    // Fills the path built since the last MoveTo with gradient `id` and ends it. With
    // BoundingBox units the gradient's 0..1 coordinates span the path's bounding box;
    // with UserSpace they are user units. `matrix` (a b c d e f, user units) transforms
    // the gradient's space first.
    void FillPathWithGradient(int id, PdfGradientUnits units = PdfGradientUnits::BoundingBox,
                              const std::array<double, 6>& matrix = {1, 0, 0, 1, 0, 0});

    // ---- Templates and raw output ------------------------------------------------
    int BeginTemplate(double x = 0, double y = 0, double w = 0, double h = 0);
    int EndTemplate();
    void UseTemplate(int id, double x = -1, double y = -1, double w = 0, double h = 0);
    bool GetTemplateSize(int id, double& w, double& h) const;
    bool IsRecordingTemplate() const;
    void OutAscii(const wxString& text, bool newline = true);

protected:
    // Changes the user unit for everything drawn afterwards; x and y keep their numbers.
    void ChangeUnit(const wxString& unit);

private:
    struct State;
    std::unique_ptr<State> d;
    friend class PdfDocumentAccess;
};
