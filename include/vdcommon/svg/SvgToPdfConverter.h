#pragma once
#include "vdcommon/Export.h"
// Draws an SVG document (a parsed XML tree) into the current page, or the template
// being recorded, of a PDF document as vector graphics.
//
// The supported subset is what plant graphics use: path, rect, circle, ellipse,
// line, polyline, polygon, g, use (with symbol), text with tspan; solid colours,
// linear and radial gradients, opacity, dashes, transforms, clip paths and simple
// class style sheets. Anything else is skipped silently. Known limits kept on
// purpose: styles are not inherited from groups, length units are ignored ("10mm"
// reads as 10), the drawing keeps its aspect ratio and is not centred in the target
// box, text is drawn in the document's current font family.
//
// The converter works with any PdfDocument and never changes the document's user
// unit: the SVG's user space is mapped onto the target box by a transformation.

#include "vdcommon/svg/SvgPathParser.h"

#include <wx/colour.h>
#include <wx/hashmap.h>
#include <wx/string.h>

#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

class PdfDocument;
class wxXmlNode;

struct VDCOMMON_API SvgTextStyle {
    wxString fontFamily = wxS("Arial");
    double fontSize = 12.0;
    wxString fontWeight = wxS("normal");
    wxString fontStyle = wxS("normal");
    wxString textAnchor = wxS("start");
    wxString textDecoration = wxS("none");
    double letterSpacing = 0.0;
    double wordSpacing = 0.0;
};

class VDCOMMON_API SvgToPdfConverter {
public:
    SvgToPdfConverter();
    ~SvgToPdfConverter();
    SvgToPdfConverter(const SvgToPdfConverter&) = delete;
    SvgToPdfConverter& operator=(const SvgToPdfConverter&) = delete;

    // Draws the SVG whose root element is `svgRoot` into `document`. (x, y) is an
    // offset from the document's current position and (width, height) the target
    // size, all in the document's user unit. The document's position, font, text
    // colour and text render mode are the same afterwards. Returns false, drawing
    // nothing, when either pointer is null.
    bool ConvertSvgToPdf(wxXmlNode* svgRoot, PdfDocument* document, double x, double y, double width,
                         double height);

    // An affine matrix a b c d e f (x' = a x + c y + e, y' = b x + d y + f).
    using Matrix = std::array<double, 6>;

    // Colour of a paint value: #rgb, #rrggbb, rgb(r, g, b) (integers or percentages)
    // or a colour name of the toolkit's colour database; black when unreadable.
    static wxColour ParseColour(const wxString& text);
    // The product of a transform list (matrix, translate, scale, rotate, skewX,
    // skewY, in order); the identity when the text is empty or malformed.
    static Matrix ParseTransform(const wxString& text);
    // "url(#id)" → "id"; any other text is returned unchanged.
    static wxString ExtractUrlId(const wxString& text);

    // One segment of a path ready for the document: points in SVG user units.
    struct Segment {
        enum Kind : unsigned char { Move, Line, Cubic, Close } kind;
        double v[6];
    };
    using Path = std::vector<Segment>;

    // Nesting deeper than this stops descending (elements, use references, spans).
    static constexpr int kMaxDepth = 1000;
    // Elements drawn through `use` references in one conversion, so that references
    // that multiply each other cannot make a conversion run for ever.
    static constexpr long kMaxUseExpansions = 100000;

private:
    enum class Axis { X, Y, Other };

    struct GradientPaint;
    struct Paint;
    struct TextRun;
    struct Conversion;

    void RenderElement(wxXmlNode* node, bool throughUse = false);
    void RenderChildren(wxXmlNode* node);
    void RenderPath(wxXmlNode* node);
    void RenderRect(wxXmlNode* node);
    void RenderCircle(wxXmlNode* node);
    void RenderEllipse(wxXmlNode* node);
    void RenderLine(wxXmlNode* node);
    void RenderPoly(wxXmlNode* node, bool closed);
    void RenderUse(wxXmlNode* node);
    void RenderText(wxXmlNode* node);

    SvgStyle ComputeStyle(wxXmlNode* node, const SvgStyle* parent = nullptr);
    Paint ApplyStyle(const SvgStyle& style);
    SvgTextStyle ComputeTextStyle(wxXmlNode* node, const SvgTextStyle* parent = nullptr) const;
    bool ApplyTextStyle(const SvgTextStyle& textStyle, const SvgStyle& style);
    void SelectFont(const SvgTextStyle& textStyle);
    double ParseLength(wxXmlNode* node, const wxString& name, double defaultValue, Axis axis) const;
    bool ApplyClipPath(const wxString& id);
    const GradientPaint* CreateGradient(wxXmlNode* node);
    const GradientPaint* GradientOfPaint(const wxString& paint);
    void ParseStyleSheet(wxXmlNode* styleElement);
    static wxString GetTextContent(wxXmlNode* node);

    void CollectTextRuns(wxXmlNode* node, const SvgStyle& style, const SvgTextStyle& textStyle, double& penX,
                         double& penY, std::vector<TextRun>& runs, int depth);
    void AddTextRun(const wxString& raw, const SvgStyle& style, const SvgTextStyle& textStyle, double& penX,
                    double penY, std::vector<TextRun>& runs);

    Path BuildPath(const std::vector<SvgPathCommand>& absolute) const;
    bool ShapePath(wxXmlNode* node, Path& path);
    std::vector<double> ReadPoints(wxXmlNode* node) const;
    void EmitPath(const Path& path, size_t from, size_t to) const;
    void PaintPath(const Path& path, int paintStyle) const;
    void FillWithGradient(const Path& path, const GradientPaint& gradient) const;
    void ApplyMatrix(const Matrix& m) const;
    void IndexDocument(wxXmlNode* root);

    const SvgStyle& ClassStyle(const wxString& name);

    std::unique_ptr<SvgPathParser> parser;
    SvgViewBox viewBox;
    double scaleX = 1.0;
    double scaleY = 1.0;
    std::unordered_map<wxString, wxXmlNode*, wxStringHash, wxStringEqual> idMap;
    std::unordered_map<wxString, int, wxStringHash, wxStringEqual> gradientMap;
    std::vector<Matrix> transformStack;
    bool clipActive = false;
    std::unordered_map<wxString, wxString, wxStringHash, wxStringEqual> classStyles;

    std::unique_ptr<Conversion> conv;
};
