// Captions of the diagrams come from the active translation catalogue.
#include "DiagramTestUtil.h"
#include "support/TestFiles.h"

#include "vdcommon/diagrams/ROOverviewDiagram.h"
#include "vdcommon/diagrams/UFDiagramTexts.h"

#include <gtest/gtest.h>

#include <wx/translation.h>

#include <cstdlib>

using namespace vdtest;

TEST(TranslatedCaptions, ComeFromTheActiveCatalogue)
{
    const TempDir dir("vd-captions");
    WriteFile(dir / "de" / "diagrams.po", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                                          "msgid \"Pass\"\nmsgstr \"Durchgang\"\n\n"
                                          "msgid \"Feed\"\nmsgstr \"Zulauf\"\n\n"
                                          "msgid \"BW\"\nmsgstr \"RS\"\n\n"
                                          "msgid \"HCl\"\nmsgstr \"Salzsäure\"\n");
    const std::string po = ShellQuote((dir / "de" / "diagrams.po").string());
    ASSERT_EQ(std::system(("msgfmt -o " + ShellQuote((dir / "de" / "diagrams.mo").string()) + " " + po).c_str()), 0);
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(wxString::FromUTF8(dir.Str()));
    auto* translations = new wxTranslations;
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
