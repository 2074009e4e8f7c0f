#include "host/ProjectFile.h"

#include <gtest/gtest.h>

#include "support/TestFiles.h"

using namespace vdhost;

namespace {

std::string Write(const std::string& name, const std::string& text)
{
    static const vdtest::TempDir dir("vdhost-pf");
    vdtest::WriteFile(dir / (name + ".xml"), text);
    return (dir / (name + ".xml")).string();
}

std::string ErrorOf(const std::string& text)
{
    try {
        ReadProjectFile(Write("err", text));
    } catch (const ProjectFileError& e) {
        return e.what();
    }
    return {};
}

} // namespace

TEST(ProjectFile, SectionsLeftOutAreListedWithoutTheirData)
{
    const std::string path = VD_SOURCE_DIR "/examples/combined/project.xml";
    struct Case {
        SectionFilter filter;
        std::vector<bool> withData; // UF, RO, IEX
    };
    for (const Case& c : {Case{{SectionFilter::Mode::All, {}}, {true, true, true}},
                          Case{{SectionFilter::Mode::None, {}}, {false, false, false}},
                          Case{{SectionFilter::Mode::Active, {}}, {true, true, true}},
                          Case{{SectionFilter::Mode::Named, {"RO"}}, {false, true, false}}}) {
        const ProjectFile project = ReadProjectFile(path, c.filter);
        ASSERT_EQ(project.reports.size(), 3u);
        EXPECT_EQ(project.reports[0].name, "UF");
        EXPECT_EQ(project.reports[2].styleSheet, "iex.xsl");
        EXPECT_EQ(project.reports[1].pageList, 2);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(project.reports[i].data != nullptr, c.withData[i]) << i;
    }
}

TEST(ProjectFile, MistakesAreNamedWithFileAndLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<vdproject>\n<general/>\n<extra/></vdproject>", ":3: unknown section <extra>"},
        {"<vdproject><general/>\n<limits><limit key=\"a\" max=\"1,5\"/></limits></vdproject>",
         ":2: attribute max=\"1,5\" is not a number"},
        {"<vdproject/>", "<general> section is missing"},
        {"<project/>", "expected <vdproject>"},
        {"<vdproject><general/><report name=\"A\"/></vdproject>", "name and stylesheet"},
        {"<vdproject><general/>\n<report name=\"A\" stylesheet=\"a.xsl\"/>\n"
         "<report name=\"A\" stylesheet=\"b.xsl\" pagelist=\"x\"/></vdproject>",
         ":3: report \"A\" defined twice"},
    };
    for (const auto& [xml, says] : cases)
        EXPECT_TRUE(vdtest::Has(ErrorOf(xml), says)) << says << ": " << ErrorOf(xml);
}
