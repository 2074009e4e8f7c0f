// The `diagram` element: every kind lands in a form object of its natural proportions,
// RO diagrams as vector paths, UF diagrams as images, placed at the element's position.
#include "ReportTestSupport.h"

#include "vdcommon/diagrams/VireldaReportDiagramFactory.h"

#include <cmath>
#include <regex>

using namespace reporttest;

namespace {

struct Form {
    double width = 0;
    double height = 0;
    bool hasImage = false;
    std::string content;
};

// The form objects of a PDF, read from qpdf's uncompressed rewrite.
std::vector<Form> Forms(const std::string& pdf)
{
    const std::string qdf = pdfprobe::Qdf(pdf);
    const std::regex bbox(R"(/BBox\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s*\])");
    const std::regex imageRef(R"(/I\d+\s+\d+\s+0\s+R)");
    std::vector<Form> forms;
    size_t start = 0;
    for (size_t end = qdf.find("endobj", start); end != std::string::npos; end = qdf.find("endobj", start)) {
        const std::string object = qdf.substr(start, end - start);
        start = end + 6;
        const size_t streamAt = object.find("stream\n");
        const std::string dict = object.substr(0, streamAt);
        std::smatch m;
        if (dict.find("/Subtype /Form") == std::string::npos || !std::regex_search(dict, m, bbox)) {
            continue;
        }
        Form form;
        form.width = std::stod(m[3].str()) - std::stod(m[1].str());
        form.height = std::stod(m[4].str()) - std::stod(m[2].str());
        form.hasImage = std::regex_search(dict, imageRef);
        if (streamAt != std::string::npos) {
            form.content = object.substr(streamAt + 7);
        }
        forms.push_back(form);
    }
    return forms;
}

std::vector<Form> FormsOfRatio(const std::vector<Form>& forms, double ratio)
{
    std::vector<Form> found;
    for (const auto& f : forms) {
        if (f.height > 0 && std::abs(f.width / f.height - ratio) < 0.01) {
            found.push_back(f);
        }
    }
    return found;
}

const char* ufParams =
    R"(<parameter name="feed" value="12.5" unit="m3/h"/><parameter name="bw" value="40" unit="m3/h"/>)";

std::string Diagram(const std::string& type, const std::string& attributes = R"( x="20" y="30" width="100")")
{
    return "<diagram type=\"" + type + "\"" + attributes + ">" + ufParams + "</diagram>";
}

void WithFactory(VireldaReportConfig& config)
{
    config.diagramFactory = std::make_unique<VireldaReportDiagramFactory>();
}

} // namespace

TEST(DiagramPlacement, EveryKindIsAFormObjectOfItsNaturalShape)
{
    const std::string pdf =
        Render("<report><page/>" + Diagram("Pass") + Diagram("overview") + Diagram("uf_design") +
                   Diagram("uf_backwash") + Diagram("uf_overview") + Diagram("uf_overview_seawater") + "</report>",
               WithFactory);

    const auto forms = Forms(pdf);
    const auto pass = FormsOfRatio(forms, 460.0 / 180.0);
    const auto overview = FormsOfRatio(forms, 540.0 / 200.0);
    const auto uf = FormsOfRatio(forms, 640.0 / 360.0);
    ASSERT_EQ(pass.size(), 1u);
    ASSERT_EQ(overview.size(), 1u);
    ASSERT_EQ(uf.size(), 4u);
    // Vector pictures: paths, no images.
    for (const auto* f : {&pass.front(), &overview.front()}) {
        EXPECT_FALSE(f->hasImage);
        EXPECT_EQ(f->content.find(" Do"), std::string::npos);
        EXPECT_NE(f->content.find(" re"), std::string::npos);
    }
    // Raster pictures: one image filling its form.
    const std::regex imagePlacement(R"(([-\d.]+) 0 0 ([-\d.]+) [-\d.]+ [-\d.]+ cm\s*/I\d+ Do)");
    for (const auto& f : uf) {
        EXPECT_TRUE(f.hasImage);
        std::smatch m;
        ASSERT_TRUE(std::regex_search(f.content, m, imagePlacement)) << f.content;
        EXPECT_NEAR(std::stod(m[1].str()), f.width, 0.1);
        EXPECT_NEAR(std::abs(std::stod(m[2].str())), f.height, 0.1);
    }
    // All six are placed on the page.
    EXPECT_EQ(pdfprobe::Count(pdfprobe::PageContent(pdf), "/TPL"),
              6 + pdfprobe::Count(pdfprobe::PageContent(Render("<report><page/></report>")), "/TPL"));
}

