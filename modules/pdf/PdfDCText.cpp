// PdfDC's device context: fonts, text measurement and drawing text.
#include "pdf/PdfDCImpl.h"

#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/pdf/PdfFontManager.h"

#include <wx/tokenzr.h>

#include <algorithm>
#include <cmath>

using namespace vdpdf::dc;

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

PdfDCImpl::FontBox PdfDCImpl::MeasureFont(const wxFont& font) const
{
    FontBox box{0, 0, FontSizePt(font) / doc.GetScaleFactor(), SelectFont(font)};
    if (box.selected) {
        box.ascent = doc.GetFontAscent();
        box.descent = doc.GetFontDescent();
    } else {
        // No font at all: a rough estimate keeps layouts going.
        box.ascent = 0.8 * box.em;
        box.descent = 0.2 * box.em;
    }
    return box;
}

void PdfDCImpl::DoGetTextExtent(const wxString& string, wxCoord* x, wxCoord* y, wxCoord* descent,
                                wxCoord* externalLeading, const wxFont* theFont) const
{
    const wxFont& font = theFont && theFont->IsOk() ? *theFont : m_font;
    const wxArrayString lines = wxSplit(string, '\n', '\0');
    const FontBox box = MeasureFont(font);
    double width = 0;
    for (const wxString& line : lines)
        width = std::max(width, box.selected ? doc.GetStringWidth(line) : 0.5 * box.em * line.length());
    const double lineCount = std::max<size_t>(lines.size(), 1);
    const double unitX = LengthX(1), unitY = LengthY(1);
    if (x)
        *x = unitX > 0 ? ToInt(width / unitX) : 0;
    if (y)
        *y = unitY > 0 ? ToInt(lineCount * (box.ascent + box.descent) / unitY) : 0;
    if (descent)
        *descent = unitY > 0 ? ToInt(box.descent / unitY) : 0;
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
    const FontBox box = MeasureFont(m_font);
    const double asc = box.ascent, desc = box.descent, em = box.em;
    const double avg = box.selected ? doc.GetStringWidth("x") : 0.5 * em;
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

// ---- Drawing text ---------------------------------------------------------------------------

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
    TextFrame f;
    f.ascent = doc.GetFontAscent();
    const double descent = doc.GetFontDescent();
    f.lineHeight = f.ascent + descent;
    // The text's direction as seen on the page: the mapping may mirror an axis, but
    // glyphs always stay upright and readable, as on a screen.
    const double a = angle * kDegToRad;
    const double seen = SeenAngle(std::cos(a), std::sin(a));
    f.cs = std::cos(seen);
    f.sn = std::sin(seen);
    f.dir = {f.cs, -f.sn}; // along the baseline (y down)
    f.down = {f.sn, f.cs}; // from the top of a line towards its bottom
    f.seenDeg = std::fabs(seen) < 1e-12 ? 0 : seen / kDegToRad;
    const UserPoint origin = ToUser(x, y);

    doc.SetTextColour(m_textForegroundColour.IsOk() ? Opaque(m_textForegroundColour) : PdfColour());
    doc.SetTextRenderMode(PdfTextFill);
    f.opaqueBackground =
        m_backgroundMode == wxBRUSHSTYLE_SOLID && m_textBackgroundColour.IsOk() && m_textBackgroundColour.Alpha() > 0;
    const wxArrayString lines = wxSplit(text, '\n', '\0');
    double widest = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        wxString line = lines[i];
        line.Replace("\r", "");
        const double width = doc.GetStringWidth(line);
        widest = std::max(widest, width);
        const UserPoint top{origin.x + f.down.x * f.lineHeight * i, origin.y + f.down.y * f.lineHeight * i};
        DrawTextLine(line, width, top, f);
    }
    const double unitX = LengthX(1), unitY = LengthY(1);
    if (unitX > 0 && unitY > 0)
        CalcBoundingBox(x, y, ToInt(x + widest / unitX), ToInt(y + lines.size() * f.lineHeight / unitY));
}

void PdfDCImpl::DrawTextLine(const wxString& line, double width, UserPoint top, const TextFrame& f)
{
    const UserPoint dir = f.dir, down = f.down;
    const double lineHeight = f.lineHeight;
    if (f.opaqueBackground && width > 0) {
        ApplyFill(m_textBackgroundColour);
        doc.Polygon(
            {top.x, top.x + dir.x * width, top.x + dir.x * width + down.x * lineHeight, top.x + down.x * lineHeight},
            {top.y, top.y + dir.y * width, top.y + dir.y * width + down.y * lineHeight, top.y + down.y * lineHeight},
            PdfStyle::Fill);
    }
    if (line.empty())
        return;
    ApplyAlpha(1, AlphaOf(m_textForegroundColour));
    const UserPoint base{top.x + down.x * f.ascent, top.y + down.y * f.ascent};
    if (f.seenDeg == 0) {
        doc.Text(base.x, base.y, line);
    } else {
        // Turned about the start of the baseline (the document's Rotate would read
        // negative coordinates as "the pen's position").
        const double k = doc.GetScaleFactor();
        const double cs = f.cs, sn = f.sn;
        const double px = base.x * k, py = base.y * k;
        doc.StartTransform();
        doc.Transform(cs, -sn, sn, cs, px - px * cs - py * sn, py + px * sn - py * cs);
        doc.Text(base.x, base.y, line);
        doc.StopTransform();
    }
    if (m_font.IsOk() && m_font.GetStrikethrough()) {
        const double lift = 0.3 * f.ascent;
        const UserPoint s0{base.x - down.x * lift, base.y - down.y * lift};
        doc.SetLineStyle(PdfLineStyle(std::max(lineHeight / 20, kUserPerDevice / 2), 0, 0, {}, 0, doc.GetTextColour()));
        doc.Line(s0.x, s0.y, s0.x + dir.x * width, s0.y + dir.y * width);
    }
}
