// PdfDC's device context: document state, mapping, pens and brushes, hatching,
// clearing and clipping. Text, shapes and images are drawn in sibling files.
#include "pdf/PdfDCImpl.h"
#include "pdf/PdfGeometry.h"

#include "vdcommon/pdf/PdfDocument.h"

#include <wx/log.h>
#include <wx/region.h>

#include <algorithm>
#include <climits>
#include <cmath>

using namespace vdpdf::dc;

namespace {

// Dash lengths of the toolkit's pen styles in pen widths, as its vector back-ends draw them.
std::vector<double> DashPattern(const wxPen& pen)
{
    switch (pen.GetStyle()) {
    case wxPENSTYLE_DOT: return {1, 3};
    case wxPENSTYLE_LONG_DASH: return {19, 9};
    case wxPENSTYLE_SHORT_DASH: return {9, 6};
    case wxPENSTYLE_DOT_DASH: return {9, 6, 3, 3};
    case wxPENSTYLE_USER_DASH: {
        wxDash* dashes = nullptr;
        const int n = pen.GetDashes(&dashes);
        std::vector<double> result;
        // An odd count repeats with on and off swapped, in the toolkit as in PDF.
        if (dashes)
            for (int i = 0; i < n; ++i)
                result.push_back(std::max(0, static_cast<int>(dashes[i])));
        return result;
    }
    default: return {};
    }
}

// A scale the mapping can use: finite and not zero on either axis.
bool UsableScale(double x, double y, const char* which)
{
    if (!std::isfinite(x) || !std::isfinite(y) || x == 0 || y == 0) {
        wxLogDebug("PdfDC: %s scale %g x %g ignored", which, x, y);
        return false;
    }
    return true;
}

} // namespace

namespace vdpdf::dc {

double Clean(double v, double fallback)
{
    return std::isfinite(v) ? v : fallback;
}

int ToInt(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::lround(std::clamp(v, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX))));
}

double Sign(double v)
{
    return v < 0 ? -1.0 : 1.0;
}

double AlphaOf(const wxColour& colour)
{
    return colour.IsOk() ? colour.Alpha() / 255.0 : 1.0;
}

PdfColour Opaque(const wxColour& colour)
{
    return colour.IsOk() ? PdfColour(colour.Red(), colour.Green(), colour.Blue()) : PdfColour();
}

} // namespace vdpdf::dc

PdfDCImpl::PdfDCImpl(wxDC* owner, PdfDocument& document, double templateWidth, double templateHeight)
    : wxDCImpl(owner), doc(document)
{
    // A size that is not a positive finite number falls back to what the document is
    // recording (the template or the page), so drawing code still gets a usable area.
    const bool wOk = std::isfinite(templateWidth) && templateWidth > 0;
    const bool hOk = std::isfinite(templateHeight) && templateHeight > 0;
    if (!wOk || !hOk)
        wxLogDebug("PdfDC: template size %g x %g replaced by the page size", templateWidth, templateHeight);
    widthUser = wOk ? templateWidth : std::max(doc.GetPageWidth(), 0.0);
    heightUser = hOk ? templateHeight : std::max(doc.GetPageHeight(), 0.0);

    m_ok = true;
    m_colour = true;
    m_mm_to_pix_x = m_mm_to_pix_y = 1.0 / kUserPerDevice;
    m_pen = *wxBLACK_PEN;
    m_brush = *wxWHITE_BRUSH;
    m_backgroundBrush = *wxWHITE_BRUSH;
    m_textForegroundColour = *wxBLACK;
    m_textBackgroundColour = *wxWHITE;
    // Not the stock normal font: that one asks the desktop for its settings, and a
    // headless process has no desktop to ask.
    m_font = wxFont(wxFontInfo(kDefaultFontPoints).Family(wxFONTFAMILY_SWISS));
    m_backgroundMode = wxBRUSHSTYLE_TRANSPARENT;
    SaveDocumentState();
}

