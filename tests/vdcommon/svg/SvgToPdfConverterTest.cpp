// The converter's drawing checked where it shows: pages rendered by poppler and probed
// pixel by pixel (one point per pixel), text read back with pdftotext; plus the value
// readers, the loader's bounds and hostile documents.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"
#include "support/TestFiles.h"
#include "vdcommon/svg/SvgToPdfConverter.h"

#include <wx/xml/xml.h>

#include <chrono>
#include <cmath>
#include <string>

namespace {

using vdtest::CountLines;
using vdtest::Has;

const char* kHead = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" ";

std::shared_ptr<wxXmlDocument> Parse(const std::string& svg)
{
    SvgDocumentLoad loaded = SvgToPdfConverter::LoadBytes(svg, "test.svg");
    EXPECT_TRUE(loaded.document) << loaded.error << "\n" << svg;
    return loaded.document;
}

struct Rendered {
    std::string pdf;
    std::string content; // page 1's operators
};

// Converts `svg` (the root's attributes and children after kHead) onto a page in
// points at (0, 0), target width × height, uncompressed.
Rendered Convert(const std::string& svg, double width = 100, double height = 100)
{
    auto xml = Parse(kHead + svg);
    PdfDocument doc(wxPORTRAIT, wxS("pt"));
    doc.SetCompression(false);
    doc.AddPage();
    doc.SetFont(wxS("Arial"), wxEmptyString, 12);
    doc.SetXY(0, 0);
    SvgToPdfConverter converter;
    if (xml) {
        EXPECT_TRUE(converter.ConvertSvgToPdf(xml->GetRoot(), &doc, 0, 0, width, height));
    }
    Rendered r;
    r.pdf = pdfprobe::Bytes(doc.CloseAndGetBuffer());
    r.content = pdfprobe::PageContent(r.pdf);
    return r;
}

struct Probe {
    int x, y;
    int r, g, b;
};

struct DrawCase {
    const char* name;
    const char* svg; // after kHead; 100 × 100 user units on 100 × 100 pt
    std::vector<Probe> probes;
};

} // namespace

TEST(SvgToPdfConverter, NullArgumentsDrawNothing)
{
    auto xml = Parse(std::string(kHead) + "/>");
    PdfDocument doc(wxPORTRAIT, wxS("pt"));
    SvgToPdfConverter converter;
    EXPECT_FALSE(converter.ConvertSvgToPdf(nullptr, &doc, 0, 0, 10, 10));
    EXPECT_FALSE(converter.ConvertSvgToPdf(xml->GetRoot(), nullptr, 0, 0, 10, 10));
}

