#pragma once
#include "vdcommon/Export.h"

#include "vdcommon/database/DBObjects.h"
#include "vdcommon/report/WxXmlBackend.h"
#include "vdcommon/report/XmlNodeView.h"

#include <functional>
#include <string>
#include <vector>

namespace vdMapReplacementsXml {

// Resolves the detail reference ("class/name") of every "T_DETAIL" and
// "T_DETAIL_REPLACE" mapping against the project data below `view` and stores the
// value text in the mapping's `text`; "T_DETAIL_REPLACE" texts pass through
// `replace` first. Other mappings and the tree are left unchanged. Exceptions of
// `replace` (std::bad_function_call when it is empty) reach the caller with the
// mappings before it already filled.
VDCOMMON_API void FillMapping(XmlNodeView<WxXmlBackend> view, std::vector<DBObjects::TextToDetailMapping>& mappings,
                              std::function<std::string(const std::string&)> replace);

} // namespace vdMapReplacementsXml
