#include "pdf/PdfDCImpl.h"

#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/pdf/PdfFontManager.h"

#include <wx/dcmemory.h>
#include <wx/icon.h>
#include <wx/log.h>
#include <wx/region.h>
#include <wx/tokenzr.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegToRad = kPi / 180.0;
constexpr int kDefaultFontPoints = 10;

double Clean(double v, double fallback = 0)
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

double AlphaOf(const wxColour& colour)
{
    return colour.IsOk() ? colour.Alpha() / 255.0 : 1.0;
}

PdfColour Opaque(const wxColour& colour)
{
    return colour.IsOk() ? PdfColour(colour.Red(), colour.Green(), colour.Blue()) : PdfColour();
}

// A name for an image drawn through a DC; the document stores identical pixels once.
wxString NextImageName()
{
    static std::atomic<unsigned> counter{0};
    return wxString::Format("PdfDC-image-%u", ++counter);
}

} // namespace

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
    if (!std::isfinite(x) || !std::isfinite(y) || x == 0 || y == 0) {
        wxLogDebug("PdfDC: user scale %g x %g ignored", x, y);
        return;
    }
    m_userScaleX = x;
    m_userScaleY = y;
    ComputeScaleAndOrigin();
}

void PdfDCImpl::SetLogicalScale(double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y) || x == 0 || y == 0) {
        wxLogDebug("PdfDC: logical scale %g x %g ignored", x, y);
        return;
    }
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
    for (const auto& ring : rings) {
        if (ring.size() < 3)
            continue;
        doc.MoveTo(ring[0].x, ring[0].y);
        for (size_t i = 1; i < ring.size(); ++i)
            doc.LineTo(ring[i].x, ring[i].y);
    }
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

template <typename PaintFn>
void PdfDCImpl::PaintShape(const Rings& rings, PaintFn paint)
{
    if (!HasTarget())
        return;
    if (HatchBrush() && BrushVisible())
        Hatch(rings);
    const int style = Prepare(true, true);
    if (style != PdfStyle::NoOp)
        paint(style);
}

// ---- Fonts and text measurement -------------------------------------------------------------

wxString PdfDCImpl::ResolveFamily(const wxFont& font, const wxString& style) const
{
    const wxString face = font.IsOk() ? font.GetFaceName() : wxString();
    const int family = font.IsOk() ? static_cast<int>(font.GetFamily()) : static_cast<int>(wxFONTFAMILY_SWISS);
    const auto key = std::make_tuple(face.Lower(), family, style);
    auto it = familyCache.find(key);
    if (it != familyCache.end())
        return it->second;

    PdfFontManager* fm = PdfFontManager::GetFontManager();
    std::vector<wxString> candidates;
    if (!face.empty())
        candidates.push_back(face);
    switch (family) {
    case wxFONTFAMILY_ROMAN:
        candidates.insert(candidates.end(), {"Times New Roman", "Liberation Serif", "DejaVu Serif"});
        break;
    case wxFONTFAMILY_MODERN:
    case wxFONTFAMILY_TELETYPE:
        candidates.insert(candidates.end(), {"Courier New", "Liberation Mono", "DejaVu Sans Mono"});
        break;
    default: break;
    }
    // The default sans-serif face.
    candidates.insert(candidates.end(), {"Arial", "Helvetica", "Liberation Sans", "DejaVu Sans"});
    wxString result;
    for (const wxString& name : candidates) {
        if (fm->FindFont(name, style)) {
            result = name;
            break;
        }
    }
    familyCache.emplace(key, result);
    return result;
}

double PdfDCImpl::FontSizePt(const wxFont& font) const
{
    double points = font.IsOk() ? font.GetFractionalPointSize() : 0;
    if (!std::isfinite(points) || points <= 0)
        points = kDefaultFontPoints;
    const double sizeUser = points * kFontScale * LengthY(1);
    return sizeUser * doc.GetScaleFactor();
}

bool PdfDCImpl::SelectFont(const wxFont& font) const
{
    wxString style;
    if (font.IsOk()) {
        if (font.GetNumericWeight() >= wxFONTWEIGHT_SEMIBOLD)
            style += "B";
        if (font.GetStyle() == wxFONTSTYLE_ITALIC || font.GetStyle() == wxFONTSTYLE_SLANT)
            style += "I";
    }
    wxString family = ResolveFamily(font, style);
    if (family.empty() && !style.empty()) {
        // No face of the style: the upright regular face rather than no text at all.
        style.clear();
        family = ResolveFamily(font, style);
    }
    if (family.empty())
        return false;
    const double size = FontSizePt(font);
    if (!std::isfinite(size) || size <= 0)
        return false;
    if (font.IsOk() && font.GetUnderlined())
        style += "U";
    return doc.SetFont(family, style, size);
}

