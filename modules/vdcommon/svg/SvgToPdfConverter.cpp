#include "vdcommon/svg/SvgToPdfConverter.h"

#include "vdcommon/pdf/PdfDocument.h"

#include <wx/gdicmn.h>
#include <wx/log.h>
#include <wx/xml/xml.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Bézier handle length of a quarter circle.
constexpr double kKappa = 0.5522847498307936;
// What one SVG user unit is worth when the target box has no size: 1 px in mm.
constexpr double kFallbackScale = 0.264583;

using Matrix = SvgToPdfConverter::Matrix;
using Segment = SvgToPdfConverter::Segment;
using Path = SvgToPdfConverter::Path;
using Text = SvgPathParser::Text;

constexpr Matrix kIdentity{1, 0, 0, 1, 0, 0};

// m · n: n is applied to a point first, then m (the order of an SVG transform list).
Matrix Multiply(const Matrix& m, const Matrix& n)
{
    return {m[0] * n[0] + m[2] * n[1], m[1] * n[0] + m[3] * n[1],
            m[0] * n[2] + m[2] * n[3], m[1] * n[2] + m[3] * n[3],
            m[0] * n[4] + m[2] * n[5] + m[4], m[1] * n[4] + m[3] * n[5] + m[5]};
}

void TransformPoint(const Matrix& m, double& x, double& y)
{
    const double nx = m[0] * x + m[2] * y + m[4];
    const double ny = m[1] * x + m[3] * y + m[5];
    x = nx;
    y = ny;
}

void TransformPath(const Matrix& m, Path& path)
{
    for (Segment& s : path) {
        const int pairs = s.kind == Segment::Cubic ? 3 : (s.kind == Segment::Close ? 0 : 1);
        for (int i = 0; i < pairs; ++i)
            TransformPoint(m, s.v[2 * i], s.v[2 * i + 1]);
    }
}

Text ViewOf(const wxString& text)
{
    return Text(text.wx_str(), text.length());
}

wxString Trimmed(const wxString& text)
{
    wxString result(text);
    result.Trim(true).Trim(false);
    return result;
}

bool IsElement(const wxXmlNode* node)
{
    return node && node->GetType() == wxXML_ELEMENT_NODE;
}

bool IsText(const wxXmlNode* node)
{
    return node && (node->GetType() == wxXML_TEXT_NODE || node->GetType() == wxXML_CDATA_SECTION_NODE);
}

bool IsGradient(const wxXmlNode* node)
{
    return IsElement(node) && (node->GetName() == wxS("linearGradient") || node->GetName() == wxS("radialGradient"));
}

bool IsUrl(const wxString& paint)
{
    return paint.StartsWith(wxS("url(#"));
}

int HexDigit(wxUniChar c)
{
    const auto v = c.GetValue();
    if (v >= '0' && v <= '9')
        return static_cast<int>(v - '0');
    if (v >= 'a' && v <= 'f')
        return static_cast<int>(v - 'a' + 10);
    if (v >= 'A' && v <= 'F')
        return static_cast<int>(v - 'A' + 10);
    return -1;
}

// One component of rgb(): an integer keeps its low 8 bits; a percentage or a
// fraction is rounded and kept within 0..255.
bool RgbComponent(const wxString& piece, unsigned char& out)
{
    wxString text = Trimmed(piece);
    long integer = 0;
    if (text.ToLong(&integer)) {
        out = static_cast<unsigned char>(static_cast<unsigned long>(integer) & 255u);
        return true;
    }
    double value = 0;
    if (text.EndsWith(wxS("%"))) {
        if (!SvgPathParser::ToNumber(text.Left(text.length() - 1), value))
            return false;
        value = value * 255.0 / 100.0;
    } else if (!SvgPathParser::ToNumber(text, value)) {
        return false;
    }
    out = static_cast<unsigned char>(std::lround(std::clamp(value, 0.0, 255.0)));
    return true;
}

// Appends an elliptical arc from (x1, y1) to (x2, y2) as cubic Bézier segments
// (endpoint to centre parameterisation of the SVG arc).
void AppendArc(Path& out, double x1, double y1, double rx, double ry, double angle, bool largeArc, bool sweep,
               double x2, double y2)
{
    if (x1 == x2 && y1 == y2)
        return;
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    auto line = [&] { out.push_back({Segment::Line, {x2, y2, 0, 0, 0, 0}}); };
    if (rx == 0 || ry == 0 || !std::isfinite(rx) || !std::isfinite(ry)) {
        line();
        return;
    }
    const double phi = std::fmod(angle, 360.0) * kPi / 180.0;
    const double cphi = std::cos(phi), sphi = std::sin(phi);
    const double hx = (x1 - x2) / 2, hy = (y1 - y2) / 2;
    const double x1p = cphi * hx + sphi * hy;
    const double y1p = -sphi * hx + cphi * hy;
    const double lambda = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry);
    if (lambda > 1) {
        const double root = std::sqrt(lambda);
        rx *= root;
        ry *= root;
    }
    const double rx2 = rx * rx, ry2 = ry * ry;
    const double den = rx2 * y1p * y1p + ry2 * x1p * x1p;
    double coef = den > 0 ? std::sqrt(std::max(0.0, (rx2 * ry2 - den) / den)) : 0.0;
    if (largeArc == sweep)
        coef = -coef;
    const double cxp = coef * rx * y1p / ry;
    const double cyp = -coef * ry * x1p / rx;
    const double cx = cphi * cxp - sphi * cyp + (x1 + x2) / 2;
    const double cy = sphi * cxp + cphi * cyp + (y1 + y2) / 2;

    auto vectorAngle = [](double ux, double uy, double vx, double vy) {
        return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
    };
    const double ux = (x1p - cxp) / rx, uy = (y1p - cyp) / ry;
    const double vx = (-x1p - cxp) / rx, vy = (-y1p - cyp) / ry;
    const double theta = vectorAngle(1, 0, ux, uy);
    double delta = vectorAngle(ux, uy, vx, vy);
    if (!sweep && delta > 0)
        delta -= 2 * kPi;
    else if (sweep && delta < 0)
        delta += 2 * kPi;
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(theta) || !std::isfinite(delta)) {
        line();
        return;
    }

    const int count = std::clamp(static_cast<int>(std::ceil(std::fabs(delta) / (kPi / 2) - 1e-9)), 1, 4);
    const double step = delta / count;
    const double t = 4.0 / 3.0 * std::tan(step / 4);
    auto map = [&](double u, double v, double& px, double& py) {
        px = cx + rx * cphi * u - ry * sphi * v;
        py = cy + rx * sphi * u + ry * cphi * v;
    };
    double a = theta;
    for (int i = 0; i < count; ++i) {
        const double b = a + step;
        const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
        Segment seg{Segment::Cubic, {}};
        map(ca - t * sa, sa + t * ca, seg.v[0], seg.v[1]);
        map(cb + t * sb, sb - t * cb, seg.v[2], seg.v[3]);
        if (i == count - 1) {
            seg.v[4] = x2;               // land exactly on the written end point
            seg.v[5] = y2;
        } else {
            map(cb, sb, seg.v[4], seg.v[5]);
        }
        out.push_back(seg);
        a = b;
    }
}

void AppendEllipse(Path& out, double cx, double cy, double rx, double ry)
{
    const double kx = rx * kKappa, ky = ry * kKappa;
    out.push_back({Segment::Move, {cx + rx, cy, 0, 0, 0, 0}});
    out.push_back({Segment::Cubic, {cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry}});
    out.push_back({Segment::Cubic, {cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy}});
    out.push_back({Segment::Cubic, {cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry}});
    out.push_back({Segment::Cubic, {cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy}});
    out.push_back({Segment::Close, {}});
}

