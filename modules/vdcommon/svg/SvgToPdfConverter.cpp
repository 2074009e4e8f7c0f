#include "vdcommon/svg/SvgToPdfConverter.h"

#include "vdcommon/pdf/PdfDocument.h"
#include "vdcommon/pdf/PdfFontManager.h"
#include "vdcommon/svg/SvgDocument.h"
#include "vdcommon/svg/SvgPainter.h"
#include "vdcommon/svg/SvgResolver.h"
#include "vdcommon/svg/SvgValues.h"
#include "vdcommon/utilities/Diagnostics.h"

#include <wx/log.h>
#include <wx/xml/xml.h>

#include <map>

namespace {

using svg::Lower;

// The families of a CSS list, unquoted, then the fallbacks every list ends with.
std::vector<std::string> FamilyNames(const std::string& families)
{
    std::vector<std::string> names;
    for (std::string_view piece : svg::Split(families, ',')) {
        std::string name(svg::Trim(piece));
        if (name.size() >= 2 && (name.front() == '"' || name.front() == '\''))
            name = name.substr(1, name.size() - 2);
        if (!name.empty())
            names.push_back(name);
    }
    names.push_back("Noto Sans");
    names.push_back("Arial");
    return names;
}

// The weights to try, in the order of CSS font matching: the weight itself, then
// lighter ones below 400 (heavier ones above 500), then the other way.
std::vector<int> WeightOrder(int weight)
{
    std::vector<int> order;
    const int wanted = std::clamp((weight + 50) / 100 * 100, 100, 900);
    if (wanted <= 500) {
        if (wanted >= 400)
            for (int w = wanted; w <= 500; w += 100)
                order.push_back(w);
        for (int w = std::min(wanted, 300); w >= 100; w -= 100)
            order.push_back(w);
        for (int w = std::max(wanted + 100, 600); w <= 900; w += 100)
            order.push_back(w);
    } else {
        for (int w = wanted; w <= 900; w += 100)
            order.push_back(w);
        for (int w = wanted - 100; w >= 100; w -= 100)
            order.push_back(w);
    }
    return order;
}

// Font lookup for the resolver: the first family of the CSS list that the PDF layer
// finds (generic families map to installed faces), with a face for the weight.
class FontChooser
{
public:
    std::pair<std::string, std::string> Select(const std::string& families, int weight, bool italic)
    {
        const std::string key = families + '|' + std::to_string(weight) + (italic ? "i" : "");
        const auto cached = choices.find(key);
        if (cached != choices.end())
            return cached->second;
        static const std::map<std::string, std::string> kGeneric = {{"serif", "Noto Serif"},
                                                                    {"sans-serif", "Noto Sans"},
                                                                    {"monospace", "DejaVu Sans Mono"},
                                                                    {"cursive", "Noto Sans"},
                                                                    {"fantasy", "Noto Sans"}};
        std::pair<std::string, std::string> choice{"Arial",
                                                   std::string(weight >= 600 ? "B" : "") + (italic ? "I" : "")};
        PdfFontManager* fonts = PdfFontManager::GetFontManager();
        const std::string slant = italic ? "I" : "";
        for (std::string name : FamilyNames(families)) {
            const auto generic = kGeneric.find(Lower(name));
            if (generic != kGeneric.end())
                name = generic->second;
            auto regular = fonts->FindFont(wxString::FromUTF8(name), wxString::FromUTF8(slant));
            if (!regular ||
                (Lower(regular->GetFamily().utf8_string()).rfind(Lower(name), 0) != 0 && IsSubstitute(*regular, slant)))
                continue;
            // The first family found: its face nearest the weight.
            choice = FaceForWeight(name, slant, weight, choice);
            break;
        }
        choices[key] = choice;
        return choice;
    }

private:
    // The face of family `name` for the weight; faces of other weights than regular
    // and bold are families named after the weight ("Noto Sans Light"). `none` when
    // the family has no face of any weight.
    std::pair<std::string, std::string> FaceForWeight(const std::string& name, const std::string& slant, int weight,
                                                      const std::pair<std::string, std::string>& none)
    {
        static const char* const kWeightNames[] = {"Thin",     "ExtraLight", "Light",     "",     "Medium",
                                                   "SemiBold", "",           "ExtraBold", "Black"};
        PdfFontManager* fonts = PdfFontManager::GetFontManager();
        for (int w : WeightOrder(weight)) {
            if (w == 400)
                return {name, slant};
            if (w == 700) {
                auto bold = fonts->FindFont(wxString::FromUTF8(name), wxString::FromUTF8("B" + slant));
                if (bold && bold->IsBold() && !IsSubstitute(*bold, "B" + slant))
                    return {name, "B" + slant};
                continue;
            }
            const std::string weighted = name + ' ' + kWeightNames[w / 100 - 1];
            auto face = fonts->FindFont(wxString::FromUTF8(weighted), wxString::FromUTF8(slant));
            if (face && (Lower(face->GetFamily().utf8_string()) == Lower(weighted) || !IsSubstitute(*face, slant)))
                return {weighted, slant};
        }
        return none;
    }

