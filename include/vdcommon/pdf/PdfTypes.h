#pragma once
#include "vdcommon/Export.h"
// Small value types and constants of the PDF layer. The numeric values are the ones
// callers store and pass around, so they never change.
#include <wx/colour.h>
#include <wx/string.h>

#include <optional>
#include <vector>

namespace PdfBorder {
enum : int {
    None = 0,
    Left = 1,
    Right = 2,
    Top = 4,
    Bottom = 8,
    Frame = 15
};
} // namespace PdfBorder

enum PdfAlignment : int {
    PdfAlignLeft = 0,
    PdfAlignCenter = 1,
    PdfAlignRight = 2,
    PdfAlignJustify = 3,
    PdfAlignTop = 4,
    PdfAlignMiddle = 5,
    PdfAlignBottom = 6
};

namespace PdfStyle {
enum : int {
    NoOp = 0,
    Draw = 1,
    Fill = 2,
    FillDraw = 3
};
} // namespace PdfStyle

namespace PdfCorner {
enum : int {
    None = 0,
    TopLeft = 1,
    TopRight = 2,
    BottomLeft = 4,
    BottomRight = 8,
    All = 15
};
} // namespace PdfCorner

enum PdfTextRenderMode : int {
    PdfTextFill = 0,
    PdfTextStroke = 1,
    PdfTextFillStroke = 2,
    PdfTextInvisible = 3
};

enum class PdfBlendMode {
    Normal,
    Multiply,
    Screen,
    Overlay,
    Darken,
    Lighten,
    ColorDodge,
    ColorBurn,
    HardLight,
    SoftLight,
    Difference,
    Exclusion
};

enum class PdfGradientUnits {
    BoundingBox,
    UserSpace
};

// An RGB colour; `IsValid()` is false for a colour that could not be read.
class VDCOMMON_API PdfColour
{
public:
    PdfColour(); // black
    explicit PdfColour(unsigned char grey);
    PdfColour(unsigned char r, unsigned char g, unsigned char b);
    PdfColour(const wxColour& colour);        // NOLINT: implicit on purpose
    explicit PdfColour(const wxString& text); // "#rrggbb" or a colour name

    unsigned char Red() const { return red; }
    unsigned char Green() const { return green; }
    unsigned char Blue() const { return blue; }
    bool IsValid() const { return valid; }
    wxColour GetColour() const { return wxColour(red, green, blue); }
    // Operands for a content stream, e.g. "1 0 0" (C locale, at most 4 decimals).
    wxString GetOperands() const;
    bool operator==(const PdfColour& other) const = default;

private:
    unsigned char red = 0, green = 0, blue = 0;
    bool valid = true;
};

// A link target: an internal link (from AddLink) or a URL.
class VDCOMMON_API PdfLink
{
public:
    PdfLink(int linkRef = -1) : linkRef(linkRef) {}            // NOLINT
    PdfLink(const wxString& url) : url(url) {}                 // NOLINT
    PdfLink(const char* url) : url(wxString::FromUTF8(url)) {} // NOLINT

    bool IsValid() const { return linkRef > 0 || !url.empty(); }
    bool IsLinkRef() const { return linkRef > 0; }
    int GetLinkRef() const { return linkRef; }
    const wxString& GetLinkURL() const { return url; }

private:
    int linkRef = -1;
    wxString url;
};

// Line state for SetLineStyle: negative width/cap/join/phase leave that part as it is
// (phase < 0 means 0); the colour defaults to black.
class VDCOMMON_API PdfLineStyle
{
public:
    PdfLineStyle(double width = -1, int cap = -1, int join = -1, std::vector<double> dash = {}, double phase = -1,
                 const PdfColour& colour = PdfColour())
        : width(width), cap(cap), join(join), dash(std::move(dash)), phase(phase), colour(colour)
    {}

    double GetWidth() const { return width; }
    int GetLineCap() const { return cap; }
    int GetLineJoin() const { return join; }
    const std::vector<double>& GetDash() const { return dash; }
    double GetPhase() const { return phase; }
    const PdfColour& GetColour() const { return colour; }
    void SetWidth(double w) { width = w; }
    void SetLineCap(int c) { cap = c; }
    void SetLineJoin(int j) { join = j; }
    void SetDash(std::vector<double> d) { dash = std::move(d); }
    void SetPhase(double p) { phase = p; }
    void SetColour(const PdfColour& c) { colour = c; }

private:
    double width;
    int cap, join;
    std::vector<double> dash;
    double phase;
    PdfColour colour;
};

class VDCOMMON_API PdfUtility
{
public:
    // The C-locale number at the start of `text` (leading blanks skipped); 0 when
    // there is none, for hexadecimal, inf, nan and out-of-range values.
    static double String2Double(const wxString& text);
    // A number for a content stream: C locale, at most 4 decimals, never exponent form.
    static wxString Double2String(double value, int precision = 4);
};
