// The `diagram` element: RO diagrams drawn as vector graphics through a PDF device
// context, UF diagrams as raster images; both recorded in a template of their natural
// size and placed scaled to the requested width.
#include "vdcommon/printing/VireldaReport.h"

#include "vdcommon/pdf/PdfDC.h"
#include "vdcommon/diagrams/ROOverviewDiagram.h"
#include "vdcommon/diagrams/ROPassDiagram.h"
#include "vdcommon/diagrams/VireldaReportDiagramFactory.h"

#include "vdcommon/printing/DiagramPictureCache.h"

#include <wx/image.h>
#include <wx/xml/xml.h>

namespace {
constexpr double passTemplateWidth = 460;
constexpr double passTemplateHeight = 180;
constexpr double overviewTemplateWidth = 540;
constexpr double overviewTemplateHeight = 200;
} // namespace

void VireldaReport::CreateDiagramHandlerMap()
{
    using Adder = void (VireldaReport::*)(const wxXmlNode*, const wxPoint&, double);
    const auto bind = [this](Adder adder) {
        return [this, adder](const wxXmlNode* node, const wxPoint& position, double width) {
            (this->*adder)(node, position, width);
        };
    };
    diagramHandlers.clear();
    diagramHandlers[wxS("pass")] = bind(&VireldaReport::AddROPassDiagram);
    diagramHandlers[wxS("overview")] = bind(&VireldaReport::AddROOverviewDiagram);
    diagramHandlers[wxS("uf_design")] = bind(&VireldaReport::AddUFDesignDiagram);
    diagramHandlers[wxS("uf_backwash")] = bind(&VireldaReport::AddUFBackwashDiagram);
    diagramHandlers[wxS("uf_overview")] = bind(&VireldaReport::AddUFOverviewDiagram);
    diagramHandlers[wxS("uf_overview_seawater")] = bind(&VireldaReport::AddUFOverviewDiagramSeawater);
}

void VireldaReport::AddROPassDiagram(const wxXmlNode* node, const wxPoint& position, double width)
{
    ROPassDiagram diagram(node, HasROCC());
    DrawDiagram(diagram, position.x, position.y, width, passTemplateWidth, passTemplateHeight);
}

void VireldaReport::AddROOverviewDiagram(const wxXmlNode* node, const wxPoint& position, double width)
{
    ROOverviewDiagram diagram(node);
    DrawDiagram(diagram, position.x, position.y, width, overviewTemplateWidth, overviewTemplateHeight);
}

void VireldaReport::AddUFDesignDiagram(const wxXmlNode* node, const wxPoint& position, double width)
{
    AddFactoryDiagram(node, UFDiagramDesign, position, width);
}

void VireldaReport::AddUFBackwashDiagram(const wxXmlNode* node, const wxPoint& position, double width)
{
    AddFactoryDiagram(node, UFDiagramBackwash, position, width);
}

void VireldaReport::AddUFOverviewDiagram(const wxXmlNode* node, const wxPoint& position, double width)
{
    AddFactoryDiagram(node, UFDiagramOverview, position, width);
}

void VireldaReport::AddUFOverviewDiagramSeawater(const wxXmlNode* node, const wxPoint& position, double width)
{
    AddFactoryDiagram(node, UFDiagramOverviewSeawater, position, width);
}

void VireldaReport::AddFactoryDiagram(const wxXmlNode* node, int type, const wxPoint& position, double width)
{
    // The host supplies the factory; without one there is nothing to draw.
    if (!config.diagramFactory) {
        return;
    }
    // The picture of equal markup is drawn once: rendering it is most of a diagram's cost.
    std::string key = DiagramPictureCache::KeyOf(node, type, width);
    if (const DiagramPictureCache::Picture* known = diagramPictures->Find(key)) {
        DrawDiagramImage(known->image, known->name, position, static_cast<long>(width));
        return;
    }
    const VireldaReportDiagramFactory::Config request{node, type, width};
    const std::unique_ptr<VireldaReportDiagram> diagram = config.diagramFactory->Create(request);
    if (diagram)
        diagramPictures->Add(std::move(key), {diagram->GetImage(), diagram->GetName()});
    DrawDiagram(diagram, position, static_cast<long>(width));
}

void VireldaReport::DrawDiagram(BaseDiagram& diagram, double x, double y, double width, double templateWidth,
                                double templateHeight)
{
    const int id = BeginTemplate(0, 0, templateWidth, templateHeight);
    {
        PdfDC dc(*this, templateWidth, templateHeight);
        // One diagram unit is one template unit.
        dc.SetMapMode(wxMM_METRIC);
        diagram.Draw(dc, static_cast<int>(templateWidth), static_cast<int>(templateHeight), false);
    }
    EndTemplate();
    UseTemplate(id, x, y, width, 0);
}

void VireldaReport::DrawDiagram(const std::unique_ptr<VireldaReportDiagram>& diagram, wxPoint position, long width)
{
    if (!diagram) {
        return;
    }
    DrawDiagramImage(diagram->GetImage(), diagram->GetName(), position, width);
}

void VireldaReport::DrawDiagramImage(const wxImage& image, const wxString& name, wxPoint position, long width)
{
    if (!image.IsOk()) {
        return;
    }
    // One pixel is one document unit: the image fills its template exactly. (The
    // library's natural image size counts a pixel as a point, which would leave the
    // picture in a corner of the template and draw it far narrower than asked.)
    const double w = image.GetWidth();
    const double h = image.GetHeight();
    const int id = BeginTemplate(0, 0, w, h);
    Image(name, image, 0, 0, w, h, PdfLink(), 0, false, 75);
    EndTemplate();
    UseTemplate(id, position.x, position.y, static_cast<double>(width), 0);
}

void VireldaReport::ImageByPoint(const wxString& file, const wxPoint& position, double w, double h,
                                 const wxString& type, const PdfLink& link, int maskImage)
{
    Image(file, static_cast<double>(position.x), static_cast<double>(position.y), w, h, type, link, maskImage);
}

void VireldaReport::SetXYByPoint(const wxPoint& position)
{
    SetXY(static_cast<double>(position.x), static_cast<double>(position.y));
}