void PdfDCImpl::DoGetTextExtent(const wxString& string, wxCoord* x, wxCoord* y, wxCoord* descent,
                                wxCoord* externalLeading, const wxFont* theFont) const
{
    const wxFont& font = theFont && theFont->IsOk() ? *theFont : m_font;
    double width = 0, ascent = 0, desc = 0;
    const wxArrayString lines = wxSplit(string, '\n', '\0');
    if (SelectFont(font)) {
        for (const wxString& line : lines)
            width = std::max(width, doc.GetStringWidth(line));
        ascent = doc.GetFontAscent();
        desc = doc.GetFontDescent();
    } else {
        // No font at all: a rough estimate keeps layouts going.
        const double em = FontSizePt(font) / doc.GetScaleFactor();
        for (const wxString& line : lines)
            width = std::max(width, 0.5 * em * line.length());
        ascent = 0.8 * em;
        desc = 0.2 * em;
    }
    const double lineCount = std::max<size_t>(lines.size(), 1);
    const double unitX = LengthX(1), unitY = LengthY(1);
    if (x)
        *x = unitX > 0 ? ToInt(width / unitX) : 0;
    if (y)
        *y = unitY > 0 ? ToInt(lineCount * (ascent + desc) / unitY) : 0;
    if (descent)
        *descent = unitY > 0 ? ToInt(desc / unitY) : 0;
    if (externalLeading)
        *externalLeading = 0;
}

bool PdfDCImpl::DoGetPartialTextExtents(const wxString& text, wxArrayInt& widths) const
{
    // The toolkit's generic measuring needs a screen font context; the document's own
    // metrics keep this consistent with the drawing. Advances simply add up (no kerning).
    widths.clear();
    const double unitX = LengthX(1);
    const bool haveFont = SelectFont(m_font);
    const double em = FontSizePt(m_font) / doc.GetScaleFactor();
    double sum = 0;
    for (wxUniChar c : text) {
        sum += haveFont ? doc.GetStringWidth(wxString(c)) : 0.5 * em;
        widths.push_back(unitX > 0 ? ToInt(sum / unitX) : 0);
    }
    return true;
}

void PdfDCImpl::DoGetFontMetrics(int* height, int* ascent, int* descent, int* internalLeading, int* externalLeading,
                                 int* averageWidth) const
{
    double asc = 0, desc = 0, avg = 0;
    const double em = FontSizePt(m_font) / doc.GetScaleFactor();
    if (SelectFont(m_font)) {
        asc = doc.GetFontAscent();
        desc = doc.GetFontDescent();
        avg = doc.GetStringWidth("x");
    } else {
        asc = 0.8 * em;
        desc = 0.2 * em;
        avg = 0.5 * em;
    }
    const double unitX = LengthX(1), unitY = LengthY(1);
    auto logicalY = [&](double v) { return unitY > 0 ? ToInt(v / unitY) : 0; };
    if (height)
        *height = logicalY(asc + desc);
    if (ascent)
        *ascent = logicalY(asc);
    if (descent)
        *descent = logicalY(desc);
    if (internalLeading)
        *internalLeading = std::max(0, logicalY(asc + desc - em));
    if (externalLeading)
        *externalLeading = 0;
    if (averageWidth)
        *averageWidth = unitX > 0 ? ToInt(avg / unitX) : 0;
}

wxCoord PdfDCImpl::GetCharHeight() const
{
    int height = 0;
    DoGetFontMetrics(&height, nullptr, nullptr, nullptr, nullptr, nullptr);
    return height;
}

wxCoord PdfDCImpl::GetCharWidth() const
{
    int width = 0;
    DoGetFontMetrics(nullptr, nullptr, nullptr, nullptr, nullptr, &width);
    return width;
}

// ---- Clearing and clipping ------------------------------------------------------------------

void PdfDCImpl::Clear()
{
    if (!HasTarget() || !m_backgroundBrush.IsOk() || m_backgroundBrush.GetStyle() == wxBRUSHSTYLE_TRANSPARENT ||
        !m_backgroundBrush.GetColour().IsOk())
        return;
    ApplyFillColour(m_backgroundBrush.GetColour());
    ApplyAlpha(1, AlphaOf(m_backgroundBrush.GetColour()));
    doc.Rect(0, 0, widthUser, heightUser, PdfStyle::Fill);
}