    // Whether fontconfig gave `face` only because it matches nothing better: it is
    // then the face an unknown family gets. Aliases ("Arial") are real matches.
    bool IsSubstitute(const PdfFont& face, const std::string& style)
    {
        auto& fallback = substitutes[style];
        if (!fallback)
            fallback =
                PdfFontManager::GetFontManager()->FindFont(wxS("no-such-family-vdsvg"), wxString::FromUTF8(style));
        return fallback && fallback->GetFilePath() == face.GetFilePath();
    }

    std::map<std::string, std::pair<std::string, std::string>> choices;
    std::map<std::string, std::shared_ptr<const PdfFont>> substitutes;
};

} // namespace

SvgToPdfConverter::SvgToPdfConverter() = default;
SvgToPdfConverter::~SvgToPdfConverter() = default;

bool SvgToPdfConverter::ConvertSvgToPdf(wxXmlNode* svgRoot, PdfDocument* document, double x, double y, double width,
                                        double height)
{
    if (!svgRoot || !document)
        return false;
    std::unique_ptr<svg::Document> parsed = svg::Document::FromXml(svgRoot);
    if (!parsed->Root() || parsed->Root()->tag != "svg")
        return false;
    for (const std::string& line : parsed->Warnings())
        diagnostics::Warning(line);

    PdfDocument& doc = *document;
    const double k = doc.GetScaleFactor();
    // The document's state the drawing changes, put back afterwards.
    const wxString family = doc.GetFontFamily();
    const wxString style = doc.GetFontStyle();
    const double size = doc.GetFontSize();
    const PdfColour textColour = doc.GetTextColour();
    const int renderMode = doc.GetTextRenderMode();
    const double docX = doc.GetX(), docY = doc.GetY();

    FontChooser chooser;
    svg::FontServices fonts;
    if (!family.empty())
        fonts.defaultFamily = family.utf8_string();
    fonts.select = [&chooser](const std::string& families, int weight, bool italic) {
        return chooser.Select(families, weight, italic);
    };
    fonts.measure = [&doc, k](const std::string& fam, const std::string& st, double fontSize, const std::string& text) {
        wxLogNull quiet;
        if (!doc.SetFont(wxString::FromUTF8(fam), wxString::FromUTF8(st), fontSize * k))
            return 0.0;
        return doc.GetStringWidth(wxString::FromUTF8(text)) * k / k;
    };
    // The target box in points.
    const double widthPt = width * k, heightPt = height * k;
    svg::ResolveResult resolved = svg::Resolve(*parsed, widthPt, heightPt, fonts);
    for (const std::string& line : resolved.warnings)
        diagnostics::Warning(line);
    if (resolved.root) {
        wxLogNull quiet;
        const svg::Matrix base = svg::Matrix::Translate((docX + x) * k, (docY + y) * k);
        svg::Painter painter(doc, base);
        painter.Draw(*resolved.root);
    }

    {
        wxLogNull quiet;
        if (!family.empty())
            doc.SetFont(family, style, size);
    }
    doc.SetTextColour(textColour);
    doc.SetTextRenderMode(renderMode);
    doc.SetXY(docX, docY);
    return true;
}

wxColour SvgToPdfConverter::ParseColour(const wxString& text)
{
    svg::Rgb c;
    double alpha = 1;
    if (!svg::ParseColour(text.utf8_string(), c, alpha))
        return wxColour(0, 0, 0);
    return wxColour(c.r, c.g, c.b, static_cast<unsigned char>(std::lround(alpha * 255)));
}

SvgToPdfConverter::Matrix SvgToPdfConverter::ParseTransform(const wxString& text)
{
    svg::Matrix m;
    if (!svg::ParseTransform(text.utf8_string(), m))
        return {1, 0, 0, 1, 0, 0};
    return {m.a, m.b, m.c, m.d, m.e, m.f};
}

wxString SvgToPdfConverter::ExtractUrlId(const wxString& text)
{
    wxString t = text;
    t.Trim(true).Trim(false);
    if (!t.StartsWith(wxS("url(")))
        return text;
    const int close = t.Find(wxS(')'));
    if (close == wxNOT_FOUND)
        return text;
    wxString id = t.Mid(4, static_cast<size_t>(close) - 4);
    id.Trim(true).Trim(false);
    if (id.StartsWith(wxS("#")))
        id = id.Mid(1);
    return id;
}

void SvgToPdfConverter::GetIntrinsicSize(const wxXmlNode* svgRoot, double& width, double& height)
{
    width = height = 100;
    if (!svgRoot)
        return;
    svg::Element root;
    root.tag = "svg";
    for (const wxXmlAttribute* a = svgRoot->GetAttributes(); a; a = a->GetNext())
        root.attributes.emplace_back(a->GetName().utf8_string(), a->GetValue().utf8_string());
    svg::IntrinsicSize(root, width, height);
}
