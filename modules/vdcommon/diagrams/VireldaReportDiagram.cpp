#include "vdcommon/diagrams/VireldaReportDiagram.h"

#include "vdcommon/diagrams/UFDiagramTexts.h"
#include "vdcommon/diagrams/UFGraphs.h"

#include <wx/graphics.h>

#include <memory>

VireldaReportDiagram::~VireldaReportDiagram() = default;

UFReportDiagramBase::UFReportDiagramBase(const wxXmlNode* diagramNode, double diagramSize, const wxString& diagramName)
    : node(diagramNode), size(diagramSize), name(diagramName)
{}

wxImage UFReportDiagramBase::GetImage()
{
    return image;
}

wxString UFReportDiagramBase::GetName()
{
    return name;
}

bool UFReportDiagramBase::BeginImage()
{
    image = wxImage(ImageWidth, ImageHeight, false);
    image.Clear(255);
    return node != nullptr;
}

namespace {

// Renders one graph into the image: the context writes its pixels back into the image
// when it is destroyed, after the graph is done.
template <typename MakeGraph>
void Render(wxImage& image, MakeGraph makeGraph)
{
    std::unique_ptr<wxGraphicsContext> context(wxGraphicsContext::Create(image));
    if (!context)
        return;
    {
        auto graph = makeGraph(context.get(), double(image.GetWidth()), double(image.GetHeight()));
        (void)graph;
    }
    context.reset();
}

} // namespace

UFDesignDiagram::UFDesignDiagram(const wxXmlNode* diagramNode, double diagramSize)
    : UFReportDiagramBase(diagramNode, diagramSize, "uf_design_diagram")
{
    Create();
}

void UFDesignDiagram::Create()
{
    if (!BeginImage())
        return;
    const wxString feed = ufDiagramTexts::DesignFeedText(node);
    Render(image, [&](wxGraphicsContext* gc, double w, double h) { return uf::DesignGraph(gc, w, h, feed); });
}

UFBackwashDiagram::UFBackwashDiagram(const wxXmlNode* diagramNode, double diagramSize)
    : UFReportDiagramBase(diagramNode, diagramSize, "uf_backwash_diagram")
{
    Create();
}

void UFBackwashDiagram::Create()
{
    if (!BeginImage())
        return;
    // The backwash picture is the design picture with the backwash rate under the feed.
    const wxString backwash = ufDiagramTexts::BackwashText(node);
    Render(image, [&](wxGraphicsContext* gc, double w, double h) { return uf::DesignGraph(gc, w, h, backwash); });
}

UFOverviewDiagram::UFOverviewDiagram(const wxXmlNode* diagramNode, double diagramSize)
    : UFReportDiagramBase(diagramNode, diagramSize, "uf_overview_diagram")
{
    Create();
}

void UFOverviewDiagram::Create()
{
    if (!BeginImage())
        return;
    const auto t = ufDiagramTexts::OverviewTexts(node);
    Render(image, [&](wxGraphicsContext* gc, double w, double h) {
        return uf::OverviewGraph(gc, w, h, t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8], t[9]);
    });
}

UFOverviewSeawaterDiagram::UFOverviewSeawaterDiagram(const wxXmlNode* diagramNode, double diagramSize)
    : UFReportDiagramBase(diagramNode, diagramSize, "uf_overview_diagram_seawater")
{
    Create();
}

void UFOverviewSeawaterDiagram::Create()
{
    if (!BeginImage())
        return;
    const auto t = ufDiagramTexts::SeawaterTexts(node);
    Render(image, [&](wxGraphicsContext* gc, double w, double h) {
        return uf::OverviewGraphSeawater(gc, w, h, t[0], t[1], t[2], t[3], t[4], t[5]);
    });
}
