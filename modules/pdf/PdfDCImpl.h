#pragma once
// The drawing side of PdfDC: a wxDCImpl that turns device-context calls into calls
// on a PdfDocument's public drawing operations.
//
// Units. The device unit is 1/72 of an inch with one user unit of the document counted
// as one millimetre, so GetPPI() is 72 and wxMM_METRIC makes one logical unit exactly
// one user unit of the template. Device (0, 0) is user (0, 0) of what the document is
// recording. A font of p points is drawn p x 96/72 logical units tall, whatever the
// mapping mode, so a picture keeps the proportions it has on a 96-dpi screen.
#include <wx/dc.h>

#include <map>
#include <numbers>
#include <tuple>
#include <vector>

#include "vdcommon/pdf/PdfTypes.h"

class PdfDocument;

namespace vdpdf::dc {

struct UserPoint {
    double x, y;
};
// An upright rectangle in user units: (x, y) its top left corner.
struct UserRect {
    double x, y, w, h;
};
// What a shape's outline is for hatching: closed rings in user units.
using Ring = std::vector<UserPoint>;
using Rings = std::vector<Ring>;

} // namespace vdpdf::dc

class PdfDCImpl : public wxDCImpl
{
public:
    PdfDCImpl(wxDC* owner, PdfDocument& document, double templateWidth, double templateHeight);
    ~PdfDCImpl() override;

    PdfDCImpl(const PdfDCImpl&) = delete;
    PdfDCImpl& operator=(const PdfDCImpl&) = delete;

    // User units of the document per device unit.
    static constexpr double kPpi = 72.0;
    static constexpr double kUserPerDevice = 25.4 / kPpi;
    // Logical units per point of font size (a 96-dpi screen in wxMM_TEXT).
    static constexpr double kFontScale = 96.0 / 72.0;

    // ---- Capabilities and size -------------------------------------------------------
    bool CanDrawBitmap() const override { return true; }
    bool CanGetTextExtent() const override { return true; }
    void DoGetSize(int* width, int* height) const override;
    void DoGetSizeMM(int* width, int* height) const override;
    int GetDepth() const override { return 24; }
    wxSize GetPPI() const override;

    // ---- Mapping ---------------------------------------------------------------------
    void SetMapMode(wxMappingMode mode) override;
    void SetUserScale(double x, double y) override;
    void SetLogicalScale(double x, double y) override;

    // ---- Attributes ------------------------------------------------------------------
    void SetFont(const wxFont& font) override;
    void SetPen(const wxPen& pen) override;
    void SetBrush(const wxBrush& brush) override;
    void SetBackground(const wxBrush& brush) override;
    void SetBackgroundMode(int mode) override;
#if wxUSE_PALETTE
    void SetPalette(const wxPalette& palette) override;
#endif
    void SetLogicalFunction(wxRasterOperationMode function) override;

    // ---- Text measurement ------------------------------------------------------------
    wxCoord GetCharHeight() const override;
    wxCoord GetCharWidth() const override;
    void DoGetFontMetrics(int* height, int* ascent, int* descent, int* internalLeading, int* externalLeading,
                          int* averageWidth) const override;
    void DoGetTextExtent(const wxString& string, wxCoord* x, wxCoord* y, wxCoord* descent = nullptr,
                         wxCoord* externalLeading = nullptr, const wxFont* theFont = nullptr) const override;
    bool DoGetPartialTextExtents(const wxString& text, wxArrayInt& widths) const override;

    // ---- Clearing and clipping -------------------------------------------------------
    void Clear() override;
    void DoSetClippingRegion(wxCoord x, wxCoord y, wxCoord w, wxCoord h) override;
    void DoSetDeviceClippingRegion(const wxRegion& region) override;
    void DestroyClippingRegion() override;

    // ---- Drawing ---------------------------------------------------------------------
    bool DoFloodFill(wxCoord x, wxCoord y, const wxColour& col, wxFloodFillStyle style = wxFLOOD_SURFACE) override;
    void DoGradientFillLinear(const wxRect& rect, const wxColour& initialColour, const wxColour& destColour,
                              wxDirection nDirection = wxEAST) override;
    void DoGradientFillConcentric(const wxRect& rect, const wxColour& initialColour, const wxColour& destColour,
                                  const wxPoint& circleCenter) override;
    bool DoGetPixel(wxCoord x, wxCoord y, wxColour* col) const override;

