#include "host/PoCatalogue.h"

#include "vdcommon/utilities/Diagnostics.h"
#include "vdcommon/utilities/InputFile.h"
#include "vdcommon/utilities/Limits.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <cctype>
#include <sstream>

namespace vdhost {

namespace {

constexpr char kContextSeparator = '\x04';

// How deeply the toolkit's recursive plural-rule parser would have to descend: every
// parenthesis, "?:" and "!" is one more level of its recursion.
int ExpressionDepth(const std::string& rule)
{
    int open = 0, deepest = 0, operators = 0;
    for (char c : rule) {
        if (c == '(')
            deepest = std::max(deepest, ++open);
        else if (c == ')')
            open = std::max(open - 1, 0);
        else if (c == '?' || c == '!')
            ++operators;
    }
    return deepest + operators;
}

std::string Trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// Decodes one quoted C-style string; throws on a missing quote or a bad escape.
std::string Unquote(const std::string& token, const std::string& where)
{
    if (token.size() < 2 || token.front() != '"' || token.back() != '"')
        throw PoError(fmt::format("{}: expected a quoted string", where));
    std::string out;
    for (std::size_t i = 1; i + 1 < token.size(); ++i) {
        char c = token[i];
        if (c == '"')
            throw PoError(fmt::format("{}: unescaped quote inside a string", where));
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 2 >= token.size())
            throw PoError(fmt::format("{}: string ends in a backslash", where));
        c = token[++i];
        switch (c) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'a': out += '\a'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'v': out += '\v'; break;
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case '\'': out += '\''; break;
        case '?': out += '?'; break;
        case 'x': {
            int value = 0, digits = 0;
            while (i + 2 < token.size() && std::isxdigit(static_cast<unsigned char>(token[i + 1])) && digits < 2) {
                value = value * 16 + std::stoi(std::string(1, token[++i]), nullptr, 16);
                ++digits;
            }
            if (digits == 0)
                throw PoError(fmt::format("{}: bad \\x escape", where));
            out += static_cast<char>(value);
            break;
        }
        default:
            if (c >= '0' && c <= '7') {
                int value = c - '0', digits = 1;
                while (digits < 3 && i + 2 < token.size() && token[i + 1] >= '0' && token[i + 1] <= '7') {
                    value = value * 8 + (token[++i] - '0');
                    ++digits;
                }
                out += static_cast<char>(value);
            } else {
                throw PoError(fmt::format("{}: unknown escape \\{}", where, c));
            }
        }
    }
    return out;
}

struct Entry {
    std::string context;
    bool hasContext = false;
    std::string msgid;
    std::string plural;
    bool hasPlural = false;
    std::map<std::size_t, std::string> msgstr;
    bool fuzzy = false;
    bool obsolete = false;
};

// Reads PO text line by line into a catalogue's entries and plural rule. An entry is
// complete at a blank line, at the next entry's first keyword or at the end.
class PoReader
{
public:
    PoReader(std::map<std::string, std::vector<std::string>>& entries, std::string& pluralForms,
             const std::string& origin)
        : entries(entries), pluralForms(pluralForms), origin(origin)
    {}

    void ReadLine(const std::string& line, const std::string& where);
    void Finish()
    {
        if (sawMsgid)
            Flush();
    }

private:
    void ReadKeyword(const std::string& t, const std::string& where);
    void ReadPluralIndex(const std::string& keyword, const std::string& value, const std::string& where);
    void Flush();
    void TakeHeader();
    void StoreEntry();

    std::map<std::string, std::vector<std::string>>& entries;
    std::string& pluralForms;
    const std::string& origin;
    Entry entry;
    std::string* target = nullptr; // string that continuation lines extend
    bool sawMsgid = false;
};

