// Report markup interpreted into a PDF: the walk, every element handler, the page
// furniture and the disclaimer, with the example's logo folder as resources.
#include "FuzzSupport.h"
#include "vdcommon/printing/VireldaReport.h"
#include "vdcommon/report/ITranslationProvider.h"

#include <exception>
#include <string>

namespace {

class Identity : public ITranslationProvider
{
public:
    std::string Translate(const std::string& text) const override { return text; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vdfuzz::StartToolkit();
    auto root = vdfuzz::ParseTree(data, size);
    if (!root)
        return 0;
    static const Identity identity;
    VireldaReportConfig config;
    config.resourcePath = wxString::FromUTF8(VD_FUZZ_DIR "/../examples/resources");
    try {
        VireldaReport report(std::move(config), identity);
        report.SetCompression(false);
        report.CreateReport(root.get());
    } catch (const std::exception&) {
        // A clear error is an accepted outcome; crashes, hangs and leaks are not.
    }
    return 0;
}