// What the standard says each of these draws, probed in the page image.
TEST(SvgToPdfConverter, DrawsAsTheStandardSays)
{
    const int W = 255;
    const std::vector<DrawCase> cases = {
        {"colour syntaxes",
         "><rect width=\"25\" height=\"100\" fill=\"hsl(120, 100%, 25%)\"/>"
         "<rect x=\"25\" width=\"25\" height=\"100\" fill=\"rgba(0,0,255,0.5)\"/>"
         "<rect x=\"50\" width=\"25\" height=\"100\" fill=\"transparent\"/>"
         "<rect x=\"75\" width=\"25\" height=\"100\" color=\"red\" fill=\"currentColor\"/></svg>",
         {{12, 50, 0, 128, 0}, {37, 50, 127, 127, W}, {62, 50, W, W, W}, {87, 50, W, 0, 0}}},
        {"inheritance from groups",
         "><g fill=\"blue\" stroke=\"none\" opacity=\"1\"><g><rect width=\"50\" "
         "height=\"50\"/></g></g></svg>",
         {{25, 25, 0, 0, W}, {75, 75, W, W, W}}},
        {"group opacity is one picture",
         "><g opacity=\"0.5\"><rect width=\"60\" height=\"60\" fill=\"blue\"/>"
         "<rect x=\"40\" y=\"40\" width=\"60\" height=\"60\" fill=\"blue\"/></g></svg>",
         {{50, 50, 127, 127, W}, {20, 20, 127, 127, W}}},
        {"units", "><rect width=\"10mm\" height=\"1in\" fill=\"#f00\"/></svg>", {{30, 90, W, 0, 0}, {45, 50, W, W, W}}},
        {"display none", "><rect width=\"100\" height=\"100\" display=\"none\"/></svg>", {{50, 50, W, W, W}}},
        {"svg prefix",
         "><svg:rect xmlns:svg=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\" "
         "fill=\"#f00\"/></svg>",
         {{50, 50, W, 0, 0}}},
        {"path error draws what came before",
         "><path d=\"M 0 0 H 100 V 50 H 0 Z M 0 60 L x\" fill=\"#0f0\"/></svg>",
         {{50, 25, 0, W, 0}, {50, 80, W, W, W}}},
        {"compact arc flags",
         "><path d=\"M0 50 a50 50 0 1150 0z\" fill=\"#00f\"/></svg>",
         {{25, 10, 0, 0, W}, {25, 70, W, W, W}}},
        {"css selectors",
         "><style>g > .a { fill: #0f0 } #b { fill: #00f } rect[data-x] { fill: #f00 }</style>"
         "<g><rect class=\"a\" width=\"50\" height=\"50\"/></g><rect id=\"b\" x=\"50\" width=\"50\" "
         "height=\"50\"/><rect data-x=\"1\" y=\"50\" width=\"50\" height=\"50\"/></svg>",
         {{25, 25, 0, W, 0}, {75, 25, 0, 0, W}, {25, 75, W, 0, 0}}},
        {"use of a symbol with viewBox",
         "><defs><symbol id=\"s\" viewBox=\"0 0 10 10\"><rect width=\"10\" "
         "height=\"10\" fill=\"#f00\"/></symbol></defs><use href=\"#s\" x=\"50\" "
         "width=\"50\" height=\"50\"/></svg>",
         {{75, 25, W, 0, 0}, {25, 25, W, W, W}}},
        {"nested svg clips to its viewport",
         "><svg x=\"50\" y=\"50\" width=\"50\" height=\"50\"><rect x=\"-50\" "
         "width=\"200\" height=\"200\" fill=\"#00f\"/></svg></svg>",
         {{75, 75, 0, 0, W}, {25, 75, W, W, W}}},
        {"clip path with use and units",
         "><defs><rect id=\"r\" width=\"0.5\" height=\"1\"/><clipPath id=\"c\" "
         "clipPathUnits=\"objectBoundingBox\"><use href=\"#r\"/></clipPath></defs>"
         "<rect width=\"100\" height=\"100\" fill=\"#0f0\" clip-path=\"url(#c)\"/></svg>",
         {{25, 50, 0, W, 0}, {75, 50, W, W, W}}},
        {"gradient stroke and spread",
         "><linearGradient id=\"g\" x2=\"0.5\" spreadMethod=\"reflect\"><stop "
         "stop-color=\"#f00\"/><stop offset=\"1\" stop-color=\"#00f\"/></linearGradient>"
         "<rect width=\"100\" height=\"50\" fill=\"url(#g)\"/><line y1=\"75\" x2=\"100\" "
         "y2=\"75\" stroke=\"url(#g) #0f0\" stroke-width=\"10\"/></svg>",
         {{2, 25, W, 0, 0}, {50, 25, 0, 0, W}, {98, 25, W, 0, 0}, {50, 75, 0, W, 0}}},
        {"pattern tiles",
         "><pattern id=\"p\" patternUnits=\"userSpaceOnUse\" width=\"20\" height=\"20\"><rect "
         "width=\"10\" height=\"20\" fill=\"#f00\"/></pattern><rect width=\"100\" height=\"100\" "
         "fill=\"url(#p)\"/></svg>",
         {{5, 50, W, 0, 0}, {15, 50, W, W, W}, {85, 50, W, 0, 0}}},
        {"markers along the path",
         "><marker id=\"m\" markerWidth=\"10\" markerHeight=\"10\" refX=\"5\" refY=\"5\" "
         "markerUnits=\"userSpaceOnUse\"><rect width=\"10\" height=\"10\" fill=\"#f00\"/>"
         "</marker><path d=\"M10 50 H50 H90\" stroke=\"#000\" marker-start=\"url(#m)\" "
         "marker-end=\"url(#m)\"/></svg>",
         {{8, 47, W, 0, 0}, {92, 47, W, 0, 0}, {50, 47, W, W, W}}},
        {"mask",
         "><mask id=\"m\"><rect width=\"50\" height=\"100\" fill=\"#fff\"/></mask><rect width=\"100\" "
         "height=\"100\" fill=\"#000\" mask=\"url(#m)\"/></svg>",
         {{25, 50, 0, 0, 0}, {75, 50, W, W, W}}},
        {"circle dashes start at 3 o'clock, clockwise",
         "><circle cx=\"50\" cy=\"50\" r=\"40\" fill=\"none\" "
         "stroke=\"#000\" stroke-width=\"6\" stroke-dasharray=\"62 "
         "500\"/></svg>",
         {{78, 78, 0, 0, 0}, {50, 10, W, W, W}}},
    };
    for (const DrawCase& c : cases) {
        const Rendered r = Convert(c.svg);
        EXPECT_TRUE(pdfprobe::QpdfCheck(r.pdf).ok) << c.name;
        const wxImage image = pdfprobe::Render(r.pdf, 72);
        ASSERT_TRUE(image.IsOk()) << c.name;
        for (const Probe& p : c.probes) {
            const wxColour got = pdfprobe::Pixel(image, p.x, p.y);
            EXPECT_TRUE(pdfprobe::IsNear(got, p.r, p.g, p.b, 30))
                << c.name << " at " << p.x << "," << p.y << ": " << int(got.Red()) << " " << int(got.Green()) << " "
                << int(got.Blue());
        }
    }
}