void PoReader::ReadLine(const std::string& line, const std::string& where)
{
    const std::string t = Trim(line);
    if (t.empty()) {
        if (sawMsgid)
            Flush();
        return;
    }
    if (t.rfind("#~", 0) == 0) {
        entry.obsolete = true;
        return;
    }
    if (t[0] == '#') {
        if (t.rfind("#,", 0) == 0 && t.find("fuzzy") != std::string::npos) {
            if (sawMsgid)
                Flush();
            entry.fuzzy = true;
        }
        return;
    }
    if (t[0] == '"') {
        if (!target)
            throw PoError(fmt::format("{}: string without a keyword", where));
        *target += Unquote(t, where);
        return;
    }
    ReadKeyword(t, where);
}

void PoReader::ReadKeyword(const std::string& t, const std::string& where)
{
    const auto space = t.find_first_of(" \t");
    if (space == std::string::npos)
        throw PoError(fmt::format("{}: keyword without a string", where));
    const std::string keyword = t.substr(0, space);
    const std::string value = Unquote(Trim(t.substr(space)), where);
    if (keyword == "msgctxt") {
        if (sawMsgid)
            Flush();
        entry.hasContext = true;
        entry.context = value;
        target = &entry.context;
    } else if (keyword == "msgid") {
        if (sawMsgid && !entry.msgstr.empty()) // next entry without a blank line
            Flush();
        sawMsgid = true;
        entry.msgid = value;
        target = &entry.msgid;
    } else if (keyword == "msgid_plural") {
        if (!sawMsgid)
            throw PoError(fmt::format("{}: msgid_plural before msgid", where));
        entry.hasPlural = true;
        entry.plural = value;
        target = &entry.plural;
    } else if (keyword == "msgstr") {
        if (!sawMsgid)
            throw PoError(fmt::format("{}: msgstr before msgid", where));
        entry.msgstr[0] = value;
        target = &entry.msgstr[0];
    } else if (keyword.rfind("msgstr[", 0) == 0 && keyword.back() == ']') {
        ReadPluralIndex(keyword, value, where);
    } else {
        throw PoError(fmt::format("{}: unknown keyword '{}'", where, keyword));
    }
}

void PoReader::ReadPluralIndex(const std::string& keyword, const std::string& value, const std::string& where)
{
    if (!sawMsgid)
        throw PoError(fmt::format("{}: msgstr before msgid", where));
    std::size_t index = 0;
    try {
        index = std::stoul(keyword.substr(7, keyword.size() - 8));
    } catch (const std::exception&) {
        throw PoError(fmt::format("{}: bad plural index in {}", where, keyword));
    }
    if (index > 32)
        throw PoError(fmt::format("{}: plural index {} too large", where, index));
    entry.msgstr[index] = value;
    target = &entry.msgstr[index];
}

void PoReader::Flush()
{
    TakeHeader();
    StoreEntry();
    entry = Entry{};
    target = nullptr;
    sawMsgid = false;
}

// The header entry: only its plural rule is of use (for the toolkit's lookup).
void PoReader::TakeHeader()
{
    if (!sawMsgid || entry.obsolete || !entry.msgid.empty() || entry.hasContext || entry.msgstr.empty())
        return;
    const std::string& header = entry.msgstr.begin()->second;
    const auto at = header.find("Plural-Forms:");
    if (at == std::string::npos)
        return;
    const auto end = header.find('\n', at);
    pluralForms = header.substr(at + 13, end == std::string::npos ? std::string::npos : end - at - 13);
    pluralForms.erase(0, pluralForms.find_first_not_of(' '));
    const int maxDepth = limits::Get().catalogueExpressionDepth;
    if (ExpressionDepth(pluralForms) > maxDepth) {
        diagnostics::Warning(fmt::format("{}: Plural-Forms expression nests deeper than {} levels; "
                                         "plural forms ignored",
                                         origin, maxDepth));
        pluralForms.clear();
    }
}

