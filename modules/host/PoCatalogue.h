#pragma once
// Reader for gettext PO catalogues. One PoCatalogueSet holds the catalogues of
// every language found below a locale folder (<localeDir>/<lang>/*.po) and answers
// both the markup translation (IPOParser) and the report engine's own texts
// (ITranslationProvider, for the language chosen with SetLanguage).
#include "vdcommon/report/IPOParser.h"
#include "vdcommon/report/ITranslationProvider.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace vdhost {

// Raised for a catalogue that cannot be read or parsed; the text names file and line.
class PoError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One language's translations. Keys are msgctxt + '\x04' + msgid, as gettext does.
class PoCatalogue
{
public:
    // Parses PO text; `origin` names the source in error messages.
    void AddFromText(const std::string& text, const std::string& origin);
    void AddFromFile(const std::string& path);

    // The translation, or empty when there is none (untranslated or fuzzy entries
    // count as none). `context` selects a msgctxt entry.
    std::string Translate(const std::string& msgid, const std::string& context = {}) const;
    // Plural form `index` of a msgid_plural entry; empty when missing.
    std::string TranslatePlural(const std::string& msgid, std::size_t index, const std::string& context = {}) const;

    std::size_t Size() const { return entries.size(); }
    // Every translated entry: key as above, the forms in plural order.
    const std::map<std::string, std::vector<std::string>>& Entries() const { return entries; }

    // The header's plural rule ("nplurals=2; plural=(n != 1);"), empty without one.
    const std::string& PluralForms() const { return pluralForms; }

private:
    std::map<std::string, std::vector<std::string>> entries;
    std::string pluralForms;
};

class PoCatalogueSet : public IPOParser, public ITranslationProvider
{
public:
    PoCatalogueSet() = default;
    // Loads every <localeDir>/<lang>/*.po; a missing folder gives an empty set.
    explicit PoCatalogueSet(const std::string& localeDir);

    void Load(const std::string& localeDir);
    PoCatalogue& Catalogue(const std::string& language) { return catalogues[language]; }

    // Language for ITranslationProvider::Translate; "de_DE" falls back to "de".
    void SetLanguage(const std::string& language) { currentLanguage = language; }
    bool HasLanguage(const std::string& language) const;
    std::vector<std::string> Languages() const;
    // The catalogue that serves `language` (with the same fallback), or null.
    const PoCatalogue* CatalogueFor(const std::string& language) const { return Find(language); }

    std::string Translate(const std::string& language, const std::string& text) const override;
    std::string Translate(const std::string& text) const override;

    // When on, a text that a language's catalogue lacks gives one warning line
    // (diagnostics::Warning) the first time it is asked for.
    void SetWarnUntranslated(bool on) { warnUntranslated = on; }

private:
    const PoCatalogue* Find(const std::string& language) const;

    std::map<std::string, PoCatalogue> catalogues;
    std::string currentLanguage;
    bool warnUntranslated = false;
    // Texts already warned about; shared, so that the set stays copyable and movable.
    struct Warned {
        std::mutex mutex;
        std::set<std::string> texts;
    };
    std::shared_ptr<Warned> warned = std::make_shared<Warned>();
};

} // namespace vdhost
