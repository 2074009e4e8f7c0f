// Renders every SVG of the reference set through the converter and compares the page,
// pixel by pixel at 144 dpi (two pixels per unit), with librsvg's render of the same file
// on white. A pixel differs when a channel differs by more than 64; a file passes when at
// most 2 % of its pixels differ, or the fraction in the root element's data-tolerance
// attribute (text is drawn with other glyph positioning). A failing file leaves
// NAME-pdf.png and NAME-svg.png in the build folder's svg-compare/.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"
#include "support/TestFiles.h"
#include "vdcommon/svg/SvgToPdfConverter.h"

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/xml/xml.h>

namespace {

const wxString kSetDir = wxS(VD_SOURCE_DIR "/tests/vdcommon/svg/files");
const std::string kOutDir = VD_BINARY_DIR "/svg-compare/";

double Attribute(const wxXmlNode* root, const char* name, double fallback)
{
    double value = fallback;
    return root->GetAttribute(name).ToCDouble(&value) ? value : fallback;
}

// The SVG at the top-left corner of an A4 page in points, one SVG unit per point.
std::string RenderFile(wxXmlNode* root)
{
    PdfDocument doc(wxPORTRAIT, wxS("pt"));
    doc.AddPage();
    doc.SetFont(wxS("Arial"), wxEmptyString, 12);
    doc.SetXY(0, 0);
    SvgToPdfConverter converter;
    if (!converter.ConvertSvgToPdf(root, &doc, 0, 0, Attribute(root, "width", 100), Attribute(root, "height", 100)))
        return {};
    return pdfprobe::Bytes(doc.CloseAndGetBuffer());
}

} // namespace

TEST(SvgReferenceRenders, MatchLibrsvg)
{
    if (pdfprobe::Run("command -v rsvg-convert && command -v pdftoppm").exitCode != 0)
        GTEST_SKIP() << "rsvg-convert or pdftoppm missing";
    wxFileName::Mkdir(wxString::FromUTF8(kOutDir), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);

    wxArrayString files;
    wxDir::GetAllFiles(kSetDir, &files, wxS("*.svg"), wxDIR_FILES);
    ASSERT_GE(files.size(), 40u);
    for (const wxString& file : files) {
        const std::string name = wxFileName(file).GetName().utf8_string();
        SCOPED_TRACE(name);
        wxXmlDocument xml;
        ASSERT_TRUE(xml.Load(file) && xml.GetRoot());
        const std::string pdf = RenderFile(xml.GetRoot());
        ASSERT_FALSE(pdf.empty());
        const pdfprobe::CheckResult check = pdfprobe::QpdfCheck(pdf);
        EXPECT_TRUE(check.ok) << check.output;

        const std::string svgPng = kOutDir + name + "-svg.png";
        ASSERT_EQ(pdfprobe::Run("rsvg-convert -z 2 -b white -f png -o " + vdtest::ShellQuote(svgPng) + " " +
                                vdtest::ShellQuote(file.utf8_string()))
                      .exitCode,
                  0);
        wxImage reference;
        {
            wxLogNull quiet;
            reference.LoadFile(wxString::FromUTF8(svgPng), wxBITMAP_TYPE_PNG);
        }
        ASSERT_TRUE(reference.IsOk());
        const wxImage image = pdfprobe::Render(pdf, 144);
        const double fraction = pdfprobe::DifferingShare(image, reference, 64);
        const double tolerance = Attribute(xml.GetRoot(), "data-tolerance", 0.02);
        EXPECT_LE(fraction, tolerance) << "see " << kOutDir << name << "-pdf.png";
        if (fraction > tolerance)
            image.SaveFile(wxString::FromUTF8(kOutDir + name + "-pdf.png"), wxBITMAP_TYPE_PNG);
        else
            wxRemoveFile(wxString::FromUTF8(svgPng));
    }
}
