#pragma once
// The complete classes behind the report configuration's forward declarations. Only
// the translation units that create or destroy a VireldaReportConfig need them;
// everything else sees the declarations in VireldaReportConfig.h.
#include "vdcommon/diagrams/VireldaReportDiagramFactory.h"
#include "vdcommon/svg/SvgGraphicInfo.h"
