// Captions of the diagrams come from the active translation catalogue.
#include "DiagramNodes.h"
#include "DiagramTestUtil.h"

#include "vdcommon/diagrams/ROOverviewDiagram.h"
#include "vdcommon/diagrams/UFDiagramTexts.h"

#include <gtest/gtest.h>

#include <wx/translation.h>

#include <cstdint>
#include <map>
#include <string>

using namespace vdtest;

namespace {

// A catalogue in the binary message-object layout, built in memory.
std::string MessageObject(const std::map<std::string, std::string>& entries)
{
    const uint32_t n = static_cast<uint32_t>(entries.size());
    std::string header;
    const auto u32 = [](std::string& out, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    const uint32_t stringsAt = 28 + 16 * n;
    std::string originals, translations, pool;
    for (const auto& [key, value] : entries) {
        u32(originals, static_cast<uint32_t>(key.size()));
        u32(originals, stringsAt + static_cast<uint32_t>(pool.size()));
        pool += key + '\0';
    }
    for (const auto& [key, value] : entries) {
        u32(translations, static_cast<uint32_t>(value.size()));
        u32(translations, stringsAt + static_cast<uint32_t>(pool.size()));
        pool += value + '\0';
    }
    for (uint32_t v : {0x950412deu, 0u, n, 28u, 28 + 8 * n, 0u, stringsAt})
        u32(header, v);
    return header + originals + translations + pool;
}

class MemoryLoader : public wxTranslationsLoader
{
public:
    wxMsgCatalog* LoadCatalog(const wxString& domain, const wxString&) override
    {
        static const std::string data = MessageObject({
            {"", "Content-Type: text/plain; charset=UTF-8\n"},
            {"Pass", "Durchgang"},
            {"Feed", "Zulauf"},
            {"BW", "RS"},
            {"HCl", "Salzsäure"},
        });
        return wxMsgCatalog::CreateFromData(wxScopedCharBuffer::CreateNonOwned(data.data(), data.size()), domain);
    }
    wxArrayString GetAvailableTranslations(const wxString&) const override
    {
        wxArrayString langs;
        langs.Add("de");
        return langs;
    }
};

} // namespace

TEST(TranslatedCaptions, ComeFromTheActiveCatalogue)
{
    auto* translations = new wxTranslations;
    translations->SetLoader(new MemoryLoader);
    translations->SetLanguage("de");
    wxTranslations::Set(translations);
    ASSERT_TRUE(translations->AddCatalog("diagrams"));

    ROOverviewDiagram overview;
    overview.SetPassCount(1);
    EXPECT_TRUE(Render(overview, 540, 200, false)->FindText("Durchgang 1"));

    const auto node = MakeDiagramNode({{"feed", "3", "unit", "m3/h"}, {"acid", "HCl"}});
    EXPECT_EQ(ufDiagramTexts::DesignFeedText(node.get()), "Zulauf: 3 m3/h");
    const auto texts = ufDiagramTexts::OverviewTexts(node.get());
    EXPECT_EQ(texts[1], "RS");
    EXPECT_EQ(texts[4], wxString::FromUTF8("Salzsäure"));

    wxTranslations::Set(nullptr);
    EXPECT_EQ(ufDiagramTexts::DesignFeedText(node.get()), "Feed: 3 m3/h");
}
