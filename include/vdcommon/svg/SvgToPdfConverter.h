#pragma once
#include "vdcommon/Export.h"
// Draws an SVG document (a parsed XML tree) into the current page, or the template
// being recorded, of a PDF document as vector graphics, the way a standard SVG
// renderer draws it (the static subset of SVG 1.1 with SVG 2 colour syntax).
//
// The work is staged: the parse stage copies the XML into a compact tree and applies
// the style sheets (SvgDocument), the resolve stage makes a render tree of absolute
// values (SvgResolver: inheritance, units, use/symbol/svg instancing, paint servers,
// clip paths, masks, text layout), and the paint stage writes it into the document
// (SvgPainter). What is not drawn: images from outside files (a graphic never reads
// other files; data: URIs are drawn), markers, filters, text on paths, the root's
// background colour. Text without a font-family is set in the document's current
// family (the initial value is the renderer's choice).
//
// The converter works with any PdfDocument and never changes the document's user
// unit: the SVG's user space is mapped onto the target box by a transformation (its
// viewBox and preserveAspectRatio; the width and height when there is no viewBox).
// Bounds (nesting depth, element count, path length, use expansion) are SvgLimits;
// what they leave out is reported once through the diagnostics sink.

#include "vdcommon/svg/SvgLimits.h"
#include "vdcommon/svg/SvgPathParser.h"

#include <wx/colour.h>
#include <wx/string.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

class PdfDocument;
class wxXmlNode;
class wxXmlDocument;

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

// The result of loading an SVG file: the document, or null with the reason.
struct VDCOMMON_API SvgDocumentLoad {
    std::shared_ptr<wxXmlDocument> document;
    std::string error;
};

class VDCOMMON_API SvgToPdfConverter
{
public:
    SvgToPdfConverter();
    ~SvgToPdfConverter();
    SvgToPdfConverter(const SvgToPdfConverter&) = delete;
    SvgToPdfConverter& operator=(const SvgToPdfConverter&) = delete;

    // Draws the SVG whose root element is `svgRoot` into `document`. (x, y) is an
    // offset from the document's current position and (width, height) the target
    // size, all in the document's user unit. The document's position, font, text
    // colour and text render mode are the same afterwards. Returns false, drawing
    // nothing, when either pointer is null or the root is not an `svg` element.
    bool ConvertSvgToPdf(wxXmlNode* svgRoot, PdfDocument* document, double x, double y, double width, double height);

    // An affine matrix a b c d e f (x' = a x + c y + e, y' = b x + d y + f).
    using Matrix = std::array<double, 6>;

    // Colour of a paint value: a colour keyword, #rgb, #rrggbb, #rgba, #rrggbbaa,
    // rgb()/rgba() (numbers or percentages), hsl()/hsla(), "transparent"; black when
    // unreadable. The colour's alpha is kept.
    static wxColour ParseColour(const wxString& text);
    // The product of a transform list (matrix, translate, scale, rotate, skewX,
    // skewY, in order); the identity when the text is empty or malformed.
    static Matrix ParseTransform(const wxString& text);
    // "url(#id)" → "id"; any other text is returned unchanged.
    static wxString ExtractUrlId(const wxString& text);

    // Reads an SVG file (or bytes) into an XML document in linear time, with the
    // nesting, element-count and size bounds of SvgLimits; external entities and
    // network access are never used.
    static SvgDocumentLoad LoadFile(const wxString& path);
    static SvgDocumentLoad LoadBytes(const std::string& bytes, const std::string& name);
    // The graphic's own size in CSS pixels (width/height, else its viewBox, else
    // 100 × 100).
    static void GetIntrinsicSize(const wxXmlNode* svgRoot, double& width, double& height);

    // Defaults of SvgLimits, kept under their former names.
    static constexpr int kMaxDepth = SvgLimits{}.maxDepth;
    static constexpr long kMaxUseExpansions = SvgLimits{}.maxUseExpansions;
};
