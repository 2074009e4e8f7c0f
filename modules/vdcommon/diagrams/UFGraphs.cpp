#include "vdcommon/diagrams/UFGraphs.h"

#include "vdcommon/diagrams/DrawUtilities.h"

#include <wx/brush.h>
#include <wx/colour.h>
#include <wx/font.h>
#include <wx/gdicmn.h>
#include <wx/pen.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <numbers>
#include <vector>

namespace uf {

struct GraphLayout {
    wxGraphicsContext* context = nullptr; // not owned

    double frameWidth = 640;
    double frameHeight = 360;
    double moduleHeight = 180;
    double moduleWidth = 60;
    double boxSize = 60;

    wxPoint2DDouble moduleTopLeft{290, 90};
    wxPoint2DDouble moduleTop{320, 90};
    wxPoint2DDouble moduleBottom{320, 270};
    wxPoint2DDouble tankBox{515, 30};
    wxPoint2DDouble tankLeftMiddle{515, 60};
    wxPoint2DDouble airScourBox{170, 180};
    wxPoint2DDouble chemicalBoxes[3] = {{365, 180}, {440, 180}, {515, 180}};
    double feedLevel = 315;
    double treatedLevel = 60;

    double scale = 1;

    // A size that is not a number gives a scale that is not one either, so such a
    // graph draws nothing instead of drawing at some accidental scale.
    void SetScale(double width, double height)
    {
        if (std::isnan(width) || std::isnan(height))
            scale = std::numeric_limits<double>::quiet_NaN();
        else
            scale = std::min(height / frameHeight, width / frameWidth);
    }
};

namespace {

wxColour Named(const char* name)
{
    if (wxTheColourDatabase) {
        const wxColour colour = wxTheColourDatabase->Find(name);
        if (colour.IsOk())
            return colour;
    }
    return *wxBLACK;
}

int RoundToInt(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(std::round(value), double(INT_MIN), double(INT_MAX)));
}

wxFont LabelFont(int points)
{
    return wxFont(wxFontInfo(points).Family(wxFONTFAMILY_DEFAULT).Bold());
}

// Saves the context, scales it to logical units and restores it at the end. A scale
// that is not a positive finite number would leave the context unusable, so nothing is
// drawn then.
class ScaledDrawing
{
public:
    explicit ScaledDrawing(const GraphLayout& layout)
        : context(layout.context), ok(layout.context && std::isfinite(layout.scale) && layout.scale > 0)
    {
        if (!ok)
            return;
        context->PushState();
        context->Scale(layout.scale, layout.scale);
    }
    ~ScaledDrawing()
    {
        if (ok)
            context->PopState();
    }
    ScaledDrawing(const ScaledDrawing&) = delete;
    ScaledDrawing& operator=(const ScaledDrawing&) = delete;

