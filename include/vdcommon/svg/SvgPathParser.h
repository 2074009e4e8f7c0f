#pragma once
#include "vdcommon/Export.h"
// Reading of SVG attribute texts into plain records: path data ("d"), style
// declarations ("style" or a style-sheet rule body) and "viewBox". The parser draws
// nothing and keeps no state between calls, so one instance serves any number of
// calls.
//
// Numbers are always read in the C locale ("1.5" is one and a half whatever the
// process locale is), because SVG is a locale-free format.

#include <wx/string.h>

#include <cstdint>
#include <string_view>
#include <vector>

// The stored values never change: they are written to and read from elsewhere.
enum class SvgCommandType : std::int32_t {
    MoveTo = 1,
    MoveToRel = 2,
    LineTo = 3,
    LineToRel = 4,
    HorizontalLineTo = 5,
    HorizontalLineToRel = 6,
    VerticalLineTo = 7,
    VerticalLineToRel = 8,
    CurveTo = 9,
    CurveToRel = 10,
    SmoothCurveTo = 11,
    SmoothCurveToRel = 12,
    QuadraticCurveTo = 13,
    QuadraticCurveToRel = 14,
    SmoothQuadraticCurveTo = 15,
    SmoothQuadraticCurveToRel = 16,
    ArcTo = 17,
    ArcToRel = 18,
    ClosePath = 19,
};

// One path command with its numbers in the order written.
struct VDCOMMON_API SvgPathCommand {
    SvgCommandType type = SvgCommandType::MoveTo;
    std::vector<double> params;
};

// The paint properties the renderer understands. Paint values are kept as written
// ("#ff0000", "rgb(1,2,3)", "none", "url(#g1)"); an empty text means "not given".
struct VDCOMMON_API SvgStyle {
    wxString fill;
    wxString stroke;
    double strokeWidth = 0.0;
    wxString fillRule;
    double fillOpacity = 1.0;
    double strokeOpacity = 1.0;
    std::vector<double> strokeDashArray;
};

struct VDCOMMON_API SvgViewBox {
    double minX = 0.0;
    double minY = 0.0;
    double width = 0.0;
    double height = 0.0;
    bool valid = false;
};

class VDCOMMON_API SvgPathParser
{
public:
    SvgPathParser() = default;

    // Commands in the order written; relative commands stay relative. Malformed
    // input never fails: it ends the path early or reads as 0.
    std::vector<SvgPathCommand> ParsePathData(const wxString& pathData) const;
    // The same commands with every relative one replaced by its absolute twin.
    std::vector<SvgPathCommand> ConvertToAbsolute(const std::vector<SvgPathCommand>& commands) const;
    SvgStyle ParseStyle(const wxString& declarations) const;
    SvgViewBox ParseViewBox(const wxString& viewBox) const;

    // Number of values one occurrence of a command takes (0 for ClosePath).
    static int ParameterCount(SvgCommandType type);

    // The number at the start of `text` in the C locale (leading blanks skipped, any
    // trailing text such as "px" ignored); 0 when there is none or it is not finite.
    // This is how style values ("2px") and stop offsets are read.
    static double LeadingNumber(const wxString& text);
    // The whole of `text` (blanks around it allowed) as a finite C-locale number;
    // false when anything else is in it.
    static bool ToNumber(const wxString& text, double& value);

    // A view of a string's characters; numbers and separators of SVG are ASCII, so
    // one code unit is one character for everything the parser has to recognise.
    using Text = std::basic_string_view<wxStringCharType>;

    // The number reader shared with the renderer's transform and point lists: reads
    // one number at `pos` (after separators) and advances `pos` past it. Returns
    // false, leaving `value` 0, when no characters of a number were there.
    static bool ReadNumber(Text text, size_t& pos, double& value);
    static void SkipSeparators(Text text, size_t& pos);

private:
    static void SkipWhitespace(Text text, size_t& pos);
    static double ParseNumber(Text text, size_t& pos);
    static void ParseParameters(Text text, size_t& pos, std::vector<double>& out, int count);
    static bool IsCommandChar(wxStringCharType c);
    static bool IsWhitespace(wxStringCharType c);
};