TEST(SvgToPdfConverter, PlacesTheDrawingInMillimetresAndRestoresTheDocument)
{
    auto xml =
        Parse(std::string(kHead) + "viewBox=\"0 0 200 100\">"
                                   "<rect x=\"0\" y=\"0\" width=\"200\" height=\"100\" fill=\"#ff0000\"/>"
                                   "<text x=\"10\" y=\"90\" font-size=\"40\" font-weight=\"bold\">Tag</text></svg>");
    PdfDocument doc; // millimetres
    doc.AddPage();
    doc.SetFont(wxS("Arial"), wxEmptyString, 9);
    doc.SetXY(20, 30);
    doc.SetTextColour(0, 0, 255);
    SvgToPdfConverter converter;
    ASSERT_TRUE(converter.ConvertSvgToPdf(xml->GetRoot(), &doc, 10, 5, 40, 40));
    EXPECT_DOUBLE_EQ(doc.GetX(), 20);
    EXPECT_DOUBLE_EQ(doc.GetY(), 30);
    EXPECT_DOUBLE_EQ(doc.GetFontSize(), 9);
    EXPECT_EQ(doc.GetFontStyle(), wxString());
    EXPECT_EQ(doc.GetTextColour(), PdfColour(0, 0, 255));

    // 200 x 100 units into 40 x 40 mm at (30, 35): 0.2 mm per unit, centred vertically.
    const std::string pdf = pdfprobe::Bytes(doc.CloseAndGetBuffer());
    const wxImage image = pdfprobe::Render(pdf, 144);
    ASSERT_TRUE(image.IsOk());
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(image, 144, 31, 46), 255, 0, 0));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(image, 144, 69, 64), 255, 0, 0));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(image, 144, 29, 55), 255, 255, 255));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(image, 144, 50, 43), 255, 255, 255));
    EXPECT_TRUE(pdfprobe::IsNear(pdfprobe::PixelMm(image, 144, 71, 55), 255, 255, 255));

    // The text is 40 units = 8 mm tall from x = 32 mm, in a bold face.
    const auto words = pdfprobe::Words(pdf);
    ASSERT_EQ(words.size(), 1u);
    const double mm = 72 / 25.4;
    EXPECT_NEAR(words[0].xMin / mm, 32, 0.5);
    EXPECT_NEAR((words[0].yMax - words[0].yMin) / mm, 8 * 1.15, 1.5);
    EXPECT_TRUE(Has(pdfprobe::Fonts(pdf), "Bold"));
}