void AppendRect(Path& out, double x, double y, double w, double h, double r)
{
    r = std::clamp(r, 0.0, std::min(w, h) / 2);
    if (r <= 0) {
        out.push_back({Segment::Move, {x, y, 0, 0, 0, 0}});
        out.push_back({Segment::Line, {x + w, y, 0, 0, 0, 0}});
        out.push_back({Segment::Line, {x + w, y + h, 0, 0, 0, 0}});
        out.push_back({Segment::Line, {x, y + h, 0, 0, 0, 0}});
        out.push_back({Segment::Close, {}});
        return;
    }
    const double k = r * kKappa;
    out.push_back({Segment::Move, {x + r, y, 0, 0, 0, 0}});
    out.push_back({Segment::Line, {x + w - r, y, 0, 0, 0, 0}});
    out.push_back({Segment::Cubic, {x + w - r + k, y, x + w, y + r - k, x + w, y + r}});
    out.push_back({Segment::Line, {x + w, y + h - r, 0, 0, 0, 0}});
    out.push_back({Segment::Cubic, {x + w, y + h - r + k, x + w - r + k, y + h, x + w - r, y + h}});
    out.push_back({Segment::Line, {x + r, y + h, 0, 0, 0, 0}});
    out.push_back({Segment::Cubic, {x + r - k, y + h, x, y + h - r + k, x, y + h - r}});
    out.push_back({Segment::Line, {x, y + r, 0, 0, 0, 0}});
    out.push_back({Segment::Cubic, {x, y + r - k, x + r - k, y, x + r, y}});
    out.push_back({Segment::Close, {}});
}

bool IsBold(const wxString& weight)
{
    if (weight == wxS("bold") || weight == wxS("bolder"))
        return true;
    double value = 0;
    return SvgPathParser::ToNumber(weight, value) && value >= 600;
}

bool IsItalic(const wxString& style)
{
    return style == wxS("italic") || style == wxS("oblique");
}

} // namespace

// ---- Per-conversion state ------------------------------------------------------------------

struct SvgToPdfConverter::GradientPaint {
    bool usable = false;                 // false: paints nothing
    bool solid = false;                  // one colour only (one stop, or a degenerate geometry)
    PdfColour first;                     // the first stop: used for strokes and text
    PdfColour solidColour;
    int id = 0;
    PdfGradientUnits units = PdfGradientUnits::BoundingBox;
    Matrix matrix = kIdentity;
};

struct SvgToPdfConverter::Paint {
    int style = 0;                       // 0 none, 1 draw, 2 fill, 3 both
    const GradientPaint* fillGradient = nullptr;
};

struct SvgToPdfConverter::TextRun {
    wxString text;
    SvgStyle style;
    SvgTextStyle textStyle;
    double x = 0, y = 0, advance = 0;
    bool chunkStart = false;
};

struct SvgToPdfConverter::Conversion {
    PdfDocument* doc = nullptr;
    double k = 1.0;                      // points per user unit of the document
    double refWidth = 0, refHeight = 0;  // what percentages refer to
    int depth = 0;
    int useDepth = 0;
    long useExpansions = 0;
    bool budgetReported = false;
    std::vector<const wxXmlNode*> renderStack;
    std::unordered_map<const wxXmlNode*, GradientPaint> gradients;
    std::unordered_map<wxString, PdfColour, wxStringHash, wxStringEqual> colours;
    std::unordered_map<wxString, SvgStyle, wxStringHash, wxStringEqual> parsedClasses;
    // Text: the document's family, the font last selected, the layout state.
    wxString family;
    wxString selectedStyle;
    double selectedSize = -1;
    bool fontTouched = false;
    bool pendingChunk = false;
    bool lastWasSpace = true;

    PdfColour Colour(const wxString& text)
    {
        auto it = colours.find(text);
        if (it != colours.end())
            return it->second;
        const PdfColour colour(SvgToPdfConverter::ParseColour(text));
        colours.emplace(text, colour);
        return colour;
    }
};

SvgToPdfConverter::SvgToPdfConverter() : parser(std::make_unique<SvgPathParser>()) {}

SvgToPdfConverter::~SvgToPdfConverter() = default;

// ---- Pure helpers ----------------------------------------------------------------------------

wxColour SvgToPdfConverter::ParseColour(const wxString& input)
{
    const wxString text = Trimmed(input);
    if (text.StartsWith(wxS("#"))) {
        const wxString hex = text.Mid(1);
        std::vector<int> digits;
        for (wxUniChar c : hex) {
            const int d = HexDigit(c);
            if (d < 0) {
                digits.clear();
                break;
            }
            digits.push_back(d);
        }
        if (digits.size() == 3 || digits.size() == 4) {     // #rgb and #rgba: each digit doubled
            return wxColour(static_cast<unsigned char>(digits[0] * 17), static_cast<unsigned char>(digits[1] * 17),
                            static_cast<unsigned char>(digits[2] * 17));
        }
        if (digits.size() == 8)                              // #rrggbbaa: alpha is not used
            digits.resize(6);
        if (!digits.empty() && digits.size() <= 6) {
            unsigned long v = 0;
            for (int d : digits)
                v = v * 16 + static_cast<unsigned long>(d);
            return wxColour(static_cast<unsigned char>((v >> 16) & 255), static_cast<unsigned char>((v >> 8) & 255),
                            static_cast<unsigned char>(v & 255));
        }
    } else if (text.StartsWith(wxS("rgb(")) && text.EndsWith(wxS(")"))) {
        const wxString inner = text.Mid(4, text.length() - 5);
        std::vector<wxString> pieces;
        size_t from = 0;
        while (from <= inner.length()) {
            size_t comma = inner.find(',', from);
            if (comma == wxString::npos)
                comma = inner.length();
            pieces.push_back(inner.substr(from, comma - from));
            from = comma + 1;
        }
        unsigned char rgb[3];
        if (pieces.size() == 3 && RgbComponent(pieces[0], rgb[0]) && RgbComponent(pieces[1], rgb[1]) &&
            RgbComponent(pieces[2], rgb[2]))
            return wxColour(rgb[0], rgb[1], rgb[2]);
    }
    if (wxTheColourDatabase && !text.empty()) {
        const wxColour named = wxTheColourDatabase->Find(text);
        if (named.IsOk())
            return wxColour(named.Red(), named.Green(), named.Blue());
    }
    return wxColour(0, 0, 0);
}

SvgToPdfConverter::Matrix SvgToPdfConverter::ParseTransform(const wxString& input)
{
    const Text text = ViewOf(input);
    Matrix result = kIdentity;
    size_t pos = 0;
    auto isSpace = [](wxStringCharType c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ','; };
    for (;;) {
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
        if (pos >= text.size())
            break;
        const size_t nameStart = pos;
        while (pos < text.size() && ((text[pos] >= 'a' && text[pos] <= 'z') || (text[pos] >= 'A' && text[pos] <= 'Z')))
            ++pos;
        const Text name = text.substr(nameStart, pos - nameStart);
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' || text[pos] == '\r'))
            ++pos;
        if (name.empty() || pos >= text.size() || text[pos] != '(')
            return kIdentity;
        ++pos;
        std::vector<double> args;
        for (;;) {
            SvgPathParser::SkipSeparators(text, pos);
            if (pos >= text.size())
                return kIdentity;
            if (text[pos] == ')') {
                ++pos;
                break;
            }
            double value = 0;
            if (!SvgPathParser::ReadNumber(text, pos, value) || args.size() >= 6)
                return kIdentity;
            args.push_back(value);
        }

        auto is = [&](const char* word) {
            const size_t n = std::char_traits<char>::length(word);
            if (name.size() != n)
                return false;
            for (size_t i = 0; i < n; ++i)
                if (name[i] != static_cast<wxStringCharType>(word[i]))
                    return false;
            return true;
        };
        const size_t n = args.size();
        Matrix m = kIdentity;
        if (is("matrix") && n == 6) {
            m = {args[0], args[1], args[2], args[3], args[4], args[5]};
        } else if (is("translate") && (n == 1 || n == 2)) {
            m[4] = args[0];
            m[5] = n == 2 ? args[1] : 0.0;
        } else if (is("scale") && (n == 1 || n == 2)) {
            m[0] = args[0];
            m[3] = n == 2 ? args[1] : args[0];
        } else if (is("rotate") && (n == 1 || n == 3)) {
            const double a = args[0] * kPi / 180.0;
            const double c = std::cos(a), s = std::sin(a);
            m = {c, s, -s, c, 0, 0};
            if (n == 3) {
                const double cx = args[1], cy = args[2];
                m[4] = cx - c * cx + s * cy;
                m[5] = cy - s * cx - c * cy;
            }
        } else if (is("skewX") && n == 1) {
            m[2] = std::tan(args[0] * kPi / 180.0);
        } else if (is("skewY") && n == 1) {
            m[1] = std::tan(args[0] * kPi / 180.0);
        } else {
            return kIdentity;
        }
        result = Multiply(result, m);
    }
    for (double v : result)
        if (!std::isfinite(v))
            return kIdentity;
    return result;
}

