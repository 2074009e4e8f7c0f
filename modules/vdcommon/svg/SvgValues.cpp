#include "vdcommon/svg/SvgValues.h"
#include "vdcommon/svg/SvgLimits.h"
#include "pdf/PdfSharedNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <mutex>

namespace {

SvgLimits& Limits()
{
    static SvgLimits limits;
    return limits;
}

} // namespace

const SvgLimits& GetSvgLimits()
{
    return Limits();
}
void SetSvgLimits(const SvgLimits& limits)
{
    Limits() = limits;
}

namespace svg {

namespace {

struct NamedColour {
    const char* name;
    uint32_t rgb;
};

// The colour keywords of CSS, sorted for a binary search.
// clang-format off
constexpr NamedColour kColours[] = {
    {"aliceblue", 0xf0f8ff}, {"antiquewhite", 0xfaebd7}, {"aqua", 0x00ffff}, {"aquamarine", 0x7fffd4},
    {"azure", 0xf0ffff}, {"beige", 0xf5f5dc}, {"bisque", 0xffe4c4}, {"black", 0x000000},
    {"blanchedalmond", 0xffebcd}, {"blue", 0x0000ff}, {"blueviolet", 0x8a2be2}, {"brown", 0xa52a2a},
    {"burlywood", 0xdeb887}, {"cadetblue", 0x5f9ea0}, {"chartreuse", 0x7fff00}, {"chocolate", 0xd2691e},
    {"coral", 0xff7f50}, {"cornflowerblue", 0x6495ed}, {"cornsilk", 0xfff8dc}, {"crimson", 0xdc143c},
    {"cyan", 0x00ffff}, {"darkblue", 0x00008b}, {"darkcyan", 0x008b8b}, {"darkgoldenrod", 0xb8860b},
    {"darkgray", 0xa9a9a9}, {"darkgreen", 0x006400}, {"darkgrey", 0xa9a9a9}, {"darkkhaki", 0xbdb76b},
    {"darkmagenta", 0x8b008b}, {"darkolivegreen", 0x556b2f}, {"darkorange", 0xff8c00}, {"darkorchid", 0x9932cc},
    {"darkred", 0x8b0000}, {"darksalmon", 0xe9967a}, {"darkseagreen", 0x8fbc8f}, {"darkslateblue", 0x483d8b},
    {"darkslategray", 0x2f4f4f}, {"darkslategrey", 0x2f4f4f}, {"darkturquoise", 0x00ced1},
    {"darkviolet", 0x9400d3}, {"deeppink", 0xff1493}, {"deepskyblue", 0x00bfff}, {"dimgray", 0x696969},
    {"dimgrey", 0x696969}, {"dodgerblue", 0x1e90ff}, {"firebrick", 0xb22222}, {"floralwhite", 0xfffaf0},
    {"forestgreen", 0x228b22}, {"fuchsia", 0xff00ff}, {"gainsboro", 0xdcdcdc}, {"ghostwhite", 0xf8f8ff},
    {"gold", 0xffd700}, {"goldenrod", 0xdaa520}, {"gray", 0x808080}, {"green", 0x008000},
    {"greenyellow", 0xadff2f}, {"grey", 0x808080}, {"honeydew", 0xf0fff0}, {"hotpink", 0xff69b4},
    {"indianred", 0xcd5c5c}, {"indigo", 0x4b0082}, {"ivory", 0xfffff0}, {"khaki", 0xf0e68c},
    {"lavender", 0xe6e6fa}, {"lavenderblush", 0xfff0f5}, {"lawngreen", 0x7cfc00}, {"lemonchiffon", 0xfffacd},
    {"lightblue", 0xadd8e6}, {"lightcoral", 0xf08080}, {"lightcyan", 0xe0ffff},
    {"lightgoldenrodyellow", 0xfafad2}, {"lightgray", 0xd3d3d3}, {"lightgreen", 0x90ee90},
    {"lightgrey", 0xd3d3d3}, {"lightpink", 0xffb6c1}, {"lightsalmon", 0xffa07a}, {"lightseagreen", 0x20b2aa},
    {"lightskyblue", 0x87cefa}, {"lightslategray", 0x778899}, {"lightslategrey", 0x778899},
    {"lightsteelblue", 0xb0c4de}, {"lightyellow", 0xffffe0}, {"lime", 0x00ff00}, {"limegreen", 0x32cd32},
    {"linen", 0xfaf0e6}, {"magenta", 0xff00ff}, {"maroon", 0x800000}, {"mediumaquamarine", 0x66cdaa},
    {"mediumblue", 0x0000cd}, {"mediumorchid", 0xba55d3}, {"mediumpurple", 0x9370db},
    {"mediumseagreen", 0x3cb371}, {"mediumslateblue", 0x7b68ee}, {"mediumspringgreen", 0x00fa9a},
    {"mediumturquoise", 0x48d1cc}, {"mediumvioletred", 0xc71585}, {"midnightblue", 0x191970},
    {"mintcream", 0xf5fffa}, {"mistyrose", 0xffe4e1}, {"moccasin", 0xffe4b5}, {"navajowhite", 0xffdead},
    {"navy", 0x000080}, {"oldlace", 0xfdf5e6}, {"olive", 0x808000}, {"olivedrab", 0x6b8e23},
    {"orange", 0xffa500}, {"orangered", 0xff4500}, {"orchid", 0xda70d6}, {"palegoldenrod", 0xeee8aa},
    {"palegreen", 0x98fb98}, {"paleturquoise", 0xafeeee}, {"palevioletred", 0xdb7093},
    {"papayawhip", 0xffefd5}, {"peachpuff", 0xffdab9}, {"peru", 0xcd853f}, {"pink", 0xffc0cb},
    {"plum", 0xdda0dd}, {"powderblue", 0xb0e0e6}, {"purple", 0x800080}, {"rebeccapurple", 0x663399},
    {"red", 0xff0000}, {"rosybrown", 0xbc8f8f}, {"royalblue", 0x4169e1}, {"saddlebrown", 0x8b4513},
    {"salmon", 0xfa8072}, {"sandybrown", 0xf4a460}, {"seagreen", 0x2e8b57}, {"seashell", 0xfff5ee},
    {"sienna", 0xa0522d}, {"silver", 0xc0c0c0}, {"skyblue", 0x87ceeb}, {"slateblue", 0x6a5acd},
    {"slategray", 0x708090}, {"slategrey", 0x708090}, {"snow", 0xfffafa}, {"springgreen", 0x00ff7f},
    {"steelblue", 0x4682b4}, {"tan", 0xd2b48c}, {"teal", 0x008080}, {"thistle", 0xd8bfd8},
    {"tomato", 0xff6347}, {"turquoise", 0x40e0d0}, {"violet", 0xee82ee}, {"wheat", 0xf5deb3},
    {"white", 0xffffff}, {"whitesmoke", 0xf5f5f5}, {"yellow", 0xffff00}, {"yellowgreen", 0x9acd32},
};
// clang-format on

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

uint8_t Channel(double v)
{
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

double HueToRgb(double t1, double t2, double h)
{
    if (h < 0)
        h += 6;
    if (h >= 6)
        h -= 6;
    if (h < 1)
        return (t2 - t1) * h + t1;
    if (h < 3)
        return t2;
    if (h < 4)
        return (t2 - t1) * (4 - h) + t1;
    return t1;
}

// Arguments of a colour function: numbers with optional '%' (and a trailing "deg"
// ignored), separated by commas, white space or '/'.
bool FunctionArguments(std::string_view body, std::vector<std::pair<double, bool>>& args)
{
    size_t pos = 0;
    while (pos < body.size()) {
        while (pos < body.size() && (IsSpace(body[pos]) || body[pos] == ',' || body[pos] == '/'))
            ++pos;
        if (pos >= body.size())
            break;
        double v = 0;
        const size_t n = ReadNumber(body.substr(pos), v);
        if (n == 0)
            return false;
        pos += n;
        bool percent = false;
        if (pos < body.size() && body[pos] == '%') {
            percent = true;
            ++pos;
        } else if (body.substr(pos, 3) == "deg") {
            pos += 3;
        }
        args.emplace_back(v, percent);
    }
    return true;
}

} // namespace

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(separator, pos);
        if (end == std::string_view::npos)
            end = text.size();
        pieces.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return pieces;
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

namespace {

// #rgb, #rgba, #rrggbb, #rrggbbaa (`hex` without the '#').
bool ParseHexColour(std::string_view hex, Rgb& colour, double& alpha)
{
    for (char c : hex)
        if (HexDigit(c) < 0)
            return false;
    auto pair = [&](size_t i) { return static_cast<uint8_t>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1])); };
    auto single = [&](size_t i) { return static_cast<uint8_t>(HexDigit(hex[i]) * 17); };
    if (hex.size() == 3 || hex.size() == 4) {
        colour = {single(0), single(1), single(2)};
        if (hex.size() == 4)
            alpha = single(3) / 255.0;
        return true;
    }
    if (hex.size() == 6 || hex.size() == 8) {
        colour = {pair(0), pair(2), pair(4)};
        if (hex.size() == 8)
            alpha = pair(6) / 255.0;
        return true;
    }
    return false;
}

