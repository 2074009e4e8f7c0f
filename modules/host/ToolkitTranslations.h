#pragma once
// Serves the PO catalogues to the toolkit's translation lookup, so texts the library
// translates itself through the toolkit (bookmark labels, diagram texts) come out in
// the report language without compiled catalogue files.
#include "host/PoCatalogue.h"

#include <wx/translation.h>

#include <string>

namespace vdhost {

// Compiles one language's catalogue into gettext's binary form, which the toolkit
// loads from memory. Plural entries keep all their forms.
std::string CompileCatalogue(const PoCatalogue& catalogue);

// A toolkit loader answering every domain from a catalogue set. The set must
// outlive the loader's use.
class PoTranslationsLoader : public wxTranslationsLoader
{
public:
    explicit PoTranslationsLoader(const PoCatalogueSet& catalogues_) : catalogues(catalogues_) {}
    wxMsgCatalog* LoadCatalog(const wxString& domain, const wxString& lang) override;
    wxArrayString GetAvailableTranslations(const wxString& domain) const override;

private:
    const PoCatalogueSet& catalogues;
};

// Installs process-wide toolkit translations into `language` for the lifetime of
// the object and removes them again. English, the texts' own language, installs
// nothing. Use on the toolkit's thread only.
class ScopedToolkitTranslations
{
public:
    // The domain under which the catalogues are registered with the toolkit.
    static constexpr const char* kDomain = "vdreport";

    ScopedToolkitTranslations(const PoCatalogueSet& catalogues, const std::string& language);
    ~ScopedToolkitTranslations();
    ScopedToolkitTranslations(const ScopedToolkitTranslations&) = delete;
    ScopedToolkitTranslations& operator=(const ScopedToolkitTranslations&) = delete;

    bool IsActive() const { return installed != nullptr; }

private:
    wxTranslations* installed = nullptr;
};

} // namespace vdhost