    void DoDrawPoint(wxCoord x, wxCoord y) override;
    void DoDrawLine(wxCoord x1, wxCoord y1, wxCoord x2, wxCoord y2) override;
    void DoDrawArc(wxCoord x1, wxCoord y1, wxCoord x2, wxCoord y2, wxCoord xc, wxCoord yc) override;
    void DoDrawEllipticArc(wxCoord x, wxCoord y, wxCoord w, wxCoord h, double sa, double ea) override;
    void DoDrawRectangle(wxCoord x, wxCoord y, wxCoord width, wxCoord height) override;
    void DoDrawRoundedRectangle(wxCoord x, wxCoord y, wxCoord width, wxCoord height, double radius) override;
    void DoDrawEllipse(wxCoord x, wxCoord y, wxCoord width, wxCoord height) override;
    void DoCrossHair(wxCoord x, wxCoord y) override;

    void DoDrawIcon(const wxIcon& icon, wxCoord x, wxCoord y) override;
    void DoDrawBitmap(const wxBitmap& bmp, wxCoord x, wxCoord y, bool useMask = false) override;

    void DoDrawText(const wxString& text, wxCoord x, wxCoord y) override;
    void DoDrawRotatedText(const wxString& text, wxCoord x, wxCoord y, double angle) override;

    bool DoBlit(wxCoord xdest, wxCoord ydest, wxCoord width, wxCoord height, wxDC* source, wxCoord xsrc, wxCoord ysrc,
                wxRasterOperationMode rop = wxCOPY, bool useMask = false, wxCoord xsrcMask = wxDefaultCoord,
                wxCoord ysrcMask = wxDefaultCoord) override;
    bool DoStretchBlit(wxCoord xdest, wxCoord ydest, wxCoord dstWidth, wxCoord dstHeight, wxDC* source, wxCoord xsrc,
                       wxCoord ysrc, wxCoord srcWidth, wxCoord srcHeight, wxRasterOperationMode rop = wxCOPY,
                       bool useMask = false, wxCoord xsrcMask = wxDefaultCoord,
                       wxCoord ysrcMask = wxDefaultCoord) override;

    void DoDrawLines(int n, const wxPoint points[], wxCoord xoffset, wxCoord yoffset) override;
    void DoDrawPolygon(int n, const wxPoint points[], wxCoord xoffset, wxCoord yoffset,
                       wxPolygonFillMode fillStyle = wxODDEVEN_RULE) override;
    void DoDrawPolyPolygon(int n, const int count[], const wxPoint points[], wxCoord xoffset, wxCoord yoffset,
                           wxPolygonFillMode fillStyle) override;

private:
    using UserPoint = vdpdf::dc::UserPoint;
    using UserRect = vdpdf::dc::UserRect;
    using Ring = vdpdf::dc::Ring;
    using Rings = vdpdf::dc::Rings;

    // Logical → user units of the document.
    double DeviceX(double x) const;
    double DeviceY(double y) const;
    UserPoint ToUser(double x, double y) const;
    // The rectangle with corners at logical (x, y) and (x + w, y + h), whatever the mapping.
    UserRect ToUserRect(double x, double y, double w, double h) const;
    static UserRect Between(UserPoint a, UserPoint b);
    // The points shifted by the offset, in user units; they count into the bounding box.
    Ring ToUserPoints(int n, const wxPoint points[], wxCoord xoffset, wxCoord yoffset);
    double ScaleX() const; // device units per logical unit, signed
    double ScaleY() const;
    double LengthX(double logical) const; // user units, unsigned
    double LengthY(double logical) const;
    double LengthAvg(double logical) const;
    bool FlipsOrientation() const; // the mapping mirrors the picture
    // The angle, in radians, of a logical direction (cosine, sine; anticlockwise with y
    // down) as seen on the page after the mapping's mirroring.
    double SeenAngle(double cosine, double sine) const;