// rgb(), rgba(), hsl(), hsla() (`lower` in lower case, `open` the index of its '(').
bool ParseColourFunction(const std::string& lower, size_t open, Rgb& colour, double& alpha)
{
    if (lower.back() != ')')
        return false;
    const std::string name(Trim(std::string_view(lower).substr(0, open)));
    std::vector<std::pair<double, bool>> args;
    if (!FunctionArguments(std::string_view(lower).substr(open + 1, lower.size() - open - 2), args))
        return false;
    if (args.size() != 3 && args.size() != 4)
        return false;
    // Channels are all numbers or all percentages; the alpha is a number.
    const bool isRgb = name == "rgb" || name == "rgba";
    if ((isRgb && (args[0].second != args[1].second || args[1].second != args[2].second)) ||
        (args.size() == 4 && args[3].second))
        return false;
    if (args.size() == 4)
        alpha = std::clamp(args[3].first, 0.0, 1.0);
    if (isRgb) {
        double v[3];
        for (int i = 0; i < 3; ++i)
            v[i] = args[i].second ? args[i].first * 255 / 100 : args[i].first;
        colour = {Channel(v[0]), Channel(v[1]), Channel(v[2])};
        return true;
    }
    if (name == "hsl" || name == "hsla") {
        double h = std::fmod(args[0].first, 360.0);
        if (h < 0)
            h += 360;
        h /= 60;
        const double s = std::clamp(args[1].first / 100, 0.0, 1.0);
        const double l = std::clamp(args[2].first / 100, 0.0, 1.0);
        const double t2 = l <= 0.5 ? l * (s + 1) : l + s - l * s;
        const double t1 = l * 2 - t2;
        colour = {Channel(HueToRgb(t1, t2, h + 2) * 255), Channel(HueToRgb(t1, t2, h) * 255),
                  Channel(HueToRgb(t1, t2, h - 2) * 255)};
        return true;
    }
    return false;
}

} // namespace

