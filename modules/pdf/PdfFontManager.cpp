#include "vdcommon/pdf/PdfFontManager.h"

#include "pdf/PdfFontFace.h"

#include <fontconfig/fontconfig.h>
#include <wx/log.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

namespace {

wxString StyleOf(const PdfFont& font)
{
    return wxString(font.IsBold() ? wxS("B") : wxS("")) + (font.IsItalic() ? wxS("I") : wxS(""));
}

wxString NormalFamily(const wxString& family)
{
    wxString name = family;
    name.Trim(true).Trim(false);
    return name.Lower();
}

// Lower case without blanks: "DejaVu Sans" and "dejavusans" name the same family.
wxString CompactName(const wxString& family)
{
    wxString name = family.Lower();
    name.Replace(wxS(" "), wxEmptyString);
    return name;
}

std::string Key(const wxString& normalFamily, const wxString& style)
{
    return std::string((normalFamily + wxS("|") + style).utf8_str());
}

std::string Utf8(const wxString& text)
{
    return std::string(text.utf8_str());
}

// Families that stand for a metric-compatible face when the named one is missing.
struct Alias {
    const char* family;
    const char* target;
};
constexpr std::array<Alias, 13> kAliases{{
    {"", "liberation sans"},
    {"arial", "liberation sans"},
    {"helvetica", "liberation sans"},
    {"sans", "liberation sans"},
    {"sans-serif", "liberation sans"},
    {"times", "liberation serif"},
    {"times new roman", "liberation serif"},
    {"timesnewroman", "liberation serif"},
    {"serif", "liberation serif"},
    {"courier", "liberation mono"},
    {"courier new", "liberation mono"},
    {"couriernew", "liberation mono"},
    {"monospace", "liberation mono"},
}};

const char* AliasTarget(const wxString& normalFamily)
{
    const std::string family = Utf8(normalFamily);
    for (const Alias& alias : kAliases)
        if (family == alias.family)
            return alias.target;
    return nullptr;
}

// File names (without extension, lower case) a family's style may be stored under.
std::vector<wxString> CandidateFileNames(const wxString& normalFamily, const wxString& style)
{
    std::vector<wxString> bases{normalFamily};
    wxString compact = normalFamily;
    compact.Replace(wxS(" "), wxEmptyString);
    if (compact != normalFamily)
        bases.push_back(compact);
    std::vector<wxString> suffixes;
    if (style.empty())
        suffixes = {wxS(""), wxS("-regular")};
    else if (style == wxS("B"))
        suffixes = {wxS("-bold"), wxS("bd")};
    else if (style == wxS("I"))
        suffixes = {wxS("-italic"), wxS("-oblique"), wxS("i")};
    else
        suffixes = {wxS("-bolditalic"), wxS("-boldoblique"), wxS("bi")};
    std::vector<wxString> names;
    for (const wxString& suffix : suffixes)
        for (const wxString& base : bases)
            names.push_back(base + suffix);
    return names;
}

} // namespace

struct PdfFontManager::Impl {
    std::vector<wxString> searchPaths;
    // "family|style" (lower-case family) → face, from RegisterFont.
    std::map<std::string, std::shared_ptr<const PdfFont>> registered;
    // Every face loaded, by "path\nindex", so each is read once.
    std::map<std::string, std::shared_ptr<const PdfFontFace>> faces;
    // File contents, shared by the faces of a collection.
    std::map<std::string, std::weak_ptr<const std::vector<unsigned char>>> files;
    // FindFont answers (null ones too); cleared when registrations or paths change.
    std::map<std::string, std::shared_ptr<const PdfFont>> lookups;
    bool fontconfigReady = false;
    // FindFallbackFont answers by code point and style (bit 0 bold, bit 1 italic).
    std::map<std::pair<char32_t, int>, std::shared_ptr<const PdfFont>> fallbacks;

    std::shared_ptr<const PdfFontFace> Load(const wxString& file, int index, wxString* error);
    // Load for a registration: why a face cannot be registered goes to the debug log.
    std::shared_ptr<const PdfFontFace> LoadToRegister(const wxString& file, int index);
    std::shared_ptr<const PdfFont> FromSearchPaths(const wxString& normalFamily, const wxString& style);
    std::shared_ptr<const PdfFont> FromFontconfig(const wxString& family, const wxString& style, bool anyFamily);
    std::shared_ptr<const PdfFont> FallbackFromFontconfig(char32_t codePoint, bool bold, bool italic);
};

