// Plant overview graphics: from a file, from the resource archive and from the
// project's graphics, with texts replaced; failures draw nothing or name the fault.
#include "ReportTestSupport.h"
#include "support/TestFiles.h"

#include "vdcommon/report/StaticReplaceMapping.h"
#include "vdcommon/svg/SvgGraphicInfo.h"

#include <wx/filename.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace reporttest;

namespace {

const char* plantSvg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="100" viewBox="0 0 200 100">)"
                       R"(<rect x="10" y="10" width="50" height="30" fill="#00f"/>)"
                       R"(<text id="flow1" x="20" y="80" font-size="12">PLACEHOLDER</text>)"
                       R"(<text id="other" x="120" y="80" font-size="12">Kept</text></svg>)";

// A working folder with data/overview/plant.svg and data/vdbase.zrc (entry
// overview/plant.svg), made current for the test's lifetime: graphics are looked up
// relative to it.
class PlantOverview : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous = wxGetCwd();
        dir = temp.Path();
        std::filesystem::create_directories(dir / "data" / "overview");
        std::ofstream(dir / "data" / "overview" / "plant.svg") << plantSvg;
        {
            wxFFileOutputStream file(wxString::FromUTF8((dir / "data" / "vdbase.zrc").string()));
            wxZipOutputStream zip(file);
            zip.PutNextEntry("overview/plant.svg");
            zip.Write(plantSvg, std::strlen(plantSvg));
            zip.CloseEntry();
            zip.Close();
        }
        wxSetWorkingDirectory(wxString::FromUTF8(dir.string()));
    }
    void TearDown() override { wxSetWorkingDirectory(previous); }
    vdtest::TempDir temp{"vd-plant"};
    wxString previous;
    std::filesystem::path dir;
};

std::string Xml(const std::string& element)
{
    return "<report><page/>" + element + "</report>";
}

const char* replacement = R"(<replace element="flow1" value="12.5 m3/h"/>)";

} // namespace

TEST_F(PlantOverview, FromFileAndArchiveWithReplacedTexts)
{
    for (const std::string name : {"/overview/plant.svg", "#zip:overview/plant.svg"}) {
        SCOPED_TRACE(name);
        const std::string pdf = Render(Xml(R"(<plantoverview_xml stepid="1" x="10" y="40" w="100" h="50" filename=")" +
                                           name + "\">" + replacement + "</plantoverview_xml>"));
        const std::string text = pdfprobe::Text(pdf);
        EXPECT_NE(text.find("12.5 m3/h"), std::string::npos) << text;
        EXPECT_NE(text.find("Kept"), std::string::npos);
        EXPECT_EQ(text.find("PLACEHOLDER"), std::string::npos);
    }
}

TEST_F(PlantOverview, ProjectGraphicsByStepAndTheLoadedDocumentStaysUnchanged)
{
    auto graphic = std::make_shared<SvgGraphicInfo<ArchiveLoadPolicy>>(
        "overview/plant.svg", "data/", "iso",
        std::vector<std::shared_ptr<TextReplaceMapping>>{std::make_shared<StaticReplaceMapping>("flow1", "77 kg")});
    ASSERT_TRUE(graphic->document && graphic->document->GetRoot());
    const auto prepare = [&](VireldaReportConfig& config) {
        config.projectGraphics["p1"] = {SvgGraphicInfo<ArchiveLoadPolicy>(), *graphic};
    };
    // Step 2 twice: the second drawing starts again from the loaded document.
    const std::string pdf = Render(Xml(R"(<plantoverview projectuuid="p1" stepid="2"/><page/>)"
                                       R"(<plantoverview projectuuid="p1" stepid="2"/>)"),
                                   prepare);
    EXPECT_NE(pdfprobe::Text(pdf, false, 1, 1).find("77 kg"), std::string::npos);
    EXPECT_NE(pdfprobe::Text(pdf, false, 2, 2).find("77 kg"), std::string::npos);
    EXPECT_NE(graphic->document->GetRoot()->GetChildren()->GetNext()->GetNodeContent().find("PLACEHOLDER"),
              wxNOT_FOUND);

    // A step without graphic, a step of 0 or below, an unknown project and the empty
    // record draw nothing.
    for (const std::string element :
         {R"(projectuuid="p1" stepid="3")", R"(projectuuid="p1" stepid="0")", R"(projectuuid="p1" stepid="-1")",
          R"(projectuuid="none" stepid="1")", R"(projectuuid="p1" stepid="1")"}) {
        SCOPED_TRACE(element);
        const std::string empty = Render(Xml("<plantoverview " + element + "/>"), prepare);
        EXPECT_EQ(pdfprobe::Count(pdfprobe::PageContent(empty), " re"),
                  pdfprobe::Count(pdfprobe::PageContent(Render(Xml(""))), " re"));
    }
}

TEST_F(PlantOverview, FailuresDrawNothingOrNameTheFault)
{
    // The header's timestamp may tick between two renders, so compare the page
    // without its text objects: a failed graphic must add no drawing at all.
    const auto drawing = [](const std::string& pdf) {
        std::istringstream lines(pdfprobe::PageContent(pdf));
        std::string kept, line;
        while (std::getline(lines, line))
            if (line.rfind("BT ", 0) != 0)
                kept += line + '\n';
        return kept;
    };
    const std::string baseline = drawing(Render(Xml("")));
    for (const std::string name : {"/overview/missing.svg", "#zip:overview/missing.svg"}) {
        const std::string pdf = Render(Xml(R"(<plantoverview_xml stepid="1" filename=")" + name + "\"/>"));
        EXPECT_EQ(drawing(pdf), baseline) << name;
    }
    // Not XML at all: no drawing, the report goes on.
    std::ofstream(dir / "data" / "broken.svg") << "<svg><rect";
    EXPECT_EQ(drawing(Render(Xml(R"(<plantoverview_xml stepid="1" filename="broken.svg"/>)"))), baseline);

    const auto message = [](const std::string& element) {
        try {
            Render(Xml(element));
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("no exception");
    };
    EXPECT_EQ(message(R"(<plantoverview projectuuid="p1"/>)"), "XSLT attribute stepid missing");
    EXPECT_EQ(message(R"(<plantoverview projectuuid="p1" stepid="two"/>)"), "Invalid XSLT attribute stepid");
    EXPECT_EQ(message(R"(<plantoverview_xml filename="/overview/plant.svg"/>)"), "XSLT attribute stepid missing");
    EXPECT_EQ(message(R"(<plantoverview_xml stepid="1.5" filename="/overview/plant.svg"/>)"),
              "Invalid XSLT attribute stepid");
}