    explicit operator bool() const { return ok; }

private:
    wxGraphicsContext* context;
    bool ok;
};

// Text extents are measured in the unscaled context, before ScaledDrawing applies.
bool CanDraw(const GraphLayout& layout)
{
    return layout.context && std::isfinite(layout.scale) && layout.scale > 0;
}

void DrawModule(GraphLayout& layout, double x, double y, double w, double h, const wxColour& colourA,
                const wxColour& colourB)
{
    ScaledDrawing scaled(layout);
    if (!scaled)
        return;
    wxGraphicsContext* gc = layout.context;
    gc->SetPen(wxPen(Named("black"), 1, wxPENSTYLE_SOLID));

    wxGraphicsPath upper = gc->CreatePath();
    upper.MoveToPoint(x, y);
    upper.AddLineToPoint(x, y + h);
    upper.AddLineToPoint(x + w, y);
    upper.AddLineToPoint(x, y);
    gc->SetBrush(wxBrush(colourA));
    gc->DrawPath(upper, wxODDEVEN_RULE);

    wxGraphicsPath lower = gc->CreatePath();
    lower.MoveToPoint(x, y + h);
    lower.AddLineToPoint(x + w, y);
    lower.AddLineToPoint(x + w, y + h);
    lower.AddLineToPoint(x, y + h);
    gc->SetBrush(wxBrush(colourB));
    gc->DrawPath(lower, wxODDEVEN_RULE);
}

void DrawFlowLine(GraphLayout& layout, std::initializer_list<wxPoint2DDouble> points, const wxColour& colour,
                  double arrowLength = 10, double penWidth = 2)
{
    if (points.size() < 2)
        return;
    ScaledDrawing scaled(layout);
    if (!scaled)
        return;
    wxGraphicsContext* gc = layout.context;
    const std::vector<wxPoint2DDouble> p(points);
    const size_t n = p.size();

    wxGraphicsPath path = gc->CreatePath();
    path.MoveToPoint(p[0]);
    for (size_t i = 1; i + 1 < n; ++i)
        path.AddLineToPoint(p[i]);
    if (arrowLength < 0) {
        const wxPoint2DDouble d = p[n - 1] - p[n - 2];
        arrowLength = std::hypot(d.m_x, d.m_y) / 4;
    }
    drawUtilities::AddArrowToPath(&path, p[n - 2], p[n - 1], arrowLength, 45);
    gc->SetPen(wxPen(colour, static_cast<int>(penWidth), wxPENSTYLE_SOLID));
    gc->StrokePath(path);
}

void DrawBox(GraphLayout& layout, const wxString& text, const wxColour& fill, const wxColour& border, double x,
             double y, double w, double h)
{
    if (!CanDraw(layout))
        return;
    wxGraphicsContext* gc = layout.context;
    gc->SetFont(LabelFont(6), Named("black"));
    double tw = 0;
    double th = 0;
    if (!text.empty())
        gc->GetTextExtent(text, &tw, &th);

    ScaledDrawing scaled(layout);
    wxGraphicsPath path = gc->CreatePath();
    path.AddRectangle(x, y, w, h);
    gc->SetBrush(wxBrush(fill));
    gc->SetPen(wxPen(border, 1, wxPENSTYLE_SOLID));
    gc->FillPath(path);
    gc->StrokePath(path);
    if (!text.empty())
        gc->DrawText(text, x + w / 2 - tw / 2, y + h / 2 - th / 2);
}

void DrawLabel(GraphLayout& layout, const wxString& text, double x, double y, double angle = 0)
{
    if (text.empty())
        return;
    ScaledDrawing scaled(layout);
    if (!scaled)
        return;
    layout.context->SetFont(LabelFont(9), Named("black"));
    if (angle == 0)
        layout.context->DrawText(text, x, y);
    else
        layout.context->DrawText(text, x, y, angle);
}

void DrawRotatedLabel(GraphLayout& layout, const wxString& text, double x, double y)
{
    DrawLabel(layout, text, x, y, std::numbers::pi / 2);
}

void DrawTheModule(GraphLayout& layout)
{
    DrawModule(layout, layout.moduleTopLeft.m_x, layout.moduleTopLeft.m_y, layout.moduleWidth, layout.moduleHeight,
               Named("cyan"), Named("blue"));
}

// Steps shared by both overviews: module, feed and drain, tank with the treated-water
// line, air scour.
void DrawOverviewCommon(GraphLayout& layout, const wxString& t1, const wxString& t2, const wxString& t3,
                        const wxString& t4)
{
    DrawTheModule(layout);
    DrawLabel(layout, t1, 15, 295);
    DrawFlowLine(layout, {{0, 315}, {305, 315}, {305, 270}}, Named("blue"));
    DrawFlowLine(layout, {{335, 270}, {335, 315}, {635, 315}}, Named("brown"));
    DrawBox(layout, t2, Named("cyan"), Named("black"), layout.tankBox.m_x, layout.tankBox.m_y, layout.boxSize,
            layout.boxSize);
    DrawLabel(layout, t3, 320, 40);
    DrawFlowLine(layout, {{515, 60}, {320, 60}, {320, 90}}, Named("cyan"), 0);
    DrawFlowLine(layout, {{575, 60}, {635, 60}}, Named("cyan"));
    DrawBox(layout, t4, Named("grey"), Named("black"), layout.airScourBox.m_x, layout.airScourBox.m_y, layout.boxSize,
            layout.boxSize);
    DrawFlowLine(layout, {{200, 240}, {200, 315}}, Named("grey"));
}

void DrawThirdChemical(GraphLayout& layout, const wxString& lineText)
{
    DrawRotatedLabel(layout, lineText, 430, 145);
    DrawFlowLine(layout, {{545, 180}, {545, 150}, {445, 150}, {445, 60}}, Named("grey"));
}

} // namespace