void PdfDCImpl::DoSetClippingRegion(wxCoord x, wxCoord y, wxCoord w, wxCoord h)
{
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    wxDCImpl::DoSetClippingRegion(x, y, w, h);
    if (!HasTarget())
        return;
    const UserPoint a = ToUser(x, y), b = ToUser(static_cast<double>(x) + w, static_cast<double>(y) + h);
    // A new region intersects the current one, as the nested PDF clip does.
    doc.ClippingRect(std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y));
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

// ---- Pixels, flood fill, gradients ----------------------------------------------------------

bool PdfDCImpl::DoFloodFill(wxCoord, wxCoord, const wxColour&, wxFloodFillStyle)
{
    // A PDF has no pixels to fill from.
    return false;
}

bool PdfDCImpl::DoGetPixel(wxCoord, wxCoord, wxColour*) const
{
    return false;
}

void PdfDCImpl::DoGradientFillLinear(const wxRect& rect, const wxColour& initialColour, const wxColour& destColour,
                                     wxDirection nDirection)
{
    if (!HasTarget() || rect.GetWidth() <= 0 || rect.GetHeight() <= 0)
        return;
    const double l = rect.GetLeft(), t = rect.GetTop();
    const double r = l + rect.GetWidth(), b = t + rect.GetHeight();
    const double my = (t + b) / 2, mx = (l + r) / 2;
    // From the initial colour's side to the destination colour's side, in logical units.
    double x1 = l, y1 = my, x2 = r, y2 = my;
    switch (nDirection) {
    case wxWEST:
        x1 = r;
        x2 = l;
        break;
    case wxNORTH:
        x1 = x2 = mx;
        y1 = b;
        y2 = t;
        break;
    case wxSOUTH:
        x1 = x2 = mx;
        y1 = t;
        y2 = b;
        break;
    default: break;
    }
    const UserPoint a = ToUser(l, t), c = ToUser(r, b);
    const double ux = std::min(a.x, c.x), uy = std::min(a.y, c.y);
    const double uw = std::fabs(c.x - a.x), uh = std::fabs(c.y - a.y);
    if (uw <= 0 || uh <= 0)
        return;
    const UserPoint p1 = ToUser(x1, y1), p2 = ToUser(x2, y2);
    const int id = doc.AxialGradient(Opaque(initialColour), Opaque(destColour), (p1.x - ux) / uw, (p1.y - uy) / uh,
                                     (p2.x - ux) / uw, (p2.y - uy) / uh);
    if (id > 0)
        doc.SetFillGradient(ux, uy, uw, uh, id);
    CalcBoundingBox(rect);
}

void PdfDCImpl::DoGradientFillConcentric(const wxRect& rect, const wxColour& initialColour, const wxColour& destColour,
                                         const wxPoint& circleCenter)
{
    if (!HasTarget() || rect.GetWidth() <= 0 || rect.GetHeight() <= 0)
        return;
    const UserPoint a = ToUser(rect.GetLeft(), rect.GetTop());
    const UserPoint c = ToUser(static_cast<double>(rect.GetLeft()) + rect.GetWidth(),
                               static_cast<double>(rect.GetTop()) + rect.GetHeight());
    const UserPoint centre = ToUser(static_cast<double>(rect.GetLeft()) + circleCenter.x,
                                    static_cast<double>(rect.GetTop()) + circleCenter.y);
    // The toolkit's radius: half the shorter side; beyond it the destination colour.
    const double radius = LengthAvg(std::min(rect.GetWidth(), rect.GetHeight()) / 2.0);
    if (!(radius > 0))
        return;
    const int id = doc.RadialGradient(Opaque(initialColour), Opaque(destColour), centre.x, centre.y, 0, centre.x,
                                      centre.y, radius);
    if (id <= 0)
        return;
    doc.MoveTo(a.x, a.y);
    doc.LineTo(c.x, a.y);
    doc.LineTo(c.x, c.y);
    doc.LineTo(a.x, c.y);
    doc.LineTo(a.x, a.y);
    doc.FillPathWithGradient(id, PdfGradientUnits::UserSpace);
    CalcBoundingBox(rect);
}

// ---- Lines and shapes -----------------------------------------------------------------------

