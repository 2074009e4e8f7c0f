// Hostile inputs into every entry that reads outside data. Each row names the
// input and the outcome it must have: a clear error (an exception of the stated
// kind) or the documented fallback (the call completes and its result is sound).
// Hangs are caught by the test's CTest time limit.
#include "host/PoCatalogue.h"
#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"
#include "support/TestFiles.h"
#include "vdcommon/printing/VireldaReport.h"
#include "vdcommon/printing/XMLHelpers.h"
#include "vdcommon/report/ITranslationProvider.h"
#include "vdcommon/report/XsltInMemoryTransformer.h"
#include "vdcommon/svg/SvgToPdfConverter.h"

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/xml/xml.h>

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The bytes as they would come from a file, so that the XML reader sees them raw.
XMLHelpers::TreePtr Parse(const std::string& xml)
{
    wxLogNull quiet;
    wxMemoryInputStream in(xml.data(), xml.size());
    wxXmlDocument doc;
    if (!doc.Load(in))
        return {};
    return XMLHelpers::TreePtr(doc.DetachRoot());
}

std::string Nest(const std::string& open, const std::string& close, int depth, const std::string& inner)
{
    std::string text;
    text.reserve((open.size() + close.size()) * depth + inner.size());
    for (int i = 0; i < depth; ++i)
        text += open;
    text += inner;
    for (int i = 0; i < depth; ++i)
        text += close;
    return text;
}

// A number written into a PDF as "nan" or "inf" makes the file unreadable.
bool HasNonFiniteNumber(const std::string& pdf)
{
    static const std::regex bad(R"((^|[\s\[(])[-+]?(nan|inf)([\s\])]|$))", std::regex::icase);
    return std::regex_search(pdf, bad);
}

std::string SvgToPdf(const std::string& svg, double width = 100, double height = 100)
{
    auto root = Parse(svg);
    if (!root)
        throw std::runtime_error("SVG does not parse");
    PdfDocument doc(wxPORTRAIT, wxS("pt"));
    doc.SetCompression(false);
    doc.AddPage();
    doc.SetFont(wxS("Helvetica"), wxEmptyString, 12);
    SvgToPdfConverter converter;
    if (!converter.ConvertSvgToPdf(root.get(), &doc, 0, 0, width, height))
        throw std::runtime_error("conversion refused");
    return pdfprobe::Bytes(doc.CloseAndGetBuffer());
}

class Identity : public ITranslationProvider
{
public:
    std::string Translate(const std::string& text) const override { return text; }
};

std::string Report(XMLHelpers::TreePtr root)
{
    static const Identity identity;
    VireldaReportConfig config;
    config.resourcePath = wxString::FromUTF8(VD_SOURCE_DIR "/examples/resources");
    VireldaReport report(std::move(config), identity);
    report.SetCompression(false);
    return pdfprobe::Bytes(report.CreateReport(root.get()));
}

std::string Report(const std::string& markup)
{
    auto root = Parse(markup);
    if (!root)
        throw std::runtime_error("markup does not parse");
    return Report(std::move(root));
}

std::string RichText(const std::string& markup)
{
    PdfDocument doc;
    doc.SetCompression(false);
    doc.AddPage();
    doc.SetFont(wxS("Helvetica"), wxEmptyString, 11);
    doc.WriteXml(wxString::FromUTF8(markup));
    return pdfprobe::Bytes(doc.CloseAndGetBuffer());
}

const std::string kSvgHead = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                             "viewBox=\"0 0 100 100\">";

// Every numeric attribute kind of SVG, each given the same hostile number.
std::string SvgWithNumber(const std::string& n)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + n + " " + n + "\" width=\"" + n + "\">" +
           "<defs><linearGradient id=\"g\" x1=\"" + n + "\"><stop offset=\"" + n +
           "\" stop-color=\"red\" stop-opacity=\"" + n + "\"/></linearGradient></defs>" + "<rect x=\"" + n +
           "\" y=\"1\" width=\"" + n + "\" height=\"" + n + "\" rx=\"" + n + "\" fill=\"url(#g)\" stroke-width=\"" + n +
           "\" opacity=\"" + n + "\"/>" + "<circle cx=\"1\" cy=\"" + n + "\" r=\"" + n +
           "\" stroke=\"blue\" stroke-dasharray=\"" + n + "," + n + "\"/><ellipse rx=\"" + n +
           "\" ry=\"1\"/><line x2=\"" + n + "\" stroke=\"black\"/>" + "<polygon points=\"" + n + "," + n +
           " 1,1 2,2\"/><path d=\"M" + n + " 0 L1 " + n + " A" + n + " " + n + " " + n + " 0 1 5 5 C" + n +
           " 1 2 3 4 5z\" style=\"stroke-width:" + n + ";fill-opacity:" + n + "\"/>" + "<g transform=\"matrix(" + n +
           ",0,0," + n + ",1,1) rotate(" + n + ") scale(" + n + ") translate(" + n + ") skewX(" + n +
           ")\"><rect width=\"5\" height=\"5\"/></g>" + "<text x=\"" + n + "\" y=\"10\" font-size=\"" + n +
           "\" letter-spacing=\"" + n + "\">T<tspan dx=\"" + n + "\">u</tspan></text></svg>";
}

