// Embedding a face: the hb-subset font program, the Type0 / CIDFont / descriptor
// objects, the widths and the ToUnicode map.
#include "pdf/PdfFontFace.h"

#include <hb-subset.h>
#include <hb.h>

#include <fmt/format.h>
#include <wx/log.h>

#include <algorithm>

namespace {

// A number for a PDF dictionary: C locale, at most four decimals, no exponent.
std::string Number(double value)
{
    if (!std::isfinite(value))
        return "0";
    std::string text = fmt::format("{:.4f}", value);
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    if (text == "-0" || text.empty())
        text = "0";
    return text;
}

bool ValidCodePoint(char32_t c)
{
    return c != 0 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// UTF-16BE hex digits of a code point (a surrogate pair beyond the basic plane).
std::string Utf16Hex(char32_t c)
{
    if (c < 0x10000)
        return fmt::format("{:04X}", static_cast<unsigned>(c));
    const char32_t v = c - 0x10000;
    return fmt::format("{:04X}{:04X}", static_cast<unsigned>(0xD800 + (v >> 10)),
                       static_cast<unsigned>(0xDC00 + (v & 0x3FF)));
}

// hb objects released on every path.
struct HbSubsetResources {
    hb_blob_t* blob = nullptr;
    hb_face_t* face = nullptr;
    hb_subset_input_t* input = nullptr;
    hb_subset_plan_t* plan = nullptr;
    hb_face_t* subset = nullptr;
    hb_blob_t* result = nullptr;
    HbSubsetResources() = default;
    HbSubsetResources(const HbSubsetResources&) = delete;
    HbSubsetResources& operator=(const HbSubsetResources&) = delete;
    ~HbSubsetResources()
    {
        hb_blob_destroy(result);
        hb_face_destroy(subset);
        hb_subset_plan_destroy(plan);
        hb_subset_input_destroy(input);
        hb_face_destroy(face);
        hb_blob_destroy(blob);
    }
};

// One line of a ToUnicode CMap: glyphs first..last to the text (UTF-16BE hex
// digits) of the first, each further glyph to the next code point.
struct CMapEntry {
    uint32_t first;
    uint32_t last;
    std::string destination;
};

struct GlyphText {
    uint32_t glyph;
    char32_t codePoint; // 0: several characters (or none)
    const std::u32string* text;
};

// The glyphs a two-byte code can name whose texts are valid and not empty.
std::vector<GlyphText> MappablePairs(const std::map<uint32_t, std::u32string>& used)
{
    std::vector<GlyphText> pairs;
    for (const auto& [glyph, text] : used) {
        if (glyph > 0xFFFF)
            continue;
        bool valid = true;
        for (const char32_t c : text)
            valid = valid && ValidCodePoint(c);
        if (!valid || text.empty())
            continue;
        pairs.push_back({glyph, text.size() == 1 ? text[0] : 0, &text});
    }
    return pairs;
}

// Runs of consecutive glyphs standing for consecutive single code points become
// bfrange entries; the rest bfchar. A range must not cross a 256-code block, neither
// in the codes nor in the last byte of its destination.
void GroupIntoEntries(const std::vector<GlyphText>& pairs, std::vector<CMapEntry>& ranges,
                      std::vector<CMapEntry>& singles)
{
    auto hex = [](const std::u32string& text) {
        std::string out;
        for (const char32_t c : text)
            out += Utf16Hex(c);
        return out;
    };
    for (size_t i = 0; i < pairs.size();) {
        size_t j = i + 1;
        if (pairs[i].codePoint != 0)
            while (j < pairs.size() && pairs[j].codePoint != 0 && pairs[j].glyph == pairs[j - 1].glyph + 1 &&
                   pairs[j].codePoint == pairs[j - 1].codePoint + 1 && pairs[j].codePoint < 0x10000 &&
                   (pairs[j].glyph >> 8) == (pairs[i].glyph >> 8) &&
                   (pairs[j].codePoint >> 8) == (pairs[i].codePoint >> 8))
                ++j;
        CMapEntry entry{pairs[i].glyph, pairs[j - 1].glyph, hex(*pairs[i].text)};
        (j - i > 1 ? ranges : singles).push_back(std::move(entry));
        i = j;
    }
}

// The entries in blocks of at most 100, as CMap readers require.
void AppendEntryBlocks(std::string& out, const std::vector<CMapEntry>& entries, const char* kind, bool range)
{
    for (size_t i = 0; i < entries.size(); i += 100) {
        const size_t n = std::min<size_t>(100, entries.size() - i);
        out += fmt::format("{} begin{}\n", n, kind);
        for (size_t k = i; k < i + n; ++k) {
            if (range)
                out +=
                    fmt::format("<{:04X}> <{:04X}> <{}>\n", entries[k].first, entries[k].last, entries[k].destination);
            else
                out += fmt::format("<{:04X}> <{}>\n", entries[k].first, entries[k].destination);
        }
        out += fmt::format("end{}\n", kind);
    }
}

// Widths: one "first [w1 w2 ...]" group per run of consecutive glyph ids.
std::string WidthsArray(const std::vector<uint32_t>& glyphs, const std::vector<int32_t>& advances)
{
    std::string widths = "[";
    for (size_t i = 0; i < glyphs.size();) {
        size_t j = i;
        std::string run;
        do {
            if (!run.empty())
                run += ' ';
            run += std::to_string(advances[glyphs[j]]);
            ++j;
        } while (j < glyphs.size() && glyphs[j] == glyphs[j - 1] + 1);
        widths += fmt::format("{}{} [{}]", i == 0 ? "" : " ", glyphs[i], run);
        i = j;
    }
    widths += "]";
    return widths;
}

// Two bytes per CID (= original glyph id), big-endian: the glyph in the subset.
std::string CidToGidMap(const std::vector<uint16_t>& newGlyphIds)
{
    std::string map;
    map.reserve(newGlyphIds.size() * 2);
    for (const uint16_t g : newGlyphIds) {
        map += static_cast<char>(g >> 8);
        map += static_cast<char>(g & 0xFF);
    }
    return map;
}

} // namespace

namespace pdffont {

std::string MakeSubsetTag(const std::string& postScriptName, const std::vector<uint32_t>& glyphs)
{
    // FNV-1a over the name and the glyph ids; then six base-26 digits.
    uint64_t hash = 0xcbf29ce484222325ULL;
    auto mix = [&hash](unsigned char byte) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    };
    for (const char c : postScriptName)
        mix(static_cast<unsigned char>(c));
    for (const uint32_t g : glyphs)
        for (int shift = 0; shift < 32; shift += 8)
            mix(static_cast<unsigned char>(g >> shift));
    std::string tag(6, 'A');
    for (char& c : tag) {
        c = static_cast<char>('A' + hash % 26);
        hash /= 26;
    }
    return tag;
}

std::string MakeToUnicodeCMap(const std::map<uint32_t, char32_t>& used)
{
    std::map<uint32_t, std::u32string> texts;
    for (const auto& [glyph, codePoint] : used)
        texts.emplace(glyph, std::u32string(1, codePoint));
    return MakeToUnicodeCMap(texts);
}

std::string MakeToUnicodeCMap(const std::map<uint32_t, std::u32string>& used)
{
    std::vector<CMapEntry> ranges;
    std::vector<CMapEntry> singles;
    GroupIntoEntries(MappablePairs(used), ranges, singles);
    std::string out = "/CIDInit /ProcSet findresource begin\n"
                      "12 dict begin\n"
                      "begincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n"
                      "/CMapType 2 def\n"
                      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    AppendEntryBlocks(out, singles, "bfchar", false);
    AppendEntryBlocks(out, ranges, "bfrange", true);
    out += "endcmap\n"
           "CMapName currentdict /CMap defineresource pop\n"
           "end\n"
           "end\n";
    return out;
}

std::string EscapeName(const std::string& name)
{
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x21 || c > 0x7E || std::string_view("#()<>[]{}/%").find(ch) != std::string_view::npos)
            out += fmt::format("#{:02X}", c);
        else
            out += ch;
    }
    return out;
}

} // namespace pdffont