wxString SvgToPdfConverter::ExtractUrlId(const wxString& input)
{
    const wxString text = Trimmed(input);
    if (text.StartsWith(wxS("url(#")) && text.EndsWith(wxS(")")))
        return Trimmed(text.Mid(5, text.length() - 6));
    return input;
}

wxString SvgToPdfConverter::GetTextContent(wxXmlNode* node)
{
    wxString content;
    for (wxXmlNode* child = node->GetChildren(); child; child = child->GetNext())
        if (IsText(child))
            content += child->GetContent();
    return content;
}

double SvgToPdfConverter::ParseLength(wxXmlNode* node, const wxString& name, double defaultValue, Axis axis) const
{
    wxString text = node->GetAttribute(name);
    if (text.empty())
        return defaultValue;
    text.Trim(true).Trim(false);
    double value = 0;
    if (text.EndsWith(wxS("%"))) {
        double reference = 0;
        if (conv) {
            if (axis == Axis::X)
                reference = conv->refWidth;
            else if (axis == Axis::Y)
                reference = conv->refHeight;
            else
                reference = std::sqrt((conv->refWidth * conv->refWidth + conv->refHeight * conv->refHeight) / 2);
        }
        if (reference <= 0 || !SvgPathParser::ToNumber(text.Left(text.length() - 1), value))
            return defaultValue;
        return value * reference / 100.0;
    }
    for (const wxChar* unit : {wxS("px"), wxS("pt"), wxS("mm"), wxS("cm"), wxS("in")}) {
        if (text.EndsWith(unit)) {
            text.RemoveLast(2);
            break;
        }
    }
    return SvgPathParser::ToNumber(text, value) ? value : defaultValue;
}

// ---- Styles ----------------------------------------------------------------------------------

const SvgStyle& SvgToPdfConverter::ClassStyle(const wxString& name)
{
    auto it = conv->parsedClasses.find(name);
    if (it == conv->parsedClasses.end())
        it = conv->parsedClasses.emplace(name, parser->ParseStyle(classStyles[name])).first;
    return it->second;
}

SvgStyle SvgToPdfConverter::ComputeStyle(wxXmlNode* node, const SvgStyle* parent)
{
    SvgStyle style = parent ? *parent : SvgStyle();
    bool widthGiven = parent != nullptr;

    const wxString cls = node->GetAttribute(wxS("class"));
    if (!cls.empty() && classStyles.count(cls)) {
        style = ClassStyle(cls);
        widthGiven = style.strokeWidth > 0;
    }

    bool styleWidth = false;
    const wxString declarations = node->GetAttribute(wxS("style"));
    if (!declarations.empty()) {
        const SvgStyle own = parser->ParseStyle(declarations);
        if (!own.fill.empty())
            style.fill = own.fill;
        if (!own.stroke.empty())
            style.stroke = own.stroke;
        if (!own.fillRule.empty())
            style.fillRule = own.fillRule;
        if (own.strokeWidth > 0) {
            style.strokeWidth = own.strokeWidth;
            styleWidth = widthGiven = true;
        }
        if (own.fillOpacity >= 0)
            style.fillOpacity = own.fillOpacity;
        if (own.strokeOpacity >= 0)
            style.strokeOpacity = own.strokeOpacity;
        if (!own.strokeDashArray.empty())
            style.strokeDashArray = own.strokeDashArray;
    }

    const wxString fill = node->GetAttribute(wxS("fill"));
    if (!fill.empty())
        style.fill = fill;
    const wxString stroke = node->GetAttribute(wxS("stroke"));
    if (!stroke.empty())
        style.stroke = stroke;
    const wxString width = node->GetAttribute(wxS("stroke-width"));
    if (!width.empty()) {
        style.strokeWidth = SvgPathParser::LeadingNumber(width);
        widthGiven = true;
    }
    // A dash pattern attribute counts only together with a stroke width.
    const wxString dash = node->GetAttribute(wxS("stroke-dasharray"));
    if ((!width.empty() || styleWidth) && !dash.empty() && dash != wxS("none"))
        style.strokeDashArray = parser->ParseStyle(wxS("stroke-dasharray:") + dash).strokeDashArray;

    // An element that names no stroke width strokes one unit wide, as SVG does.
    if (!widthGiven)
        style.strokeWidth = 1.0;
    return style;
}

const SvgToPdfConverter::GradientPaint* SvgToPdfConverter::GradientOfPaint(const wxString& paint)
{
    auto it = idMap.find(ExtractUrlId(paint));
    if (it == idMap.end() || !IsGradient(it->second))
        return nullptr;
    const GradientPaint* gradient = CreateGradient(it->second);
    return gradient && gradient->usable ? gradient : nullptr;
}

SvgToPdfConverter::Paint SvgToPdfConverter::ApplyStyle(const SvgStyle& style)
{
    PdfDocument& doc = *conv->doc;
    Paint paint;

    bool stroke = false;
    PdfColour strokeColour;
    if (!style.stroke.empty() && style.stroke != wxS("none") && style.strokeWidth > 0) {
        if (IsUrl(style.stroke)) {
            // A gradient stroke is drawn in the gradient's first colour.
            if (const GradientPaint* g = GradientOfPaint(style.stroke)) {
                stroke = true;
                strokeColour = g->first;
            }
        } else {
            stroke = true;
            strokeColour = conv->Colour(style.stroke);
        }
    }

    bool fill = false;
    PdfColour fillColour;                // black: the fill of an element that names none
    if (style.fill != wxS("none")) {
        if (IsUrl(style.fill)) {
            if (const GradientPaint* g = GradientOfPaint(style.fill)) {
                fill = true;
                if (g->solid)
                    fillColour = g->solidColour;
                else
                    paint.fillGradient = g;
            }
        } else {
            fill = true;
            if (!style.fill.empty())
                fillColour = conv->Colour(style.fill);
        }
    }

    if (stroke) {
        doc.SetLineStyle(PdfLineStyle(style.strokeWidth, 0, 0, style.strokeDashArray, -1, strokeColour));
        doc.SetDrawColour(strokeColour);
        doc.SetLineWidth(style.strokeWidth);
    }
    if (fill && !paint.fillGradient)
        doc.SetFillColour(fillColour);
    doc.SetFillingRule(style.fillRule == wxS("evenodd") ? wxODDEVEN_RULE : wxWINDING_RULE);
    doc.SetAlpha(stroke ? style.strokeOpacity : 1.0, fill ? style.fillOpacity : 1.0, PdfBlendMode::Normal);

    paint.style = (fill ? PdfStyle::Fill : 0) | (stroke ? PdfStyle::Draw : 0);
    return paint;
}

SvgTextStyle SvgToPdfConverter::ComputeTextStyle(wxXmlNode* node, const SvgTextStyle* parent) const
{
    SvgTextStyle ts = parent ? *parent : SvgTextStyle();
    const wxString declarations = node->GetAttribute(wxS("style"));
    size_t start = 0;
    while (!declarations.empty() && start <= declarations.length()) {
        size_t end = declarations.find(';', start);
        if (end == wxString::npos)
            end = declarations.length();
        const wxString piece = declarations.substr(start, end - start);
        start = end + 1;
        const size_t colon = piece.find(':');
        if (colon == wxString::npos)
            continue;
        const wxString name = Trimmed(piece.substr(0, colon));
        const wxString value = Trimmed(piece.substr(colon + 1));
        if (name == wxS("font-family"))
            ts.fontFamily = value;
        else if (name == wxS("font-weight"))
            ts.fontWeight = value;
        else if (name == wxS("font-style"))
            ts.fontStyle = value;
        else if (name == wxS("text-anchor"))
            ts.textAnchor = value;
        else if (name == wxS("text-decoration"))
            ts.textDecoration = value;
        else if (name == wxS("font-size"))
            ts.fontSize = SvgPathParser::LeadingNumber(value);
        else if (name == wxS("letter-spacing"))
            ts.letterSpacing = SvgPathParser::LeadingNumber(value);
        else if (name == wxS("word-spacing"))
            ts.wordSpacing = SvgPathParser::LeadingNumber(value);
    }
    auto take = [&](const wxChar* attribute, wxString& field) {
        const wxString value = node->GetAttribute(attribute);
        if (!value.empty())
            field = value;
    };
    take(wxS("font-family"), ts.fontFamily);
    take(wxS("font-weight"), ts.fontWeight);
    take(wxS("font-style"), ts.fontStyle);
    take(wxS("text-anchor"), ts.textAnchor);
    take(wxS("text-decoration"), ts.textDecoration);
    const wxString size = node->GetAttribute(wxS("font-size"));
    if (!size.empty())
        ts.fontSize = SvgPathParser::LeadingNumber(size);
    return ts;
}