void PoReader::StoreEntry()
{
    if (!sawMsgid || entry.fuzzy || entry.obsolete || entry.msgid.empty())
        return;
    std::vector<std::string> forms;
    if (!entry.msgstr.empty()) {
        forms.resize(entry.msgstr.rbegin()->first + 1);
        for (auto& [k, v] : entry.msgstr)
            forms[k] = v;
    }
    const bool translated = std::any_of(forms.begin(), forms.end(), [](const auto& f) { return !f.empty(); });
    if (translated) {
        const std::string key = entry.hasContext ? entry.context + kContextSeparator + entry.msgid : entry.msgid;
        entries[key] = std::move(forms);
    }
}

} // namespace

void PoCatalogue::AddFromText(const std::string& text, const std::string& origin)
{
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    PoReader reader(entries, pluralForms, origin);
    while (std::getline(in, line)) {
        ++lineNo;
        if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        reader.ReadLine(line, fmt::format("{}:{}", origin, lineNo));
    }
    reader.Finish();
}

void PoCatalogue::AddFromFile(const std::string& path)
{
    std::string text;
    try {
        text = inputfile::Read(path, "catalogue");
    } catch (const inputfile::InputFileError& e) {
        throw PoError(e.what());
    }
    AddFromText(text, path);
}

std::string PoCatalogue::Translate(const std::string& msgid, const std::string& context) const
{
    return TranslatePlural(msgid, 0, context);
}

std::string PoCatalogue::TranslatePlural(const std::string& msgid, std::size_t index, const std::string& context) const
{
    const std::string key = context.empty() ? msgid : context + kContextSeparator + msgid;
    const auto it = entries.find(key);
    if (it == entries.end() || index >= it->second.size())
        return {};
    return it->second[index];
}

PoCatalogueSet::PoCatalogueSet(const std::string& localeDir)
{
    Load(localeDir);
}

void PoCatalogueSet::Load(const std::string& localeDir)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (localeDir.empty() || !fs::is_directory(localeDir, ec))
        return;
    std::vector<fs::path> langs;
    for (const auto& dir : fs::directory_iterator(localeDir, ec))
        if (dir.is_directory())
            langs.push_back(dir.path());
    std::sort(langs.begin(), langs.end());
    for (const auto& lang : langs) {
        std::vector<fs::path> files;
        for (const auto& f : fs::directory_iterator(lang, ec))
            if (f.is_regular_file() && f.path().extension() == ".po")
                files.push_back(f.path());
        std::sort(files.begin(), files.end());
        for (const auto& f : files)
            catalogues[lang.filename().string()].AddFromFile(f.string());
    }
}

const PoCatalogue* PoCatalogueSet::Find(const std::string& language) const
{
    if (language.empty())
        return nullptr;
    if (auto it = catalogues.find(language); it != catalogues.end())
        return &it->second;
    // "de_DE.UTF-8" → "de_DE" → "de"
    std::string base = language.substr(0, language.find_first_of(".@"));
    if (auto it = catalogues.find(base); it != catalogues.end())
        return &it->second;
    base = base.substr(0, base.find_first_of("_-"));
    if (auto it = catalogues.find(base); it != catalogues.end())
        return &it->second;
    return nullptr;
}

bool PoCatalogueSet::HasLanguage(const std::string& language) const
{
    return Find(language) != nullptr;
}

std::vector<std::string> PoCatalogueSet::Languages() const
{
    std::vector<std::string> out;
    for (const auto& [k, v] : catalogues)
        out.push_back(k);
    return out;
}

std::string PoCatalogueSet::Translate(const std::string& language, const std::string& text) const
{
    const PoCatalogue* cat = Find(language);
    std::string translated = cat ? cat->Translate(text) : std::string();
    if (translated.empty() && cat != nullptr && warnUntranslated && !text.empty()) {
        std::lock_guard lock(warned->mutex);
        if (warned->texts.insert(text).second)
            diagnostics::Warning(fmt::format("untranslated text \"{}\" ({})", text, language));
    }
    return translated;
}

std::string PoCatalogueSet::Translate(const std::string& text) const
{
    const std::string t = Translate(currentLanguage, text);
    return t.empty() ? text : t;
}

} // namespace vdhost
