#pragma once
// Stand-ins for classes the report configuration names but whose real definitions
// live in the SVG and diagram subsystems. Only the translation units that create or
// destroy a VireldaReportConfig need them complete; everything else sees the forward
// declarations in VireldaReportConfig.h.
//
// TODO: replace SvgGraphicInfo/ArchiveLoadPolicy by #include "vdcommon/svg/SvgGraphicInfo.h"
// and VireldaReportDiagramFactory by #include "vdcommon/diagrams/VireldaReportDiagramFactory.h"
// once those headers exist, and delete the stand-ins below.

// Loads plant graphics from the resource archive.
class ArchiveLoadPolicy {};

// One plant graphic of a project; the real class carries the SVG data and its texts.
template <typename LoadPolicy>
class SvgGraphicInfo {};

// Creates the raster UF diagrams of a report.
class VireldaReportDiagramFactory {
public:
    virtual ~VireldaReportDiagramFactory() = default;
};