void SvgToPdfConverter::SelectFont(const SvgTextStyle& textStyle)
{
    wxString letters;
    if (IsBold(textStyle.fontWeight))
        letters += wxS("B");
    if (IsItalic(textStyle.fontStyle))
        letters += wxS("I");
    // Font sizes are in points of the transformed space: a size of one user unit
    // takes k points there.
    const double size = textStyle.fontSize * conv->k;
    if (conv->fontTouched && letters == conv->selectedStyle && size == conv->selectedSize)
        return;
    conv->doc->SetFont(conv->family, letters, size);
    conv->fontTouched = true;
    conv->selectedStyle = letters;
    conv->selectedSize = size;
}

bool SvgToPdfConverter::ApplyTextStyle(const SvgTextStyle& textStyle, const SvgStyle& style)
{
    PdfDocument& doc = *conv->doc;
    bool fill = false;
    PdfColour fillColour;
    if (style.fill != wxS("none")) {
        if (IsUrl(style.fill)) {
            if (const GradientPaint* g = GradientOfPaint(style.fill)) {
                fill = true;
                fillColour = g->first;
            }
        } else {
            fill = true;
            if (!style.fill.empty())
                fillColour = conv->Colour(style.fill);
        }
    }
    bool stroke = false;
    PdfColour strokeColour;
    if (!style.stroke.empty() && style.stroke != wxS("none") && style.strokeWidth > 0) {
        if (IsUrl(style.stroke)) {
            if (const GradientPaint* g = GradientOfPaint(style.stroke)) {
                stroke = true;
                strokeColour = g->first;
            }
        } else {
            stroke = true;
            strokeColour = conv->Colour(style.stroke);
        }
    }
    if ((!fill && !stroke) || !(textStyle.fontSize > 0))
        return false;

    doc.SetTextRenderMode(fill && stroke ? PdfTextFillStroke : (stroke ? PdfTextStroke : PdfTextFill));
    SelectFont(textStyle);
    doc.SetTextColour(fillColour);
    if (stroke) {
        doc.SetDrawColour(strokeColour);
        doc.SetLineWidth(style.strokeWidth);
    }
    doc.SetAlpha(stroke ? style.strokeOpacity : 1.0, fill ? style.fillOpacity : 1.0, PdfBlendMode::Normal);
    return true;
}

void SvgToPdfConverter::ParseStyleSheet(wxXmlNode* styleElement)
{
    for (wxXmlNode* child = styleElement->GetChildren(); child; child = child->GetNext()) {
        if (!IsText(child))
            continue;
        const wxString& text = child->GetContent();
        size_t pos = 0;
        for (;;) {
            const size_t dot = text.find('.', pos);
            if (dot == wxString::npos)
                break;
            const size_t open = text.find('{', dot + 1);
            if (open == wxString::npos)
                break;
            const size_t close = text.find('}', open + 1);
            if (close == wxString::npos)
                break;
            const wxString name = Trimmed(text.substr(dot + 1, open - dot - 1));
            classStyles[name] = Trimmed(text.substr(open + 1, close - open - 1));
            conv->parsedClasses.erase(name);
            pos = close + 1;
        }
    }
}

// ---- Gradients -------------------------------------------------------------------------------

const SvgToPdfConverter::GradientPaint* SvgToPdfConverter::CreateGradient(wxXmlNode* node)
{
    auto found = conv->gradients.find(node);
    if (found != conv->gradients.end())
        return &found->second;
    GradientPaint& paint = conv->gradients[node];

    // The element and the gradients it refers to through href, which lend it their
    // attributes and stops; a reference cycle ends the chain.
    std::vector<wxXmlNode*> chain{node};
    for (wxXmlNode* at = node; chain.size() < 32;) {
        wxString ref = at->GetAttribute(wxS("xlink:href"));
        if (ref.empty())
            ref = at->GetAttribute(wxS("href"));
        if (!ref.StartsWith(wxS("#")))
            break;
        auto it = idMap.find(ref.Mid(1));
        if (it == idMap.end() || !IsGradient(it->second) ||
            std::find(chain.begin(), chain.end(), it->second) != chain.end())
            break;
        at = it->second;
        chain.push_back(at);
    }
    auto attribute = [&](const wxChar* name) {
        for (wxXmlNode* n : chain) {
            const wxString value = n->GetAttribute(name);
            if (!value.empty())
                return value;
        }
        return wxString();
    };

    // Stops: offsets ascending within 0..1, colours from the attribute or the style.
    std::vector<std::pair<double, PdfColour>> stops;
    for (wxXmlNode* n : chain) {
        for (wxXmlNode* stop = n->GetChildren(); stop; stop = stop->GetNext()) {
            if (!IsElement(stop) || stop->GetName() != wxS("stop"))
                continue;
            wxString colour = stop->GetAttribute(wxS("stop-color"), wxS("#000000"));
            const wxString declarations = stop->GetAttribute(wxS("style"));
            size_t start = 0;
            while (!declarations.empty() && start <= declarations.length()) {
                size_t end = declarations.find(';', start);
                if (end == wxString::npos)
                    end = declarations.length();
                const wxString piece = Trimmed(declarations.substr(start, end - start));
                start = end + 1;
                const size_t colon = piece.find(':');
                if (colon != wxString::npos && Trimmed(piece.substr(0, colon)) == wxS("stop-color"))
                    colour = Trimmed(piece.substr(colon + 1));
            }
            wxString offsetText = Trimmed(stop->GetAttribute(wxS("offset")));
            double offset = 0;
            if (offsetText.EndsWith(wxS("%"))) {
                offsetText.RemoveLast();
                offset = SvgPathParser::LeadingNumber(offsetText) / 100.0;
            } else {
                offset = SvgPathParser::LeadingNumber(offsetText);
            }
            offset = std::clamp(offset, 0.0, 1.0);
            if (!stops.empty())
                offset = std::max(offset, stops.back().first);
            stops.emplace_back(offset, conv->Colour(colour));
        }
        if (!stops.empty())
            break;
    }
    if (stops.empty())
        return &paint;                   // no stops: paints nothing
    paint.usable = true;
    paint.first = stops.front().second;
    if (stops.size() == 1) {
        paint.solid = true;
        paint.solidColour = stops.front().second;
        return &paint;
    }

    const bool userSpace = attribute(wxS("gradientUnits")) == wxS("userSpaceOnUse");
    paint.units = userSpace ? PdfGradientUnits::UserSpace : PdfGradientUnits::BoundingBox;
    paint.matrix = ParseTransform(attribute(wxS("gradientTransform")));
    // A coordinate: a fraction of the bounding box, or user units (percentages of the
    // view box) in user space.
    auto coordinate = [&](const wxChar* name, double fraction, Axis axis) {
        const double reference = axis == Axis::X   ? conv->refWidth
                                 : axis == Axis::Y ? conv->refHeight
                                                   : std::sqrt((conv->refWidth * conv->refWidth +
                                                                conv->refHeight * conv->refHeight) / 2);
        wxString text = Trimmed(attribute(name));
        double value = 0;
        if (!text.empty() && text.EndsWith(wxS("%")) && SvgPathParser::ToNumber(text.Left(text.length() - 1), value))
            fraction = value / 100.0;
        else if (!text.empty() && SvgPathParser::ToNumber(text, value))
            return value;
        return userSpace ? fraction * reference : fraction;
    };

    // Padding stops so the colour ramp covers 0..1 exactly as the offsets say.
    if (stops.front().first > 0)
        stops.insert(stops.begin(), {0.0, stops.front().second});
    if (stops.back().first < 1)
        stops.emplace_back(1.0, stops.back().second);
    const bool simple = stops.size() == 2;
    const PdfColour last = stops.back().second;

    PdfDocument& doc = *conv->doc;
    if (node->GetName() == wxS("linearGradient")) {
        const double x1 = coordinate(wxS("x1"), 0, Axis::X), y1 = coordinate(wxS("y1"), 0, Axis::Y);
        const double x2 = coordinate(wxS("x2"), 1, Axis::X), y2 = coordinate(wxS("y2"), 0, Axis::Y);
        if (x1 == x2 && y1 == y2) {
            paint.solid = true;          // no direction: the area takes the last colour
            paint.solidColour = last;
            return &paint;
        }
        paint.id = simple ? doc.AxialGradient(stops[0].second, stops[1].second, x1, y1, x2, y2, 1)
                          : doc.AxialGradient(stops, x1, y1, x2, y2);
    } else {
        const double cx = coordinate(wxS("cx"), 0.5, Axis::X), cy = coordinate(wxS("cy"), 0.5, Axis::Y);
        const double r = coordinate(wxS("r"), 0.5, Axis::Other);
        const double fx = attribute(wxS("fx")).empty() ? cx : coordinate(wxS("fx"), 0.5, Axis::X);
        const double fy = attribute(wxS("fy")).empty() ? cy : coordinate(wxS("fy"), 0.5, Axis::Y);
        const double fr = coordinate(wxS("fr"), 0, Axis::Other);
        if (!(r > 0)) {
            paint.solid = true;
            paint.solidColour = last;
            return &paint;
        }
        paint.id = simple ? doc.RadialGradient(stops[0].second, stops[1].second, fx, fy, std::max(fr, 0.0), cx, cy, r, 1)
                          : doc.RadialGradient(stops, fx, fy, std::max(fr, 0.0), cx, cy, r);
    }
    if (paint.id <= 0) {
        paint.solid = true;              // the document refused it: the first colour stands in
        paint.solidColour = paint.first;
        return &paint;
    }
    const wxString id = node->GetAttribute(wxS("id"));
    if (!id.empty())
        gradientMap[id] = paint.id;
    return &paint;
}

