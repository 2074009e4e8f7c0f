#include "vdcommon/report/MapReplacementsXml.h"

#include <charconv>
#include <locale>
#include <sstream>
#include <stdexcept>

namespace vdMapReplacementsXml {

namespace {

using View = XmlNodeView<WxXmlBackend>;

constexpr int none = -1;

View ChildWithId(View parent, const std::string& name, int id)
{
    // Ids are compared as text: "07" is not 7.
    return parent.FindChild(name, "id", std::to_string(id));
}

View ResolveFilter(View view, const DBObjects::TextToDetailMapping& mapping)
{
    View filter = ChildWithId(ChildWithId(view.FindChild("steps"), "step", mapping.stepId).FindChild("filters"),
                              "filter", mapping.filterId);
    if (!filter)
        return {};
    // A step's filter may only refer to a filter of the plant's own list.
    const std::string refid = filter.GetAttribute("refid");
    int referencedId = 0;
    try {
        referencedId = std::stoi(refid);
    } catch (const std::invalid_argument&) {
        return filter;
    } catch (const std::out_of_range&) {
        return filter;
    }
    return ChildWithId(view.FindChild("filters"), "filter", referencedId);
}

View FindDetails(View view, const DBObjects::TextToDetailMapping& mapping)
{
    if (mapping.liquidId != none)
        return ChildWithId(view.FindChild("liquids"), "liquid", mapping.liquidId).FindChild("details");

    if (mapping.stepId == none) {
        if (mapping.filterId == none && mapping.compartmentId == none && mapping.componentId == none)
            return view.FindChild("details");
        return {};
    }

    if (mapping.filterId == none) {
        View step = ChildWithId(view.FindChild("steps"), "step", mapping.stepId);
        if (mapping.componentId != none)
            return ChildWithId(step.FindChild("components"), "component", mapping.componentId).FindChild("details");
        return step.FindChild("details");
    }

    View filter = ResolveFilter(view, mapping);
    if (mapping.compartmentId == none)
        return filter.FindChild("details");
    View compartment = ChildWithId(filter.FindChild("compartments"), "compartment", mapping.compartmentId);
    if (mapping.componentId == none)
        return compartment.FindChild("details");
    return ChildWithId(compartment.FindChild("components"), "component", mapping.componentId).FindChild("details");
}

View FindDetail(View details, const std::string& reference)
{
    const auto slash = reference.find('/');
    const std::string className = slash == std::string::npos ? std::string() : reference.substr(0, slash);
    const std::string name = slash == std::string::npos ? reference : reference.substr(slash + 1);
    for (View child = details.GetFirstChild(); child; child = child.GetNext()) {
        if (child.NameEquals("detail") && child.GetAttribute("class") == className &&
            child.GetAttribute("name") == name)
            return child;
    }
    return {};
}

std::string FormatValue(const std::string& value, int precision)
{
    double number = 0.0;
    const char* const end = value.data() + value.size();
    const auto [stop, error] = std::from_chars(value.data(), end, number, std::chars_format::general);
    if (value.empty() || error != std::errc() || stop != end)
        return value;
    // Numbers are written the same way whatever locale the host has set.
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(precision);
    out << number;
    return out.str();
}

std::string ValueText(View view, const DBObjects::TextToDetailMapping& mapping)
{
    View detail = FindDetail(FindDetails(view, mapping), mapping.text);
    if (!detail)
        return {};
    std::string text = FormatValue(detail.GetAttribute("value"), mapping.precision);
    if (mapping.withUnit) {
        const std::string unit = detail.GetAttribute("unit");
        if (!unit.empty() && unit != "-" && unit != "n/a")
            text += " " + unit;
    }
    return text;
}

} // namespace

void FillMapping(XmlNodeView<WxXmlBackend> view, std::vector<DBObjects::TextToDetailMapping>& mappings,
                 std::function<std::string(const std::string&)> replace)
{
    for (DBObjects::TextToDetailMapping& mapping : mappings) {
        if (mapping.mappingType == "T_DETAIL_REPLACE")
            mapping.text = replace(ValueText(view, mapping));
        else if (mapping.mappingType == "T_DETAIL")
            mapping.text = ValueText(view, mapping);
    }
}

} // namespace vdMapReplacementsXml