PdfDCImpl::~PdfDCImpl()
{
    while (clipDepth > 0) {
        doc.UnsetClipping();
        --clipDepth;
    }
    RestoreDocumentState();
}

// ---- Document state -------------------------------------------------------------------------

void PdfDCImpl::SaveDocumentState()
{
    saved.family = doc.GetFontFamily();
    saved.style = doc.GetFontStyle();
    saved.size = doc.GetFontSize();
    saved.line = doc.GetLineStyle();
    saved.draw = doc.GetDrawColour();
    saved.fill = doc.GetFillColour();
    saved.text = doc.GetTextColour();
    saved.fillingRule = doc.GetFillingRule();
    saved.renderMode = doc.GetTextRenderMode();
    saved.x = doc.GetX();
    saved.y = doc.GetY();
}

void PdfDCImpl::RestoreDocumentState()
{
    if (!saved.family.empty())
        doc.SetFont(saved.family, saved.style, saved.size);
    else if (saved.size > 0)
        doc.SetFontSize(saved.size);
    doc.SetLineStyle(saved.line);
    doc.SetDrawColour(saved.draw);
    doc.SetFillColour(saved.fill);
    doc.SetTextColour(saved.text);
    doc.SetFillingRule(saved.fillingRule);
    doc.SetTextRenderMode(saved.renderMode);
    if (alphaUsed)
        doc.SetAlpha(1, 1);
    if (doc.GetX() != saved.x || doc.GetY() != saved.y) {
        doc.SetY(saved.y);
        doc.SetX(saved.x);
    }
}

// ---- Size and mapping -----------------------------------------------------------------------

void PdfDCImpl::DoGetSize(int* width, int* height) const
{
    if (width)
        *width = ToInt(widthUser / kUserPerDevice);
    if (height)
        *height = ToInt(heightUser / kUserPerDevice);
}

void PdfDCImpl::DoGetSizeMM(int* width, int* height) const
{
    if (width)
        *width = ToInt(widthUser);
    if (height)
        *height = ToInt(heightUser);
}

wxSize PdfDCImpl::GetPPI() const
{
    return wxSize(static_cast<int>(kPpi), static_cast<int>(kPpi));
}

void PdfDCImpl::SetMapMode(wxMappingMode mode)
{
    // The toolkit's definitions, with this DC's fixed resolution instead of a screen's.
    const double mmToDevice = 1.0 / kUserPerDevice;
    switch (mode) {
    case wxMM_METRIC: SetLogicalScale(mmToDevice, mmToDevice); break;
    case wxMM_LOMETRIC: SetLogicalScale(mmToDevice / 10, mmToDevice / 10); break;
    case wxMM_TWIPS: SetLogicalScale(kPpi / 1440, kPpi / 1440); break;
    case wxMM_POINTS: SetLogicalScale(kPpi / 72, kPpi / 72); break;
    case wxMM_TEXT:
    default:
        mode = wxMM_TEXT;
        SetLogicalScale(1, 1);
        break;
    }
    m_mappingMode = mode;
}

void PdfDCImpl::SetUserScale(double x, double y)
{
    if (!UsableScale(x, y, "user"))
        return;
    m_userScaleX = x;
    m_userScaleY = y;
    ComputeScaleAndOrigin();
}

void PdfDCImpl::SetLogicalScale(double x, double y)
{
    if (!UsableScale(x, y, "logical"))
        return;
    m_logicalScaleX = x;
    m_logicalScaleY = y;
    ComputeScaleAndOrigin();
}

double PdfDCImpl::ScaleX() const
{
    return m_logicalScaleX * m_userScaleX * m_signX;
}

double PdfDCImpl::ScaleY() const
{
    return m_logicalScaleY * m_userScaleY * m_signY;
}

double PdfDCImpl::DeviceX(double x) const
{
    return (x - m_logicalOriginX) * ScaleX() + m_deviceOriginX + m_deviceLocalOriginX;
}

double PdfDCImpl::DeviceY(double y) const
{
    return (y - m_logicalOriginY) * ScaleY() + m_deviceOriginY + m_deviceLocalOriginY;
}

