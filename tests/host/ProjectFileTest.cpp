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
    // Mistakes are found while the sections are listed.
    const std::string bad = ErrorOf("<vdproject><general/>\n<report name=\"A\" stylesheet=\"a.xsl\"/>\n"
                                    "<report name=\"A\" stylesheet=\"b.xsl\" pagelist=\"x\"/></vdproject>");
    EXPECT_NE(bad.find(":3: report \"A\" defined twice"), std::string::npos) << bad;
}

TEST(ProjectFile, MistakesAreNamedWithFileAndLine)
{
    EXPECT_NE(ErrorOf("<vdproject>\n<general/>\n<extra/></vdproject>").find(":3: unknown section <extra>"),
              std::string::npos);
    EXPECT_NE(ErrorOf("<vdproject><general/>\n<limits><limit key=\"a\" max=\"1,5\"/></limits></vdproject>")
                  .find(":2: attribute max=\"1,5\" is not a number"),
              std::string::npos);
    EXPECT_NE(ErrorOf("<vdproject/>").find("<general> section is missing"), std::string::npos);
    EXPECT_NE(ErrorOf("<project/>").find("expected <vdproject>"), std::string::npos);
    EXPECT_NE(ErrorOf("<vdproject><general/><report name=\"A\"/></vdproject>").find("name and stylesheet"),
              std::string::npos);
}
