#include "vdcommon/calculations/BedExpansionDesktopFactory.h"

#include "vdcommon/database/MasterDatabase.h"
#include "vdcommon/calculations/BedExpansionByFunction.h"

std::unique_ptr<BedExpansionI> BedExpansionDesktopFactory::Create(const std::string& key)
{
    return std::make_unique<BedExpansionByFunction>(MasterDatabase::GetBedExpansionFormula(key));
}