void PdfDCImpl::DoDrawPoint(wxCoord x, wxCoord y)
{
    if (!HasTarget() || !PenVisible())
        return;
    // A point is one pixel on a screen; here a square as wide as the pen, at least one
    // logical unit, over the pixel's place.
    const double side = std::max(m_pen.GetWidth(), 1);
    const double x0 = x + 0.5 - side / 2, y0 = y + 0.5 - side / 2;
    const UserPoint a = ToUser(x0, y0), b = ToUser(x0 + side, y0 + side);
    ApplyFillColour(m_pen.GetColour());
    ApplyAlpha(1, AlphaOf(m_pen.GetColour()));
    doc.Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y), PdfStyle::Fill);
    CalcBoundingBox(x, y);
}

void PdfDCImpl::DoDrawLine(wxCoord x1, wxCoord y1, wxCoord x2, wxCoord y2)
{
    if (!HasTarget() || Prepare(true, false) == PdfStyle::NoOp)
        return;
    const UserPoint a = ToUser(x1, y1), b = ToUser(x2, y2);
    doc.Line(a.x, a.y, b.x, b.y);
    CalcBoundingBox(x1, y1, x2, y2);
}

void PdfDCImpl::DoCrossHair(wxCoord x, wxCoord y)
{
    if (!HasTarget() || Prepare(true, false) == PdfStyle::NoOp)
        return;
    const UserPoint p = ToUser(x, y);
    doc.Line(0, p.y, widthUser, p.y);
    doc.Line(p.x, 0, p.x, heightUser);
    CalcBoundingBox(x, y);
}

void PdfDCImpl::DoDrawLines(int n, const wxPoint points[], wxCoord xoffset, wxCoord yoffset)
{
    if (n < 2 || !points || !HasTarget() || Prepare(true, false) == PdfStyle::NoOp)
        return;
    std::vector<double> xs, ys;
    xs.reserve(n);
    ys.reserve(n);
    for (int i = 0; i < n; ++i) {
        const double lx = static_cast<double>(points[i].x) + xoffset;
        const double ly = static_cast<double>(points[i].y) + yoffset;
        const UserPoint p = ToUser(lx, ly);
        xs.push_back(p.x);
        ys.push_back(p.y);
        CalcBoundingBox(ToInt(lx), ToInt(ly));
    }
    doc.Polyline(xs, ys, PdfStyle::Draw);
}

void PdfDCImpl::DoDrawPolygon(int n, const wxPoint points[], wxCoord xoffset, wxCoord yoffset,
                              wxPolygonFillMode fillStyle)
{
    if (n < 2 || !points || !HasTarget())
        return;
    std::vector<double> xs, ys;
    Rings rings(1);
    for (int i = 0; i < n; ++i) {
        const double lx = static_cast<double>(points[i].x) + xoffset;
        const double ly = static_cast<double>(points[i].y) + yoffset;
        const UserPoint p = ToUser(lx, ly);
        xs.push_back(p.x);
        ys.push_back(p.y);
        rings[0].push_back(p);
        CalcBoundingBox(ToInt(lx), ToInt(ly));
    }
    doc.SetFillingRule(fillStyle == wxWINDING_RULE ? wxWINDING_RULE : wxODDEVEN_RULE);
    PaintShape(rings, [&](int style) { doc.Polygon(xs, ys, style); });
}

void PdfDCImpl::DoDrawPolyPolygon(int n, const int count[], const wxPoint points[], wxCoord xoffset, wxCoord yoffset,
                                  wxPolygonFillMode fillStyle)
{
    if (n <= 0 || !count || !points || !HasTarget())
        return;
    Rings rings;
    int at = 0;
    for (int i = 0; i < n; ++i) {
        const int c = count[i];
        if (c < 0 || c > INT_MAX - at) {
            wxLogDebug("PdfDC: poly-polygon with a bad point count %d", c);
            return;
        }
        std::vector<UserPoint> ring;
        for (int j = 0; j < c; ++j) {
            const double lx = static_cast<double>(points[at + j].x) + xoffset;
            const double ly = static_cast<double>(points[at + j].y) + yoffset;
            ring.push_back(ToUser(lx, ly));
            CalcBoundingBox(ToInt(lx), ToInt(ly));
        }
        at += c;
        if (ring.size() >= 2)
            rings.push_back(std::move(ring));
    }
    if (rings.empty())
        return;
    doc.SetFillingRule(fillStyle == wxWINDING_RULE ? wxWINDING_RULE : wxODDEVEN_RULE);
    if (HatchBrush() && BrushVisible())
        Hatch(rings);
    // One path for the fill, so the filling rule sees every ring; outlines ring by ring.
    if (Prepare(false, true) != PdfStyle::NoOp) {
        for (const auto& ring : rings) {
            doc.MoveTo(ring[0].x, ring[0].y);
            for (size_t i = 1; i < ring.size(); ++i)
                doc.LineTo(ring[i].x, ring[i].y);
        }
        doc.EndPath(PdfStyle::Fill);
    }
    if (Prepare(true, false) != PdfStyle::NoOp) {
        for (const auto& ring : rings) {
            std::vector<double> xs, ys;
            for (const UserPoint& p : ring) {
                xs.push_back(p.x);
                ys.push_back(p.y);
            }
            doc.Polygon(xs, ys, PdfStyle::Draw);
        }
    }
}

