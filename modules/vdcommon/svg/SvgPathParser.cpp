#include "vdcommon/svg/SvgPathParser.h"
#include "pdf/PdfSharedNumbers.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

bool IsDigit(wxStringCharType c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(wxStringCharType c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

SvgPathParser::Text ViewOf(const wxString& text)
{
    return SvgPathParser::Text(text.wx_str(), text.length());
}

// Converts the characters of one number (ASCII digits, sign, ".", exponent) in the C
// locale. `whole` demands that every character belongs to the number. A result that
// is out of range, or an empty/partial text when `whole` is set, fails.
bool ConvertNumber(SvgPathParser::Text chars, bool whole, double& value)
{
    char small[64];
    std::string large;
    char* buffer = small;
    size_t length = 0;
    size_t start = 0;
    if (!chars.empty() && chars[0] == '+')
        start = 1; // from_chars takes no leading plus
    const size_t count = chars.size() - start;
    if (count >= sizeof(small)) {
        large.resize(count);
        buffer = large.data();
    }
    for (size_t i = start; i < chars.size(); ++i) {
        const auto c = chars[i];
        if (c > 127)
            return false;
        buffer[length++] = static_cast<char>(c);
    }
    if (length == 0)
        return false;
    double result = 0.0;
    const auto [end, ec] = std::from_chars(buffer, buffer + length, result, std::chars_format::general);
    if (ec != std::errc() || (whole && end != buffer + length) || !std::isfinite(result))
        return false;
    value = result;
    return true;
}

wxString Trimmed(const wxString& text)
{
    wxString result(text);
    result.Trim(true).Trim(false);
    return result;
}

} // namespace

bool SvgPathParser::IsCommandChar(wxStringCharType c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool SvgPathParser::IsWhitespace(wxStringCharType c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',';
}

void SvgPathParser::SkipWhitespace(Text text, size_t& pos)
{
    while (pos < text.size() && IsWhitespace(text[pos]))
        ++pos;
}

void SvgPathParser::SkipSeparators(Text text, size_t& pos)
{
    SkipWhitespace(text, pos);
}

bool SvgPathParser::ReadNumber(Text text, size_t& pos, double& value)
{
    value = 0.0;
    SkipWhitespace(text, pos);
    const size_t start = pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    bool dot = false;
    bool exponent = false;
    while (pos < text.size()) {
        const auto c = text[pos];
        if (IsDigit(c)) {
            ++pos;
        } else if (c == '.' && !dot && !exponent) {
            dot = true;
            ++pos;
        } else if ((c == 'e' || c == 'E') && !exponent) {
            exponent = true;
            ++pos;
            if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
                ++pos;
        } else {
            break;
        }
    }
    if (pos == start)
        return false;
    double converted = 0.0;
    if (ConvertNumber(text.substr(start, pos - start), true, converted))
        value = converted;
    return true;
}

double SvgPathParser::ParseNumber(Text text, size_t& pos)
{
    double value = 0.0;
    ReadNumber(text, pos, value);
    return value;
}

void SvgPathParser::ParseParameters(Text text, size_t& pos, std::vector<double>& out, int count)
{
    out.clear();
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        out.push_back(ParseNumber(text, pos));
}

int SvgPathParser::ParameterCount(SvgCommandType type)
{
    switch (type) {
    case SvgCommandType::MoveTo:
    case SvgCommandType::MoveToRel:
    case SvgCommandType::LineTo:
    case SvgCommandType::LineToRel:
    case SvgCommandType::SmoothQuadraticCurveTo:
    case SvgCommandType::SmoothQuadraticCurveToRel: return 2;
    case SvgCommandType::HorizontalLineTo:
    case SvgCommandType::HorizontalLineToRel:
    case SvgCommandType::VerticalLineTo:
    case SvgCommandType::VerticalLineToRel: return 1;
    case SvgCommandType::CurveTo:
    case SvgCommandType::CurveToRel: return 6;
    case SvgCommandType::SmoothCurveTo:
    case SvgCommandType::SmoothCurveToRel:
    case SvgCommandType::QuadraticCurveTo:
    case SvgCommandType::QuadraticCurveToRel: return 4;
    case SvgCommandType::ArcTo:
    case SvgCommandType::ArcToRel: return 7;
    case SvgCommandType::ClosePath: return 0;
    }
    return 0;
}

namespace {

// The command a path-data letter stands for; false for letters that are no command.
bool CommandOfLetter(wxStringCharType letter, SvgCommandType& type)
{
    switch (letter) {
    case 'M': type = SvgCommandType::MoveTo; return true;
    case 'm': type = SvgCommandType::MoveToRel; return true;
    case 'L': type = SvgCommandType::LineTo; return true;
    case 'l': type = SvgCommandType::LineToRel; return true;
    case 'H': type = SvgCommandType::HorizontalLineTo; return true;
    case 'h': type = SvgCommandType::HorizontalLineToRel; return true;
    case 'V': type = SvgCommandType::VerticalLineTo; return true;
    case 'v': type = SvgCommandType::VerticalLineToRel; return true;
    case 'C': type = SvgCommandType::CurveTo; return true;
    case 'c': type = SvgCommandType::CurveToRel; return true;
    case 'S': type = SvgCommandType::SmoothCurveTo; return true;
    case 's': type = SvgCommandType::SmoothCurveToRel; return true;
    case 'Q': type = SvgCommandType::QuadraticCurveTo; return true;
    case 'q': type = SvgCommandType::QuadraticCurveToRel; return true;
    case 'T': type = SvgCommandType::SmoothQuadraticCurveTo; return true;
    case 't': type = SvgCommandType::SmoothQuadraticCurveToRel; return true;
    case 'A': type = SvgCommandType::ArcTo; return true;
    case 'a': type = SvgCommandType::ArcToRel; return true;
    case 'Z':
    case 'z': type = SvgCommandType::ClosePath; return true;
    default: return false;
    }
}

} // namespace

std::vector<SvgPathCommand> SvgPathParser::ParsePathData(const wxString& pathData) const
{
    std::vector<SvgPathCommand> commands;
    const Text text = ViewOf(pathData);
    size_t pos = 0;

    // Appends groups of `type` for as long as numbers follow. A group that consumes
    // nothing (a character that can start no number, such as "#") ends the path,
    // which also guarantees that parsing always terminates.
    auto repeatGroups = [&](SvgCommandType type) -> bool {
        const int count = ParameterCount(type);
        for (;;) {
            SkipWhitespace(text, pos);
            if (pos >= text.size() || IsCommandChar(text[pos]))
                return true;
            const size_t before = pos;
            SvgPathCommand command{type, {}};
            ParseParameters(text, pos, command.params, count);
            if (pos == before)
                return false;
            commands.push_back(std::move(command));
        }
    };

    for (;;) {
        SkipWhitespace(text, pos);
        if (pos >= text.size())
            break;
        const auto c = text[pos];
        if (IsCommandChar(c)) {
            ++pos;
            SvgCommandType type{};
            if (!CommandOfLetter(c, type))
                continue;
            if (type == SvgCommandType::MoveTo || type == SvgCommandType::MoveToRel) {
                SvgPathCommand command{type, {}};
                ParseParameters(text, pos, command.params, 2);
                commands.push_back(std::move(command));
            } else if (type == SvgCommandType::ClosePath) {
                commands.push_back(SvgPathCommand{type, {}});
            } else if (!repeatGroups(type)) {
                break;
            }
            continue;
        }
        // Numbers where a letter is expected: implicit line-tos after a move-to.
        if (commands.empty())
            break;
        const SvgCommandType last = commands.back().type;
        if (last == SvgCommandType::MoveTo) {
            if (!repeatGroups(SvgCommandType::LineTo))
                break;
        } else if (last == SvgCommandType::MoveToRel) {
            if (!repeatGroups(SvgCommandType::LineToRel))
                break;
        } else {
            break;
        }
    }
    return commands;
}

namespace {

// Where a command's coordinate pairs are: the first one that moves with the current
// point and the end point (the last pair); false for H, V and Z. `absolute` is the
// command's absolute twin.
bool PairLayout(SvgCommandType type, SvgCommandType& absolute, size_t& first, size_t& end)
{
    using T = SvgCommandType;
    struct Layout {
        T relative, absolute;
        size_t first, end;
    };
    static constexpr Layout kLayouts[] = {
        {T::MoveToRel, T::MoveTo, 0, 0},
        {T::LineToRel, T::LineTo, 0, 0},
        {T::SmoothQuadraticCurveToRel, T::SmoothQuadraticCurveTo, 0, 0},
        {T::CurveToRel, T::CurveTo, 0, 4},
        {T::SmoothCurveToRel, T::SmoothCurveTo, 0, 2},
        {T::QuadraticCurveToRel, T::QuadraticCurveTo, 0, 2},
        {T::ArcToRel, T::ArcTo, 5, 5},
    };
    for (const Layout& l : kLayouts) {
        if (type == l.relative || type == l.absolute) {
            absolute = l.absolute;
            first = l.first;
            end = l.end;
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<SvgPathCommand> SvgPathParser::ConvertToAbsolute(const std::vector<SvgPathCommand>& commands) const
{
    std::vector<SvgPathCommand> result;
    result.reserve(commands.size());
    double cx = 0.0, cy = 0.0;
    double startX = 0.0, startY = 0.0;

    for (const SvgPathCommand& in : commands) {
        SvgPathCommand out = in;
        std::vector<double>& p = out.params;
        const size_t n = p.size();
        // A command without all its values moves only what it has.
        SvgCommandType absolute{};
        size_t first = 0, end = 0;
        if (PairLayout(in.type, absolute, first, end)) {
            if (in.type != absolute) {
                out.type = absolute;
                for (size_t i = first; i <= end; i += 2) {
                    if (i + 1 < n) {
                        p[i] += cx;
                        p[i + 1] += cy;
                    }
                }
            }
            if (end + 1 < n) {
                cx = p[end];
                cy = p[end + 1];
            }
            if (absolute == SvgCommandType::MoveTo) {
                startX = cx;
                startY = cy;
            }
        } else if (in.type == SvgCommandType::ClosePath) {
            cx = startX;
            cy = startY;
        } else {
            const bool horizontal =
                in.type == SvgCommandType::HorizontalLineTo || in.type == SvgCommandType::HorizontalLineToRel;
            double& along = horizontal ? cx : cy;
            if (in.type == SvgCommandType::HorizontalLineToRel || in.type == SvgCommandType::VerticalLineToRel) {
                out.type = horizontal ? SvgCommandType::HorizontalLineTo : SvgCommandType::VerticalLineTo;
                if (n >= 1)
                    p[0] += along;
            }
            if (n >= 1)
                along = p[0];
        }
        result.push_back(std::move(out));
    }
    return result;
}

double SvgPathParser::LeadingNumber(const wxString& text)
{
    const Text view = ViewOf(text);
    size_t pos = 0;
    while (pos < view.size() && IsBlank(view[pos]))
        ++pos;
    const size_t length = vdpdf::DecimalNumberLength(view, pos);
    double value = 0.0;
    if (length > 0 && ConvertNumber(view.substr(pos, length), true, value))
        return value;
    return 0.0;
}

bool SvgPathParser::ToNumber(const wxString& text, double& value)
{
    const Text view = ViewOf(text);
    size_t pos = 0;
    while (pos < view.size() && IsBlank(view[pos]))
        ++pos;
    size_t end = view.size();
    while (end > pos && IsBlank(view[end - 1]))
        --end;
    const size_t length = vdpdf::DecimalNumberLength(view, pos);
    if (length == 0 || pos + length != end)
        return false;
    return ConvertNumber(view.substr(pos, length), true, value);
}

SvgStyle SvgPathParser::ParseStyle(const wxString& declarations) const
{
    SvgStyle style;
    if (declarations.empty())
        return style;

    size_t start = 0;
    const size_t length = declarations.length();
    while (start <= length) {
        size_t end = declarations.find(';', start);
        if (end == wxString::npos)
            end = length;
        const wxString piece = Trimmed(declarations.substr(start, end - start));
        start = end + 1;

        const size_t colon = piece.find(':');
        if (colon == wxString::npos)
            continue;
        const wxString name = Trimmed(piece.substr(0, colon));
        const wxString value = Trimmed(piece.substr(colon + 1));

        if (name == wxS("fill")) {
            style.fill = value;
        } else if (name == wxS("stroke")) {
            style.stroke = value;
        } else if (name == wxS("fill-rule")) {
            style.fillRule = value;
        } else if (name == wxS("stroke-width")) {
            style.strokeWidth = LeadingNumber(value);
        } else if (name == wxS("fill-opacity")) {
            style.fillOpacity = LeadingNumber(value);
        } else if (name == wxS("stroke-opacity")) {
            style.strokeOpacity = LeadingNumber(value);
        } else if (name == wxS("stroke-dasharray")) {
            if (value.empty() || value == wxS("none"))
                continue;
            style.strokeDashArray.clear();
            size_t from = 0;
            while (from <= value.length()) {
                size_t comma = value.find(',', from);
                if (comma == wxString::npos)
                    comma = value.length();
                style.strokeDashArray.push_back(LeadingNumber(Trimmed(value.substr(from, comma - from))));
                from = comma + 1;
            }
        }
    }
    return style;
}

SvgViewBox SvgPathParser::ParseViewBox(const wxString& viewBox) const
{
    SvgViewBox box;
    if (viewBox.empty())
        return box;
    const Text text = ViewOf(viewBox);
    size_t pos = 0;
    std::vector<double> values;
    ParseParameters(text, pos, values, 4);
    box.minX = values[0];
    box.minY = values[1];
    box.width = values[2];
    box.height = values[3];
    box.valid = true;
    return box;
}
