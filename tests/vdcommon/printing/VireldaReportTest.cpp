// The report document: set-up, metadata, fonts, creation operations and their failures.
#include "ReportTestSupport.h"
#include "support/TestFiles.h"

#include "vdcommon/pdf/PdfFontManager.h"

#include <wx/filefn.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace reporttest;

// Landscape A4 unless configured otherwise; one page, the disclaimer.
TEST(VireldaReportDocument, PageAndMetadataFromTheConfiguration)
{
    for (const bool configured : {false, true}) {
        SCOPED_TRACE(configured ? "configured" : "default");
        const std::string pdf = Render("<report/>", [&](VireldaReportConfig& c) {
            if (configured) {
                c.author = wxS("Jane Doe");
                c.projectNumber = wxS("P-17");
                c.projectTitle = wxString::FromUTF8("Kläranlage Nord");
                c.projectAgent = wxS("J. Doe");
                c.versionInfo = wxS("4.2.1");
                c.orientation = wxPORTRAIT;
            }
        });
        const auto info = pdfprobe::GetInfo(pdf);
        ASSERT_TRUE(info.ok) << info.raw;
        EXPECT_EQ(info.pages, 1);
        EXPECT_NEAR(info.width, configured ? 595.28 : 841.89, 0.5) << info.raw;
        EXPECT_NEAR(info.height, configured ? 841.89 : 595.28, 0.5);
        for (const std::string line :
             {configured ? "Author:          Jane Doe\n" : "",
              configured ? "Title:           P-17: Kläranlage Nord (J. Doe)\n" : "Title:           :  ()\n",
              configured ? "Creator:         Virelda (4.2.1)\n" : "Creator:         Virelda ()\n"})
            EXPECT_NE(info.raw.find(line), std::string::npos) << line << info.raw;
        EXPECT_EQ(info.raw.find("Author:") == std::string::npos, !configured) << info.raw;
    }
}