void PdfDCImpl::DoDrawRectangle(wxCoord x, wxCoord y, wxCoord width, wxCoord height)
{
    double lx = x, ly = y, lw = width, lh = height;
    if (lw < 0) {
        lx += lw;
        lw = -lw;
    }
    if (lh < 0) {
        ly += lh;
        lh = -lh;
    }
    if (lw == 0 || lh == 0 || !HasTarget())
        return;
    const UserPoint a = ToUser(lx, ly), b = ToUser(lx + lw, ly + lh);
    const double ux = std::min(a.x, b.x), uy = std::min(a.y, b.y);
    const double uw = std::fabs(b.x - a.x), uh = std::fabs(b.y - a.y);
    const Rings rings{{{ux, uy}, {ux + uw, uy}, {ux + uw, uy + uh}, {ux, uy + uh}}};
    PaintShape(rings, [&](int style) { doc.Rect(ux, uy, uw, uh, style); });
    CalcBoundingBox(ToInt(lx), ToInt(ly), ToInt(lx + lw), ToInt(ly + lh));
}

void PdfDCImpl::DoDrawRoundedRectangle(wxCoord x, wxCoord y, wxCoord width, wxCoord height, double radius)
{
    double lx = x, ly = y, lw = width, lh = height;
    if (lw < 0) {
        lx += lw;
        lw = -lw;
    }
    if (lh < 0) {
        ly += lh;
        lh = -lh;
    }
    if (lw == 0 || lh == 0 || !HasTarget())
        return;
    radius = Clean(radius);
    // A negative radius is a proportion of the shorter side.
    if (radius < 0)
        radius = -radius * std::min(lw, lh);
    const UserPoint a = ToUser(lx, ly), b = ToUser(lx + lw, ly + lh);
    const double ux = std::min(a.x, b.x), uy = std::min(a.y, b.y);
    const double uw = std::fabs(b.x - a.x), uh = std::fabs(b.y - a.y);
    const double ur = std::min({std::min(LengthX(radius), LengthY(radius)), uw / 2, uh / 2});
    Rings rings(1);
    if (ur > 0) {
        // The outline for hatching: quarter circles of 8 steps at the corners.
        const UserPoint centres[4] = {
            {ux + uw - ur, uy + ur}, {ux + ur, uy + ur}, {ux + ur, uy + uh - ur}, {ux + uw - ur, uy + uh - ur}};
        for (int q = 0; q < 4; ++q)
            for (int i = 0; i <= 8; ++i) {
                const double t = (q * 90 + i * 90.0 / 8) * kDegToRad;
                rings[0].push_back({centres[q].x + ur * std::cos(t), centres[q].y - ur * std::sin(t)});
            }
    } else {
        rings[0] = {{ux, uy}, {ux + uw, uy}, {ux + uw, uy + uh}, {ux, uy + uh}};
    }
    PaintShape(rings, [&](int style) { doc.RoundedRect(ux, uy, uw, uh, ur, PdfCorner::All, style); });
    CalcBoundingBox(ToInt(lx), ToInt(ly), ToInt(lx + lw), ToInt(ly + lh));
}

