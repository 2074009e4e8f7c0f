#pragma once
// Shared helpers of the report tests: a report built from markup text, the host
// stand-ins, and position checks through pdftotext -bbox.
#include "support/PdfProbe.h"
#include "vdcommon/printing/VireldaReport.h"
#include "vdcommon/printing/XMLHelpers.h"
#include "vdcommon/report/IMessageFormatter.h"
#include "vdcommon/report/ITranslationProvider.h"

#include <wx/sstream.h>
#include <wx/xml/xml.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Private state of the report, for the few checks the PDF cannot show.
class VireldaReportTestAccess
{
public:
    static wxString DefaultFont(const VireldaReport& r) { return r.GetDefaultFont(); }
    // The header's clock, fixed so that two reports can be compared byte for byte.
    static void FixTimeStamp(VireldaReport& r) { r.timeStamp = wxS("2024-01-02 03:04:05"); }
};

namespace reporttest {

constexpr double ptPerMm = 72.0 / 25.4;

inline wxString ResourceDir()
{
    return wxString::FromUTF8(VD_SOURCE_DIR "/examples/resources");
}

// Translates by a table; texts not in it come back unchanged.
class TableTranslator : public ITranslationProvider
{
public:
    std::map<std::string, std::string> table;
    mutable std::vector<std::string> asked;
    std::string Translate(const std::string& text) const override
    {
        asked.push_back(text);
        const auto it = table.find(text);
        return it == table.end() ? text : it->second;
    }
};

// Records its calls and answers "MSG<n>" for the n-th call (from 0).
class RecordingFormatter : public IMessageFormatter
{
public:
    struct Call {
        std::string moduleType, text, unitSystem;
    };
    std::shared_ptr<std::vector<Call>> calls = std::make_shared<std::vector<Call>>();
    std::string FormatMessage(const std::string& moduleType, const std::string& translatedText,
                              const std::string& unitSystem) override
    {
        calls->push_back({moduleType, translatedText, unitSystem});
        return "MSG" + std::to_string(calls->size() - 1);
    }
};

// Installs a recording formatter in `config`; its calls stay readable after the report.
using FormatterCalls = std::shared_ptr<std::vector<RecordingFormatter::Call>>;
inline FormatterCalls InstallFormatter(VireldaReportConfig& config)
{
    auto formatter = std::make_unique<RecordingFormatter>();
    FormatterCalls calls = formatter->calls;
    config.messageFormatter = std::move(formatter);
    return calls;
}

// A parsed markup document; the tree is freed without recursion.
class Markup
{
public:
    explicit Markup(const std::string& xml)
    {
        wxStringInputStream in(wxString::FromUTF8(xml));
        if (!doc.Load(in)) {
            ADD_FAILURE() << "markup does not parse: " << xml;
        }
    }
    ~Markup()
    {
        if (wxXmlNode* root = doc.DetachRoot()) {
            XMLHelpers::DeleteTree(root);
        }
    }
    wxXmlNode* Root() { return doc.GetRoot(); }

private:
    wxXmlDocument doc;
};

inline VireldaReportConfig DefaultConfig()
{
    VireldaReportConfig config;
    config.resourcePath = ResourceDir();
    return config;
}

// Builds a report from markup, checked with qpdf; `prepare` may adjust the
// configuration. Compression is off so content streams can be read.
inline std::string Render(const std::string& xml, const std::function<void(VireldaReportConfig&)>& prepare = {},
                          const ITranslationProvider* translator = nullptr)
{
    static TableTranslator identity;
    VireldaReportConfig config = DefaultConfig();
    if (prepare) {
        prepare(config);
    }
    VireldaReport report(std::move(config), translator ? *translator : identity);
    report.SetCompression(false);
    Markup markup(xml);
    return pdfprobe::Checked(report.CreateReport(markup.Root()));
}

// Words of one page (1-based) equal to `text`.
inline std::vector<pdfprobe::Word> Find(const std::vector<pdfprobe::Word>& words, const std::string& text, int page = 0)
{
    std::vector<pdfprobe::Word> found;
    for (const auto& w : words) {
        if (w.text == text && (page == 0 || w.page == page)) {
            found.push_back(w);
        }
    }
    return found;
}

// The only word `text` on `page`; fails the test when there is not exactly one.
inline std::optional<pdfprobe::Word> One(const std::vector<pdfprobe::Word>& words, const std::string& text, int page)
{
    const auto found = Find(words, text, page);
    if (found.size() != 1) {
        ADD_FAILURE() << "expected one word \"" << text << "\" on page " << page << ", found " << found.size();
        return std::nullopt;
    }
    return found.front();
}

inline double Mm(double pt)
{
    return pt / ptPerMm;
}

using pdfprobe::Outline;

} // namespace reporttest
