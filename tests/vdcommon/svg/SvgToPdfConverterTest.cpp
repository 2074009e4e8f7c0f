// The converter's drawing calls, read back from uncompressed content streams, its
// placement on the page, and its behaviour with hostile documents.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"
#include "vdcommon/svg/SvgToPdfConverter.h"

#include <wx/sstream.h>
#include <wx/xml/xml.h>

#include <chrono>
#include <cmath>
#include <regex>
#include <string>

namespace {

const char* kHead = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" ";

std::unique_ptr<wxXmlDocument> Parse(const std::string& svg)
{
    auto xml = std::make_unique<wxXmlDocument>();
    wxStringInputStream in(wxString::FromUTF8(svg));
    EXPECT_TRUE(xml->Load(in)) << svg;
    return xml;
}

struct Rendered {
    std::string pdf;
    std::string content;                 // page 1's operators
};

// Converts `svg` (the root's attributes and children after kHead) into a page of
// an uncompressed document whose unit is points, at (0, 0), target 100 x 100.
Rendered Convert(const std::string& svg, double width = 100, double height = 100)
{
    auto xml = Parse(kHead + svg);
    PdfDocument doc(wxPORTRAIT, wxS("pt"));
    doc.SetCompression(false);
    doc.AddPage();
    doc.SetFont(wxS("Arial"), wxEmptyString, 12);
    doc.SetXY(0, 0);
    SvgToPdfConverter converter;
    EXPECT_TRUE(converter.ConvertSvgToPdf(xml->GetRoot(), &doc, 0, 0, width, height));
    Rendered r;
    r.pdf = pdfprobe::Bytes(doc.CloseAndGetBuffer());
    r.content = pdfprobe::PageContent(r.pdf);
    return r;
}

bool Has(const std::string& content, const std::string& needle)
{
    return content.find(needle) != std::string::npos;
}

// The numbers of every "cm" operator in order (the first is the page's own flip).
std::vector<std::vector<double>> Matrices(const std::string& content)
{
    std::vector<std::vector<double>> result;
    static const std::regex cm(R"(((?:-?[\d.]+ ){6})cm)");
    for (auto it = std::sregex_iterator(content.begin(), content.end(), cm); it != std::sregex_iterator(); ++it) {
        std::istringstream numbers((*it)[1].str());
        std::vector<double> m(6);
        for (double& v : m)
            numbers >> v;
        result.push_back(m);
    }
    return result;
}

// The scale after the page's flip and the placement: the product of the uniform
// scales written in a row (a scale is split into precise factors).
double ScaleOf(const std::string& content)
{
    const auto m = Matrices(content);
    double scale = 1;
    for (size_t i = 2; i < m.size() && m[i][1] == 0 && m[i][2] == 0 && m[i][4] == 0 && m[i][5] == 0; ++i)
        scale *= m[i][0];
    return m.size() >= 3 ? scale : -1;
}

} // namespace

TEST(SvgToPdfConverter, NullArgumentsDrawNothing)
{
    SvgToPdfConverter converter;
    PdfDocument doc;
    auto xml = Parse(std::string(kHead) + "/>");
    EXPECT_FALSE(converter.ConvertSvgToPdf(nullptr, &doc, 0, 0, 10, 10));
    EXPECT_FALSE(converter.ConvertSvgToPdf(xml->GetRoot(), nullptr, 0, 0, 10, 10));
}

TEST(SvgToPdfConverter, ScaleFollowsViewBoxOrSize)
{
    EXPECT_DOUBLE_EQ(ScaleOf(Convert("viewBox=\"0 0 200 100\"/>").content), 0.5);
    EXPECT_NEAR(ScaleOf(Convert("viewBox=\"0 0 200 100\"/>", 0, 100).content), 0.264583, 0.264583 * 5e-5);
    // Small scales keep their precision although the file has four decimals.
    EXPECT_NEAR(ScaleOf(Convert("viewBox=\"0 0 5669 100\"/>").content), 100.0 / 5669, 100.0 / 5669 * 5e-5);
    EXPECT_DOUBLE_EQ(ScaleOf(Convert("/>").content), 1.0);
    EXPECT_DOUBLE_EQ(ScaleOf(Convert("width=\"50\" height=\"25\"/>").content), 2.0);
    // A view box without area counts as absent instead of scaling by infinity.
    EXPECT_DOUBLE_EQ(ScaleOf(Convert("viewBox=\"0 0 0 100\" width=\"400\" height=\"100\"/>").content), 0.25);

    // The view box's corner lands on the placement point.
    const auto m = Matrices(Convert("viewBox=\"-50 -20 100 100\"/>").content);
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[3], (std::vector<double>{1, 0, 0, 1, 50, 20}));
}