// ---- Graph ------------------------------------------------------------------------

Graph::Graph(wxGraphicsContext* context, double width, double height) : layout(std::make_unique<GraphLayout>())
{
    layout->context = context;
    layout->SetScale(width, height);
}

Graph::Graph(Graph&&) noexcept = default;
Graph& Graph::operator=(Graph&&) noexcept = default;
Graph::~Graph() = default;

int Graph::GetWidth() const
{
    return layout ? RoundToInt(layout->frameWidth * layout->scale) : 0;
}

int Graph::GetHeight() const
{
    return layout ? RoundToInt(layout->frameHeight * layout->scale) : 0;
}

wxSize Graph::GetSize() const
{
    return wxSize(GetWidth(), GetHeight());
}

double Graph::GetScale() const
{
    return layout ? layout->scale : 0.0;
}

void Graph::SetSize(int width, int height)
{
    if (layout)
        layout->SetScale(width, height);
}

void Graph::SetSize(const wxSize& size)
{
    SetSize(size.GetWidth(), size.GetHeight());
}

// ---- pictures ---------------------------------------------------------------------

DesignGraph::DesignGraph(wxGraphicsContext* context, double width, double height, const wxString& feedText)
    : Graph(context, width, height)
{
    GraphLayout& l = Layout();
    DrawTheModule(l);
    DrawLabel(l, feedText, 15, 295);
    DrawFlowLine(l, {{0, 315}, {320, 315}, {320, 270}}, Named("blue"));
    DrawFlowLine(l, {{320, 90}, {320, 60}, {515, 60}}, Named("cyan"));
}

BackwashGraph::BackwashGraph(wxGraphicsContext* context, double width, double height, const wxString& /*firstText*/,
                             const wxString& tankText)
    : Graph(context, width, height)
{
    GraphLayout& l = Layout();
    DrawTheModule(l);
    DrawFlowLine(l, {{0, 315}, {320, 315}, {320, 270}}, Named("blue"));
    DrawBox(l, wxEmptyString, Named("cyan"), Named("black"), l.tankBox.m_x, l.tankBox.m_y, l.boxSize, l.boxSize);
    DrawLabel(l, tankText, 320, 40);
    DrawFlowLine(l, {{515, 60}, {320, 60}, {320, 90}}, Named("cyan"));
}

OverviewGraph::OverviewGraph(wxGraphicsContext* context, double width, double height, const wxString& t1,
                             const wxString& t2, const wxString& t3, const wxString& t4, const wxString& t5,
                             const wxString& t6, const wxString& t7, const wxString& t8, const wxString& t9,
                             const wxString& t10)
    : Graph(context, width, height)
{
    GraphLayout& l = Layout();
    DrawOverviewCommon(l, t1, t2, t3, t4);
    const wxColour grey = Named("grey");
    const wxColour black = Named("black");
    DrawBox(l, t5, grey, black, l.chemicalBoxes[0].m_x, l.chemicalBoxes[0].m_y, l.boxSize, l.boxSize);
    DrawBox(l, t7, grey, black, l.chemicalBoxes[1].m_x, l.chemicalBoxes[1].m_y, l.boxSize, l.boxSize);
    DrawBox(l, t9, grey, black, l.chemicalBoxes[2].m_x, l.chemicalBoxes[2].m_y, l.boxSize, l.boxSize);
    DrawRotatedLabel(l, t6, 380, 145);
    DrawFlowLine(l, {{395, 180}, {395, 60}}, grey);
    DrawRotatedLabel(l, t8, 405, 145);
    DrawFlowLine(l, {{470, 180}, {470, 165}, {420, 165}, {420, 60}}, grey);
    DrawThirdChemical(l, t10);
}

OverviewGraphSeawater::OverviewGraphSeawater(wxGraphicsContext* context, double width, double height,
                                             const wxString& t1, const wxString& t2, const wxString& t3,
                                             const wxString& t4, const wxString& t5, const wxString& t6)
    : Graph(context, width, height)
{
    GraphLayout& l = Layout();
    DrawOverviewCommon(l, t1, t2, t3, t4);
    DrawBox(l, t5, Named("grey"), Named("black"), l.chemicalBoxes[2].m_x, l.chemicalBoxes[2].m_y, l.boxSize, l.boxSize);
    DrawThirdChemical(l, t6);
}

} // namespace uf
