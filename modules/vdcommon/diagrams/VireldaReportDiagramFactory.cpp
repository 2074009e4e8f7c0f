#include "vdcommon/diagrams/VireldaReportDiagramFactory.h"

#include <stdexcept>

VireldaReportDiagramFactory::~VireldaReportDiagramFactory() = default;

std::unique_ptr<VireldaReportDiagram> VireldaReportDiagramFactory::Create(const Config& config) const
{
    switch (config.type) {
    case UFDiagramDesign: return std::make_unique<UFDesignDiagram>(config.node, config.size);
    case UFDiagramBackwash: return std::make_unique<UFBackwashDiagram>(config.node, config.size);
    case UFDiagramOverview: return std::make_unique<UFOverviewDiagram>(config.node, config.size);
    case UFDiagramOverviewSeawater: return std::make_unique<UFOverviewSeawaterDiagram>(config.node, config.size);
    default: throw std::invalid_argument("Unknown PDF Report diagram");
    }
}