PdfDCImpl::UserPoint PdfDCImpl::ToUser(double x, double y) const
{
    return {DeviceX(x) * kUserPerDevice, DeviceY(y) * kUserPerDevice};
}

PdfDCImpl::UserRect PdfDCImpl::Between(UserPoint a, UserPoint b)
{
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y)};
}

PdfDCImpl::UserRect PdfDCImpl::ToUserRect(double x, double y, double w, double h) const
{
    return Between(ToUser(x, y), ToUser(x + w, y + h));
}

PdfDCImpl::Ring PdfDCImpl::ToUserPoints(int n, const wxPoint points[], wxCoord xoffset, wxCoord yoffset)
{
    Ring ring;
    ring.reserve(n);
    for (int i = 0; i < n; ++i) {
        const double lx = static_cast<double>(points[i].x) + xoffset;
        const double ly = static_cast<double>(points[i].y) + yoffset;
        ring.push_back(ToUser(lx, ly));
        CalcBoundingBox(ToInt(lx), ToInt(ly));
    }
    return ring;
}

double PdfDCImpl::LengthX(double logical) const
{
    return std::fabs(logical * ScaleX()) * kUserPerDevice;
}

double PdfDCImpl::LengthY(double logical) const
{
    return std::fabs(logical * ScaleY()) * kUserPerDevice;
}

double PdfDCImpl::LengthAvg(double logical) const
{
    return (LengthX(logical) + LengthY(logical)) / 2;
}

bool PdfDCImpl::FlipsOrientation() const
{
    return ScaleX() * ScaleY() < 0;
}

double PdfDCImpl::SeenAngle(double cosine, double sine) const
{
    return std::atan2(sine * Sign(ScaleY()), cosine * Sign(ScaleX()));
}

// ---- Attributes -----------------------------------------------------------------------------

void PdfDCImpl::SetFont(const wxFont& font)
{
    m_font = font;
}

void PdfDCImpl::SetPen(const wxPen& pen)
{
    m_pen = pen;
}

void PdfDCImpl::SetBrush(const wxBrush& brush)
{
    m_brush = brush;
}

void PdfDCImpl::SetBackground(const wxBrush& brush)
{
    m_backgroundBrush = brush;
}

void PdfDCImpl::SetBackgroundMode(int mode)
{
    m_backgroundMode = mode;
}

#if wxUSE_PALETTE
void PdfDCImpl::SetPalette(const wxPalette&)
{
    // Colours are written as RGB; a palette changes nothing.
}
#endif

void PdfDCImpl::SetLogicalFunction(wxRasterOperationMode function)
{
    // A vector page cannot combine with what lies under it; everything paints as wxCOPY.
    if (function != wxCOPY)
        wxLogDebug("PdfDC: raster operation %d drawn as a plain copy", static_cast<int>(function));
    m_logicalFunction = function;
}

// ---- Pens and brushes -----------------------------------------------------------------------

bool PdfDCImpl::HasTarget() const
{
    // Drawing before there is a page or a template would make the document open a page,
    // and this DC never adds pages.
    return doc.IsRecordingTemplate() || doc.PageNo() > 0;
}

bool PdfDCImpl::PenVisible() const
{
    return m_pen.IsOk() && m_pen.GetStyle() != wxPENSTYLE_TRANSPARENT && m_pen.GetColour().IsOk() &&
           m_pen.GetColour().Alpha() > 0;
}

bool PdfDCImpl::BrushVisible() const
{
    return m_brush.IsOk() && m_brush.GetStyle() != wxBRUSHSTYLE_TRANSPARENT && m_brush.GetColour().IsOk() &&
           m_brush.GetColour().Alpha() > 0;
}

bool PdfDCImpl::HatchBrush() const
{
    return m_brush.IsOk() && m_brush.IsHatch();
}

void PdfDCImpl::ApplyAlpha(double lineAlpha, double fillAlpha)
{
    if (lineAlpha >= 1 && fillAlpha >= 1 && !alphaUsed)
        return;
    alphaUsed = true;
    doc.SetAlpha(lineAlpha, fillAlpha);
}

