#include "host/BedExpansionFigures.h"

#include "vdcommon/database/MasterDatabase.h"
#include "host/ProjectFile.h"
#include "vdcommon/calculations/BedExpansionDesktopFactory.h"

#include <gtest/gtest.h>
#include <wx/sstream.h>

#include <filesystem>
#include <memory>

namespace {

const char* const kMasterDb = VD_BINARY_DIR "/examples/master.db";

std::unique_ptr<wxXmlDocument> Parse(const char* xml)
{
    auto doc = std::make_unique<wxXmlDocument>();
    wxStringInputStream in(wxString::FromUTF8(xml));
    EXPECT_TRUE(doc->Load(in));
    return doc;
}

std::string ErrorOf(const char* xml)
{
    auto doc = Parse(xml);
    try {
        vdhost::FillBedExpansionFigures(doc->GetRoot(), "p.xml");
    } catch (const vdhost::ProjectFileError& e) {
        return e.what();
    }
    return {};
}

class BedExpansionFigures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(kMasterDb))
            GTEST_SKIP() << "example master database not built";
        MasterDatabase::Open(kMasterDb);
    }
    void TearDown() override { MasterDatabase::Close(); }
};

} // namespace

TEST_F(BedExpansionFigures, FillsTheLibraryFigureAtAnyDepth)
{
    auto doc = Parse("<report><system><bed><bedexpansion resin=\"SAC_GEL\" velocity=\"10\" temperature=\"18.5\""
                     " depth=\"1.85\"/></bed></system><bedexpansion resin=\"SBA_GEL\" velocity=\"6\"/></report>");
    EXPECT_EQ(vdhost::FillBedExpansionFigures(doc->GetRoot(), "p.xml"), 2);
    const double cation =
        BedExpansionDesktopFactory::Create("SAC_GEL")->GetBedExpansion(10, {18.5, TemperatureUnit::Celsius});
    const double anion =
        BedExpansionDesktopFactory::Create("SBA_GEL")->GetBedExpansion(6, {20, TemperatureUnit::Celsius});
    ASSERT_GT(cation, 0.3); // a real curve, not the "no formula" zero
    const wxXmlNode* first = doc->GetRoot()->GetChildren()->GetChildren()->GetChildren();
    EXPECT_EQ(first->GetAttribute("expansion"), wxString::Format("%.1f", cation * 100));
    EXPECT_EQ(first->GetAttribute("expandedheight"), wxString::Format("%.2f", 1.85 * (1 + cation)));
    const wxXmlNode* second = doc->GetRoot()->GetChildren()->GetNext();
    EXPECT_EQ(second->GetAttribute("expansion"), wxString::Format("%.1f", anion * 100));
    EXPECT_FALSE(second->HasAttribute("expandedheight"));
}

TEST_F(BedExpansionFigures, BadRowsAreNamedWithTheirLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<r>\n<bedexpansion resin=\"NOPE\" velocity=\"10\"/></r>",
         "p.xml:2: no bed-expansion formula for resin \"NOPE\""},
        {"<bedexpansion resin=\"SAC_GEL\" velocity=\"ten\"/>", "velocity=\"ten\" is not a number"},
        {"<bedexpansion resin=\"SAC_GEL\"/>", "needs a velocity"},
        {"<bedexpansion velocity=\"3\"/>", "needs a resin"},
        {"<bedexpansion resin=\"SAC_GEL\" velocity=\"10\" temperature=\"-200\"/>", "out of range"},
    };
    for (const auto& [xml, says] : cases)
        EXPECT_NE(ErrorOf(xml).find(says), std::string::npos) << says << ": " << ErrorOf(xml);
}
