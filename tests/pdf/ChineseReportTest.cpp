// The Chinese report of the combined example plant, made by the built vdreport as a
// user would (`-l zh_CN`, the examples' catalogues), with the project title typed
// in Chinese: the texts extract as Chinese with poppler and mupdf, set in an
// embedded CJK face, and nothing is drawn as a missing glyph.
#include <gtest/gtest.h>

#include "support/PdfProbe.h"
#include "support/TestFiles.h"

#include <filesystem>

namespace {

const std::string kBinary = VD_BINARY_DIR "/apps/vdreport/vdreport";
const std::string kInstall = VD_BINARY_DIR "/examples";

using vdtest::ReadFile;

} // namespace

TEST(ChineseReportTest, CombinedPlantInChineseExtractsAsChinese)
{
    if (!std::filesystem::exists(kBinary) || !std::filesystem::exists(kInstall + "/master.db"))
        GTEST_SKIP() << "vdreport or the example data not built";
    // The project title as an engineer in China would type it.
    std::string project = ReadFile(VD_SOURCE_DIR "/examples/combined/project.xml");
    for (size_t pos; (pos = project.find("Harbour Desalination Plant")) != std::string::npos;)
        project.replace(pos, std::string("Harbour Desalination Plant").size(), "港口海水淡化厂");
    const vdtest::TempDir temp("zhreport");
    const std::string dir = temp.Str();
    // Laid out like the examples folder: the plant's folder beside the style sheets
    // and resources it names.
    for (const char* shared : {"stylesheets", "resources", "data"})
        std::filesystem::create_directory_symlink(VD_SOURCE_DIR "/examples/" + std::string(shared), dir + "/" + shared);
    std::filesystem::create_directories(dir + "/combined");
    const std::string input = dir + "/combined/project.xml", output = dir + "/report.pdf";
    vdtest::WriteFile(input, project);

    const auto run = pdfprobe::Run("cd '" + kInstall + "' && timeout 120 '" + kBinary + "' -q -l zh_CN --locale '" +
                                   VD_SOURCE_DIR "/examples/locale' -o '" + output + "' '" + input + "'");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string pdf = ReadFile(output);
    EXPECT_TRUE(pdfprobe::QpdfCheck(pdf).ok);

    const std::string poppler = pdfprobe::Text(pdf);
    pdfprobe::TempFile file(pdf);
    const std::string mupdf =
        pdfprobe::Run("mutool draw -q -F txt -o - '" + file.Path() + "' 2>/dev/null", false).output;
    for (const char* expected :
         {"港口海水淡化厂", "设计报告", "项目数据", "免责声明", "反渗透", "本报告由设计软件根据项目数据生成。"}) {
        EXPECT_NE(poppler.find(expected), std::string::npos) << "pdftotext lacks " << expected;
        EXPECT_NE(mupdf.find(expected), std::string::npos) << "mutool lacks " << expected;
    }
    // The disclaimer wraps between ideographs: its last sentence comes out whole
    // once the line ends are taken out.
    std::string compact;
    for (const char c : poppler)
        if (c != '\n')
            compact += c;
    EXPECT_NE(compact.find("产品数据、本报告和本软件如有变更，恕不另行通知。"), std::string::npos);
    EXPECT_EQ(poppler.find("港港"), std::string::npos) << "a missing glyph mapped to its neighbour";

    const std::string fonts = pdfprobe::Fonts(pdf);
    EXPECT_TRUE(fonts.find("CJK") != std::string::npos || fonts.find("WenQuanYi") != std::string::npos ||
                fonts.find("MicroHei") != std::string::npos)
        << fonts;
}
