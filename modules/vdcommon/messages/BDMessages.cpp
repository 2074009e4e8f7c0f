#include "vdcommon/messages/BDMessages.h"

#include "vdcommon/messages/MessageManager.h"
#include "vdcommon/messages/MessageTable.h"

namespace messages {

namespace {

using M = BDMessages;
using G = BDMessageGroups;

// Entries in the order the module numbers them; non-ASCII characters are written as
// UTF-8 byte escapes so the source stays ASCII.
constexpr TableEntry<M> kEntries[] = {
    {M::PlantDesignPressureLossCalculationsNot,
     "Plant design: Pressure loss calculations not available for selected resin/adsorber type."},
    {M::PlantDesignResinAdsorberEdited, "Plant design: Resin/Adsorber has been edited"},
    {M::RegenerationSequenceNoBackwashBedExpansion,
     "Regeneration sequence: No backwash bed expansion coefficient available for selected resin/adsorber. Calculation "
     "of initial backwash velocity not possible."},
};

constexpr M kDisplayOrder[] = {
    M::PlantDesignPressureLossCalculationsNot,
    M::PlantDesignResinAdsorberEdited,
    M::RegenerationSequenceNoBackwashBedExpansion,
};

constexpr M kGroup0[] = {
    M::PlantDesignPressureLossCalculationsNot,
    M::PlantDesignResinAdsorberEdited,
};
constexpr M kGroup3[] = {
    M::PlantDesignPressureLossCalculationsNot,
    M::PlantDesignResinAdsorberEdited,
};
constexpr M kGroup4[] = {
    M::RegenerationSequenceNoBackwashBedExpansion,
};

constexpr TableGroup<M, G> kGroups[] = {
    {G::PlantDesign, kGroup0},          {G::Unused1, {}}, {G::Unused2, {}}, {G::PlantDesign3, kGroup3},
    {G::RegenerationSequence, kGroup4}, {G::Unused5, {}},
};

} // namespace

std::unique_ptr<IMessageManager> CreateBDMessageManager()
{
    return MakeManager<M, G>(kEntries, kGroups, kDisplayOrder);
}

} // namespace messages