bool ParseColour(std::string_view text, Rgb& colour, double& alpha)
{
    text = Trim(text);
    alpha = 1;
    if (text.empty())
        return false;
    if (text[0] == '#')
        return ParseHexColour(text.substr(1), colour, alpha);
    const std::string lower = Lower(text);
    const size_t open = lower.find('(');
    if (open != std::string::npos)
        return ParseColourFunction(lower, open, colour, alpha);
    if (lower == "transparent") {
        colour = {0, 0, 0};
        alpha = 0;
        return true;
    }
    const auto* end = std::end(kColours);
    const auto* it = std::lower_bound(std::begin(kColours), end, lower,
                                      [](const NamedColour& c, const std::string& n) { return c.name < n; });
    if (it == end || lower != it->name)
        return false;
    colour = {static_cast<uint8_t>(it->rgb >> 16), static_cast<uint8_t>(it->rgb >> 8), static_cast<uint8_t>(it->rgb)};
    return true;
}

size_t ReadNumber(std::string_view text, double& value)
{
    size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    const size_t start = pos;
    const size_t length = vdpdf::DecimalNumberLength(text, start);
    if (length == 0) {
        value = 0;
        return 0;
    }
    pos = start + length;
    const char* first = text.data() + start;
    if (*first == '+')
        ++first;
    double v = 0;
    const auto result = std::from_chars(first, text.data() + pos, v);
    if (result.ec == std::errc::result_out_of_range)
        v = 0;
    value = std::isfinite(v) ? v : 0;
    return pos;
}

bool ParseNumber(std::string_view text, double& value)
{
    text = Trim(text);
    const size_t n = ReadNumber(text, value);
    return n != 0 && n == text.size();
}

bool ParseNumberList(std::string_view text, std::vector<double>& out, size_t limit)
{
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsSpace(text[pos]))
            ++pos;
        if (pos >= text.size())
            break;
        if (out.size() >= limit)
            return false;
        double v = 0;
        const size_t n = ReadNumber(text.substr(pos), v);
        if (n == 0)
            return false;
        out.push_back(v);
        pos += n;
        while (pos < text.size() && IsSpace(text[pos]))
            ++pos;
        if (pos < text.size() && text[pos] == ',')
            ++pos;
    }
    return true;
}