// ---- Paths -----------------------------------------------------------------------------------

SvgToPdfConverter::Path SvgToPdfConverter::BuildPath(const std::vector<SvgPathCommand>& commands) const
{
    using T = SvgCommandType;
    Path out;
    out.reserve(commands.size() + 1);
    double cx = 0, cy = 0, lx = 0, ly = 0, sx = 0, sy = 0;
    bool started = false;
    bool afterClose = false;
    T previous = T::ClosePath;

    auto quadratic = [&](double qx, double qy, double x, double y) {
        out.push_back({Segment::Cubic, {cx + 2.0 / 3.0 * (qx - cx), cy + 2.0 / 3.0 * (qy - cy),
                                        x + 2.0 / 3.0 * (qx - x), y + 2.0 / 3.0 * (qy - y), x, y}});
        lx = qx;
        ly = qy;
        cx = x;
        cy = y;
    };

    for (const SvgPathCommand& command : commands) {
        const std::vector<double>& p = command.params;
        if (p.size() < static_cast<size_t>(SvgPathParser::ParameterCount(command.type)))
            continue;
        if (command.type != T::MoveTo && !started)
            continue;
        // Drawing on after a close starts a new subpath at the closed one's start.
        if (afterClose && command.type != T::MoveTo && command.type != T::ClosePath)
            out.push_back({Segment::Move, {sx, sy, 0, 0, 0, 0}});
        afterClose = false;

        switch (command.type) {
        case T::MoveTo:
            out.push_back({Segment::Move, {p[0], p[1], 0, 0, 0, 0}});
            started = true;
            cx = sx = p[0];
            cy = sy = p[1];
            break;
        case T::LineTo:
            out.push_back({Segment::Line, {p[0], p[1], 0, 0, 0, 0}});
            cx = p[0];
            cy = p[1];
            break;
        case T::HorizontalLineTo:
            out.push_back({Segment::Line, {p[0], cy, 0, 0, 0, 0}});
            cx = p[0];
            break;
        case T::VerticalLineTo:
            out.push_back({Segment::Line, {cx, p[0], 0, 0, 0, 0}});
            cy = p[0];
            break;
        case T::CurveTo:
            out.push_back({Segment::Cubic, {p[0], p[1], p[2], p[3], p[4], p[5]}});
            lx = p[2];
            ly = p[3];
            cx = p[4];
            cy = p[5];
            break;
        case T::SmoothCurveTo: {
            const bool reflect = previous == T::CurveTo || previous == T::SmoothCurveTo;
            const double x1 = reflect ? 2 * cx - lx : cx, y1 = reflect ? 2 * cy - ly : cy;
            out.push_back({Segment::Cubic, {x1, y1, p[0], p[1], p[2], p[3]}});
            lx = p[0];
            ly = p[1];
            cx = p[2];
            cy = p[3];
            break;
        }
        case T::QuadraticCurveTo:
            quadratic(p[0], p[1], p[2], p[3]);
            break;
        case T::SmoothQuadraticCurveTo: {
            const bool reflect = previous == T::QuadraticCurveTo || previous == T::SmoothQuadraticCurveTo;
            quadratic(reflect ? 2 * cx - lx : cx, reflect ? 2 * cy - ly : cy, p[0], p[1]);
            break;
        }
        case T::ArcTo:
            AppendArc(out, cx, cy, p[0], p[1], p[2], p[3] != 0, p[4] != 0, p[5], p[6]);
            cx = p[5];
            cy = p[6];
            break;
        case T::ClosePath:
            out.push_back({Segment::Close, {}});
            cx = sx;
            cy = sy;
            afterClose = true;
            break;
        default:                         // relative commands never reach here
            break;
        }
        previous = command.type;
    }
    return out;
}

std::vector<double> SvgToPdfConverter::ReadPoints(wxXmlNode* node) const
{
    std::vector<double> values;
    const wxString points = node->GetAttribute(wxS("points"));
    const Text text = ViewOf(points);
    size_t pos = 0;
    for (;;) {
        SvgPathParser::SkipSeparators(text, pos);
        if (pos >= text.size())
            break;
        double value = 0;
        if (!SvgPathParser::ReadNumber(text, pos, value))
            break;                       // anything that is no number ends the list
        values.push_back(value);
    }
    if (values.size() % 2)
        values.pop_back();               // an odd number leaves out the unpaired one
    return values;
}

bool SvgToPdfConverter::ShapePath(wxXmlNode* node, Path& path)
{
    const wxString& name = node->GetName();
    if (name == wxS("path")) {
        const wxString d = node->GetAttribute(wxS("d"));
        if (d.empty())
            return false;
        path = BuildPath(parser->ConvertToAbsolute(parser->ParsePathData(d)));
    } else if (name == wxS("rect")) {
        const double w = ParseLength(node, wxS("width"), 0, Axis::X), h = ParseLength(node, wxS("height"), 0, Axis::Y);
        if (!(w > 0 && h > 0))
            return false;
        const double rx = ParseLength(node, wxS("rx"), 0, Axis::X), ry = ParseLength(node, wxS("ry"), 0, Axis::Y);
        AppendRect(path, ParseLength(node, wxS("x"), 0, Axis::X), ParseLength(node, wxS("y"), 0, Axis::Y), w, h,
                   rx > 0 ? rx : (ry > 0 ? ry : 0));
    } else if (name == wxS("circle")) {
        const double r = ParseLength(node, wxS("r"), 0, Axis::Other);
        if (!(r > 0))
            return false;
        AppendEllipse(path, ParseLength(node, wxS("cx"), 0, Axis::X), ParseLength(node, wxS("cy"), 0, Axis::Y), r, r);
    } else if (name == wxS("ellipse")) {
        const double rx = ParseLength(node, wxS("rx"), 0, Axis::X), ry = ParseLength(node, wxS("ry"), 0, Axis::Y);
        if (!(rx > 0 && ry > 0))
            return false;
        AppendEllipse(path, ParseLength(node, wxS("cx"), 0, Axis::X), ParseLength(node, wxS("cy"), 0, Axis::Y), rx,
                      ry);
    } else if (name == wxS("line")) {
        path.push_back({Segment::Move, {ParseLength(node, wxS("x1"), 0, Axis::X), ParseLength(node, wxS("y1"), 0, Axis::Y),
                                        0, 0, 0, 0}});
        path.push_back({Segment::Line, {ParseLength(node, wxS("x2"), 0, Axis::X), ParseLength(node, wxS("y2"), 0, Axis::Y),
                                        0, 0, 0, 0}});
    } else if (name == wxS("polygon") || name == wxS("polyline")) {
        const std::vector<double> values = ReadPoints(node);
        for (size_t i = 0; i + 1 < values.size(); i += 2)
            path.push_back({i == 0 ? Segment::Move : Segment::Line, {values[i], values[i + 1], 0, 0, 0, 0}});
        if (!path.empty() && name == wxS("polygon"))
            path.push_back({Segment::Close, {}});
    } else {
        return false;
    }
    return !path.empty();
}