PdfFontFace::Subset PdfFontFace::MakeSubset(const std::vector<uint32_t>& glyphs,
                                            const std::vector<char32_t>& codePoints) const
{
    Subset subset;
    if (!bytes || bytes->empty())
        return subset;
    HbSubsetResources hb;
    hb.blob = hb_blob_create(reinterpret_cast<const char*>(bytes->data()), static_cast<unsigned>(bytes->size()),
                             HB_MEMORY_MODE_READONLY, nullptr, nullptr);
    hb.face = hb_face_create(hb.blob, static_cast<unsigned>(faceIndex));
    hb.input = hb_subset_input_create_or_fail();
    if (!hb.input)
        return subset;

    hb_set_t* glyphSet = hb_subset_input_glyph_set(hb.input);
    hb_set_add(glyphSet, 0);
    for (const uint32_t g : glyphs)
        if (g < glyphCount)
            hb_set_add(glyphSet, g);
    // The code points too, so the subset's own cmap still maps the text (useful to
    // tools that read the embedded program); their glyphs are in the set already.
    hb_set_t* unicodes = hb_subset_input_unicode_set(hb.input);
    for (const char32_t c : codePoints)
        if (ValidCodePoint(c) && GetGlyph(c) != 0)
            hb_set_add(unicodes, c);

    // TrueType glyphs are renumbered densely and mapped back through CIDToGIDMap:
    // keeping the ids would keep loca and hmtx entries for every glyph up to the
    // highest one used (hundreds of kilobytes for a CJK face). A CFF CIDFont has no
    // such map, so there the ids stay. Layout tables are of no use to a PDF viewer.
    unsigned flags = HB_SUBSET_FLAGS_NOTDEF_OUTLINE;
    if (cff)
        flags |= HB_SUBSET_FLAGS_RETAIN_GIDS;
    else
        flags |= HB_SUBSET_FLAGS_NO_HINTING; // TrueType instructions: big and unneeded in print
    hb_subset_input_set_flags(hb.input, flags);
    hb_set_t* dropTables = hb_subset_input_set(hb.input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const char* tag : {"GSUB", "GPOS", "GDEF", "BASE", "JSTF", "MATH", "kern", "DSIG", "hdmx", "VDMX", "LTSH",
                            "gasp", "vhea", "vmtx", "VORG", "meta",
                            // Variations: a viewer draws the default outlines anyway.
                            "fvar", "gvar", "avar", "cvar", "HVAR", "VVAR", "MVAR", "STAT"})
        hb_set_add(dropTables, hb_tag_from_string(tag, 4));

    hb.plan = hb_subset_plan_create_or_fail(hb.face, hb.input);
    if (!hb.plan)
        return subset;
    if (!cff) {
        const hb_map_t* oldToNew = hb_subset_plan_old_to_new_glyph_mapping(hb.plan);
        const uint32_t highest = glyphs.empty() ? 0 : *std::max_element(glyphs.begin(), glyphs.end());
        subset.newGlyphIds.assign(std::min(highest, glyphCount - 1) + 1, 0);
        for (uint32_t g = 0; g < subset.newGlyphIds.size(); ++g) {
            const hb_codepoint_t mapped = hb_map_get(oldToNew, g);
            if (mapped != HB_MAP_VALUE_INVALID && mapped <= 0xFFFF)
                subset.newGlyphIds[g] = static_cast<uint16_t>(mapped);
        }
    }
    hb.subset = hb_subset_plan_execute_or_fail(hb.plan);
    if (!hb.subset)
        return {};
    hb.result = hb_face_reference_blob(hb.subset);
    unsigned length = 0;
    const char* data = hb_blob_get_data(hb.result, &length);
    if (!data || length == 0)
        return {};
    subset.program.assign(data, length);
    return subset;
}