namespace {

bool ParseUnit(std::string_view rest, Unit& unit)
{
    static const std::pair<const char*, Unit> kUnits[] = {
        {"", Unit::None}, {"px", Unit::Px}, {"pt", Unit::Pt}, {"pc", Unit::Pc}, {"mm", Unit::Mm},
        {"cm", Unit::Cm}, {"in", Unit::In}, {"em", Unit::Em}, {"ex", Unit::Ex}, {"%", Unit::Percent}};
    for (const auto& [name, u] : kUnits) {
        if (EqualsNoCase(rest, name)) {
            unit = u;
            return true;
        }
    }
    return false;
}

} // namespace

bool ParseLength(std::string_view text, Length& length)
{
    text = Trim(text);
    double v = 0;
    const size_t n = ReadNumber(text, v);
    if (n == 0)
        return false;
    Unit unit = Unit::None;
    if (!ParseUnit(text.substr(n), unit))
        return false;
    length = {v, unit};
    return true;
}

bool ParseLengthList(std::string_view text, std::vector<Length>& out)
{
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && (IsSpace(text[pos]) || text[pos] == ','))
            ++pos;
        if (pos >= text.size())
            break;
        size_t end = pos;
        while (end < text.size() && !IsSpace(text[end]) && text[end] != ',')
            ++end;
        Length l;
        if (!ParseLength(text.substr(pos, end - pos), l))
            return false;
        out.push_back(l);
        pos = end;
    }
    return true;
}

bool Matrix::Invertible() const
{
    const double det = a * d - b * c;
    return std::isfinite(det) && std::abs(det) > 1e-12;
}

Matrix Matrix::Inverted() const
{
    const double det = a * d - b * c;
    if (!Invertible())
        return {};
    return {d / det, -b / det, -c / det, a / det, (c * f - d * e) / det, (b * e - a * f) / det};
}

bool ParseTransform(std::string_view text, Matrix& matrix)
{
    matrix = {};
    Matrix result;
    size_t pos = 0;
    constexpr double kPi = 3.14159265358979323846;
    while (true) {
        while (pos < text.size() && (IsSpace(text[pos]) || text[pos] == ','))
            ++pos;
        if (pos >= text.size())
            break;
        const size_t nameStart = pos;
        while (pos < text.size() && ((text[pos] >= 'a' && text[pos] <= 'z') || (text[pos] >= 'A' && text[pos] <= 'Z')))
            ++pos;
        const std::string_view name = text.substr(nameStart, pos - nameStart);
        while (pos < text.size() && IsSpace(text[pos]))
            ++pos;
        if (pos >= text.size() || text[pos] != '(')
            return false;
        const size_t close = text.find(')', pos);
        if (close == std::string_view::npos)
            return false;
        std::vector<double> v;
        if (!ParseNumberList(text.substr(pos + 1, close - pos - 1), v, 6))
            return false;
        pos = close + 1;
        Matrix m;
        if (name == "matrix" && v.size() == 6) {
            m = {v[0], v[1], v[2], v[3], v[4], v[5]};
        } else if (name == "translate" && (v.size() == 1 || v.size() == 2)) {
            m = Matrix::Translate(v[0], v.size() == 2 ? v[1] : 0);
        } else if (name == "scale" && (v.size() == 1 || v.size() == 2)) {
            m = Matrix::Scale(v[0], v.size() == 2 ? v[1] : v[0]);
        } else if (name == "rotate" && (v.size() == 1 || v.size() == 3)) {
            const double r = v[0] * kPi / 180, cs = std::cos(r), sn = std::sin(r);
            m = {cs, sn, -sn, cs, 0, 0};
            if (v.size() == 3)
                m = Matrix::Translate(v[1], v[2]) * m * Matrix::Translate(-v[1], -v[2]);
        } else if (name == "skewX" && v.size() == 1) {
            m = {1, 0, std::tan(v[0] * kPi / 180), 1, 0, 0};
        } else if (name == "skewY" && v.size() == 1) {
            m = {1, std::tan(v[0] * kPi / 180), 0, 1, 0, 0};
        } else {
            return false;
        }
        result = result * m;
    }
    matrix = result;
    return true;
}