TEST(VireldaReportDocument, SpecialFontKinds)
{
    EXPECT_EQ(VireldaReport::GetBoldFontFileName(wxS("/a.b/x.y.ttf")), wxS("/a.b/x.y-Bold.ttf"));
    EXPECT_EQ(VireldaReport::GetBoldFontFileName(wxS("/a.b/font")), wxS("/a.b/font-Bold"));

    // "CJK-UNI" registers the file and its bold companion under the file name.
    const vdtest::TempDir dir("vdreport-fonts");
    const std::filesystem::path regular = "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf";
    const std::filesystem::path bold = "/usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf";
    ASSERT_TRUE(std::filesystem::exists(regular) && std::filesystem::exists(bold));
    std::filesystem::copy_file(regular, dir / "vdcjkuni.ttf", std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(bold, dir / "vdcjkuni-Bold.ttf", std::filesystem::copy_options::overwrite_existing);
    const wxString alias = wxString::FromUTF8((dir / "vdcjkuni.ttf").string());

    std::string pdf;
    {
        TableTranslator translator;
        VireldaReportConfig config = DefaultConfig();
        config.font = {wxS("CJK-UNI"), alias};
        VireldaReport report(std::move(config), translator);
        pdf = pdfprobe::Bytes(report.CreateReport(nullptr));
        EXPECT_EQ(VireldaReportTestAccess::DefaultFont(report), alias);
    }
    const auto boldFace = PdfFontManager::GetFontManager()->FindFont(alias, wxS("B"));
    ASSERT_TRUE(boldFace);
    EXPECT_TRUE(boldFace->IsBold());
    EXPECT_TRUE(boldFace->GetFilePath().EndsWith(wxS("vdcjkuni-Bold.ttf")));
    // The disclaimer is set in that font.
    EXPECT_NE(pdfprobe::Fonts(pdf).find("LiberationSerif"), std::string::npos) << pdfprobe::Fonts(pdf);

    // A lower-case kind registers nothing, but the name is still the default font.
    TableTranslator translator;
    VireldaReportConfig config = DefaultConfig();
    config.font = {wxS("utf"), wxS("VdNoSuchFamily")};
    VireldaReport report(std::move(config), translator);
    report.Create(nullptr);
    EXPECT_EQ(VireldaReportTestAccess::DefaultFont(report), wxS("VdNoSuchFamily"));
    EXPECT_FALSE(PdfFontManager::GetFontManager()->FindFont(wxS("VdNoSuchFamily")));
}

TEST(VireldaReportDocument, UtfFontFamilyFromTheSearchPath)
{
    const vdtest::TempDir dir("vdreport-utf");
    std::filesystem::copy_file("/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf",
                               dir / "VdUtfMono.ttf", std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file("/usr/share/fonts/truetype/liberation2/LiberationMono-Bold.ttf",
                               dir / "VdUtfMono-Bold.ttf", std::filesystem::copy_options::overwrite_existing);
    const std::string pdf =
        Render("<r><page/><cell width=\"50\" height=\"5\">Body</cell></r>", [&](VireldaReportConfig& c) {
            c.fontSearchPath = wxString::FromUTF8(dir.Str());
            c.font = {wxS("UTF"), wxS("VdUtfMono")};
        });
    EXPECT_NE(pdfprobe::Fonts(pdf).find("LiberationMono-Bold"), std::string::npos) << pdfprobe::Fonts(pdf);
    EXPECT_NE(pdfprobe::Fonts(pdf).find("LiberationMono "), std::string::npos) << pdfprobe::Fonts(pdf);
}

TEST(VireldaReportDocument, CreateAndSaveFileWritesOrThrowsNamingTheFile)
{
    const vdtest::TempDir dir("vdreport-save");
    const auto save = [](const std::string& name) {
        TableTranslator translator;
        VireldaReportConfig config = DefaultConfig();
        config.pdfFileName = wxString::FromUTF8(name);
        VireldaReport(std::move(config), translator).CreateAndSaveFile(nullptr);
    };
    const std::string target = (dir / "report.pdf").string();
    save(target);
    EXPECT_TRUE(pdfprobe::QpdfCheck(vdtest::ReadFile(target)).ok);

    // A file that cannot be written is an error that names it.
    const std::string bad = (dir / "missing-folder" / "report.pdf").string();
    try {
        save(bad);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
    }

    // An empty name writes "doc.pdf" in the working directory.
    const wxString previous = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(wxString::FromUTF8(dir.Str())));
    EXPECT_NO_THROW(save(""));
    wxSetWorkingDirectory(previous);
    EXPECT_TRUE(std::filesystem::exists(dir / "doc.pdf"));
}

TEST(VireldaReportDocument, PathOperatorsOfTheDrawingHelpers)
{
    TableTranslator translator;
    VireldaReport report(DefaultConfig(), translator);
    report.SetCompression(false);
    report.AddPage();
    report.MoveTo(10, 10);
    report.LineTo(20, 10);
    report.SetFillingRule(wxODDEVEN_RULE);
    report.ClosePdfPath(2);
    report.ClosePdfPath(3);
    report.SetFillingRule(wxWINDING_RULE);
    report.ClosePdfPath(2);
    report.ClosePdfPath(1);
    report.ClosePdfPath(0);
    report.StartTransform();
    report.TransformWithYAxis(1, 0, 0, 1, 5, 6);
    report.StopTransform();
    const std::string content = pdfprobe::PageContent(pdfprobe::Bytes(report.CloseAndGetBuffer()), 1);
    EXPECT_NE(content.find("h f*\nh B*\nh f\nh S\nh n\n"), std::string::npos) << content;
    EXPECT_NE(content.find("1 0 0 -1 0 0 cm"), std::string::npos) << content;
    EXPECT_NE(content.find("1 0 0 1 5 6 cm"), std::string::npos) << content;
}

namespace {

// A markup whose top-level children cover what later pages inherit from earlier
// markup: chapter names, the project type, the outline, the pen position.
const char* const kPiecewiseMarkup =
    "<report><projecttype>ROCC</projecttype><projecttitle><msg>Reverse Osmosis</msg></projecttitle><page/>"
    "<bookmark label=\"Intro\"/><setxy x=\"10\" y=\"40\"/><cell width=\"40\" height=\"5\" border=\"1\">Feed</cell>"
    "<section><page/><projecttitle>Ultrafiltration</projecttitle><bookmark label=\"UF\" level=\"1\"/>"
    "<xmlcell width=\"80\"><b>Bold</b> text</xmlcell></section><ln/><cell width=\"20\" height=\"5\">After</cell>"
    "</report>";

// A new element holding the first `count` children of `root`, moved out of it.
std::unique_ptr<wxXmlNode> TakeChildren(wxXmlNode& root, size_t count)
{
    auto part = std::make_unique<wxXmlNode>(wxXML_ELEMENT_NODE, wxS("part"));
    wxXmlNode* last = nullptr;
    for (; count > 0 && root.GetChildren(); --count) {
        wxXmlNode* child = root.GetChildren();
        root.RemoveChild(child);
        if (last) {
            part->InsertChildAfter(child, last);
        } else {
            part->AddChild(child);
        }
        last = child;
    }
    return part;
}

} // namespace

TEST(VireldaReportDocument, MarkupInPiecesGivesTheBytesOfTheWholeTree)
{
    const char* const previous = std::getenv("SOURCE_DATE_EPOCH");
    const std::string saved = previous ? previous : "";
    ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    TableTranslator translator;
    const auto build = [&](const std::function<const wxMemoryOutputStream&(VireldaReport&, Markup&)>& how) {
        VireldaReport report(DefaultConfig(), translator);
        VireldaReportTestAccess::FixTimeStamp(report);
        Markup markup(kPiecewiseMarkup);
        return pdfprobe::Bytes(how(report, markup));
    };
    const std::string whole = build([](VireldaReport & r, Markup & m) -> auto& { return r.CreateReport(m.Root()); });
    EXPECT_EQ(pdfprobe::GetInfo(whole).pages, 3);
    EXPECT_EQ(build([](VireldaReport & r, Markup & m) -> auto& { return r.CreateReport(TakeChildren(*m.Root(), 99)); }),
              whole);
    // Split before the first child, inside the first page, between the pages, after the last.
    for (const size_t split : {0, 3, 6, 9}) {
        EXPECT_EQ(build([split](VireldaReport & r, Markup & m) -> auto& {
                      r.BeginReport();
                      r.AddMarkup(TakeChildren(*m.Root(), split));
                      r.AddMarkup(nullptr);
                      r.AddMarkup(TakeChildren(*m.Root(), 99));
                      return r.FinishReport();
                  }),
                  whole)
            << "split after " << split << " children";
    }
    previous ? ::setenv("SOURCE_DATE_EPOCH", saved.c_str(), 1) : ::unsetenv("SOURCE_DATE_EPOCH");
}

TEST(VireldaReportDocument, CallsOutOfOrderThrowAndLeaveTheReportAsItWas)
{
    using Step = std::function<void(VireldaReport&)>;
    const Step begin = [](VireldaReport& r) { r.BeginReport(); };
    const Step add = [](VireldaReport& r) { r.AddMarkup(std::make_unique<wxXmlNode>(wxXML_ELEMENT_NODE, "r")); };
    const Step finish = [](VireldaReport& r) { r.FinishReport(); };
    const Step create = [](VireldaReport& r) { r.CreateReport(nullptr); };
    const Step createOwned = [](VireldaReport& r) { r.CreateReport(std::unique_ptr<wxXmlNode>()); };
    const Step createOpen = [](VireldaReport& r) { r.Create(nullptr); };
    // What was called before, the refused call, its name in the message, and what
    // must still work afterwards (none once the report is finished).
    const struct {
        std::vector<Step> before;
        Step wrong;
        const char* call;
        Step then;
    } cases[] = {
        {{}, add, "AddMarkup", create},
        {{}, finish, "FinishReport", createOwned},
        {{begin}, begin, "BeginReport", finish},
        {{begin}, create, "CreateReport", finish},
        {{begin}, createOwned, "CreateReport", finish},
        {{begin, finish}, add, "AddMarkup", {}},
        {{begin, finish}, finish, "FinishReport", {}},
        {{create}, begin, "BeginReport", {}},
        {{createOwned}, createOpen, "Create", {}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        TableTranslator translator;
        VireldaReport report(DefaultConfig(), translator);
        for (const Step& step : cases[i].before) {
            step(report);
        }
        try {
            cases[i].wrong(report);
            ADD_FAILURE() << "case " << i << ": no exception";
        } catch (const std::logic_error& e) {
            EXPECT_NE(std::string(e.what()).find(cases[i].call), std::string::npos) << i << ": " << e.what();
        }
        if (cases[i].then) {
            cases[i].then(report);
            EXPECT_EQ(pdfprobe::GetInfo(pdfprobe::Bytes(report.CloseAndGetBuffer())).pages, 1) << "case " << i;
        }
    }
}