void PdfDCImpl::DoDrawEllipse(wxCoord x, wxCoord y, wxCoord width, wxCoord height)
{
    if (width == 0 || height == 0 || !HasTarget())
        return;
    const double lx = x, ly = y, lw = width, lh = height;
    const UserPoint a = ToUser(lx, ly), b = ToUser(lx + lw, ly + lh);
    const double cx = (a.x + b.x) / 2, cy = (a.y + b.y) / 2;
    const double rx = std::fabs(b.x - a.x) / 2, ry = std::fabs(b.y - a.y) / 2;
    if (!(rx > 0) || !(ry > 0))
        return;
    Rings rings(1);
    for (int i = 0; i < 72; ++i) {
        const double t = i * 5 * kDegToRad;
        rings[0].push_back({cx + rx * std::cos(t), cy - ry * std::sin(t)});
    }
    PaintShape(rings, [&](int style) { doc.Ellipse(cx, cy, rx, ry, 0, 0, 360, style); });
    CalcBoundingBox(x, y, ToInt(lx + lw), ToInt(ly + lh));
}

void PdfDCImpl::DoDrawArc(wxCoord x1, wxCoord y1, wxCoord x2, wxCoord y2, wxCoord xc, wxCoord yc)
{
    if (!HasTarget())
        return;
    const double dx1 = static_cast<double>(x1) - xc, dy1 = static_cast<double>(y1) - yc;
    const double dx2 = static_cast<double>(x2) - xc, dy2 = static_cast<double>(y2) - yc;
    const double radius = std::hypot(dx1, dy1);
    if (!(radius > 0))
        return;
    // Logical angles, anticlockwise as seen with y down; the arc runs anticlockwise
    // from the start to the end point, a full circle when they coincide.
    const double a1 = std::atan2(-dy1, dx1) / kDegToRad;
    const double a2 = std::atan2(-dy2, dx2) / kDegToRad;
    double sweep = a2 - a1;
    if (x1 == x2 && y1 == y2)
        sweep = 360;
    else if (sweep <= 0)
        sweep += 360;
    // The same arc after the mapping (which may mirror or stretch it).
    const double sx = Sign(ScaleX()), sy = Sign(ScaleY());
    const double start = std::atan2(-dy1 * sy, dx1 * sx) / kDegToRad;
    const double sweepDevice = FlipsOrientation() ? -sweep : sweep;
    const UserPoint c = ToUser(xc, yc);
    const double rx = LengthX(radius), ry = LengthY(radius);
    Rings rings(1);
    rings[0].push_back(c);
    for (int i = 0; i <= 72; ++i) {
        const double t = (start + sweepDevice * i / 72) * kDegToRad;
        rings[0].push_back({c.x + rx * std::cos(t), c.y - ry * std::sin(t)});
    }
    PaintShape(rings, [&](int style) {
        doc.Ellipse(c.x, c.y, rx, ry, 0, start, start + sweepDevice, style, 8, std::fabs(sweep) < 360);
    });
    CalcBoundingBox(ToInt(xc - radius), ToInt(yc - radius), ToInt(xc + radius), ToInt(yc + radius));
}

void PdfDCImpl::DoDrawEllipticArc(wxCoord x, wxCoord y, wxCoord w, wxCoord h, double sa, double ea)
{
    if (!HasTarget() || w == 0 || h == 0)
        return;
    if (!std::isfinite(sa) || !std::isfinite(ea)) {
        wxLogDebug("PdfDC: elliptic arc with angles that are not finite numbers ignored");
        return;
    }
    const double lx = x, ly = y, lw = w, lh = h;
    const UserPoint a = ToUser(lx, ly), b = ToUser(lx + lw, ly + lh);
    const double cx = (a.x + b.x) / 2, cy = (a.y + b.y) / 2;
    const double rx = std::fabs(b.x - a.x) / 2, ry = std::fabs(b.y - a.y) / 2;
    if (!(rx > 0) || !(ry > 0))
        return;
    double sweep = ea - sa; // negative: clockwise
    const bool full = sweep == 0 || std::fabs(sweep) >= 360;
    if (full)
        sweep = 360;
    const double sx = Sign(ScaleX()), sy = Sign(ScaleY());
    const double start = std::atan2(sy * std::sin(sa * kDegToRad), sx * std::cos(sa * kDegToRad)) / kDegToRad;
    const double sweepDevice = FlipsOrientation() ? -sweep : sweep;
    Rings rings(1);
    if (!full)
        rings[0].push_back({cx, cy});
    for (int i = 0; i <= 72; ++i) {
        const double t = (start + sweepDevice * i / 72) * kDegToRad;
        rings[0].push_back({cx + rx * std::cos(t), cy - ry * std::sin(t)});
    }
    if (HatchBrush() && BrushVisible())
        Hatch(rings);
    // The brush fills the pie; the pen draws the arc only.
    if (Prepare(false, true) != PdfStyle::NoOp)
        doc.Ellipse(cx, cy, rx, ry, 0, start, start + sweepDevice, PdfStyle::Fill, 8, !full);
    if (Prepare(true, false) != PdfStyle::NoOp)
        doc.Ellipse(cx, cy, rx, ry, 0, start, start + sweepDevice, PdfStyle::Draw, 8, false);
    CalcBoundingBox(x, y, ToInt(lx + lw), ToInt(ly + lh));
}