void AppendArc(Path& path, double x0, double y0, double rx, double ry, double angle, bool large, bool sweep, double x,
               double y)
{
    if (x0 == x && y0 == y)
        return;
    rx = std::abs(rx);
    ry = std::abs(ry);
    if (rx == 0 || ry == 0) {
        path.push_back({PathSegment::Line, {x, y, 0, 0, 0, 0}});
        return;
    }
    constexpr double kPi = 3.14159265358979323846;
    const double phi = angle * kPi / 180, cs = std::cos(phi), sn = std::sin(phi);
    const double dx = (x0 - x) / 2, dy = (y0 - y) / 2;
    const double x1p = cs * dx + sn * dy, y1p = -sn * dx + cs * dy;
    const double lambda = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry);
    if (lambda > 1) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const double num = rx * rx * ry * ry - rx * rx * y1p * y1p - ry * ry * x1p * x1p;
    const double den = rx * rx * y1p * y1p + ry * ry * x1p * x1p;
    double coef = den > 0 ? std::sqrt(std::max(0.0, num / den)) : 0;
    if (large == sweep)
        coef = -coef;
    const double cxp = coef * rx * y1p / ry, cyp = -coef * ry * x1p / rx;
    const double cx = cs * cxp - sn * cyp + (x0 + x) / 2, cy = sn * cxp + cs * cyp + (y0 + y) / 2;
    auto vecAngle = [](double ux, double uy, double vx, double vy) {
        return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
    };
    const double t1 = vecAngle(1, 0, (x1p - cxp) / rx, (y1p - cyp) / ry);
    double dt = vecAngle((x1p - cxp) / rx, (y1p - cyp) / ry, (-x1p - cxp) / rx, (-y1p - cyp) / ry);
    if (!sweep && dt > 0)
        dt -= 2 * kPi;
    else if (sweep && dt < 0)
        dt += 2 * kPi;
    const int n = std::max(1, static_cast<int>(std::ceil(std::abs(dt) / (kPi / 2) - 1e-9)));
    const double step = dt / n;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    double t = t1;
    for (int i = 0; i < n; ++i) {
        const double c1 = std::cos(t), s1 = std::sin(t), c2 = std::cos(t + step), s2 = std::sin(t + step);
        double p[6] = {c1 - k * s1, s1 + k * c1, c2 + k * s2, s2 - k * c2, c2, s2};
        for (int j = 0; j < 6; j += 2) {
            const double ex = p[j] * rx, ey = p[j + 1] * ry;
            p[j] = cs * ex - sn * ey + cx;
            p[j + 1] = sn * ex + cs * ey + cy;
        }
        if (i == n - 1) {
            p[4] = x;
            p[5] = y;
        }
        path.push_back({PathSegment::Cubic, {p[0], p[1], p[2], p[3], p[4], p[5]}});
        t += step;
    }
}

namespace {

// Path data read command by command into absolute segments; the current point, the
// start of the subpath and the last control point carry from one command to the next.
class PathDataReader
{
public:
    PathDataReader(std::string_view text, Path& path, size_t maxNumbers)
        : text(text), path(path), maxNumbers(maxNumbers)
    {}