// Anchors and tspans are compared with librsvg in the reference set.
TEST(SvgToPdfConverter, TextLayout)
{
    // Spaces collapse; the tspan continues the line.
    const Rendered plain = Convert("><text x=\"10\" y=\"20\" font-size=\"10\">  Feed \n water <tspan "
                                   "fill=\"#f00\">tank</tspan></text></svg>");
    EXPECT_EQ(pdfprobe::Text(plain.pdf).find("Feed water tank"), 0u) << pdfprobe::Text(plain.pdf);
    // Per-character positions.
    const auto spread = pdfprobe::Words(Convert("><text x=\"10 40 70\" y=\"50\">abc</text></svg>").pdf);
    EXPECT_EQ(spread.size(), 3u);
    EXPECT_TRUE(Has(Convert("><text y=\"20\" fill=\"none\" stroke=\"#000\">S</text></svg>").content, "1 Tr"));
    EXPECT_FALSE(Has(Convert("><text y=\"20\" fill=\"none\">S</text></svg>").content, "BT"));
}

TEST(SvgToPdfConverter, ValueReaders)
{
    auto rgb = [](const char* text) {
        const wxColour c = SvgToPdfConverter::ParseColour(wxString::FromUTF8(text));
        return std::vector<int>{c.Red(), c.Green(), c.Blue(), c.Alpha()};
    };
    EXPECT_EQ(rgb("#12ab3480"), (std::vector<int>{0x12, 0xab, 0x34, 0x80}));
    EXPECT_EQ(rgb("rgb(300, 0, -5)"), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(rgb("GREEN"), (std::vector<int>{0, 128, 0, 255}));
    EXPECT_EQ(rgb("hsla(240, 100%, 50%, 0.5)"), (std::vector<int>{0, 0, 255, 128}));
    for (const char* bad : {"", "#12345", "rgb(1,2)", "rgb(1%, 2, 3)", "nocolour", "#ggg"})
        EXPECT_EQ(rgb(bad), (std::vector<int>{0, 0, 0, 255})) << bad;

    // Well-formed transforms are compared with librsvg in the reference set.
    using M = SvgToPdfConverter::Matrix;
    auto near = [](const M& a, const M& b) {
        for (size_t i = 0; i < 6; ++i)
            if (std::abs(a[i] - b[i]) > 1e-9)
                return false;
        return true;
    };
    EXPECT_TRUE(near(SvgToPdfConverter::ParseTransform(wxS("rotate(90, 10 0)")), M{0, 1, -1, 0, 10, -10}));
    EXPECT_TRUE(near(SvgToPdfConverter::ParseTransform(wxS("scale(2,3),translate(1 1)")), M{2, 0, 0, 3, 2, 3}));
    for (const char* bad : {"translate(", "rotate(1,2)", "scale()", "matrix(1,2,3)", "move(1)"})
        EXPECT_TRUE(near(SvgToPdfConverter::ParseTransform(wxString::FromUTF8(bad)), M{1, 0, 0, 1, 0, 0})) << bad;
    EXPECT_EQ(SvgToPdfConverter::ExtractUrlId(wxS("url(#abc)")), wxS("abc"));

    double w = 0, h = 0;
    SvgToPdfConverter::GetIntrinsicSize(Parse(std::string(kHead) + "width=\"10mm\" viewBox=\"0 0 20 10\"/>")->GetRoot(),
                                        w, h);
    EXPECT_NEAR(w, 37.795, 0.01);
    EXPECT_NEAR(h, 18.898, 0.01);
}

TEST(SvgToPdfConverter, LoaderBoundsAndRefusals)
{
    // Nesting beyond the limit is refused with a clear reason, not a stack overflow.
    std::string deep = std::string(kHead) + ">";
    for (int i = 0; i < 100000; ++i)
        deep += "<g>";
    for (int i = 0; i < 100000; ++i)
        deep += "</g>";
    deep += "</svg>";
    SvgDocumentLoad tooDeep = SvgToPdfConverter::LoadBytes(deep, "deep.svg");
    EXPECT_FALSE(tooDeep.document);
    EXPECT_TRUE(Has(tooDeep.error, "nested deeper than")) << tooDeep.error;

    // External entities never reach a file.
    SvgDocumentLoad external =
        SvgToPdfConverter::LoadBytes("<!DOCTYPE svg [<!ENTITY x SYSTEM \"/etc/passwd\">]><svg>&x;</svg>", "x.svg");
    EXPECT_FALSE(external.document);
    EXPECT_FALSE(SvgToPdfConverter::LoadBytes("<svg><g></svg>", "broken.svg").document);
    EXPECT_FALSE(SvgToPdfConverter::LoadFile(wxS("/dev/zero")).document);
    EXPECT_FALSE(SvgToPdfConverter::LoadFile(wxS("/nonexistent/x.svg")).document);

    // A large text node and many elements load in time linear in their size (a
    // generous bound that only catches quadratic work).
    std::string big = std::string(kHead) + "><text>" + std::string(10 * 1024 * 1024, 'x') + "</text>";
    for (int i = 0; i < 100000; ++i)
        big += "<rect width=\"1\" height=\"1\"/>";
    big += "</svg>";
    const auto started = std::chrono::steady_clock::now();
    SvgDocumentLoad loaded = SvgToPdfConverter::LoadBytes(big, "big.svg");
    EXPECT_TRUE(loaded.document) << loaded.error;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
}

TEST(SvgToPdfConverter, HostileDocumentsEnd)
{
    // A tree handed in deeper than the limit is drawn down to the limit, no deeper.
    wxXmlDocument xml;
    auto* root = new wxXmlNode(wxXML_ELEMENT_NODE, wxS("svg"));
    xml.SetRoot(root);
    wxXmlNode* at = root;
    for (int i = 0; i < 100000; ++i) {
        auto* g = new wxXmlNode(wxXML_ELEMENT_NODE, wxS("g"));
        at->AddChild(g);
        at = g;
    }
    auto* rect = new wxXmlNode(wxXML_ELEMENT_NODE, wxS("rect"));
    rect->AddAttribute(wxS("width"), wxS("1"));
    rect->AddAttribute(wxS("height"), wxS("1"));
    at->AddChild(rect);
    {
        PdfDocument doc(wxPORTRAIT, wxS("pt"));
        doc.SetCompression(false);
        doc.AddPage();
        SvgToPdfConverter converter;
        EXPECT_TRUE(converter.ConvertSvgToPdf(xml.GetRoot(), &doc, 0, 0, 100, 100));
        const std::string pdf = pdfprobe::Bytes(doc.CloseAndGetBuffer());
        EXPECT_FALSE(Has(pdfprobe::PageContent(pdf), " l\n"));
        EXPECT_TRUE(pdfprobe::QpdfCheck(pdf).ok);
    }

    // References that double at every level (2^40 rectangles) stop at the budget.
    std::string laughs = "><defs><rect id=\"l0\" width=\"1\" height=\"1\"/>";
    for (int i = 1; i <= 40; ++i)
        laughs += "<g id=\"l" + std::to_string(i) + "\"><use href=\"#l" + std::to_string(i - 1) + "\"/><use href=\"#l" +
                  std::to_string(i - 1) + "\"/></g>";
    const auto started = std::chrono::steady_clock::now();
    const Rendered bomb = Convert(laughs + "</defs><use href=\"#l40\"/></svg>");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(120));
    EXPECT_LE(pdfprobe::Count(bomb.content, "\nf\n"), SvgToPdfConverter::kMaxUseExpansions);

    // Cycles through use (also between two groups), clip paths and gradients end.
    const Rendered cycles =
        Convert("><use id=\"self\" href=\"#self\"/><g id=\"outer\"><rect width=\"1\" height=\"1\"/>"
                "<use xlink:href=\"#outer\"/><use href=\"#m\"/></g><g id=\"m\"><use href=\"#outer\"/>"
                "<use href=\"#m\"/></g><clipPath id=\"c\" clip-path=\"url(#c)\"><rect "
                "width=\"5\" height=\"5\"/></clipPath><linearGradient id=\"a\" href=\"#b\"/>"
                "<linearGradient id=\"b\" href=\"#a\"/><rect width=\"9\" height=\"9\" "
                "clip-path=\"url(#c)\" fill=\"url(#a)\"/></svg>");
    EXPECT_TRUE(pdfprobe::QpdfCheck(cycles.pdf).ok);
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
    EXPECT_FALSE(Has(content, "3 0 l"));
    EXPECT_FALSE(Has(content, "0 1 0 rg"));
    EXPECT_TRUE(Has(content, "4 0 l"));
}
