#include "host/ToolkitTranslations.h"

#include <wx/arrstr.h>
#include <wx/buffer.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace vdhost {

namespace {

void PutWord(std::string& out, std::size_t at, std::uint32_t value)
{
    // Written little-endian; the magic number tells readers the byte order.
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

std::string CompileCatalogue(const PoCatalogue& catalogue)
{
    // Original/translation pairs sorted by original, the header entry (empty
    // original) first: it tells the reader that the texts are UTF-8.
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string header = "Content-Type: text/plain; charset=UTF-8\n";
    if (!catalogue.PluralForms().empty())
        header += "Plural-Forms: " + catalogue.PluralForms() + "\n";
    pairs.emplace_back(std::string(), std::move(header));
    for (const auto& [key, forms] : catalogue.Entries()) {
        if (forms.empty())
            continue;
        std::string original = key;
        std::string translation = forms[0];
        if (forms.size() > 1) {
            // A plural entry: "msgid\0msgid_plural" against the forms joined by NUL.
            // Only the part before the first NUL is a lookup key.
            original += '\0';
            original += key;
            for (std::size_t i = 1; i < forms.size(); ++i) {
                translation += '\0';
                translation += forms[i];
            }
        }
        pairs.emplace_back(std::move(original), std::move(translation));
    }

    const auto count = static_cast<std::uint32_t>(pairs.size());
    const std::size_t headerSize = 28;
    const std::size_t originals = headerSize;
    const std::size_t translations = originals + 8u * count;
    std::size_t cursor = translations + 8u * count;
    std::string out(cursor, '\0');
    PutWord(out, 0, 0x950412DEu);
    PutWord(out, 4, 0); // revision
    PutWord(out, 8, count);
    PutWord(out, 12, static_cast<std::uint32_t>(originals));
    PutWord(out, 16, static_cast<std::uint32_t>(translations));
    PutWord(out, 20, 0); // no hash table
    PutWord(out, 24, static_cast<std::uint32_t>(cursor));
    auto append = [&](std::size_t table, std::size_t index, const std::string& text) {
        PutWord(out, table + 8 * index, static_cast<std::uint32_t>(text.size()));
        PutWord(out, table + 8 * index + 4, static_cast<std::uint32_t>(out.size()));
        out += text;
        out += '\0';
    };
    for (std::size_t i = 0; i < pairs.size(); ++i)
        append(originals, i, pairs[i].first);
    for (std::size_t i = 0; i < pairs.size(); ++i)
        append(translations, i, pairs[i].second);
    return out;
}

wxMsgCatalog* PoTranslationsLoader::LoadCatalog(const wxString& domain, const wxString& lang)
{
    const PoCatalogue* catalogue = catalogues.CatalogueFor(lang.utf8_string());
    if (catalogue == nullptr || catalogue->Size() == 0)
        return nullptr;
    const std::string data = CompileCatalogue(*catalogue);
    // An owned copy: nothing is assumed about how long the toolkit keeps the data.
    wxCharBuffer buffer(data.size());
    std::memcpy(buffer.data(), data.data(), data.size());
    return wxMsgCatalog::CreateFromData(buffer, domain);
}

wxArrayString PoTranslationsLoader::GetAvailableTranslations(const wxString&) const
{
    wxArrayString languages;
    for (const std::string& language : catalogues.Languages())
        languages.push_back(wxString::FromUTF8(language));
    return languages;
}

ScopedToolkitTranslations::ScopedToolkitTranslations(const PoCatalogueSet& catalogues, const std::string& language)
{
    if (language.empty() || language.rfind("en", 0) == 0 || catalogues.CatalogueFor(language) == nullptr)
        return;
    auto* translations = new wxTranslations;
    translations->SetLoader(new PoTranslationsLoader(catalogues));
    translations->SetLanguage(wxString::FromUTF8(language));
    translations->AddCatalog(kDomain);
    wxTranslations::Set(translations); // owned by the toolkit from here on
    installed = translations;
}

ScopedToolkitTranslations::~ScopedToolkitTranslations()
{
    // Only our own object: whoever replaced it in the meantime owns the new one.
    if (installed != nullptr && wxTranslations::Get() == installed)
        wxTranslations::Set(nullptr);
}

} // namespace vdhost
