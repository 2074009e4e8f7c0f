#pragma once
#include "vdcommon/Export.h"
// Translation of the texts the report engine writes itself, supplied by the host.
// The library only calls it and never owns an object of this kind.
#include <string>

class VDCOMMON_API ITranslationProvider
{
public:
    virtual ~ITranslationProvider() = default;

    // The translation of an English source text (UTF-8) into the user's language (UTF-8).
    virtual std::string Translate(const std::string& text) const = 0;

protected:
    ITranslationProvider() = default;
    ITranslationProvider(const ITranslationProvider&) = default;
    ITranslationProvider& operator=(const ITranslationProvider&) = default;
};