// The font program to embed (a subset, or the whole file where HarfBuzz cannot subset
// a plain TrueType file; empty when neither can be had) and the name it goes by.
std::string PdfFontFace::ProgramToEmbed(const std::vector<uint32_t>& glyphs, std::string& program) const
{
    if (!program.empty())
        return pdffont::MakeSubsetTag(postScriptName, glyphs) + "+" + postScriptName;
    if (!cff && faceIndex == 0 && bytes && bytes->size() >= 4 &&
        std::string_view(reinterpret_cast<const char*>(bytes->data()), 4) != "ttcf") {
        // HarfBuzz refused the face: a single-face TrueType file can still go in whole.
        wxLogWarning(wxS("Font \"%s\" cannot be subset; it is embedded whole."), filePath);
        program.assign(bytes->begin(), bytes->end());
    } else {
        wxLogError(wxS("Font \"%s\" cannot be subset; it is not embedded."), filePath);
    }
    return postScriptName;
}

std::string PdfFontFace::DescriptorDictionary(const std::string& name, int programObject) const
{
    std::string descriptor =
        fmt::format("<< /Type /FontDescriptor /FontName /{} /Flags {} /FontBBox [{} {} {} {}] /ItalicAngle {} "
                    "/Ascent {} /Descent {} /CapHeight {} /StemV {}",
                    name, GetDescriptorFlags(), bbox[0], bbox[1], bbox[2], bbox[3], Number(italicAngle), ascent,
                    descent, capHeight, stemV);
    if (programObject != 0)
        descriptor += fmt::format(" /{} {} 0 R", cff ? "FontFile3" : "FontFile2", programObject);
    descriptor += " >>";
    return descriptor;
}

