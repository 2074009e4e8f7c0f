#pragma once
// Reading of SVG attribute values (colours, lengths, numbers, transforms, path data)
// into plain values. Locale-free; every reader tells whether the text was valid.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace svg {

struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
    // this × m: m applied first, then this.
    Matrix operator*(const Matrix& m) const
    {
        return {a * m.a + c * m.b, b * m.a + d * m.b,     a * m.c + c * m.d,
                b * m.c + d * m.d, a * m.e + c * m.f + e, b * m.e + d * m.f + f};
    }
    void Apply(double& x, double& y) const
    {
        const double nx = a * x + c * y + e;
        y = b * x + d * y + f;
        x = nx;
    }
    bool Invertible() const;
    Matrix Inverted() const;
    static Matrix Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static Matrix Scale(double x, double y) { return {x, 0, 0, y, 0, 0}; }
};

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// A colour value: keyword, #rgb, #rrggbb, #rgba, #rrggbbaa, rgb()/rgba() with numbers
// or percentages, hsl()/hsla(), "transparent". `alpha` receives the colour's own
// alpha (0..1). "currentColor" is not a colour here (the caller resolves it).
bool ParseColour(std::string_view text, Rgb& colour, double& alpha);

// A number at the start of `text` (after white space); returns the characters read
// (0 when none).
size_t ReadNumber(std::string_view text, double& value);
// The whole text as one number (white space around allowed).
bool ParseNumber(std::string_view text, double& value);
// Numbers separated by white space and/or commas; false on anything else (the
// numbers read so far stay in `out`).
bool ParseNumberList(std::string_view text, std::vector<double>& out, size_t limit = SIZE_MAX);

enum class Unit : uint8_t {
    None,
    Px,
    Pt,
    Pc,
    Mm,
    Cm,
    In,
    Em,
    Ex,
    Percent
};
struct Length {
    double value = 0;
    Unit unit = Unit::None;
};
bool ParseLength(std::string_view text, Length& length);
bool ParseLengthList(std::string_view text, std::vector<Length>& out);

// A transform list; false (and the identity) when malformed.
bool ParseTransform(std::string_view text, Matrix& matrix);

// Path segments in absolute user units: arcs and quadratics become cubics.
struct PathSegment {
    enum Kind : uint8_t {
        Move,
        Line,
        Cubic,
        Close
    } kind;
    double v[6];
};
using Path = std::vector<PathSegment>;
// Reads path data; an error ends the path where it occurs (what came before stays).
void ParsePathData(std::string_view text, Path& path, size_t maxNumbers);
// Appends the elliptical arc from (x0, y0) to (x, y) as cubics.
void AppendArc(Path& path, double x0, double y0, double rx, double ry, double angle, bool large, bool sweep, double x,
               double y);

std::string_view Trim(std::string_view text);
// The pieces of `text` between the separators (empty ones included).
std::vector<std::string_view> Split(std::string_view text, char separator);
// ASCII letters in lower case (SVG keywords are ASCII).
std::string Lower(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Formats a number for a content stream: C locale, no exponent, at most `decimals`
// decimals, trailing zeros dropped.
void AppendNumber(std::string& out, double value, int decimals = 5);

} // namespace svg