// Writes segments [from, to) as path construction operators. A close inside the
// range becomes a line back to its subpath's start: the document's own close
// operation would paint, and every subpath has to stay part of one path so that
// holes stay holes.
void SvgToPdfConverter::EmitPath(const Path& path, size_t from, size_t to) const
{
    PdfDocument& doc = *conv->doc;
    double sx = 0, sy = 0;
    for (size_t i = from; i < to; ++i) {
        const Segment& s = path[i];
        switch (s.kind) {
        case Segment::Move:
            doc.MoveTo(s.v[0], s.v[1]);
            sx = s.v[0];
            sy = s.v[1];
            break;
        case Segment::Line:
            doc.LineTo(s.v[0], s.v[1]);
            break;
        case Segment::Cubic:
            doc.CurveTo(s.v[0], s.v[1], s.v[2], s.v[3], s.v[4], s.v[5]);
            break;
        case Segment::Close:
            doc.LineTo(sx, sy);
            break;
        }
    }
}

void SvgToPdfConverter::PaintPath(const Path& path, int paintStyle) const
{
    if (path.empty() || paintStyle == PdfStyle::NoOp)
        return;
    PdfDocument& doc = *conv->doc;
    std::vector<size_t> starts;
    for (size_t i = 0; i < path.size(); ++i)
        if (path[i].kind == Segment::Move)
            starts.push_back(i);
    starts.push_back(path.size());

    // One subpath, painted by itself: closed at its close command, ended otherwise.
    auto paintOne = [&](size_t from, size_t to, int style) {
        const bool closed = path[to - 1].kind == Segment::Close;
        EmitPath(path, from, closed ? to - 1 : to);
        if (closed)
            doc.ClosePath(style);
        else
            doc.EndPath(style);
    };
    if (starts.size() <= 2) {
        paintOne(0, path.size(), paintStyle);
        return;
    }
    // Several subpaths: filled together (so that the filling rule sees them all),
    // then each outline drawn with its own close.
    if (paintStyle & PdfStyle::Fill) {
        EmitPath(path, 0, path.size());
        doc.EndPath(PdfStyle::Fill);
    }
    if (paintStyle & PdfStyle::Draw)
        for (size_t i = 0; i + 1 < starts.size(); ++i)
            paintOne(starts[i], starts[i + 1], PdfStyle::Draw);
}

void SvgToPdfConverter::FillWithGradient(const Path& path, const GradientPaint& gradient) const
{
    if (path.empty())
        return;
    EmitPath(path, 0, path.size());
    conv->doc->FillPathWithGradient(gradient.id, gradient.units, gradient.matrix);
}

namespace {

// The document writes matrices with four decimals, so a factor such as 0.017639
// would keep only three significant digits. Uniform scales are therefore written
// as a product of factors that each keep four or more.
void ScaleExactly(PdfDocument& doc, double factor)
{
    if (!(factor > 0) || !std::isfinite(factor))
        return;
    for (int i = 0; i < 40 && factor < 0.1; ++i) {
        doc.Transform(0.1, 0, 0, 0.1, 0, 0);
        factor *= 10;
    }
    for (int i = 0; i < 40 && factor > 10; ++i) {
        doc.Transform(10, 0, 0, 10, 0, 0);
        factor /= 10;
    }
    const double first = std::round(factor * 10000) / 10000;
    doc.Transform(first, 0, 0, first, 0, 0);
    const double rest = factor / first;
    if (std::fabs(rest - 1) >= 0.00005)
        doc.Transform(rest, 0, 0, rest, 0, 0);
}

} // namespace

void SvgToPdfConverter::ApplyMatrix(const Matrix& m) const
{
    // The document takes the translation in points of the current space, where one
    // user unit is k points. A matrix that shrinks the drawing is split into its
    // uniform scale and a remainder of unit size, both written precisely.
    const double k = conv->k;
    const double g = std::sqrt(std::fabs(m[0] * m[3] - m[1] * m[2]));
    if (g < 0.9 && g > 0) {
        ScaleExactly(*conv->doc, g);
        conv->doc->Transform(m[0] / g, m[1] / g, m[2] / g, m[3] / g, m[4] * k / g, m[5] * k / g);
        return;
    }
    conv->doc->Transform(m[0], m[1], m[2], m[3], m[4] * k, m[5] * k);
}

// ---- Clip paths ------------------------------------------------------------------------------

bool SvgToPdfConverter::ApplyClipPath(const wxString& id)
{
    auto it = idMap.find(id);
    if (it == idMap.end() || !IsElement(it->second) || it->second->GetName() != wxS("clipPath"))
        return false;
    wxXmlNode* clip = it->second;
    if (clip->GetAttribute(wxS("clipPathUnits")) == wxS("objectBoundingBox")) {
        wxLogDebug("SVG: clip path '%s' in bounding-box units is not supported", id);
        return false;
    }
    const Matrix clipMatrix = ParseTransform(clip->GetAttribute(wxS("transform")));
    Path all;
    bool evenOdd = false;
    for (wxXmlNode* child = clip->GetChildren(); child; child = child->GetNext()) {
        if (!IsElement(child))
            continue;
        Path part;
        if (!ShapePath(child, part))
            continue;
        const Matrix m = Multiply(clipMatrix, ParseTransform(child->GetAttribute(wxS("transform"))));
        if (m != kIdentity)
            TransformPath(m, part);
        evenOdd = evenOdd || child->GetAttribute(wxS("clip-rule")) == wxS("evenodd");
        all.insert(all.end(), part.begin(), part.end());
    }
    PdfDocument& doc = *conv->doc;
    doc.ClippingPath();
    if (all.empty()) {
        // A clip path without any shape lets nothing through.
        doc.MoveTo(0, 0);
        doc.LineTo(0, 0);
    } else {
        EmitPath(all, 0, all.size());
    }
    doc.SetFillingRule(evenOdd ? wxODDEVEN_RULE : wxWINDING_RULE);
    doc.EndPath(PdfStyle::NoOp);
    clipActive = true;
    return true;
}

// ---- Elements --------------------------------------------------------------------------------

void SvgToPdfConverter::RenderChildren(wxXmlNode* node)
{
    for (wxXmlNode* child = node->GetChildren(); child; child = child->GetNext())
        RenderElement(child);
}

void SvgToPdfConverter::RenderElement(wxXmlNode* node, bool throughUse)
{
    if (!IsElement(node))
        return;
    Conversion& c = *conv;
    if (c.depth >= kMaxDepth)
        return;
    if (c.useDepth > 0 && ++c.useExpansions > kMaxUseExpansions) {
        if (!c.budgetReported)
            wxLogDebug("SVG: more than %ld elements drawn through use references; the rest is skipped",
                       kMaxUseExpansions);
        c.budgetReported = true;
        return;
    }
    struct Guard {
        Conversion& c;
        Guard(Conversion& state, const wxXmlNode* n) : c(state)
        {
            ++c.depth;
            c.renderStack.push_back(n);
        }
        ~Guard()
        {
            --c.depth;
            c.renderStack.pop_back();
        }
    } guard(c, node);

    PdfDocument& doc = *c.doc;
    const wxString transform = node->GetAttribute(wxS("transform"));
    bool transformed = false;
    if (!transform.empty()) {
        const Matrix m = ParseTransform(transform);
        if (m[0] * m[3] - m[1] * m[2] == 0)
            return;                      // a transformation that collapses the element hides it
        doc.StartTransform();
        if (m != kIdentity)
            ApplyMatrix(m);
        transformStack.push_back(m);
        transformed = true;
    }
    const wxString clipPath = node->GetAttribute(wxS("clip-path"));
    const bool clipped = !clipPath.empty() && ApplyClipPath(ExtractUrlId(clipPath));

    const wxString& name = node->GetName();
    if (name == wxS("path"))
        RenderPath(node);
    else if (name == wxS("rect"))
        RenderRect(node);
    else if (name == wxS("circle"))
        RenderCircle(node);
    else if (name == wxS("ellipse"))
        RenderEllipse(node);
    else if (name == wxS("line"))
        RenderLine(node);
    else if (name == wxS("polyline"))
        RenderPoly(node, false);
    else if (name == wxS("polygon"))
        RenderPoly(node, true);
    else if (name == wxS("use"))
        RenderUse(node);
    else if (name == wxS("text"))
        RenderText(node);
    else if (name == wxS("g") || (throughUse && name == wxS("symbol")))
        RenderChildren(node);

    if (clipped) {
        doc.UnsetClipping();
        clipActive = false;
    }
    if (transformed && !transformStack.empty()) {
        transformStack.pop_back();
        doc.StopTransform();
    }
}