    bool HasTarget() const;
    bool PenVisible() const;
    bool BrushVisible() const;
    bool HatchBrush() const;
    // Selects the pen, the brush or both into the document; returns the paint style.
    int Prepare(bool stroke, bool fill);
    void ApplyPen();
    void ApplyFillColour(const wxColour& colour);
    // The fill colour with its own alpha, for a plain area of one colour.
    void ApplyFill(const wxColour& colour);
    void ApplyAlpha(double lineAlpha, double fillAlpha);
    // Adds the rings to the document's current path.
    void TraceRings(const Rings& rings, size_t minPoints);
    // Paints hatch lines of the brush inside `rings` (user units).
    void Hatch(const Rings& rings);
    void HatchIfNeeded(const Rings& rings);
    // Fills and/or strokes a shape through `paint(style)`; hatch brushes fill `rings`.
    template <typename PaintFn>
    void PaintShape(const Rings& rings, PaintFn paint);
    // Fills through `fill()` and then strokes through `stroke()`, each when visible.
    template <typename FillFn, typename StrokeFn>
    void FillThenStroke(const Rings& rings, FillFn fill, StrokeFn stroke);

    // Selects `font` in the document at the size it has on this DC. False when no
    // font could be selected.
    bool SelectFont(const wxFont& font) const;
    wxString ResolveFamily(const wxFont& font, const wxString& style) const;
    double FontSizePt(const wxFont& font) const;
    // Ascent and descent of `font` in user units; estimates when no font can be selected.
    struct FontBox {
        double ascent, descent, em;
        bool selected;
    };
    FontBox MeasureFont(const wxFont& font) const;
    void DrawTextLines(const wxString& text, wxCoord x, wxCoord y, double angle);
    // How lines of text lie on the page: their direction, height and background.
    struct TextFrame {
        UserPoint dir{1, 0};  // along the baseline (y down)
        UserPoint down{0, 1}; // from the top of a line towards its bottom
        double cs = 1, sn = 0, seenDeg = 0;
        double ascent = 0, lineHeight = 0;
        bool opaqueBackground = false;
    };
    // Draws one line of text `width` long with its top left corner at `top`.
    void DrawTextLine(const wxString& line, double width, UserPoint top, const TextFrame& f);
    void DrawImage(const wxImage& image, double x, double y, double w, double h);
    // Draws the bitmap into the box between a and b, mirrored as asked; false when it
    // has no pixels to draw.
    bool DrawBitmap(const wxBitmap& bmp, bool useMask, UserPoint a, UserPoint b, bool mirrorX, bool mirrorY);

    void SaveDocumentState();
    void RestoreDocumentState();

    PdfDocument& doc;
    double widthUser; // the template's size, user units
    double heightUser;
    int clipDepth = 0; // clipping regions installed in the document
    bool alphaUsed = false;

    // Font resolution cache: (face, family, style) → family name for the document.
    mutable std::map<std::tuple<wxString, int, wxString>, wxString> familyCache;

    // The document's state when the DC was made, given back when it goes away.
    struct Saved {
        wxString family, style;
        double size = 0;
        PdfLineStyle line;
        PdfColour draw, fill, text;
        int fillingRule = wxWINDING_RULE;
        int renderMode = 0;
        double x = 0, y = 0;
    } saved;
};

template <typename PaintFn>
void PdfDCImpl::PaintShape(const Rings& rings, PaintFn paint)
{
    if (!HasTarget())
        return;
    HatchIfNeeded(rings);
    const int style = Prepare(true, true);
    if (style != PdfStyle::NoOp)
        paint(style);
}

template <typename FillFn, typename StrokeFn>
void PdfDCImpl::FillThenStroke(const Rings& rings, FillFn fill, StrokeFn stroke)
{
    HatchIfNeeded(rings);
    if (Prepare(false, true) != PdfStyle::NoOp)
        fill();
    if (Prepare(true, false) != PdfStyle::NoOp)
        stroke();
}

// Small conversions the DC's source files share.
namespace vdpdf::dc {

inline constexpr double kDegToRad = std::numbers::pi / 180.0;
inline constexpr int kDefaultFontPoints = 10;

// `v` when it is a finite number, else `fallback`.
double Clean(double v, double fallback = 0);
// `v` rounded into the range of int; 0 when it is not a number.
int ToInt(double v);
double Sign(double v);
double AlphaOf(const wxColour& colour);
PdfColour Opaque(const wxColour& colour);

} // namespace vdpdf::dc
