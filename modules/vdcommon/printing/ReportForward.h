#pragma once
// The complete classes behind the report configuration's forward declarations. Only
// the translation units that create or destroy a VireldaReportConfig need them;
// everything else sees the declarations in VireldaReportConfig.h.
//
// TODO: replace the SvgGraphicInfo/ArchiveLoadPolicy stand-ins below by
// #include "vdcommon/svg/SvgGraphicInfo.h" once that header exists, and delete them.
#include "vdcommon/diagrams/VireldaReportDiagramFactory.h"

// Loads plant graphics from the resource archive.
class ArchiveLoadPolicy {};

// One plant graphic of a project; the real class carries the SVG data and its texts.
template <typename LoadPolicy>
class SvgGraphicInfo {};