void SvgToPdfConverter::RenderPath(wxXmlNode* node)
{
    const wxString d = node->GetAttribute(wxS("d"));
    if (d.empty())
        return;
    PdfDocument& doc = *conv->doc;
    doc.StartTransform();
    const Path path = BuildPath(parser->ConvertToAbsolute(parser->ParsePathData(d)));
    const Paint paint = ApplyStyle(ComputeStyle(node));
    if (paint.fillGradient) {
        FillWithGradient(path, *paint.fillGradient);
        PaintPath(path, paint.style & PdfStyle::Draw);
    } else {
        PaintPath(path, paint.style);
    }
    doc.StopTransform();
}

void SvgToPdfConverter::RenderRect(wxXmlNode* node)
{
    const double x = ParseLength(node, wxS("x"), 0, Axis::X), y = ParseLength(node, wxS("y"), 0, Axis::Y);
    const double w = ParseLength(node, wxS("width"), 0, Axis::X), h = ParseLength(node, wxS("height"), 0, Axis::Y);
    const double rx = ParseLength(node, wxS("rx"), 0, Axis::X), ry = ParseLength(node, wxS("ry"), 0, Axis::Y);
    if (!(w > 0 && h > 0))
        return;                          // SVG draws no rectangle without area
    const double r = rx > 0 ? rx : (ry > 0 ? ry : 0);
    const Paint paint = ApplyStyle(ComputeStyle(node));
    PdfDocument& doc = *conv->doc;
    auto draw = [&](int style) {
        if (r > 0)
            doc.RoundedRect(x, y, w, h, r, PdfCorner::All, style);
        else
            doc.Rect(x, y, w, h, style);
    };
    if (paint.fillGradient) {
        Path path;
        AppendRect(path, x, y, w, h, r);
        FillWithGradient(path, *paint.fillGradient);
        if (paint.style & PdfStyle::Draw)
            draw(PdfStyle::Draw);
    } else if (paint.style) {
        draw(paint.style);
    }
}

void SvgToPdfConverter::RenderCircle(wxXmlNode* node)
{
    const double cx = ParseLength(node, wxS("cx"), 0, Axis::X), cy = ParseLength(node, wxS("cy"), 0, Axis::Y);
    const double r = ParseLength(node, wxS("r"), 0, Axis::Other);
    if (!(r > 0))
        return;
    const Paint paint = ApplyStyle(ComputeStyle(node));
    PdfDocument& doc = *conv->doc;
    if (paint.fillGradient) {
        Path path;
        AppendEllipse(path, cx, cy, r, r);
        FillWithGradient(path, *paint.fillGradient);
        if (paint.style & PdfStyle::Draw)
            doc.Circle(cx, cy, r, 0, 360, PdfStyle::Draw, 8);
    } else if (paint.style) {
        doc.Circle(cx, cy, r, 0, 360, paint.style, 8);
    }
}

void SvgToPdfConverter::RenderEllipse(wxXmlNode* node)
{
    const double cx = ParseLength(node, wxS("cx"), 0, Axis::X), cy = ParseLength(node, wxS("cy"), 0, Axis::Y);
    const double rx = ParseLength(node, wxS("rx"), 0, Axis::X), ry = ParseLength(node, wxS("ry"), 0, Axis::Y);
    if (!(rx > 0 && ry > 0))
        return;
    const Paint paint = ApplyStyle(ComputeStyle(node));
    PdfDocument& doc = *conv->doc;
    // The radii are user units like every other length: the scale is already in the
    // document's transformation.
    if (paint.fillGradient) {
        Path path;
        AppendEllipse(path, cx, cy, rx, ry);
        FillWithGradient(path, *paint.fillGradient);
        if (paint.style & PdfStyle::Draw)
            doc.Ellipse(cx, cy, rx, ry, 0, 0, 360, PdfStyle::Draw, 8, false);
    } else if (paint.style) {
        doc.Ellipse(cx, cy, rx, ry, 0, 0, 360, paint.style, 8, false);
    }
}

void SvgToPdfConverter::RenderLine(wxXmlNode* node)
{
    const double x1 = ParseLength(node, wxS("x1"), 0, Axis::X), y1 = ParseLength(node, wxS("y1"), 0, Axis::Y);
    const double x2 = ParseLength(node, wxS("x2"), 0, Axis::X), y2 = ParseLength(node, wxS("y2"), 0, Axis::Y);
    const Paint paint = ApplyStyle(ComputeStyle(node));
    if (paint.style & PdfStyle::Draw)    // a line without a stroke is invisible
        conv->doc->Line(x1, y1, x2, y2);
}

void SvgToPdfConverter::RenderPoly(wxXmlNode* node, bool closed)
{
    const std::vector<double> values = ReadPoints(node);
    if (values.empty())
        return;
    std::vector<double> xs, ys;
    xs.reserve(values.size() / 2);
    ys.reserve(values.size() / 2);
    for (size_t i = 0; i + 1 < values.size(); i += 2) {
        xs.push_back(values[i]);
        ys.push_back(values[i + 1]);
    }
    const Paint paint = ApplyStyle(ComputeStyle(node));
    PdfDocument& doc = *conv->doc;
    auto draw = [&](int style) {
        if (closed)
            doc.Polygon(xs, ys, style);
        else
            doc.Polyline(xs, ys, style);
    };
    if (paint.fillGradient) {
        Path path;
        for (size_t i = 0; i < xs.size(); ++i)
            path.push_back({i == 0 ? Segment::Move : Segment::Line, {xs[i], ys[i], 0, 0, 0, 0}});
        FillWithGradient(path, *paint.fillGradient);
        if (paint.style & PdfStyle::Draw)
            draw(PdfStyle::Draw);
    } else if (paint.style) {
        draw(paint.style);
    }
}

void SvgToPdfConverter::RenderUse(wxXmlNode* node)
{
    wxString ref = node->GetAttribute(wxS("xlink:href"));
    if (ref.empty())
        ref = node->GetAttribute(wxS("href"));
    if (!ref.StartsWith(wxS("#")))
        return;
    auto it = idMap.find(ref.Mid(1));
    if (it == idMap.end())
        return;
    wxXmlNode* target = it->second;
    Conversion& c = *conv;
    // A reference to itself or to an element it is drawn inside would never end.
    if (std::find(c.renderStack.begin(), c.renderStack.end(), target) != c.renderStack.end()) {
        wxLogDebug("SVG: use of '%s' refers to itself and is not drawn", ref);
        return;
    }
    const double x = ParseLength(node, wxS("x"), 0, Axis::X), y = ParseLength(node, wxS("y"), 0, Axis::Y);
    const bool moved = x != 0 || y != 0;
    PdfDocument& doc = *c.doc;
    if (moved) {
        doc.StartTransform();
        ApplyMatrix({1, 0, 0, 1, x, y});
    }
    ++c.useDepth;
    RenderElement(target, true);
    --c.useDepth;
    if (moved)
        doc.StopTransform();
}

// ---- Text ------------------------------------------------------------------------------------

void SvgToPdfConverter::AddTextRun(const wxString& raw, const SvgStyle& style, const SvgTextStyle& textStyle,
                                   double& penX, double penY, std::vector<TextRun>& runs)
{
    // White space as SVG lays it out by default: line breaks and tabs are spaces,
    // runs of spaces are one, none at the start of the text.
    Conversion& c = *conv;
    wxString text;
    text.reserve(raw.length());
    for (wxUniChar ch : raw) {
        if (ch == '\n' || ch == '\r' || ch == '\t')
            ch = ' ';
        if (ch == ' ') {
            if (c.lastWasSpace)
                continue;
            c.lastWasSpace = true;
        } else {
            c.lastWasSpace = false;
        }
        text += ch;
    }
    if (text.empty())
        return;
    TextRun run;
    run.text = text;
    run.style = style;
    run.textStyle = textStyle;
    run.x = penX;
    run.y = penY;
    run.chunkStart = c.pendingChunk || runs.empty();
    c.pendingChunk = false;
    if (textStyle.fontSize > 0) {
        SelectFont(textStyle);
        run.advance = c.doc->GetStringWidth(text);
    }
    penX += run.advance;
    runs.push_back(std::move(run));
}

