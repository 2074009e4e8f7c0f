#pragma once
#include "vdcommon/Export.h"
#include "vdcommon/diagrams/VireldaReportDiagram.h"

#include <memory>

// Kinds of UF report pictures.
enum UFDiagramType : int {
    UFDiagramDesign = 0,
    UFDiagramBackwash = 1,
    UFDiagramOverview = 2,
    UFDiagramOverviewSeawater = 3,
};

class VDCOMMON_API VireldaReportDiagramFactory
{
public:
    struct Config {
        const wxXmlNode* node = nullptr;
        int type = UFDiagramDesign;
        double size = 0.0;
    };

    VireldaReportDiagramFactory() = default;
    VireldaReportDiagramFactory(const VireldaReportDiagramFactory&) = default;
    VireldaReportDiagramFactory& operator=(const VireldaReportDiagramFactory&) = default;
    virtual ~VireldaReportDiagramFactory();

    // Throws std::invalid_argument "Unknown PDF Report diagram" for a type outside 0..3.
    std::unique_ptr<VireldaReportDiagram> Create(const Config& config) const;
};
