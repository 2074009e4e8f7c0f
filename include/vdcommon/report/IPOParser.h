#pragma once
#include "vdcommon/Export.h"
// Translation of report markup texts from the host's PO catalogues. The library only
// calls it and never owns an object of this kind.
#include <string>

class VDCOMMON_API IPOParser
{
public:
    virtual ~IPOParser() = default;

    // The translation of `text` (UTF-8) from the catalogue of `language`; an empty
    // result means there is no translation and the caller keeps the English text.
    virtual std::string Translate(const std::string& language, const std::string& text) const = 0;

protected:
    IPOParser() = default;
    IPOParser(const IPOParser&) = default;
    IPOParser& operator=(const IPOParser&) = default;
};
