#include "host/BedExpansionFigures.h"

#include "vdcommon/database/MasterDatabase.h"
#include "host/ProjectFile.h"
#include "vdcommon/calculations/BedExpansionDesktopFactory.h"

#include <fmt/format.h>
#include <muParserError.h>

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace vdhost {

namespace {

std::string Where(const std::string& origin, const wxXmlNode* node)
{
    return node->GetLineNumber() > 0 ? fmt::format("{}:{}", origin, node->GetLineNumber()) : origin;
}

std::optional<double> Number(const wxXmlNode* node, const char* name, const std::string& where)
{
    wxString text;
    if (!node->GetAttribute(name, &text))
        return std::nullopt;
    const std::string s = text.Strip(wxString::both).utf8_string();
    double value = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        throw ProjectFileError(fmt::format("{}: <bedexpansion> attribute {}=\"{}\" is not a number", where, name, s));
    return value;
}

void Fill(wxXmlNode* node, const std::string& origin)
{
    const std::string where = Where(origin, node);
    const std::string resin = node->GetAttribute("resin", wxEmptyString).utf8_string();
    if (resin.empty())
        throw ProjectFileError(fmt::format("{}: <bedexpansion> needs a resin attribute", where));
    const auto velocity = Number(node, "velocity", where);
    if (!velocity)
        throw ProjectFileError(fmt::format("{}: <bedexpansion> needs a velocity attribute (m/h)", where));
    const double temperature = Number(node, "temperature", where).value_or(20.0);
    const auto depth = Number(node, "depth", where);
    if (!MasterDatabase::IsOpen())
        throw ProjectFileError(
            fmt::format("{}: bed expansion of resin \"{}\" needs the master database (--master-db)", where, resin));

    const auto calculation = BedExpansionDesktopFactory::Create(resin);
    if (!calculation->IsValid())
        throw ProjectFileError(fmt::format("{}: no bed-expansion formula for resin \"{}\" in the master database {}",
                                           where, resin, MasterDatabase::GetPath()));
    double fraction = 0.0;
    try {
        fraction = calculation->GetBedExpansion(*velocity, Temperature{temperature, TemperatureUnit::Celsius});
    } catch (const std::exception& e) {
        throw ProjectFileError(fmt::format("{}: bed expansion of resin \"{}\": {}", where, resin, e.what()));
    } catch (const mu::ParserError& e) {
        // The formula parser's errors are not standard exceptions.
        throw ProjectFileError(fmt::format("{}: the bed-expansion formula of resin \"{}\" fails: {}", where, resin,
                                           wxString(e.GetMsg()).utf8_string()));
    }
    auto set = [node](const char* name, const std::string& value) {
        node->DeleteAttribute(name);
        node->AddAttribute(name, wxString::FromUTF8(value));
    };
    set("expansion", fmt::format("{:.1f}", fraction * 100.0));
    if (depth)
        set("expandedheight", fmt::format("{:.2f}", *depth * (1.0 + fraction)));
}

} // namespace

int FillBedExpansionFigures(wxXmlNode* tree, const std::string& origin)
{
    int filled = 0;
    // Explicit stack: project data can nest deeply.
    std::vector<wxXmlNode*> pending;
    if (tree)
        pending.push_back(tree);
    while (!pending.empty()) {
        wxXmlNode* node = pending.back();
        pending.pop_back();
        if (node->GetType() != wxXML_ELEMENT_NODE)
            continue;
        if (node->GetName() == wxS("bedexpansion")) {
            Fill(node, origin);
            ++filled;
        }
        // Children in reverse, so rows are taken (and a faulty one reported) in file order.
        std::vector<wxXmlNode*> children;
        for (wxXmlNode* child = node->GetChildren(); child; child = child->GetNext())
            children.push_back(child);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return filled;
}

} // namespace vdhost
