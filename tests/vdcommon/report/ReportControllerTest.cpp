#include "vdcommon/report/ReportController.h"

#include "../printing/ReportTestSupport.h"
#include "ReportTestSupport.h"
#include "support/PdfProbe.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

using reporttest::DataDir;
using reporttest::Element;

namespace {

ProjectDataToXmlConverter::Input ProjectInput()
{
    ProjectDataToXmlConverter::Input input;
    input.projectData =
        Element("project", {{"name", "Wasserwerk"}, {"module", "RO"}, {"type", "RO"}, {"client", "City"}});
    wxXmlNode* ro = Element("ro", {});
    Element("pass", {{"id", "1"}, {"recovery", "75"}}, ro);
    input.reportData = {{ro, "RO"}};
    input.unitSystem = "SI";
    input.decimalSeparator = ".";
    input.styleSheetDirectory = DataDir();
    return input;
}

} // namespace

TEST(ReportController, TranslatesTheMarkupAndReturnsThePdf)
{
    reporttest::TableTranslator provider; // English throughout
    VireldaReportConfig config = reporttest::DefaultConfig();
    config.unitSystem = "SI";
    reporttest::TableCatalogue catalogue;
    catalogue.entries = {{"de_DE|General specification", "Allgemeine Spezifikation"},
                         {"de_DE|Pass summary", "Zusammenfassung"}};
    std::string text;
    {
        ReportController controller(ProjectInput(), std::move(config), provider);
        const wxMemoryOutputStream& pdf =
            controller.CreateReportTranslated({{"RO", 1, "ro_report.xsl"}}, catalogue, "de_DE");
        catalogue.asked.clear();
        // The stream stays the controller's and valid while it lives; the trees are
        // gone, so a second run fails cleanly instead of touching them.
        EXPECT_THROW(controller.CreateReportTranslated({}, catalogue, "de_DE"), std::runtime_error);
        EXPECT_TRUE(catalogue.asked.empty());
        const std::string bytes = pdfprobe::Bytes(pdf);
        ASSERT_EQ(bytes.rfind("%PDF", 0), 0u);
        text = pdfprobe::Text(bytes);
    }
    EXPECT_NE(text.find("Allgemeine Spezifikation"), std::string::npos) << text;
    EXPECT_NE(text.find("Zusammenfassung"), std::string::npos) << text;
    EXPECT_NE(text.find("Unit system"), std::string::npos) << text; // no translation: English
    EXPECT_NE(text.find("75.0 %"), std::string::npos) << text;
}
