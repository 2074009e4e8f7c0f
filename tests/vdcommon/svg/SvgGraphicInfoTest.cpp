// Plant graphics resolve below the data folder or inside the resource archive only;
// every refusal is one exception line naming the graphic.
#include <gtest/gtest.h>

#include "support/TestFiles.h"

#include "vdcommon/svg/SvgGraphicInfo.h"
#include "vdcommon/svg/SvgLimits.h"

#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

const char* kSvg = "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect width=\"1\" height=\"1\"/></svg>";

class GraphicLoading : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = temp.Path();
        std::filesystem::create_directories(dir / "data" / "sub");
        std::ofstream(dir / "data" / "sub" / "plant.svg") << kSvg;
        std::ofstream(dir / "secret.svg") << kSvg;
        std::filesystem::create_symlink(dir / "secret.svg", dir / "data" / "link.svg");
        wxFFileOutputStream file(wxString::FromUTF8((dir / "data" / "vdbase.zrc").string()));
        wxZipOutputStream zip(file);
        zip.PutNextEntry("x.svg");
        zip.Write(kSvg, std::strlen(kSvg));
        // An entry that inflates far beyond its stored size.
        zip.PutNextEntry("bomb.svg");
        const std::string spaces(1 << 20, ' ');
        zip.Write("<svg>", 5);
        for (int i = 0; i < 80; ++i)
            zip.Write(spaces.data(), spaces.size());
        zip.Write("</svg>", 6);
        zip.Close();
    }
    std::string Error(bool archive, const std::string& name)
    {
        const wxString folder = wxString::FromUTF8((dir / "data").string() + (archive ? "/" : ""));
        try {
            if (archive)
                ArchiveLoadPolicy::Load(wxString::FromUTF8(name), folder);
            else
                FileLoadPolicy::Load(wxString::FromUTF8(name), folder);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "";
    }
    vdtest::TempDir temp{"vd-graphic"};
    std::filesystem::path dir;
};

} // namespace

TEST_F(GraphicLoading, OnlyBelowTheDataFolderOrInTheArchive)
{
    EXPECT_EQ(Error(false, "/sub/plant.svg"), "");
    EXPECT_EQ(Error(false, "sub/../sub/./plant.svg"), "");
    EXPECT_EQ(Error(true, "x.svg"), "");
    const struct {
        bool archive;
        const char* name;
        const char* says;
    } refused[] = {
        {false, "/../../x/secret.svg", "refused"},
        {false, "../secret.svg", "refused"},
        {false, "link.svg", "outside the data folder"},
        {false, "#zip:x.svg#file:/abs/secret.svg", "refused"},
        {false, "file:///etc/passwd", "refused"},
        {false, "missing.svg", "not found in data folder"},
        {true, "x.svg#file:/abs/secret.svg", "refused"},
        {true, "../x.svg", "refused"},
        {true, "missing.svg", "not found"},
        {true, "bomb.svg", "once unpacked"},
    };
    SvgLimits limits = GetSvgLimits();
    const SvgLimits saved = limits;
    limits.maxDocumentBytes = 16u * 1024 * 1024;
    SetSvgLimits(limits);
    for (const auto& r : refused) {
        const std::string error = Error(r.archive, r.name);
        EXPECT_NE(error.find(r.says), std::string::npos) << r.name << ": " << error;
        EXPECT_NE(error.find(std::string("plant graphic \"") + r.name + "\""), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
    SetSvgLimits(saved);
}