namespace {

// A language for fontconfig to prefer fonts made for the script of a character:
// without it, the first font that merely has the character wins (a Latin font with
// a few Arabic letters, a Japanese face for Chinese text).
const char* LanguageHint(char32_t c)
{
    struct Range {
        char32_t first, last;
        const char* language;
    };
    static constexpr Range kRanges[] = {
        {0x0370, 0x03FF, "el"},    {0x0400, 0x052F, "ru"},      {0x0590, 0x05FF, "he"},    {0x0600, 0x06FF, "ar"},
        {0x0750, 0x077F, "ar"},    {0x08A0, 0x08FF, "ar"},      {0x0900, 0x097F, "hi"},    {0x0980, 0x09FF, "bn"},
        {0x0A00, 0x0A7F, "pa"},    {0x0A80, 0x0AFF, "gu"},      {0x0B80, 0x0BFF, "ta"},    {0x0C00, 0x0C7F, "te"},
        {0x0C80, 0x0CFF, "kn"},    {0x0D00, 0x0D7F, "ml"},      {0x0E00, 0x0E7F, "th"},    {0x0E80, 0x0EFF, "lo"},
        {0x10A0, 0x10FF, "ka"},    {0x1100, 0x11FF, "ko"},      {0x3040, 0x30FF, "ja"},    {0x3130, 0x318F, "ko"},
        {0x3000, 0x303F, "zh-cn"}, {0x3400, 0x4DBF, "zh-cn"},   {0x4E00, 0x9FFF, "zh-cn"}, {0xAC00, 0xD7AF, "ko"},
        {0xF900, 0xFAFF, "zh-cn"}, {0xFB1D, 0xFB4F, "he"},      {0xFB50, 0xFDFF, "ar"},    {0xFE70, 0xFEFF, "ar"},
        {0xFF00, 0xFFEF, "zh-cn"}, {0x20000, 0x3134F, "zh-cn"},
    };
    for (const Range& r : kRanges)
        if (c >= r.first && c <= r.last)
            return r.language;
    return nullptr;
}

} // namespace

std::shared_ptr<const PdfFont> PdfFontManager::Impl::FallbackFromFontconfig(char32_t codePoint, bool bold, bool italic)
{
    if (!fontconfigReady) {
        if (!FcInit())
            return nullptr;
        fontconfigReady = true;
    }
    FcPattern* pattern = FcPatternCreate();
    FcCharSet* charset = FcCharSetCreate();
    if (!pattern || !charset) {
        if (pattern)
            FcPatternDestroy(pattern);
        if (charset)
            FcCharSetDestroy(charset);
        return nullptr;
    }
    FcCharSetAddChar(charset, codePoint);
    FcPatternAddCharSet(pattern, FC_CHARSET, charset);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    if (const char* language = LanguageHint(codePoint)) {
        FcLangSet* languages = FcLangSetCreate();
        FcLangSetAdd(languages, reinterpret_cast<const FcChar8*>(language));
        FcPatternAddLangSet(pattern, FC_LANG, languages);
        FcLangSetDestroy(languages);
    }
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    FcPatternDestroy(pattern);
    FcCharSetDestroy(charset);
    if (!sorted)
        return nullptr;

    std::shared_ptr<const PdfFont> font;
    // The best candidates that really have the character; the first that loads (a
    // TrueType or CFF face) wins.
    for (int i = 0; !font && i < sorted->nfont; ++i) {
        FcPattern* candidate = sorted->fonts[i];
        FcCharSet* covered = nullptr;
        if (FcPatternGetCharSet(candidate, FC_CHARSET, 0, &covered) != FcResultMatch ||
            !FcCharSetHasChar(covered, codePoint))
            continue;
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(candidate, FC_FILE, 0, &file) != FcResultMatch)
            continue;
        if (FcPatternGetInteger(candidate, FC_INDEX, 0, &index) != FcResultMatch)
            index = 0;
        wxString error;
        auto face = Load(wxString::FromUTF8(reinterpret_cast<const char*>(file)), index & 0xFFFF, &error);
        if (face && face->HasGlyph(codePoint))
            font = face;
    }
    FcFontSetDestroy(sorted);
    return font;
}