TEST(SvgToPdfConverter, PlacesTheDrawingInMillimetresAndRestoresTheDocument)
{
    auto xml = Parse(std::string(kHead) + "viewBox=\"0 0 200 100\">"
                     "<rect x=\"0\" y=\"0\" width=\"200\" height=\"100\" fill=\"#ff0000\"/>"
                     "<text x=\"10\" y=\"90\" font-size=\"40\" font-weight=\"bold\">Tag</text></svg>");
    PdfDocument doc;                      // millimetres
    doc.AddPage();
    doc.SetFont(wxS("Arial"), wxEmptyString, 9);
    doc.SetXY(20, 30);
    doc.SetTextColour(0, 0, 255);
    SvgToPdfConverter converter;
    ASSERT_TRUE(converter.ConvertSvgToPdf(xml->GetRoot(), &doc, 10, 5, 40, 40));
    // 200 x 100 units into 40 x 40 mm: the width decides, 0.2 mm per unit.
    EXPECT_DOUBLE_EQ(doc.GetX(), 20);
    EXPECT_DOUBLE_EQ(doc.GetY(), 30);
    EXPECT_DOUBLE_EQ(doc.GetFontSize(), 9);
    EXPECT_EQ(doc.GetFontStyle(), wxString());
    EXPECT_EQ(doc.GetTextColour(), PdfColour(0, 0, 255));

    const std::string pdf = pdfprobe::Bytes(doc.CloseAndGetBuffer());
    const wxImage image = pdfprobe::Render(pdf, 144);
    ASSERT_TRUE(image.IsOk());
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(image, 144, 31, 36), 255, 0, 0));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(image, 144, 69, 54), 255, 0, 0));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(image, 144, 29, 45), 255, 255, 255));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(image, 144, 50, 56), 255, 255, 255));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(image, 144, 71, 45), 255, 255, 255));

    // The text is 40 units = 8 mm tall at (32, 53) mm, in the bold face.
    const auto words = pdfprobe::Words(pdf);
    ASSERT_EQ(words.size(), 1u);
    const double mm = 72 / 25.4;
    EXPECT_NEAR(words[0].xMin / mm, 32, 0.5);
    EXPECT_NEAR((words[0].yMax - words[0].yMin) / mm, 8 * 1.15, 1.5);
    EXPECT_TRUE(Has(pdfprobe::Fonts(pdf), "Bold"));
}