void SvgToPdfConverter::CollectTextRuns(wxXmlNode* node, const SvgStyle& style, const SvgTextStyle& textStyle,
                                        double& penX, double& penY, std::vector<TextRun>& runs, int depth)
{
    for (wxXmlNode* child = node->GetChildren(); child; child = child->GetNext()) {
        if (IsText(child)) {
            AddTextRun(child->GetContent(), style, textStyle, penX, penY, runs);
            continue;
        }
        if (!IsElement(child) || child->GetName() != wxS("tspan") || depth >= kMaxDepth)
            continue;
        const double x = ParseLength(child, wxS("x"), NAN, Axis::X);
        const double y = ParseLength(child, wxS("y"), NAN, Axis::Y);
        if (!std::isnan(x))
            penX = x;
        if (!std::isnan(y))
            penY = y;
        if (!std::isnan(x) || !std::isnan(y))
            conv->pendingChunk = true;   // an absolute position starts a new chunk
        penX += ParseLength(child, wxS("dx"), 0, Axis::X);
        penY += ParseLength(child, wxS("dy"), 0, Axis::Y);
        const SvgStyle spanStyle = ComputeStyle(child, &style);
        const SvgTextStyle spanText = ComputeTextStyle(child, &textStyle);
        CollectTextRuns(child, spanStyle, spanText, penX, penY, runs, depth + 1);
    }
}

void SvgToPdfConverter::RenderText(wxXmlNode* node)
{
    Conversion& c = *conv;
    double penX = ParseLength(node, wxS("x"), 0, Axis::X) + ParseLength(node, wxS("dx"), 0, Axis::X);
    double penY = ParseLength(node, wxS("y"), 0, Axis::Y) + ParseLength(node, wxS("dy"), 0, Axis::Y);
    const SvgStyle style = ComputeStyle(node);
    const SvgTextStyle textStyle = ComputeTextStyle(node);

    std::vector<TextRun> runs;
    c.pendingChunk = true;
    c.lastWasSpace = true;
    CollectTextRuns(node, style, textStyle, penX, penY, runs, c.depth);
    // No space at the end of the text either.
    if (!runs.empty() && runs.back().text.EndsWith(wxS(" "))) {
        TextRun& last = runs.back();
        last.text.RemoveLast();
        if (last.textStyle.fontSize > 0) {
            SelectFont(last.textStyle);
            last.advance = c.doc->GetStringWidth(last.text);
        }
    }

    // Each chunk (from one absolute position to the next) is aligned as a whole by
    // the anchor of its first run.
    for (size_t start = 0; start < runs.size();) {
        size_t end = start + 1;
        while (end < runs.size() && !runs[end].chunkStart)
            ++end;
        const wxString& anchor = runs[start].textStyle.textAnchor;
        if (anchor == wxS("middle") || anchor == wxS("end")) {
            const double width = runs[end - 1].x + runs[end - 1].advance - runs[start].x;
            const double shift = anchor == wxS("middle") ? -width / 2 : -width;
            for (size_t i = start; i < end; ++i)
                runs[i].x += shift;
        }
        start = end;
    }
    for (const TextRun& run : runs) {
        if (run.text.find_first_not_of(wxS(' ')) == wxString::npos || !ApplyTextStyle(run.textStyle, run.style))
            continue;
        c.doc->Text(run.x, run.y, run.text);
    }
}

// ---- Conversion ------------------------------------------------------------------------------

void SvgToPdfConverter::IndexDocument(wxXmlNode* root)
{
    // Children of the root's defs come first and win over other elements of the same
    // id; any other element can be referred to as well (first one wins).
    for (wxXmlNode* child = root->GetChildren(); child; child = child->GetNext()) {
        if (!IsElement(child) || child->GetName() != wxS("defs"))
            continue;
        for (wxXmlNode* def = child->GetChildren(); def; def = def->GetNext()) {
            if (!IsElement(def))
                continue;
            const wxString id = def->GetAttribute(wxS("id"));
            if (!id.empty())
                idMap[id] = def;
        }
    }
    // Every element, in document order, without recursion (nesting can be deep).
    for (wxXmlNode* node = root; node;) {
        if (IsElement(node)) {
            const wxString id = node->GetAttribute(wxS("id"));
            if (!id.empty())
                idMap.emplace(id, node);
            if (node->GetName() == wxS("style"))
                ParseStyleSheet(node);
        }
        if (node->GetChildren()) {
            node = node->GetChildren();
            continue;
        }
        while (node && node != root && !node->GetNext())
            node = node->GetParent();
        if (!node || node == root)
            break;
        node = node->GetNext();
    }
    for (wxXmlNode* child = root->GetChildren(); child; child = child->GetNext()) {
        if (!IsElement(child) || child->GetName() != wxS("defs"))
            continue;
        for (wxXmlNode* def = child->GetChildren(); def; def = def->GetNext())
            if (IsGradient(def))
                CreateGradient(def);
    }
}

bool SvgToPdfConverter::ConvertSvgToPdf(wxXmlNode* svgRoot, PdfDocument* document, double x, double y,
                                        double width, double height)
{
    if (!svgRoot || !document)
        return false;

    conv = std::make_unique<Conversion>();
    Conversion& c = *conv;
    c.doc = document;
    idMap.clear();
    gradientMap.clear();
    classStyles.clear();
    transformStack.clear();
    clipActive = false;

    PdfDocument& doc = *document;
    const double x0 = doc.GetX(), y0 = doc.GetY();
    c.family = doc.GetFontFamily();
    const wxString savedStyle = doc.GetFontStyle();
    const double savedSize = doc.GetFontSize();
    const PdfColour savedTextColour = doc.GetTextColour();
    const int savedRenderMode = doc.GetTextRenderMode();

    c.k = doc.GetScaleFactor();
    if (!(c.k > 0) || !std::isfinite(c.k))
        c.k = 72.0 / 25.4;
    const double k = c.k;
    doc.StartTransform();
    doc.Translate(k * (x0 + x), k * (y0 + y));
    doc.StartTransform();

    viewBox = parser->ParseViewBox(svgRoot->GetAttribute(wxS("viewBox")));
    // A view box without area (or with numbers beyond reason) would make the scale
    // infinite; it counts as absent.
    if (viewBox.valid && !(viewBox.width > 0 && viewBox.height > 0 && std::isfinite(viewBox.width / viewBox.height) &&
                           std::isfinite(viewBox.height / viewBox.width)))
        viewBox.valid = false;
    const double svgWidth = ParseLength(svgRoot, wxS("width"), 0, Axis::X);
    const double svgHeight = ParseLength(svgRoot, wxS("height"), 0, Axis::Y);
    const double tw = k * width, th = k * height;
    double s = 1.0;
    if (viewBox.valid) {
        s = (tw <= 0 || th <= 0) ? kFallbackScale : std::min(tw / viewBox.width, th / viewBox.height);
    } else if (svgWidth > 0 && svgHeight > 0) {
        s = (tw <= 0 || th <= 0) ? kFallbackScale : std::min(tw / svgWidth, th / svgHeight);
    }
    if (!std::isfinite(s) || s <= 0)
        s = 1.0;
    s = std::clamp(s, 1e-6, 1e6);
    scaleX = scaleY = s;
    c.refWidth = viewBox.valid ? viewBox.width : std::max(svgWidth, 0.0);
    c.refHeight = viewBox.valid ? viewBox.height : std::max(svgHeight, 0.0);

    // One SVG user unit becomes s points: the document multiplies user units by k,
    // so the transformation scales by s / k (the document's unit stays as it is).
    ScaleExactly(doc, s / k);
    if (viewBox.valid && (viewBox.minX != 0 || viewBox.minY != 0))
        ApplyMatrix({1, 0, 0, 1, -viewBox.minX, -viewBox.minY});

    IndexDocument(svgRoot);
    for (wxXmlNode* child = svgRoot->GetChildren(); child; child = child->GetNext()) {
        if (IsElement(child) && child->GetName() != wxS("defs") && child->GetName() != wxS("style"))
            RenderElement(child);
    }

    doc.StopTransform();
    doc.StopTransform();
    if (c.fontTouched) {
        doc.SetFont(c.family, savedStyle, savedSize);
        doc.SetFontSize(savedSize);
    }
    doc.SetTextColour(savedTextColour);
    doc.SetTextRenderMode(savedRenderMode);
    doc.SetXY(x0, y0);
    conv.reset();
    return true;
}