std::shared_ptr<const PdfFontFace> PdfFontManager::Impl::Load(const wxString& file, int index, wxString* error)
{
    std::error_code ec;
    std::filesystem::path path(Utf8(file));
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
    if (!ec)
        path = canonical;
    const wxString fullPath = wxString::FromUTF8(path.string().c_str());
    const std::string key = path.string() + "\n" + std::to_string(index);
    if (const auto it = faces.find(key); it != faces.end())
        return it->second;

    pdffont::FontBytes bytes;
    if (const auto it = files.find(path.string()); it != files.end())
        bytes = it->second.lock();
    if (!bytes) {
        bytes = pdffont::ReadFontFile(fullPath);
        if (!bytes) {
            if (error)
                *error = wxS("the file cannot be read");
            return nullptr;
        }
        files[path.string()] = bytes;
    }
    auto face = PdfFontFace::Load(fullPath, index, bytes, error);
    if (face)
        faces[key] = face;
    return face;
}

std::shared_ptr<const PdfFontFace> PdfFontManager::Impl::LoadToRegister(const wxString& file, int index)
{
    wxString error;
    auto face = Load(file, index, &error);
    if (!face)
        wxLogDebug(wxS("Font \"%s\" (face %d) cannot be registered: %s"), file, index, error);
    return face;
}

std::shared_ptr<const PdfFont> PdfFontManager::Impl::FromSearchPaths(const wxString& normalFamily,
                                                                     const wxString& style)
{
    if (normalFamily.empty() || searchPaths.empty())
        return nullptr;
    const std::vector<wxString> names = CandidateFileNames(normalFamily, style);
    for (const wxString& folder : searchPaths) {
        // Lower-case stem → file, for the font files in the folder.
        std::map<wxString, std::filesystem::path> files;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(Utf8(folder), ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (!it->is_regular_file(typeError))
                continue;
            const wxString extension = wxString::FromUTF8(it->path().extension().string().c_str()).Lower();
            if (extension != wxS(".ttf") && extension != wxS(".otf") && extension != wxS(".ttc"))
                continue;
            const wxString stem = wxString::FromUTF8(it->path().stem().string().c_str()).Lower();
            // Prefer .ttf over .otf over .ttc when a family has several.
            auto found = files.find(stem);
            if (found == files.end() ||
                extension < wxString::FromUTF8(found->second.extension().string().c_str()).Lower())
                files[stem] = it->path();
        }
        for (const wxString& name : names) {
            const auto it = files.find(name);
            if (it == files.end())
                continue;
            wxString error;
            if (auto face = Load(wxString::FromUTF8(it->second.string().c_str()), 0, &error))
                return face;
            wxLogDebug(wxS("Font file \"%s\" skipped: %s"), wxString::FromUTF8(it->second.string().c_str()), error);
        }
    }
    return nullptr;
}

std::shared_ptr<const PdfFont> PdfFontManager::Impl::FromFontconfig(const wxString& family, const wxString& style,
                                                                    bool anyFamily)
{
    if (!fontconfigReady) {
        if (!FcInit())
            return nullptr;
        fontconfigReady = true;
    }
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return nullptr;
    const std::string name = Utf8(family);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, style.Contains(wxS("B")) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, style.Contains(wxS("I")) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return nullptr;

    std::shared_ptr<const PdfFont> font;
    // fontconfig always answers with something; only a face of the family asked for
    // counts, unless the family is a generic or well-known name standing for another.
    bool familyMatches = anyFamily;
    FcChar8* value = nullptr;
    for (int i = 0; !familyMatches && FcPatternGetString(match, FC_FAMILY, i, &value) == FcResultMatch; ++i)
        familyMatches = CompactName(wxString::FromUTF8(reinterpret_cast<const char*>(value))) == CompactName(family);
    FcChar8* file = nullptr;
    int index = 0;
    if (familyMatches && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch)
            index = 0;
        // The upper bits select a named instance of a variable font; the default
        // instance is what gets embedded.
        index &= 0xFFFF;
        wxString error;
        const wxString path = wxString::FromUTF8(reinterpret_cast<const char*>(file));
        font = Load(path, index, &error);
        if (!font)
            wxLogDebug(wxS("Font file \"%s\" (fontconfig) skipped: %s"), path, error);
    }
    FcPatternDestroy(match);
    return font;
}

bool pdffont::ParseStyle(const wxString& style, wxString& normal, bool* underline)
{
    bool bold = false;
    bool italic = false;
    bool underlined = false;
    for (const wxUniChar ch : style) {
        switch (static_cast<wxUint32>(ch.GetValue())) {
        case 'b':
        case 'B': bold = true; break;
        case 'i':
        case 'I': italic = true; break;
        case 'u':
        case 'U': underlined = true; break;
        case ' ': break;
        default: return false;
        }
    }
    if (underline)
        *underline = underlined;
    normal = wxString(bold ? wxS("B") : wxS("")) + (italic ? wxS("I") : wxS(""));
    return true;
}