// ---- Bitmaps --------------------------------------------------------------------------------

void PdfDCImpl::DrawImage(const wxImage& image, double x, double y, double w, double h)
{
    if (!image.IsOk() || !(w > 0) || !(h > 0))
        return;
    doc.Image(NextImageName(), image, x, y, w, h);
}

void PdfDCImpl::DoDrawBitmap(const wxBitmap& bmp, wxCoord x, wxCoord y, bool useMask)
{
    if (!bmp.IsOk() || !HasTarget())
        return;
    wxImage image = bmp.ConvertToImage();
    if (!image.IsOk())
        return;
    if (!useMask && image.HasMask())
        image.SetMask(false);
    const double lx = x, ly = y;
    const UserPoint a = ToUser(lx, ly), b = ToUser(lx + bmp.GetWidth(), ly + bmp.GetHeight());
    if (ScaleX() < 0)
        image = image.Mirror(true);
    if (ScaleY() < 0)
        image = image.Mirror(false);
    DrawImage(image, std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y));
    CalcBoundingBox(x, y, ToInt(lx + bmp.GetWidth()), ToInt(ly + bmp.GetHeight()));
}

void PdfDCImpl::DoDrawIcon(const wxIcon& icon, wxCoord x, wxCoord y)
{
    if (!icon.IsOk())
        return;
    wxBitmap bmp;
    bmp.CopyFromIcon(icon);
    DoDrawBitmap(bmp, x, y, true);
}

bool PdfDCImpl::DoBlit(wxCoord xdest, wxCoord ydest, wxCoord width, wxCoord height, wxDC* source, wxCoord xsrc,
                       wxCoord ysrc, wxRasterOperationMode rop, bool useMask, wxCoord xsrcMask, wxCoord ysrcMask)
{
    return DoStretchBlit(xdest, ydest, width, height, source, xsrc, ysrc, width, height, rop, useMask, xsrcMask,
                         ysrcMask);
}

bool PdfDCImpl::DoStretchBlit(wxCoord xdest, wxCoord ydest, wxCoord dstWidth, wxCoord dstHeight, wxDC* source,
                              wxCoord xsrc, wxCoord ysrc, wxCoord srcWidth, wxCoord srcHeight,
                              wxRasterOperationMode rop, bool useMask, wxCoord, wxCoord)
{
    if (!source || !source->IsOk() || dstWidth == 0 || dstHeight == 0 || srcWidth <= 0 || srcHeight <= 0)
        return false;
    if (rop != wxCOPY)
        wxLogDebug("PdfDC: blit with raster operation %d drawn as a plain copy", static_cast<int>(rop));
    // The source's pixels, in its device units.
    const wxPoint p = source->LogicalToDevice(xsrc, ysrc);
    const wxSize s = source->LogicalToDeviceRel(srcWidth, srcHeight);
    wxRect rect(p.x, p.y, std::abs(s.x), std::abs(s.y));
    wxBitmap bmp;
    if (auto* memory = wxDynamicCast(source, wxMemoryDC)) {
        const wxBitmap& selected = memory->GetSelectedBitmap();
        if (selected.IsOk()) {
            rect.Intersect(wxRect(0, 0, selected.GetWidth(), selected.GetHeight()));
            if (!rect.IsEmpty())
                bmp = selected.GetSubBitmap(rect);
        }
    } else {
        bmp = source->GetAsBitmap(&rect);
    }
    if (!bmp.IsOk() || !HasTarget())
        return false;
    wxImage image = bmp.ConvertToImage();
    if (!image.IsOk())
        return false;
    if (!useMask && image.HasMask())
        image.SetMask(false);
    const double lx = xdest, ly = ydest;
    const UserPoint a = ToUser(lx, ly), b = ToUser(lx + dstWidth, ly + dstHeight);
    if ((b.x < a.x) != (dstWidth < 0))
        image = image.Mirror(true);
    if ((b.y < a.y) != (dstHeight < 0))
        image = image.Mirror(false);
    DrawImage(image, std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y));
    CalcBoundingBox(xdest, ydest, ToInt(lx + dstWidth), ToInt(ly + dstHeight));
    return true;
}