enum class Expect {
    Fallback,
    Error
};

struct HostileCase {
    std::string name;
    Expect expect;
    // Runs the input; for a fallback, returns a failure description or "" when sound.
    std::function<std::string()> run;
};

std::string SoundPdf(const std::string& pdf)
{
    if (pdf.rfind("%PDF-", 0) != 0)
        return "not a PDF";
    if (HasNonFiniteNumber(pdf))
        return "non-finite number written";
    const auto check = pdfprobe::QpdfCheck(pdf);
    return check.ok ? std::string() : "qpdf: " + check.output;
}

std::vector<HostileCase> Cases()
{
    std::vector<HostileCase> cases;

    cases.push_back({"svg zero and negative target boxes", Expect::Fallback, [] {
                         const std::string svg = kSvgHead + "<rect width=\"50\" height=\"50\"/></svg>";
                         for (double size : {0.0, -10.0}) {
                             const std::string problem = SoundPdf(SvgToPdf(svg, size, size));
                             if (!problem.empty())
                                 return problem;
                         }
                         return std::string();
                     }});
    cases.push_back({"svg invalid utf-8 text", Expect::Error,
                     [] { return SvgToPdf(kSvgHead + "<text y=\"10\">\xff\xfe\xc3</text></svg>"); }});

    cases.push_back({"report markup 100000 levels deep", Expect::Fallback, [] {
                         // The deepest cell and a sibling after the deep branch are both reached.
                         const std::string pdf = Report(
                             "<report><page/>" +
                             Nest("<group>", "</group>", 100000, "<cell width=\"30\" height=\"5\">Deepest</cell>") +
                             "<cell width=\"30\" height=\"5\">Sibling</cell></report>");
                         const std::string text = pdfprobe::Text(pdf);
                         if (!vdtest::Has(text, "Deepest") || !vdtest::Has(text, "Sibling"))
                             return std::string("a cell was lost");
                         return SoundPdf(pdf);
                     }});
    // Each hostile number in every numeric attribute of SVG, report markup, diagrams,
    // bookmarks, overviews and rich text.
    for (const std::string v : {"1e308", "-1e308", "nan", "inf", "-inf", "0", "-5"}) {
        cases.push_back(
            {"numeric attributes " + v, Expect::Fallback, [v] {
                 for (const std::string& pdf :
                      {SvgToPdf(SvgWithNumber(v)),
                       Report("<report><page/><setxy x=\"" + v + "\" y=\"" + v + "\"/><ln height=\"" + v +
                              "\"/><cell width=\"" + v + "\" height=\"" + v +
                              "\">A</cell><cell width=\"20\" height=\"5\">After</cell></report>"),
                       Report("<report><page/><bookmark label=\"b\" level=\"" + v + "\"/><diagram type=\"pass\" x=\"" +
                              v + "\" y=\"" + v + "\" width=\"" + v + "\"><parameter name=\"stages\" value=\"" + v +
                              "\" pass=\"" + v + "\"/></diagram><diagram type=\"uf_design\" x=\"" + v + "\" y=\"" + v +
                              "\" width=\"" + v + "\" height=\"" + v + "\"/><notes mtype=\"RO\" flags1=\"" + v +
                              "\" flags2=\"" + v + "\"/><companylogo x=\"" + v + "\" y=\"" + v + "\"/></report>"),
                       RichText("<p><font size=\"" + v + "\">a</font></p><table border=\"" + v + "\" cellpadding=\"" +
                                v + "\"><col width=\"" + v + "\"/><tr><td colspan=\"" + v + "\" rowspan=\"" + v +
                                "\">b</td></tr></table>")}) {
                     if (const std::string problem = SoundPdf(pdf); !problem.empty())
                         return problem;
                 }
                 return std::string();
             }});
    }
    cases.push_back({"report cell with a 50 MB text", Expect::Fallback, [] {
                         // Built in place: the toolkit's own XML reader is quadratic on long texts.
                         XMLHelpers::TreePtr root(new wxXmlNode(wxXML_ELEMENT_NODE, "report"));
                         auto* cell = new wxXmlNode(wxXML_ELEMENT_NODE, "cell");
                         cell->AddAttribute("width", "100");
                         cell->AddAttribute("height", "5");
                         cell->AddChild(new wxXmlNode(wxXML_TEXT_NODE, "", wxString(50u << 20, 'x')));
                         root->AddChild(new wxXmlNode(wxXML_ELEMENT_NODE, "page"));
                         root->AddChild(cell);
                         return SoundPdf(Report(std::move(root)));
                     }});
    cases.push_back({"plant overview from a missing archive", Expect::Fallback, [] {
                         return SoundPdf(Report("<report><page/><plantoverview_xml filename=\"#zip:none.svg\" "
                                                "stepid=\"1\" x=\"10\" y=\"10\" w=\"50\" h=\"50\"/>"
                                                "<cell width=\"20\" height=\"5\">After</cell></report>"));
                     }});

    cases.push_back({"rich text 100000 levels deep", Expect::Fallback,
                     [] { return SoundPdf(RichText(Nest("<b>", "</b>", 100000, "deep"))); }});
    cases.push_back(
        {"rich text invalid utf-8", Expect::Fallback, [] { return SoundPdf(RichText("<p>ok \xff\xfe\xc3 end</p>")); }});

    const std::string sheet = VD_SOURCE_DIR "/fuzz/xslt_source.xsl";
    cases.push_back({"xslt source 100000 levels deep", Expect::Error, [sheet] {
                         XsltInMemoryTransformer transformer;
                         XMLHelpers::TreePtr tree(
                             transformer.Transform(wxString::FromUTF8(Nest("<a>", "</a>", 100000, "x")),
                                                   wxString::FromUTF8(sheet), wxS("metric"), wxS("."), 1));
                         return std::string("accepted");
                     }});
    cases.push_back({"xslt source with a 50 MB text node", Expect::Fallback, [sheet] {
                         XsltInMemoryTransformer transformer;
                         const std::string xml = "<project><v>" + std::string(50u << 20, 'y') + "</v></project>";
                         XMLHelpers::TreePtr result(
                             transformer.Transform(wxString::FromUTF8(xml), wxString::FromUTF8(sheet), "SI", ".", -1));
                         return result ? std::string() : std::string("no result");
                     }});

    cases.push_back({"missing font family", Expect::Fallback, [] {
                         PdfDocument doc;
                         doc.AddPage();
                         if (doc.SetFont(wxS("NoSuchFamilyAnywhere"), wxEmptyString, 10))
                             return std::string("unknown family accepted");
                         return SoundPdf(pdfprobe::Bytes(doc.CloseAndGetBuffer()));
                     }});

    cases.push_back({"po catalogue with invalid utf-8 and broken quoting", Expect::Fallback, [] {
                         vdhost::PoCatalogue catalogue;
                         try {
                             catalogue.AddFromText(
                                 "msgid \"a\xff\"\nmsgstr \"b\xc3\"\nmsgid \"unterminated\nmsgstr[9999999999] \"x\"\n",
                                 "hostile.po");
                         } catch (const vdhost::PoError&) {
                         }
                         return std::string();
                     }});
    return cases;
}

std::string TestName(const std::string& text)
{
    std::string name;
    for (char c : text)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

const std::vector<HostileCase>& AllCases()
{
    static const std::vector<HostileCase> cases = Cases();
    return cases;
}

class HostileInput : public ::testing::TestWithParam<size_t>
{};

} // namespace

TEST_P(HostileInput, HasItsExpectedOutcome)
{
    const HostileCase& c = AllCases()[GetParam()];
    wxLogNull quiet;
    if (c.expect == Expect::Fallback) {
        std::string problem;
        try {
            problem = c.run();
        } catch (const std::exception& e) {
            problem = std::string("threw: ") + e.what();
        }
        EXPECT_EQ(problem, "") << c.name;
    } else {
        try {
            const std::string outcome = c.run();
            ADD_FAILURE() << c.name << ": no error (" << outcome << ")";
        } catch (const std::exception& e) {
            EXPECT_STRNE(e.what(), "") << c.name << ": error without a message";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, HostileInput, ::testing::Range<size_t>(0, AllCases().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             const HostileCase& c = AllCases()[info.param];
                             return TestName(c.name);
                         });