PdfFontManager* PdfFontManager::GetFontManager()
{
    // Never destroyed: documents may still hold faces while statics go away.
    static PdfFontManager* manager = [] {
        auto* created = new PdfFontManager();
        created->impl = std::make_shared<Impl>();
        return created;
    }();
    return manager;
}

void PdfFontManager::AddSearchPath(const wxString& path)
{
    std::lock_guard lock(mutex);
    if (path.empty() || std::find(impl->searchPaths.begin(), impl->searchPaths.end(), path) != impl->searchPaths.end())
        return;
    impl->searchPaths.push_back(path);
    impl->lookups.clear();
}

std::vector<wxString> PdfFontManager::GetSearchPaths() const
{
    std::lock_guard lock(mutex);
    return impl->searchPaths;
}

bool PdfFontManager::RegisterFont(const wxString& file, const wxString& alias, int index)
{
    std::lock_guard lock(mutex);
    const auto face = impl->LoadToRegister(file, index);
    if (!face)
        return false;
    const wxString style = StyleOf(*face);
    impl->registered[Key(NormalFamily(face->GetFamily()), style)] = face;
    if (!NormalFamily(alias).empty())
        impl->registered[Key(NormalFamily(alias), style)] = face;
    impl->lookups.clear();
    return true;
}

bool PdfFontManager::RegisterFontAs(const wxString& file, const wxString& family, const wxString& style, int index)
{
    wxString normalStyle;
    if (NormalFamily(family).empty() || !pdffont::ParseStyle(style, normalStyle))
        return false;
    std::lock_guard lock(mutex);
    const auto face = impl->LoadToRegister(file, index);
    if (!face)
        return false;
    // Only the name given: the face's own flags are what this call overrides, so they
    // must not shadow the family's real faces under its own name.
    impl->registered[Key(NormalFamily(family), normalStyle)] = face;
    impl->lookups.clear();
    return true;
}

std::shared_ptr<const PdfFont> PdfFontManager::FindFont(const wxString& family, const wxString& style)
{
    wxString normalStyle;
    if (!pdffont::ParseStyle(style, normalStyle))
        return nullptr;
    const wxString normalFamily = NormalFamily(family);
    std::lock_guard lock(mutex);
    const std::string key = Key(normalFamily, normalStyle);
    if (const auto it = impl->lookups.find(key); it != impl->lookups.end())
        return it->second;

    // The family itself, then the face it stands for when it is a known alias.
    std::vector<wxString> names;
    if (!normalFamily.empty())
        names.push_back(normalFamily);
    const char* target = AliasTarget(normalFamily);
    if (target)
        names.push_back(wxString::FromUTF8(target));

    std::shared_ptr<const PdfFont> font;
    for (const wxString& name : names) {
        if (const auto it = impl->registered.find(Key(name, normalStyle)); it != impl->registered.end()) {
            font = it->second;
            break;
        }
        if ((font = impl->FromSearchPaths(name, normalStyle)))
            break;
    }
    for (size_t i = 0; !font && i < names.size(); ++i)
        font = impl->FromFontconfig(names[i], normalStyle, false);
    if (!font && target)
        font = impl->FromFontconfig(wxString::FromUTF8(target), normalStyle, true);
    impl->lookups[key] = font;
    return font;
}

std::shared_ptr<const PdfFont> PdfFontManager::FindFallbackFont(char32_t codePoint, bool bold, bool italic)
{
    if (codePoint == 0 || codePoint > 0x10FFFF)
        return nullptr;
    std::lock_guard lock(mutex);
    const auto key = std::make_pair(codePoint, (bold ? 1 : 0) | (italic ? 2 : 0));
    if (const auto it = impl->fallbacks.find(key); it != impl->fallbacks.end())
        return it->second;
    auto font = impl->FallbackFromFontconfig(codePoint, bold, italic);
    impl->fallbacks.emplace(key, font);
    return font;
}

std::shared_ptr<const PdfFont> PdfFontManager::LoadFont(const wxString& file, int index)
{
    PdfFontManager* manager = GetFontManager();
    std::lock_guard lock(manager->mutex);
    return manager->impl->Load(file, index, nullptr);
}
