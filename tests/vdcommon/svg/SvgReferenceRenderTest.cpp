// Renders every SVG of the reference set through the converter and compares the
// result with librsvg's render of the same file (tests/vdcommon/svg/compare-svg.sh).
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"
#include "vdcommon/svg/SvgToPdfConverter.h"

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/xml/xml.h>

#include <fstream>
#include <map>
#include <sstream>

namespace {

const wxString kSetDir = wxS(VD_SOURCE_DIR "/tests/vdcommon/svg/files");
const wxString kOutDir = wxS(VD_BINARY_DIR "/svg-compare");

// The SVG at the top-left corner of an A4 page in points, one SVG unit per point.
std::string RenderFile(const wxString& path)
{
    wxXmlDocument xml;
    if (!xml.Load(path) || !xml.GetRoot())
        return {};
    wxXmlNode* root = xml.GetRoot();
    double width = 100, height = 100;
    root->GetAttribute(wxS("width"), wxS("100")).ToCDouble(&width);
    root->GetAttribute(wxS("height"), wxS("100")).ToCDouble(&height);
    PdfDocument doc(wxPORTRAIT, wxS("pt"));
    doc.AddPage();
    doc.SetFont(wxS("Arial"), wxEmptyString, 12);
    doc.SetXY(0, 0);
    SvgToPdfConverter converter;
    if (!converter.ConvertSvgToPdf(root, &doc, 0, 0, width, height))
        return {};
    return pdfprobe::Bytes(doc.CloseAndGetBuffer());
}

} // namespace

TEST(SvgReferenceRenders, MatchLibrsvg)
{
    if (pdfprobe::Run("command -v rsvg-convert && command -v pdftoppm && command -v python3").exitCode != 0)
        GTEST_SKIP() << "rsvg-convert, pdftoppm or python3 missing";
    wxFileName::Mkdir(kOutDir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);

    wxArrayString files;
    wxDir::GetAllFiles(kSetDir, &files, wxS("*.svg"), wxDIR_FILES);
    ASSERT_GE(files.size(), 40u);
    std::vector<std::string> names;
    for (const wxString& file : files) {
        const std::string name = wxFileName(file).GetName().utf8_string();
        const std::string pdf = RenderFile(file);
        ASSERT_FALSE(pdf.empty()) << name;
        const pdfprobe::CheckResult check = pdfprobe::QpdfCheck(pdf);
        EXPECT_TRUE(check.ok) << name << ": " << check.output;
        std::ofstream(kOutDir.utf8_string() + "/" + name + ".pdf", std::ios::binary) << pdf;
        names.push_back(name);
    }

    const pdfprobe::RunResult run = pdfprobe::Run("bash '" VD_SOURCE_DIR "/tests/vdcommon/svg/compare-svg.sh' '" +
                                                  kSetDir.utf8_string() + "' '" + kOutDir.utf8_string() + "'");
    std::map<std::string, std::string> verdicts;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string verdict, name;
        words >> verdict >> name;
        if (verdict == "PASS" || verdict == "FAIL")
            verdicts[name] = line;
    }
    for (const std::string& name : names) {
        ASSERT_TRUE(verdicts.count(name)) << name << " was not compared:\n" << run.output;
        EXPECT_EQ(verdicts[name].rfind("PASS", 0), 0u)
            << verdicts[name] << "  (see " << kOutDir.utf8_string() << "/" << name << "-diff.png)";
    }
}