TEST(DiagramPlacement, PositionWidthUnknownTypesAndNoFactory)
{
    const std::string baseline = pdfprobe::PageContent(Render("<report><page/></report>"));
    // An unknown type (the type names are exact) draws nothing and the walk goes on.
    const std::string unknown = pdfprobe::PageContent(Render("<report><page/>" + Diagram("ro_pass") + "</report>"));
    EXPECT_EQ(pdfprobe::Count(unknown, "/TPL"), pdfprobe::Count(baseline, "/TPL"));
    // Nor does a UF diagram without a diagram factory.
    const std::string ufAlone = Render("<report><page/>" + Diagram("uf_design") + "</report>");
    EXPECT_TRUE(FormsOfRatio(Forms(ufAlone), 640.0 / 360.0).empty());

    // x 12.9 is truncated to 12; a pass diagram 230 wide is 90 high.
    const std::string content = pdfprobe::PageContent(
        Render("<report><page/>" + Diagram("pass", R"( x="12.9" y="40" width="230")") + "</report>"));
    // The last form placed is the diagram, scaled from its natural 460 x 180 to 230 x 90.
    const std::regex placement(R"(([-\d.]+) 0 0 ([-\d.]+) ([-\d.]+) [-\d.]+ cm\s*/TPL\d+ Do)");
    std::smatch m, p;
    for (auto it = content.cbegin(); std::regex_search(it, content.cend(), m, placement); it = m[0].second) {
        p = m;
    }
    ASSERT_FALSE(p.empty()) << content;
    EXPECT_NEAR(std::stod(p[1]), 0.5, 1e-4);
    EXPECT_NEAR(std::abs(std::stod(p[2])), 0.5, 1e-4);
    EXPECT_NEAR(std::stod(p[3]), 12 * ptPerMm, 0.05);
}

TEST(DiagramPlacement, RepeatedPicturesAreStoredOnceAndEveryOtherOnItsOwn)
{
    const auto design = [](const std::string& feed, const std::string& unit = "m3/h",
                           const std::string& type = "uf_design") {
        return "<diagram type=\"" + type + R"(" x="20" y="30" width="100"><parameter name="feed" value=")" + feed +
               "\" unit=\"" + unit + R"("/><parameter name="bw" value="40" unit="m3/h"/></diagram>)";
    };
    const auto images = [](const std::string& markup) {
        return pdfprobe::Count(pdfprobe::Qdf(Render("<report><page/>" + markup + "</report>", WithFactory)),
                               "/Subtype /Image");
    };
    const int base = images("");
    struct Case {
        const char* what;
        std::string markup;
        int pictures;
    };
    const Case cases[] = {
        {"the same twice", design("12.5") + design("12.5"), 1},
        {"another unit", design("12.5") + design("12.5", "gpm"), 2},
        {"another kind, same markup", design("12.5") + design("12.5", "m3/h", "uf_backwash"), 2},
        // More different pictures than are kept, then the first again: drawn anew, and
        // still equal to its first drawing.
        {"many, then the first again",
         design("1") + design("2") + design("3") + design("4") + design("5") + design("6") + design("1"), 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(images(c.markup) - base, c.pictures);
    }
}
