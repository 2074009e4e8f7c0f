#include "vdcommon/diagrams/UFDiagramTexts.h"

#include <wx/intl.h>
#include <wx/strconv.h>

#include <functional>
#include <optional>

namespace ufDiagramTexts {

namespace {

wxString T(const wxString& text)
{
    return wxGetTranslation(text);
}

// Calls visit(name, value, unit) for each "parameter" child in document order.
void ForEachParameter(const wxXmlNode* node,
                      const std::function<void(const wxString&, const wxString&, const wxString&)>& visit)
{
    if (!node)
        return;
    for (const wxXmlNode* child = node->GetChildren(); child; child = child->GetNext()) {
        if (child->GetType() != wxXML_ELEMENT_NODE || child->GetName() != "parameter")
            continue;
        visit(child->GetAttribute("name", wxEmptyString), child->GetAttribute("value", wxEmptyString),
              StripMarkUp(child->GetAttribute("unit", "1")));
    }
}

wxString ValueWithUnit(const wxString& value, const wxString& unit)
{
    return value + " " + unit;
}

} // namespace

wxString StripMarkUp(const wxString& text)
{
    wxString result;
    bool inTag = false;
    for (const wxUniChar c : text) {
        if (inTag) {
            if (c == '>')
                inTag = false;
        } else if (c == '<') {
            inTag = true;
        } else {
            result += c;
        }
    }
    return result;
}

wxString ChemicalName(const wxString& value)
{
    // Catalogue keys are narrow strings in the C library's encoding, so the name goes
    // through that converter first. A name it cannot represent (any non-ASCII letter in
    // the "C" locale) would come back empty; it is then looked up as given instead.
    const wxCharBuffer narrow = value.mb_str(wxConvLibc);
    wxString key = narrow.data() ? wxString(narrow.data(), wxConvLibc) : wxString();
    if (key.empty() && !value.empty())
        key = value;
    return T(key);
}

namespace {

// The value and unit of the last parameter called `wanted`, or nothing.
std::optional<wxString> ParameterValue(const wxXmlNode* node, const wxString& wanted)
{
    std::optional<wxString> text;
    ForEachParameter(node, [&](const wxString& name, const wxString& value, const wxString& unit) {
        if (name == wanted)
            text = ValueWithUnit(value, unit);
    });
    return text;
}

} // namespace

wxString DesignFeedText(const wxXmlNode* node)
{
    const auto value = ParameterValue(node, "feed");
    return value ? T("Feed") + ": " + *value : wxString();
}

wxString BackwashText(const wxXmlNode* node)
{
    const auto value = ParameterValue(node, "bw");
    return value ? T("BW") + ": " + *value : wxString();
}

namespace {

struct ChemicalTexts {
    wxString name;
    wxString tank;
    wxString flow;
};

// Reads the parameters common to both overviews and the chemicals named by prefix.
template <size_t N>
void ReadOverview(const wxXmlNode* node, wxString& feed, wxString& treated, wxString& airScour,
                  std::array<ChemicalTexts, N>& chemicals, const std::array<const char*, N>& prefixes)
{
    ForEachParameter(node, [&](const wxString& name, const wxString& value, const wxString& unit) {
        if (name == "feed")
            feed = T("Feed") + ": " + ValueWithUnit(value, unit);
        else if (name == "treated")
            treated = T("Permeate") + ": " + ValueWithUnit(value, unit);
        else if (name == "airscour")
            airScour = T("Air scour") + ":\n" + ValueWithUnit(value, unit);
        else {
            for (size_t i = 0; i < N; ++i) {
                const wxString prefix = prefixes[i];
                if (name == prefix)
                    chemicals[i].name = ChemicalName(value);
                else if (name == prefix + "tank")
                    chemicals[i].tank = ":\n" + ValueWithUnit(value, unit);
                else if (name == prefix + "flow")
                    chemicals[i].flow = ValueWithUnit(value, unit);
            }
        }
    });
}

} // namespace

std::array<wxString, 10> OverviewTexts(const wxXmlNode* node)
{
    wxString feed, treated, airScour;
    std::array<ChemicalTexts, 3> chemicals;
    ReadOverview<3>(node, feed, treated, airScour, chemicals, {"acid", "base", "chlorite"});
    return {feed,
            T("BW"),
            treated,
            airScour,
            chemicals[0].name + chemicals[0].tank,
            chemicals[0].flow,
            chemicals[1].name + chemicals[1].tank,
            chemicals[1].flow,
            chemicals[2].name + chemicals[2].tank,
            chemicals[2].flow};
}

std::array<wxString, 6> SeawaterTexts(const wxXmlNode* node)
{
    wxString feed, treated, airScour;
    std::array<ChemicalTexts, 1> chemicals;
    ReadOverview<1>(node, feed, treated, airScour, chemicals, {"chlorite"});
    return {feed, T("BW"), treated, airScour, chemicals[0].name + chemicals[0].tank, chemicals[0].flow};
}

} // namespace ufDiagramTexts