void PdfFontFace::WriteEmbedded(PdfObjectSink& sink, int type0Object,
                                const std::map<uint32_t, std::u32string>& used) const
{
    std::vector<uint32_t> glyphs{0};
    std::vector<char32_t> codePoints;
    for (const auto& [glyph, text] : used) {
        if (glyph != 0 && glyph < glyphCount)
            glyphs.push_back(glyph);
        codePoints.insert(codePoints.end(), text.begin(), text.end());
    }
    // `used` is ordered, so `glyphs` is sorted and free of duplicates.

    Subset subset = MakeSubset(glyphs, codePoints);
    std::string& program = subset.program;
    const std::string name = pdffont::EscapeName(ProgramToEmbed(glyphs, program));

    const int cidFontObject = sink.NewObject();
    const int descriptorObject = sink.NewObject();
    const int programObject = program.empty() ? 0 : sink.NewObject();
    const int toUnicodeObject = sink.NewObject();
    const int cidToGidObject = subset.newGlyphIds.empty() || program.empty() ? 0 : sink.NewObject();

    sink.WriteObject(type0Object, fmt::format("<< /Type /Font /Subtype /Type0 /BaseFont /{} /Encoding /Identity-H "
                                              "/DescendantFonts [{} 0 R] /ToUnicode {} 0 R >>",
                                              name, cidFontObject, toUnicodeObject));
    sink.WriteObject(cidFontObject,
                     fmt::format("<< /Type /Font /Subtype /{} /BaseFont /{} "
                                 "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> "
                                 "/FontDescriptor {} 0 R /DW {} /W {}{} >>",
                                 cff ? "CIDFontType0" : "CIDFontType2", name, descriptorObject, advances[0],
                                 WidthsArray(glyphs, advances),
                                 cff              ? std::string()
                                 : cidToGidObject ? fmt::format(" /CIDToGIDMap {} 0 R", cidToGidObject)
                                                  : std::string(" /CIDToGIDMap /Identity")));
    if (cidToGidObject != 0) {
        const std::string map = CidToGidMap(subset.newGlyphIds);
        sink.WriteObject(cidToGidObject, "<< >>", &map);
    }
    sink.WriteObject(descriptorObject, DescriptorDictionary(name, programObject));
    if (programObject != 0) {
        const std::string dictionary =
            cff ? std::string("<< /Subtype /OpenType >>") : fmt::format("<< /Length1 {} >>", program.size());
        sink.WriteObject(programObject, dictionary, &program);
    }
    const std::string cmap = pdffont::MakeToUnicodeCMap(used);
    sink.WriteObject(toUnicodeObject, "<< >>", &cmap);
}
