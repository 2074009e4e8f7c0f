#include "vdcommon/diagrams/IEXGraphicConfig.h"

IEXGraphicConfig::IEXGraphicConfig(const Options& opts, CountQuery countQuery)
    : options(opts), query(std::move(countQuery))
{
    Build();
}

std::vector<IEXGraphicConfig::ArrangementEntry> IEXGraphicConfig::GetGraphicConfigTypes() const
{
    return types;
}

void IEXGraphicConfig::Append(const std::string& type, const std::string& key)
{
    types.push_back({type, {key}});
}

int IEXGraphicConfig::Count(int unit, int filter, int compartment) const
{
    // An empty query throws std::bad_function_call, as any call of an empty function.
    return query("compartment/count", unit, filter, compartment);
}

void IEXGraphicConfig::Build()
{
    if (options.multistep) {
        Append("MULTISTEP", "MULTISTEP");
        return;
    }
    // Each unit's keys go to the unit's own first entry. With well-formed options every
    // unit selects exactly one arrangement, which makes this the first, second and third
    // entry of the list; a unit whose flags select none gets no keys at all.
    const int cation = AddCationArrangements();
    AddCompartmentKeys(cation, 1, options.cation, "_C");

    const int anion = AddAnionArrangements();
    AddCompartmentKeys(anion, 2, options.anion, "_A");

    if (!options.polisher) {
        if (anion >= 0)
            types[anion].second.push_back("OUT_ANION");
        return;
    }
    const int polisher = AddPolisherArrangement();
    const bool empty = Count(3, 1, 1) < 2;
    types[polisher].second.push_back(empty ? "COMPARTMENT_LABEL_EMPTY_1_P" : "COMPARTMENT_LABEL_1_P");
    types[polisher].second.push_back(empty ? "COMPARTMENT_COUNT_EMPTY_1_P" : "COMPARTMENT_COUNT_1_P");
    if (anion >= 0)
        types[anion].second.push_back("OUT_ANION_WITH_POLISHER");
}

int IEXGraphicConfig::AddCationArrangements()
{
    const int first = static_cast<int>(types.size());
    const UnitOptions& u = options.cation;
    if (u.liftBed)
        Append("UP_SINGLE_FILTER_TWO_RESINS", "LIFT_BED_C");
    AppendFilterArrangements("UP", u, !u.liftBed, "", "C");
    AppendFilterArrangements("DOWN", u, true, "", "C");
    return static_cast<int>(types.size()) > first ? first : -1;
}

int IEXGraphicConfig::AddAnionArrangements()
{
    const int first = static_cast<int>(types.size());
    const UnitOptions& u = options.anion;
    if (options.degasser && options.degasserAfterWeak) {
        if (u.up && u.doubleFilter)
            Append("UP_DOUBLE_FILTER_DEGASSER_AFTER_WEAK", "DOUBLE_FILTER_A");
        if (u.down && u.doubleFilter)
            Append("DOWN_DOUBLE_FILTER_DEGASSER_AFTER_WEAK", "DOUBLE_FILTER_A");
        if (u.up && !u.doubleFilter)
            Append("UP_SINGLE_FILTER_DEGASSER_AFTER_WEAK", "SINGLE_FILTER_A");
        if (u.down && !u.doubleFilter)
            Append("DOWN_SINGLE_FILTER_DEGASSER_AFTER_WEAK", "SINGLE_FILTER_A");
    } else {
        // Without a degasser and with one that precedes the weak stage the rules are
        // the same; only the type names carry the degasser.
        const std::string d = options.degasser ? "_DEGASSER" : "";
        if (u.liftBed)
            Append("UP_SINGLE_FILTER_TWO_RESINS" + d, "LIFT_BED_A");
        AppendFilterArrangements("UP", u, true, d, "A");
        AppendFilterArrangements("DOWN", u, true, d, "A");
    }
    return static_cast<int>(types.size()) > first ? first : -1;
}

// One flow direction's arrangements ("UP" or "DOWN"): a single filter with one resin or
// two (mixed or layered), or a double filter. `typeSuffix` marks a degasser in the type
// names; `unit` ("C", "A") ends the keys; `single` false leaves the single filters out.
void IEXGraphicConfig::AppendFilterArrangements(const std::string& direction, const UnitOptions& u, bool single,
                                                const std::string& typeSuffix, const std::string& unit)
{
    const bool on = direction == "UP" ? u.up : u.down;
    if (!on)
        return;
    const std::string twoResins = "SINGLE_FILTER_TWO_RESINS_" + direction + "_";
    if (!u.doubleFilter && !u.twoResins && single)
        Append(direction + "_SINGLE_FILTER" + typeSuffix, "SINGLE_FILTER_" + unit);
    if (!u.doubleFilter && u.twoResins && !u.layered && single)
        Append(direction + "_SINGLE_FILTER_TWO_RESINS" + typeSuffix, twoResins + unit);
    if (!u.doubleFilter && u.twoResins && u.layered && single)
        Append(direction + "_SINGLE_FILTER_TWO_RESINS" + typeSuffix, twoResins + "LAYERED_" + unit);
    if (u.doubleFilter)
        Append(direction + "_DOUBLE_FILTER" + typeSuffix, "DOUBLE_FILTER_" + unit);
}

int IEXGraphicConfig::AddPolisherArrangement()
{
    Append(options.polisherUnit.up ? "UP_SINGLE_FILTER" : "DOWN_SINGLE_FILTER", "SINGLE_FILTER_P");
    return static_cast<int>(types.size()) - 1;
}

void IEXGraphicConfig::AddCompartmentKeys(int entry, int unit, const UnitOptions& u, const char* suffix)
{
    if (entry < 0)
        return;
    std::vector<std::string>& keys = types[entry].second;
    const std::string s = suffix;
    const auto add = [&](bool empty, const std::string& emptyKey, const std::string& fullKey) {
        keys.push_back((empty ? emptyKey : fullKey) + s);
    };

    const bool firstEmpty = Count(unit, 1, 1) < 2;
    add(firstEmpty, "COMPARTMENT_LABEL_EMPTY_1", "COMPARTMENT_LABEL_1");
    add(firstEmpty, "COMPARTMENT_COUNT_EMPTY_1", "COMPARTMENT_COUNT_1");

    if (u.doubleFilter) {
        const bool empty = Count(unit, 2, 1) < 2;
        add(empty, "COMPARTMENT_LABEL_EMPTY_2", "COMPARTMENT_LABEL_2");
        add(empty, "COMPARTMENT_COUNT_EMPTY_2", "COMPARTMENT_COUNT_2");
    } else if (u.twoResins && !u.layered) {
        const bool empty = Count(unit, 1, 2) < 2;
        add(empty, "COMPARTMENT_LABEL_EMPTY_2", "COMPARTMENT_LABEL_2");
        add(empty, "COMPARTMENT_COUNT_EMPTY_2", "COMPARTMENT_COUNT_COMPART2");
    } else {
        // Layered two-resin beds and single beds have no second compartment of their own.
        add(true, "COMPARTMENT_LABEL_EMPTY_2", "");
        add(true, "COMPARTMENT_COUNT_EMPTY_2", "");
    }
}
