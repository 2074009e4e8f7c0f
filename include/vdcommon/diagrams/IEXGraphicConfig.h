#pragma once
#include "vdcommon/Export.h"
// Decides, from the option flags of an ion-exchange demineralisation line, the
// arrangement type of each unit and the graphic keys (element names of the host's
// graphic set) the plant picture needs, including compartment labels and counters.
#include <functional>
#include <string>
#include <utility>
#include <vector>

class VDCOMMON_API IEXGraphicConfig
{
public:
    struct UnitOptions {
        bool doubleFilter = false;
        bool layered = false;
        bool down = false;
        bool up = false;
        bool liftBed = false;
        bool twoResins = false;
    };

    struct Options {
        bool multistep = false;
        bool degasser = false;
        bool degasserAfterWeak = false;
        bool polisher = false;
        UnitOptions cation;
        UnitOptions anion;
        UnitOptions polisherUnit; // only `up` is read
    };

    using ArrangementEntry = std::pair<std::string, std::vector<std::string>>;
    // Answers "compartment/count" for (unit 1 cation / 2 anion / 3 polisher, filter,
    // compartment).
    using CountQuery = std::function<int(const std::string& key, int unit, int filter, int compartment)>;

    IEXGraphicConfig(const Options& options, CountQuery query);

    std::vector<ArrangementEntry> GetGraphicConfigTypes() const;

private:
    void Build();
    // Appends the unit's arrangements; returns the index of its first entry, or -1 when
    // its flags select none.
    int AddCationArrangements();
    int AddAnionArrangements();
    int AddPolisherArrangement();
    void AppendFilterArrangements(const std::string& direction, const UnitOptions& u, bool single,
                                  const std::string& typeSuffix, const std::string& unit);
    void AddCompartmentKeys(int entry, int unit, const UnitOptions& flags, const char* suffix);
    int Count(int unit, int filter, int compartment) const;
    void Append(const std::string& type, const std::string& key);

    Options options;
    std::vector<ArrangementEntry> types;
    CountQuery query;
};
