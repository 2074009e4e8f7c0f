#include "pdf/PdfSvgSupport.h"
#include "pdf/PdfDocumentImpl.h"

#include <algorithm>
#include <cmath>

using namespace vdpdf;

namespace pdfsvg {

void SetPageSize(PdfDocument& document, double widthPt, double heightPt)
{
    if (!(widthPt > 0) || !(heightPt > 0) || !std::isfinite(widthPt) || !std::isfinite(heightPt))
        return;
    DocState& s = PdfDocumentAccess::Of(document);
    s.defWPt = widthPt;
    s.defHPt = heightPt;
    s.defOrientation = wxPORTRAIT;
    s.curOrientation = wxPORTRAIT;
}

void Out(PdfDocument& document, std::string_view operators)
{
    DocState& s = PdfDocumentAccess::Of(document);
    if (!EnsureTarget(document, s))
        return;
    s.Out().append(operators);
    // Anything may have changed; the document writes its state again when needed.
    document.OutAscii(wxEmptyString, false);
}

int AlphaState(PdfDocument& document, double strokeAlpha, double fillAlpha)
{
    DocState& s = PdfDocumentAccess::Of(document);
    if (!EnsureTarget(document, s))
        return 0;
    auto clamp = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 1.0; };
    const int id = s.ExtGStateId(clamp(strokeAlpha), clamp(fillAlpha), PdfBlendMode::Normal);
    s.Res().Add(Resources::GState, id);
    return id;
}

int SoftMaskState(PdfDocument& document, int groupId)
{
    DocState& s = PdfDocumentAccess::Of(document);
    if (!EnsureTarget(document, s) || groupId < 1 || groupId > static_cast<int>(s.templates.size()))
        return 0;
    ExtGState state;
    state.softMask = groupId;
    s.extGStates.push_back(state);
    const int id = static_cast<int>(s.extGStates.size());
    s.Res().Add(Resources::GState, id);
    return id;
}

int Shading(PdfDocument& document, int type, const std::vector<double>& coords,
            const std::vector<std::pair<double, PdfColour>>& stops)
{
    DocState& s = PdfDocumentAccess::Of(document);
    if (stops.empty() || (type != 2 && type != 3) || coords.size() != (type == 2 ? 4u : 6u) ||
        !std::all_of(coords.begin(), coords.end(), [](double v) { return std::isfinite(v); }))
        return 0;
    if (!EnsureTarget(document, s))
        return 0;
    Gradient g;
    g.type = type;
    g.coords = coords;
    for (const auto& stop : stops) {
        const double offset = std::isfinite(stop.first) ? std::clamp(stop.first, 0.0, 1.0) : 0.0;
        g.stops.emplace_back(g.stops.empty() ? offset : std::max(offset, g.stops.back().first), stop.second);
    }
    if (g.stops.size() == 1)
        g.stops.push_back({1.0, g.stops.front().second});
    s.gradients.push_back(std::move(g));
    const int id = static_cast<int>(s.gradients.size());
    s.Res().Add(Resources::Shading, id);
    return id;
}

int BeginGroup(PdfDocument& document, const double bbox[4])
{
    DocState& s = PdfDocumentAccess::Of(document);
    if (!EnsureTarget(document, s))
        return 0;
    const int id = document.BeginTemplate(0, 0, 0, 0);
    if (id == 0)
        return 0;
    Template& t = *s.templates[id - 1];
    t.group = true;
    std::copy(bbox, bbox + 4, t.bbox);
    // No flip: the group is drawn in the coordinates of the place that paints it.
    s.Out().clear();
    document.OutAscii(wxEmptyString, false);
    return id;
}

int EndGroup(PdfDocument& document)
{
    return document.EndTemplate();
}

void PaintGroup(PdfDocument& document, int groupId)
{
    DocState& s = PdfDocumentAccess::Of(document);
    if (groupId < 1 || groupId > static_cast<int>(s.templates.size()) || !s.templates[groupId - 1]->done ||
        !EnsureTarget(document, s))
        return;
    std::string& out = s.Out();
    out += "/TPL";
    AppendInt(out, groupId);
    out += " Do\n";
    s.Res().Add(Resources::Form, groupId);
}

} // namespace pdfsvg