    void Read()
    {
        char cmd = 0;
        bool first = true;
        while (true) {
            Skip();
            if (pos >= text.size())
                return;
            const char c = text[pos];
            if (std::strchr("MmLlHhVvCcSsQqTtAaZz", c) != nullptr) {
                cmd = c;
                ++pos;
            } else if (cmd == 0 || cmd == 'Z' || cmd == 'z' ||
                       !(c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9'))) {
                return; // no command to repeat, or garbage: the path ends here
            } else if (cmd == 'M') {
                cmd = 'L';
            } else if (cmd == 'm') {
                cmd = 'l';
            }
            if (first && cmd != 'M' && cmd != 'm')
                return;
            first = false;
            const bool rel = cmd >= 'a' && cmd <= 'z';
            ox = rel ? cx : 0;
            oy = rel ? cy : 0;
            const char upper = static_cast<char>(rel ? cmd - 'a' + 'A' : cmd);
            if (!Command(upper))
                return;
            prev = upper;
        }
    }

private:
    // One occurrence of the command; false when its numbers are not all there.
    bool Command(char upper)
    {
        double x = 0, y = 0;
        switch (upper) {
        case 'Z':
            Add(PathSegment::Close, 0, 0);
            cx = sx;
            cy = sy;
            return true;
        case 'M':
            if (!Point(x, y))
                return false;
            cx = sx = x;
            cy = sy = y;
            Add(PathSegment::Move, cx, cy);
            return true;
        case 'L':
            if (!Point(x, y))
                return false;
            cx = x;
            cy = y;
            Add(PathSegment::Line, cx, cy);
            return true;
        case 'H':
        case 'V': {
            double v = 0;
            if (!Number(v))
                return false;
            (upper == 'H' ? cx : cy) = v + (upper == 'H' ? ox : oy);
            Add(PathSegment::Line, cx, cy);
            return true;
        }
        case 'C':
        case 'S': return Cubic(upper == 'C');
        case 'Q':
        case 'T': return Quadratic(upper == 'Q');
        case 'A': return Arc();
        default: return false;
        }
    }

    bool Cubic(bool explicitFirst)
    {
        double v[6];
        if (!FirstControl(explicitFirst, 'C', 'S', v[0], v[1]))
            return false;
        for (int i = 2; i < 6; i += 2)
            if (!Point(v[i], v[i + 1]))
                return false;
        path.push_back({PathSegment::Cubic, {v[0], v[1], v[2], v[3], v[4], v[5]}});
        lcx = v[2];
        lcy = v[3];
        cx = v[4];
        cy = v[5];
        return true;
    }

    // A quadratic is written as the cubic with the same curve.
    bool Quadratic(bool explicitControl)
    {
        double qx, qy, x, y;
        if (!FirstControl(explicitControl, 'Q', 'T', qx, qy) || !Point(x, y))
            return false;
        path.push_back({PathSegment::Cubic,
                        {cx + 2.0 / 3 * (qx - cx), cy + 2.0 / 3 * (qy - cy), x + 2.0 / 3 * (qx - x),
                         y + 2.0 / 3 * (qy - y), x, y}});
        lcx = qx;
        lcy = qy;
        cx = x;
        cy = y;
        return true;
    }

    bool Arc()
    {
        double rx, ry, angle, x, y;
        bool large = false, sweep = false;
        if (!Number(rx) || !Number(ry) || !Number(angle) || !Flag(large) || !Flag(sweep) || !Point(x, y))
            return false;
        AppendArc(path, cx, cy, rx, ry, angle, large, sweep, x, y);
        cx = x;
        cy = y;
        return true;
    }

    // The first control point: written, or the reflection of the previous command's
    // last one when that command was of the same family (else the current point).
    bool FirstControl(bool written, char family, char smoothFamily, double& x, double& y)
    {
        if (written)
            return Point(x, y);
        const bool smooth = prev == family || prev == smoothFamily;
        x = smooth ? 2 * cx - lcx : cx;
        y = smooth ? 2 * cy - lcy : cy;
        return true;
    }

    // A coordinate pair, made absolute.
    bool Point(double& x, double& y)
    {
        if (!Number(x) || !Number(y))
            return false;
        x += ox;
        y += oy;
        return true;
    }

    void Add(PathSegment::Kind kind, double x, double y) { path.push_back({kind, {x, y, 0, 0, 0, 0}}); }

    void Skip()
    {
        while (pos < text.size() && (IsSpace(text[pos]) || text[pos] == ','))
            ++pos;
    }

    bool Number(double& v)
    {
        while (pos < text.size() && IsSpace(text[pos]))
            ++pos;
        const size_t n = ReadNumber(text.substr(pos), v);
        if (n == 0 || ++numbers > maxNumbers)
            return false;
        pos += n;
        Skip();
        return true;
    }

    bool Flag(bool& f)
    {
        while (pos < text.size() && IsSpace(text[pos]))
            ++pos;
        if (pos >= text.size() || (text[pos] != '0' && text[pos] != '1'))
            return false;
        f = text[pos] == '1';
        ++pos;
        Skip();
        return true;
    }

    std::string_view text;
    Path& path;
    size_t maxNumbers;
    size_t pos = 0, numbers = 0;
    double cx = 0, cy = 0, sx = 0, sy = 0; // current point, subpath start
    double lcx = 0, lcy = 0;               // last control point
    double ox = 0, oy = 0;                 // origin of the command's coordinates
    char prev = 0;                         // the previous command, upper case
};

} // namespace

void ParsePathData(std::string_view text, Path& path, size_t maxNumbers)
{
    PathDataReader(text, path, maxNumbers).Read();
}

void AppendNumber(std::string& out, double value, int decimals)
{
    if (!std::isfinite(value))
        value = 0;
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) {
        out += '0';
        return;
    }
    char* end = result.ptr;
    if (std::memchr(buffer, '.', static_cast<size_t>(end - buffer))) {
        while (end[-1] == '0')
            --end;
        if (end[-1] == '.')
            --end;
    }
    if (end - buffer == 2 && buffer[0] == '-' && buffer[1] == '0')
        out += '0';
    else
        out.append(buffer, end);
}

} // namespace svg