TEST(SvgToPdfConverter, ColourForms)
{
    auto rgb = [](const char* text) {
        const wxColour c = SvgToPdfConverter::ParseColour(wxString::FromUTF8(text));
        return std::vector<int>{c.Red(), c.Green(), c.Blue()};
    };
    EXPECT_EQ(rgb("#fff"), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(rgb("#f80"), (std::vector<int>{255, 136, 0}));
    EXPECT_EQ(rgb("#12ab34"), (std::vector<int>{0x12, 0xab, 0x34}));
    EXPECT_EQ(rgb("#12345"), (std::vector<int>{0x01, 0x23, 0x45}));
    EXPECT_EQ(rgb("rgb(1, 2,3)"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(rgb("rgb(300,0,0)"), (std::vector<int>{44, 0, 0}));
    EXPECT_EQ(rgb("rgb(100%, 50%, 0%)"), (std::vector<int>{255, 128, 0}));
    EXPECT_EQ(rgb("red"), (std::vector<int>{255, 0, 0}));
    for (const char* bad : {"nosuchcolour", "#xyz", "rgb(1,2)", "", "#", "url(#g)"})
        EXPECT_EQ(rgb(bad), (std::vector<int>{0, 0, 0})) << bad;
    EXPECT_EQ(SvgToPdfConverter::ParseColour(wxS("#fff")).Alpha(), 255);
}

TEST(SvgToPdfConverter, TransformLists)
{
    using M = SvgToPdfConverter::Matrix;
    auto near = [](const M& a, const M& b) {
        for (int i = 0; i < 6; ++i)
            if (std::fabs(a[i] - b[i]) > 1e-9)
                return false;
        return true;
    };
    EXPECT_TRUE(near(SvgToPdfConverter::ParseTransform(wxS("translate(10) scale(2)")), M{2, 0, 0, 2, 10, 0}));
    EXPECT_TRUE(near(SvgToPdfConverter::ParseTransform(wxS("  rotate(90)")), M{0, 1, -1, 0, 0, 0}));
    EXPECT_TRUE(near(SvgToPdfConverter::ParseTransform(wxS("rotate(90, 10 0)")), M{0, 1, -1, 0, 10, -10}));
    EXPECT_TRUE(near(SvgToPdfConverter::ParseTransform(wxS("skewX(45)")), M{1, 0, 1, 1, 0, 0}));
    EXPECT_TRUE(near(SvgToPdfConverter::ParseTransform(wxS("skewY(45)")), M{1, 1, 0, 1, 0, 0}));
    EXPECT_TRUE(near(SvgToPdfConverter::ParseTransform(wxS("matrix(1,2,3,4,5,6)")), M{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(near(SvgToPdfConverter::ParseTransform(wxS("scale(2,3),translate(1 1)")), M{2, 0, 0, 3, 2, 3}));
    for (const char* bad : {"matrix(1 2 3)", "scale(2) bogus(1)", "rotate(nan)", "translate(1", "(1 2)",
                            "translate(1 2 3)"})
        EXPECT_TRUE(near(SvgToPdfConverter::ParseTransform(wxString::FromUTF8(bad)), M{1, 0, 0, 1, 0, 0})) << bad;

    // Element transforms reach the document with their translation in points.
    const auto m = Matrices(Convert("><rect width=\"1\" height=\"1\" transform=\"translate(10) scale(2)\"/></svg>").content);
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[3], (std::vector<double>{2, 0, 0, 2, 10, 0}));
    // A transformation that collapses the element hides it.
    EXPECT_FALSE(Has(Convert("><rect width=\"5\" height=\"5\" transform=\"scale(0)\"/></svg>").content, " re "));
}

TEST(SvgToPdfConverter, PaintStyles)
{
    EXPECT_TRUE(Has(Convert("><rect width=\"5\" height=\"6\" fill=\"#ff0000\"/></svg>").content, "1 0 0 rg\n"));
    EXPECT_TRUE(Has(Convert("><rect width=\"5\" height=\"6\" fill=\"#ff0000\"/></svg>").content, "0 0 5 6 re f\n"));
    EXPECT_TRUE(Has(Convert("><rect width=\"5\" height=\"6\" fill=\"none\" stroke=\"#000\"/></svg>").content,
                    "re S\n"));
    EXPECT_TRUE(Has(Convert("><rect width=\"5\" height=\"6\" stroke=\"#000\"/></svg>").content, "re B\n"));
    EXPECT_FALSE(Has(Convert("><rect width=\"5\" height=\"6\" fill=\"none\"/></svg>").content, " re"));
    EXPECT_FALSE(Has(Convert("><rect width=\"5\" height=\"-6\"/></svg>").content, " re"));
    EXPECT_TRUE(Has(Convert("><path d=\"M0 0 H9 V9 Z M3 3 H6 V6 Z\" style=\"fill-rule:evenodd\"/></svg>").content,
                    "f*\n"));
    // A line without a stroke is invisible; one with a stroke without width is 1 unit wide.
    EXPECT_FALSE(Has(Convert("><line x2=\"10\" y2=\"10\"/></svg>").content, " l S"));
    const std::string stroked = Convert("><line x2=\"10\" y2=\"10\" stroke=\"#00f\"/></svg>").content;
    EXPECT_TRUE(Has(stroked, "1 w\n"));
    EXPECT_TRUE(Has(stroked, "0 0 m 10 10 l S"));

    // An element without fill is black, whatever was filled before it.
    const std::string twoRects = Convert("><rect width=\"5\" height=\"5\" fill=\"#ff0000\"/>"
                                         "<rect x=\"10\" width=\"5\" height=\"5\"/></svg>").content;
    const size_t red = twoRects.find("1 0 0 rg"), black = twoRects.find("0 g\n10 0 5 5 re f");
    EXPECT_NE(red, std::string::npos);
    EXPECT_NE(black, std::string::npos);

    // Opacities: fill alpha of the fill, stroke alpha only with a stroke.
    const Rendered alpha = Convert("><rect width=\"5\" height=\"5\" style=\"fill:#f00;fill-opacity:0.25;"
                                   "stroke-opacity:0.5\"/></svg>");
    EXPECT_TRUE(Has(pdfprobe::Qdf(alpha.pdf), "/ca 0.25"));
    EXPECT_TRUE(Has(pdfprobe::Qdf(alpha.pdf), "/CA 1"));
}

TEST(SvgToPdfConverter, StrokeDashes)
{
    EXPECT_FALSE(Has(Convert("><line x2=\"10\" stroke=\"#000\" stroke-dasharray=\"4,2\"/></svg>").content, "] 0 d"));
    EXPECT_TRUE(Has(Convert("><line x2=\"10\" stroke=\"#000\" stroke-width=\"2\" stroke-dasharray=\"4,2\"/></svg>")
                        .content,
                    "[4 2] 0 d"));
    EXPECT_TRUE(Has(Convert("><line x2=\"10\" style=\"stroke:#000;stroke-width:3;stroke-dasharray:5, 1\"/></svg>")
                        .content,
                    "[5 1] 0 d"));
    // A pattern of zeros would make readers loop: it draws solid.
    EXPECT_FALSE(Has(Convert("><line x2=\"10\" style=\"stroke:#000;stroke-width:3;stroke-dasharray:0,0\"/></svg>")
                         .content,
                     "[0 0]"));
}

TEST(SvgToPdfConverter, PathGeometry)
{
    // Subpaths are filled together and outlined one by one.
    const std::string two = Convert("><path d=\"M 0 0 L 10 0 L 10 5 Z M 20 0 L 30 0\" fill=\"#0f0\" "
                                    "stroke=\"#000\"/></svg>").content;
    EXPECT_TRUE(Has(two, "0 0 m\n10 0 l\n10 5 l\n0 0 l\n20 0 m\n30 0 l\nf\n"));
    EXPECT_TRUE(Has(two, "0 0 m\n10 0 l\n10 5 l\nh S\n"));
    EXPECT_TRUE(Has(two, "20 0 m\n30 0 l\nS\n"));

    // An arc is curves that end on its end point, not a straight line.
    const std::string arc = Convert("><path d=\"M 10 50 A 40 40 0 0 1 90 50\" fill=\"none\" stroke=\"#000\"/></svg>")
                                .content;
    EXPECT_TRUE(Has(arc, " 50 c\n"));
    EXPECT_TRUE(Has(arc, "90 50 c\n"));
    EXPECT_FALSE(Has(arc, "90 50 l"));
    // Half circle through the top: its middle control points rise to y = 10 - ... .
    EXPECT_TRUE(std::regex_search(arc, std::regex(R"(10 2\d\.\d+ 2\d\.\d+ 10 50 10 c)")));

    // Quadratic curves become cubic ones with control points two thirds of the way.
    EXPECT_TRUE(Has(Convert("><path d=\"M0 0 Q 30 30 60 0\" fill=\"none\" stroke=\"#000\"/></svg>").content,
                    "0 0 m\n20 20 40 20 60 0 c\n"));
    // A smooth cubic reflects the previous control point.
    EXPECT_TRUE(Has(Convert("><path d=\"M0 0 C 0 10 10 10 10 0 S 20 -10 20 0\" fill=\"none\" stroke=\"#000\"/></svg>")
                        .content,
                    "10 -10 20 -10 20 0 c\n"));

    // Polylines stay open, polygons close.
    EXPECT_TRUE(Has(Convert("><polyline points=\"0,0 10,0, 10,10\" fill=\"none\" stroke=\"#000\"/></svg>").content,
                    "10 0 l\n10 10 l\nS"));
    EXPECT_TRUE(Has(Convert("><polygon points=\"0 0 10 0 10 10 5\" fill=\"none\" stroke=\"#000\"/></svg>").content,
                    "10 10 l\nh S"));

    // Rounded corners from rx alone; ellipse radii are not scaled twice.
    EXPECT_TRUE(Has(Convert("><rect width=\"20\" height=\"20\" rx=\"5\" ry=\"0\"/></svg>").content, " c\n"));
    EXPECT_TRUE(Has(Convert("viewBox=\"0 0 200 100\"><ellipse cx=\"100\" cy=\"50\" rx=\"40\" ry=\"20\"/></svg>")
                        .content,
                    "140 50 m\n"));
    // Percentages refer to the view box; units are dropped.
    EXPECT_TRUE(Has(Convert("viewBox=\"0 0 300 100\"><rect width=\"50%\" height=\"20mm\"/></svg>").content,
                    "0 0 150 20 re"));
}

TEST(SvgToPdfConverter, ClassStyleSheets)
{
    const std::string sheet = "><style>.a { fill: #00ff00 } path.b{stroke:#0000ff;stroke-width:2}</style>";
    EXPECT_TRUE(Has(Convert(sheet + "<rect class=\"a\" width=\"5\" height=\"5\"/></svg>").content, "0 1 0 rg"));
    EXPECT_FALSE(Has(Convert(sheet + "<rect class=\"a b\" width=\"5\" height=\"5\"/></svg>").content, "0 1 0 rg"));
    const std::string path = Convert(sheet + "<path class=\"b\" d=\"M0 0 L5 5\" fill=\"none\"/></svg>").content;
    EXPECT_TRUE(Has(path, "0 0 1 RG"));
    EXPECT_TRUE(Has(path, "2 w"));
}

TEST(SvgToPdfConverter, ClipPaths)
{
    const std::string missing = Convert("><rect width=\"5\" height=\"5\" clip-path=\"url(#none)\"/></svg>").content;
    EXPECT_FALSE(Has(missing, "W n"));
    EXPECT_TRUE(Has(missing, "re f"));

    const std::string clipped = Convert("><defs><clipPath id=\"c\"><rect x=\"1\" y=\"2\" width=\"3\" height=\"4\"/>"
                                        "<path d=\"M 10 10 A 5 5 0 0 1 20 10 Z\"/></clipPath></defs>"
                                        "<g clip-path=\"url(#c)\"><rect width=\"50\" height=\"50\" "
                                        "clip-path=\"url(#c)\"/></g></svg>").content;
    EXPECT_EQ(pdfprobe::Count(clipped, "W n"), 2);
    EXPECT_TRUE(Has(clipped, "1 2 m\n4 2 l\n4 6 l\n1 6 l\n1 2 l\n10 10 m\n"));
    EXPECT_TRUE(Has(clipped, "20 10 c\n"));
    EXPECT_EQ(pdfprobe::Count(clipped, "q\n"), pdfprobe::Count(clipped, "Q"));

    // A clip path without shapes lets nothing through.
    EXPECT_TRUE(Has(Convert("><defs><clipPath id=\"e\"/></defs><rect width=\"5\" height=\"5\" "
                            "clip-path=\"url(#e)\"/></svg>").content,
                    "0 0 m\n0 0 l\nW n"));
}

TEST(SvgToPdfConverter, Gradients)
{
    const std::string defs = "><defs><linearGradient id=\"g\"><stop offset=\"0\" stop-color=\"#ff0000\"/>"
                             "<stop offset=\"1\" stop-color=\"#0000ff\"/></linearGradient>"
                             "<radialGradient id=\"one\"><stop stop-color=\"#00ff00\"/></radialGradient></defs>";
    const Rendered filled = Convert(defs + "<circle cx=\"5\" cy=\"5\" r=\"5\" fill=\"url(#g)\"/></svg>");
    EXPECT_TRUE(Has(filled.content, "W n "));
    EXPECT_TRUE(Has(filled.content, "/Sh1 sh"));
    EXPECT_TRUE(Has(pdfprobe::Qdf(filled.pdf), "/ShadingType 2"));
    EXPECT_TRUE(pdfprobe::QpdfCheck(filled.pdf).ok);

    const std::string stroked = Convert(defs + "<rect width=\"5\" height=\"5\" fill=\"none\" stroke=\"url(#g)\"/></svg>")
                                    .content;
    EXPECT_TRUE(Has(stroked, "1 0 0 RG"));
    EXPECT_FALSE(Has(stroked, " sh"));
    // One stop paints a plain colour; a missing gradient paints nothing.
    EXPECT_TRUE(Has(Convert(defs + "<rect width=\"5\" height=\"5\" fill=\"url(#one)\"/></svg>").content, "0 1 0 rg"));
    EXPECT_FALSE(Has(Convert(defs + "<rect width=\"5\" height=\"5\" fill=\"url(#nope)\"/></svg>").content, " re"));
}

TEST(SvgToPdfConverter, Text)
{
    const std::string plain = Convert("><text x=\"10\" y=\"20\" font-size=\"10\">  Feed \n water </text></svg>").content;
    EXPECT_EQ(pdfprobe::Count(plain, "BT"), 1);
    EXPECT_TRUE(Has(plain, "/F1 10 Tf"));
    EXPECT_TRUE(Has(plain, "1 0 0 -1 10 20 Tm"));

    const Rendered spans = Convert("><text x=\"10\" y=\"20\">A<tspan fill=\"#f00\">B</tspan>"
                                   "<tspan x=\"10\" y=\"40\" style=\"font-size:20\">C</tspan></text></svg>");
    EXPECT_EQ(pdfprobe::Count(spans.content, "BT"), 3);
    EXPECT_TRUE(Has(spans.content, "1 0 0 -1 10 40 Tm"));
    EXPECT_NE(pdfprobe::Text(spans.pdf).find("AB"), std::string::npos);

    // Anchors move the text by its width.
    auto xOf = [](const std::string& content) {
        std::smatch m;
        std::regex_search(content, m, std::regex(R"(1 0 0 -1 (-?[\d.]+) 20 Tm)"));
        return m.empty() ? -1.0 : std::stod(m[1]);
    };
    const double start = xOf(Convert("><text x=\"50\" y=\"20\">Wide</text></svg>").content);
    const double middle = xOf(Convert("><text x=\"50\" y=\"20\" text-anchor=\"middle\">Wide</text></svg>").content);
    const double end = xOf(Convert("><text x=\"50\" y=\"20\" style=\"text-anchor:end\">Wide</text></svg>").content);
    EXPECT_DOUBLE_EQ(start, 50);
    EXPECT_GT(middle, 30);
    EXPECT_NEAR(50 - end, 2 * (50 - middle), 0.01);

    // Stroked text uses the stroke render mode; invisible text draws nothing.
    EXPECT_TRUE(Has(Convert("><text y=\"20\" fill=\"none\" stroke=\"#000\">S</text></svg>").content, "1 Tr"));
    EXPECT_FALSE(Has(Convert("><text y=\"20\" fill=\"none\">S</text></svg>").content, "BT"));
}

TEST(SvgToPdfConverter, UseReferences)
{
    const std::string moved = Convert("><defs><rect id=\"r\" width=\"5\" height=\"5\"/></defs>"
                                      "<use xlink:href=\"#r\" x=\"50\"/><use href=\"#r\"/></svg>").content;
    EXPECT_EQ(pdfprobe::Count(moved, "0 0 5 5 re f"), 2);
    EXPECT_TRUE(Has(moved, "1 0 0 1 50 0 cm"));

    // Elements outside defs can be referred to too.
    EXPECT_EQ(pdfprobe::Count(Convert("><rect id=\"r\" width=\"5\" height=\"5\"/><use href=\"#r\" y=\"9\"/></svg>")
                                  .content,
                              "0 0 5 5 re f"),
              2);

    // Self, ancestor and mutual references end.
    const std::string cycles = Convert("><use id=\"self\" href=\"#self\"/>"
                                       "<g id=\"outer\"><rect width=\"1\" height=\"1\"/><use href=\"#outer\"/></g>"
                                       "<defs><g id=\"a\"><use href=\"#b\"/></g><g id=\"b\"><use href=\"#a\"/>"
                                       "<rect width=\"2\" height=\"2\"/></g></defs><use href=\"#a\"/></svg>").content;
    EXPECT_EQ(pdfprobe::Count(cycles, "0 0 1 1 re f"), 1);
    EXPECT_EQ(pdfprobe::Count(cycles, "0 0 2 2 re f"), 1);
}

TEST(SvgToPdfConverter, HostileDocumentsEnd)
{
    // Nesting far deeper than any drawing: drawn down to the limit, no deeper.
    std::string deep = ">";
    for (int i = 0; i < 3000; ++i)
        deep += "<g>";
    deep += "<rect width=\"1\" height=\"1\"/>";
    for (int i = 0; i < 3000; ++i)
        deep += "</g>";
    const Rendered nested = Convert(deep + "</svg>");
    EXPECT_FALSE(Has(nested.content, " re "));
    EXPECT_TRUE(pdfprobe::QpdfCheck(nested.pdf).ok);

    // References that double at every level (2^40 rectangles) stop at the budget.
    std::string laughs = "><defs><rect id=\"l0\" width=\"1\" height=\"1\"/>";
    for (int i = 1; i <= 40; ++i)
        laughs += "<g id=\"l" + std::to_string(i) + "\"><use href=\"#l" + std::to_string(i - 1) + "\"/><use href=\"#l" +
                  std::to_string(i - 1) + "\"/></g>";
    const auto started = std::chrono::steady_clock::now();
    const Rendered bomb = Convert(laughs + "</defs><use href=\"#l40\"/></svg>");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(120));
    EXPECT_LE(pdfprobe::Count(bomb.content, " re f"), SvgToPdfConverter::kMaxUseExpansions);

    // Numbers at the edge of the double range, and worse, never reach the file as
    // anything but finite numbers.
    const Rendered numbers = Convert(
        "viewBox=\"0 0 1e-300 1e-300\"><rect x=\"1e308\" y=\"-1e308\" width=\"1e308\" height=\"1e308\"/>"
        "<path d=\"M 1e308 1e308 L -1e308 1e308 A 1e308 1e-308 0 1 1 0 0 c 1e308 1e308 1e308 1e308 1e308 1e308 Z\" "
        "stroke=\"#000\" stroke-width=\"1e308\" transform=\"scale(1e308) rotate(1e308)\"/>"
        "<circle r=\"nan\"/><ellipse rx=\"inf\" ry=\"1\"/><text x=\"1e999\" font-size=\"1e308\">x</text>"
        "<polygon points=\"1e308 1e308 -1e308 0 0 nan\"/></svg>");
    EXPECT_TRUE(pdfprobe::QpdfCheck(numbers.pdf).ok) << pdfprobe::QpdfCheck(numbers.pdf).output;
    EXPECT_FALSE(Has(numbers.content, "inf"));
    EXPECT_FALSE(Has(numbers.content, "nan"));

    // Text that no UTF-8 could carry still ends in a valid file.
    auto xml = Parse(std::string(kHead) + "><text y=\"20\">x</text></svg>");
    wxXmlNode* text = xml->GetRoot()->GetChildren()->GetChildren();
    text->SetContent(wxString(L"\xFFFF\xFFFE") + wxString::FromUTF8("\xC3\x28 ok"));
    PdfDocument doc(wxPORTRAIT, wxS("pt"));
    doc.AddPage();
    SvgToPdfConverter converter;
    EXPECT_TRUE(converter.ConvertSvgToPdf(xml->GetRoot(), &doc, 0, 0, 100, 100));
    EXPECT_TRUE(pdfprobe::QpdfCheck(pdfprobe::Bytes(doc.CloseAndGetBuffer())).ok);
}

TEST(SvgToPdfConverter, ConversionsShareNothing)
{
    auto first = Parse(std::string(kHead) + "><defs><rect id=\"r\" width=\"3\" height=\"3\"/></defs>"
                                            "<style>.a{fill:#00ff00}</style></svg>");
    auto second = Parse(std::string(kHead) + "><use href=\"#r\"/><rect class=\"a\" width=\"4\" height=\"4\"/></svg>");
    PdfDocument doc(wxPORTRAIT, wxS("pt"));
    doc.SetCompression(false);
    doc.AddPage();
    SvgToPdfConverter converter;
    EXPECT_TRUE(converter.ConvertSvgToPdf(first->GetRoot(), &doc, 0, 0, 100, 100));
    EXPECT_TRUE(converter.ConvertSvgToPdf(second->GetRoot(), &doc, 0, 0, 100, 100));
    const std::string content = pdfprobe::PageContent(pdfprobe::Bytes(doc.CloseAndGetBuffer()));
    EXPECT_FALSE(Has(content, "0 0 3 3 re"));
    EXPECT_FALSE(Has(content, "0 1 0 rg"));
    EXPECT_TRUE(Has(content, "0 0 4 4 re f"));
}