void PdfDCImpl::ApplyPen()
{
    const int width = m_pen.GetWidth();
    // Width 0 is the thinnest line the device draws: one device unit.
    const double widthUser = width <= 0 ? kUserPerDevice : LengthAvg(width);
    int cap = 1;
    switch (m_pen.GetCap()) {
    case wxCAP_BUTT: cap = 0; break;
    case wxCAP_PROJECTING: cap = 2; break;
    default: cap = 1; break;
    }
    int join = 1;
    switch (m_pen.GetJoin()) {
    case wxJOIN_MITER: join = 0; break;
    case wxJOIN_BEVEL: join = 2; break;
    default: join = 1; break;
    }
    std::vector<double> dash = DashPattern(m_pen);
    // Dashes grow with the pen so that thick dotted lines stay dotted.
    const double unit = LengthAvg(std::max(width, 1));
    for (double& d : dash)
        d *= unit;
    doc.SetLineStyle(PdfLineStyle(widthUser, cap, join, std::move(dash), 0, Opaque(m_pen.GetColour())));
}

void PdfDCImpl::ApplyFillColour(const wxColour& colour)
{
    doc.SetFillColour(Opaque(colour));
}

void PdfDCImpl::ApplyFill(const wxColour& colour)
{
    ApplyFillColour(colour);
    ApplyAlpha(1, AlphaOf(colour));
}

int PdfDCImpl::Prepare(bool stroke, bool fill)
{
    int style = PdfStyle::NoOp;
    double lineAlpha = 1, fillAlpha = 1;
    if (stroke && PenVisible()) {
        ApplyPen();
        lineAlpha = AlphaOf(m_pen.GetColour());
        style |= PdfStyle::Draw;
    }
    if (fill && BrushVisible() && !HatchBrush()) {
        ApplyFillColour(m_brush.GetColour());
        fillAlpha = AlphaOf(m_brush.GetColour());
        style |= PdfStyle::Fill;
    }
    if (style != PdfStyle::NoOp)
        ApplyAlpha(lineAlpha, fillAlpha);
    return style;
}