// ---- Text -----------------------------------------------------------------------------------

void PdfDCImpl::DoDrawText(const wxString& text, wxCoord x, wxCoord y)
{
    DrawTextLines(text, x, y, 0);
}

void PdfDCImpl::DoDrawRotatedText(const wxString& text, wxCoord x, wxCoord y, double angle)
{
    DrawTextLines(text, x, y, Clean(angle));
}

void PdfDCImpl::DrawTextLines(const wxString& text, wxCoord x, wxCoord y, double angle)
{
    if (text.empty() || !HasTarget() || !SelectFont(m_font))
        return;
    const double ascent = doc.GetFontAscent(), descent = doc.GetFontDescent();
    const double lineHeight = ascent + descent;
    // The text's direction as seen on the page: the mapping may mirror an axis, but
    // glyphs always stay upright and readable, as on a screen.
    const double a = angle * kDegToRad;
    const double seen = std::atan2(std::sin(a) * Sign(ScaleY()), std::cos(a) * Sign(ScaleX()));
    const double cs = std::cos(seen), sn = std::sin(seen);
    const UserPoint dir{cs, -sn}; // along the baseline (y down)
    const UserPoint down{sn, cs}; // from the top of a line towards its bottom
    const double seenDeg = std::fabs(seen) < 1e-12 ? 0 : seen / kDegToRad;
    const UserPoint origin = ToUser(x, y);
    const double k = doc.GetScaleFactor();

    doc.SetTextColour(m_textForegroundColour.IsOk() ? Opaque(m_textForegroundColour) : PdfColour());
    doc.SetTextRenderMode(PdfTextFill);
    const bool opaqueBackground =
        m_backgroundMode == wxBRUSHSTYLE_SOLID && m_textBackgroundColour.IsOk() && m_textBackgroundColour.Alpha() > 0;
    const wxArrayString lines = wxSplit(text, '\n', '\0');
    double widest = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        wxString line = lines[i];
        line.Replace("\r", "");
        const double width = doc.GetStringWidth(line);
        widest = std::max(widest, width);
        const UserPoint top{origin.x + down.x * lineHeight * i, origin.y + down.y * lineHeight * i};
        if (opaqueBackground && width > 0) {
            ApplyFillColour(m_textBackgroundColour);
            ApplyAlpha(1, AlphaOf(m_textBackgroundColour));
            doc.Polygon({top.x, top.x + dir.x * width, top.x + dir.x * width + down.x * lineHeight,
                         top.x + down.x * lineHeight},
                        {top.y, top.y + dir.y * width, top.y + dir.y * width + down.y * lineHeight,
                         top.y + down.y * lineHeight},
                        PdfStyle::Fill);
        }
        if (line.empty())
            continue;
        ApplyAlpha(1, AlphaOf(m_textForegroundColour));
        const UserPoint base{top.x + down.x * ascent, top.y + down.y * ascent};
        if (seenDeg == 0) {
            doc.Text(base.x, base.y, line);
        } else {
            // Turned about the start of the baseline (the document's Rotate would read
            // negative coordinates as "the pen's position").
            const double px = base.x * k, py = base.y * k;
            doc.StartTransform();
            doc.Transform(cs, -sn, sn, cs, px - px * cs - py * sn, py + px * sn - py * cs);
            doc.Text(base.x, base.y, line);
            doc.StopTransform();
        }
        if (m_font.IsOk() && m_font.GetStrikethrough()) {
            const double lift = 0.3 * ascent;
            const UserPoint s0{base.x - down.x * lift, base.y - down.y * lift};
            doc.SetLineStyle(
                PdfLineStyle(std::max(lineHeight / 20, kUserPerDevice / 2), 0, 0, {}, 0, doc.GetTextColour()));
            doc.Line(s0.x, s0.y, s0.x + dir.x * width, s0.y + dir.y * width);
        }
    }
    const double unitX = LengthX(1), unitY = LengthY(1);
    if (unitX > 0 && unitY > 0)
        CalcBoundingBox(x, y, ToInt(x + widest / unitX), ToInt(y + lines.size() * lineHeight / unitY));
}
