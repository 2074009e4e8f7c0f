// Detail mappings resolved against arbitrary trees. The input is a mapping
// reference line ("class/name"), a NUL and an XML document.
#include "FuzzSupport.h"
#include "vdcommon/report/MapReplacementsXml.h"

#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vdfuzz::StartToolkit();
    const auto* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t refSize = nul ? static_cast<size_t>(nul - data) : 0;
    const size_t xmlOffset = nul ? refSize + 1 : 0;
    auto root = vdfuzz::ParseTree(data + xmlOffset, size - xmlOffset);
    if (!root)
        return 0;
    const std::string reference(reinterpret_cast<const char*>(data), refSize);
    // Every way a mapping can point into the tree, each as a plain and a replacing detail.
    const int ids[][5] = {{-1, -1, -1, -1, -1}, {0, -1, -1, -1, -1}, {-1, 0, -1, -1, -1}, {-1, 0, -1, -1, 0},
                          {-1, 0, 0, -1, -1},   {-1, 0, 0, 0, -1},   {-1, 0, 0, 0, 0},    {-1, -1, 0, -1, -1}};
    std::vector<DBObjects::TextToDetailMapping> mappings;
    for (const auto& id : ids) {
        for (const char* type : {"T_DETAIL", "T_DETAIL_REPLACE"}) {
            DBObjects::TextToDetailMapping m;
            m.mappingType = type;
            m.text = reference;
            m.liquidId = id[0];
            m.stepId = id[1];
            m.filterId = id[2];
            m.compartmentId = id[3];
            m.componentId = id[4];
            m.withUnit = m.mappingType == "T_DETAIL";
            m.precision = static_cast<int>(reference.size() % 20);
            mappings.push_back(m);
        }
    }
    DBObjects::TextToDetailMapping other;
    other.mappingType = "OTHER";
    other.text = reference;
    mappings.push_back(other);
    vdMapReplacementsXml::FillMapping(XmlNodeView<WxXmlBackend>(root.get()), mappings,
                                      [](const std::string& s) { return s + "!"; });
    if (mappings.back().text != reference)
        __builtin_trap();
    return 0;
}