void PdfDCImpl::Hatch(const Rings& rings)
{
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool any = false;
    for (const auto& ring : rings) {
        for (const UserPoint& p : ring) {
            if (!any) {
                minX = maxX = p.x;
                minY = maxY = p.y;
                any = true;
            }
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
    }
    const double spacing = LengthAvg(8);
    if (!any || maxX <= minX || maxY <= minY || !(spacing > 0))
        return;
    if ((maxX - minX) / spacing + (maxY - minY) / spacing > 20000) {
        wxLogDebug("PdfDC: hatching of a huge area skipped");
        return;
    }
    doc.ClippingPath();
    TraceRings(rings, 3);
    doc.ClosePath(PdfStyle::NoOp);
    doc.SetLineStyle(PdfLineStyle(LengthAvg(1), 0, 0, {}, 0, Opaque(m_brush.GetColour())));
    ApplyAlpha(AlphaOf(m_brush.GetColour()), 1);
    const wxBrushStyle style = m_brush.GetStyle();
    const bool horizontal = style == wxBRUSHSTYLE_HORIZONTAL_HATCH || style == wxBRUSHSTYLE_CROSS_HATCH;
    const bool vertical = style == wxBRUSHSTYLE_VERTICAL_HATCH || style == wxBRUSHSTYLE_CROSS_HATCH;
    const bool rising = style == wxBRUSHSTYLE_BDIAGONAL_HATCH || style == wxBRUSHSTYLE_CROSSDIAG_HATCH;
    const bool falling = style == wxBRUSHSTYLE_FDIAGONAL_HATCH || style == wxBRUSHSTYLE_CROSSDIAG_HATCH;
    // Lines on a grid fixed to the device origin, so that neighbouring shapes' hatches
    // line up as a screen's brush patterns do.
    auto first = [spacing](double from) { return std::ceil(from / spacing) * spacing; };
    if (horizontal)
        for (double y = first(minY); y <= maxY; y += spacing)
            doc.Line(minX, y, maxX, y);
    if (vertical)
        for (double x = first(minX); x <= maxX; x += spacing)
            doc.Line(x, minY, x, maxY);
    if (rising) // "/" lines: x + y constant
        for (double c = first(minX + minY); c <= maxX + maxY; c += spacing)
            doc.Line(c - maxY, maxY, c - minY, minY);
    if (falling) // "\" lines: x - y constant
        for (double c = first(minX - maxY); c <= maxX - minY; c += spacing)
            doc.Line(c + minY, minY, c + maxY, maxY);
    doc.UnsetClipping();
}

void PdfDCImpl::HatchIfNeeded(const Rings& rings)
{
    if (HatchBrush() && BrushVisible())
        Hatch(rings);
}

void PdfDCImpl::TraceRings(const Rings& rings, size_t minPoints)
{
    for (const auto& ring : rings) {
        if (ring.size() < minPoints)
            continue;
        doc.MoveTo(ring[0].x, ring[0].y);
        for (size_t i = 1; i < ring.size(); ++i)
            doc.LineTo(ring[i].x, ring[i].y);
    }
}

// ---- Clearing and clipping ------------------------------------------------------------------

void PdfDCImpl::Clear()
{
    if (!HasTarget() || !m_backgroundBrush.IsOk() || m_backgroundBrush.GetStyle() == wxBRUSHSTYLE_TRANSPARENT ||
        !m_backgroundBrush.GetColour().IsOk())
        return;
    ApplyFill(m_backgroundBrush.GetColour());
    doc.Rect(0, 0, widthUser, heightUser, PdfStyle::Fill);
}

void PdfDCImpl::DoSetClippingRegion(wxCoord x, wxCoord y, wxCoord w, wxCoord h)
{
    vdpdf::NormaliseRect(x, y, w, h);
    wxDCImpl::DoSetClippingRegion(x, y, w, h);
    if (!HasTarget())
        return;
    // A new region intersects the current one, as the nested PDF clip does.
    const UserRect r = ToUserRect(x, y, w, h);
    doc.ClippingRect(r.x, r.y, r.w, r.h);
    ++clipDepth;
}

void PdfDCImpl::DoSetDeviceClippingRegion(const wxRegion& region)
{
    const wxRect box = region.IsOk() ? region.GetBox() : wxRect();
    {
        // Book-keeping for GetClippingBox(), in logical units.
        const wxPoint a = DeviceToLogical(box.GetLeft(), box.GetTop());
        const wxPoint b = DeviceToLogical(box.GetLeft() + box.GetWidth(), box.GetTop() + box.GetHeight());
        wxDCImpl::DoSetClippingRegion(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y));
    }
    if (!HasTarget())
        return;
    if (!region.IsOk() || region.IsEmpty()) {
        doc.ClippingRect(0, 0, 0, 0);
        ++clipDepth;
        return;
    }
    const int rule = doc.GetFillingRule();
    doc.SetFillingRule(wxWINDING_RULE);
    doc.ClippingPath();
    for (wxRegionIterator it(region); it; ++it) {
        const wxRect r = it.GetRect();
        const double x0 = r.GetLeft() * kUserPerDevice, y0 = r.GetTop() * kUserPerDevice;
        const double x1 = (r.GetLeft() + r.GetWidth()) * kUserPerDevice;
        const double y1 = (r.GetTop() + r.GetHeight()) * kUserPerDevice;
        doc.MoveTo(x0, y0);
        doc.LineTo(x1, y0);
        doc.LineTo(x1, y1);
        doc.LineTo(x0, y1);
    }
    doc.ClosePath(PdfStyle::NoOp);
    doc.SetFillingRule(rule);
    ++clipDepth;
}

void PdfDCImpl::DestroyClippingRegion()
{
    while (clipDepth > 0) {
        doc.UnsetClipping();
        --clipDepth;
    }
    wxDCImpl::DestroyClippingRegion();
}
