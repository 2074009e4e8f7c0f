// Path data, style declarations and view boxes.
#include <gtest/gtest.h>

#include "vdcommon/svg/SvgPathParser.h"

#include <chrono>
#include <clocale>
#include <string>

namespace {

using T = SvgCommandType;

struct Expected {
    T type;
    std::vector<double> params;
};

void ExpectCommands(const std::vector<SvgPathCommand>& actual, const std::vector<Expected>& expected, const char* what)
{
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].type, expected[i].type) << what << " #" << i;
        ASSERT_EQ(actual[i].params.size(), expected[i].params.size()) << what << " #" << i;
        for (size_t j = 0; j < expected[i].params.size(); ++j)
            EXPECT_DOUBLE_EQ(actual[i].params[j], expected[i].params[j]) << what << " #" << i << "." << j;
    }
}

std::vector<SvgPathCommand> Parse(const char* d)
{
    return SvgPathParser().ParsePathData(wxString::FromUTF8(d));
}

std::vector<SvgPathCommand> Absolute(const char* d)
{
    SvgPathParser parser;
    return parser.ConvertToAbsolute(parser.ParsePathData(wxString::FromUTF8(d)));
}

} // namespace

TEST(SvgPathParser, CommandsAndImplicitRepeats)
{
    ExpectCommands(Parse("M10 20 30 40 50 60"), {{T::MoveTo, {10, 20}}, {T::LineTo, {30, 40}}, {T::LineTo, {50, 60}}},
                   "implicit L");
    ExpectCommands(Parse("m1 2 3 4"), {{T::MoveToRel, {1, 2}}, {T::LineToRel, {3, 4}}}, "implicit l");
    ExpectCommands(Parse("M"), {{T::MoveTo, {0, 0}}}, "bare M");
    ExpectCommands(Parse("L"), {}, "bare L");
    ExpectCommands(Parse("M0 0 L"), {{T::MoveTo, {0, 0}}}, "L without numbers");
    ExpectCommands(Parse("M0 0 Z 5 5 L 1 1"), {{T::MoveTo, {0, 0}}, {T::ClosePath, {}}}, "numbers after Z");
    ExpectCommands(Parse("M0 0 L1"), {{T::MoveTo, {0, 0}}, {T::LineTo, {1, 0}}}, "short group");
    ExpectCommands(Parse("M0 0 B R 1 1"), {{T::MoveTo, {0, 0}}, {T::LineTo, {1, 1}}}, "unknown letters skipped");
    ExpectCommands(Parse(""), {}, "empty");

    // Every command letter with its parameter count.
    ExpectCommands(Parse("M0 0 H5 h1 V2 v3 C1 2 3 4 5 6 c1 2 3 4 5 6 S1 2 3 4 s1 2 3 4 "
                         "Q1 2 3 4 q1 2 3 4 T1 2 t1 2 A1 2 3 0 1 4 5 a1 2 3 1 0 4 5"),
                   {{T::MoveTo, {0, 0}},
                    {T::HorizontalLineTo, {5}},
                    {T::HorizontalLineToRel, {1}},
                    {T::VerticalLineTo, {2}},
                    {T::VerticalLineToRel, {3}},
                    {T::CurveTo, {1, 2, 3, 4, 5, 6}},
                    {T::CurveToRel, {1, 2, 3, 4, 5, 6}},
                    {T::SmoothCurveTo, {1, 2, 3, 4}},
                    {T::SmoothCurveToRel, {1, 2, 3, 4}},
                    {T::QuadraticCurveTo, {1, 2, 3, 4}},
                    {T::QuadraticCurveToRel, {1, 2, 3, 4}},
                    {T::SmoothQuadraticCurveTo, {1, 2}},
                    {T::SmoothQuadraticCurveToRel, {1, 2}},
                    {T::ArcTo, {1, 2, 3, 0, 1, 4, 5}},
                    {T::ArcToRel, {1, 2, 3, 1, 0, 4, 5}}},
                   "all letters");
}

TEST(SvgPathParser, Numbers)
{
    ExpectCommands(Parse("M1e3 -.5 +2E-1 1.5.3"),
                   {{T::MoveTo, {1000, -0.5}}, {T::LineTo, {0.2, 1.5}}, {T::LineTo, {0.3, 0}}}, "forms");
    ExpectCommands(Parse("M10,,20"), {{T::MoveTo, {10, 20}}}, "double comma");
    ExpectCommands(Parse("M10-5"), {{T::MoveTo, {10, -5}}}, "minus ends a number");
    // A compact arc: the flags and the coordinate run together into one number.
    ExpectCommands(Parse("M0 0 A5 5 0 0110 10"), {{T::MoveTo, {0, 0}}, {T::ArcTo, {5, 5, 0, 110, 10, 0, 0}}},
                   "compact flags");
    // Out of range and malformed numbers read as 0; text after them is still read.
    ExpectCommands(Parse("M1e999 2 L - 3"), {{T::MoveTo, {0, 2}}, {T::LineTo, {0, 3}}}, "bad numbers");
}

TEST(SvgPathParser, NumbersIgnoreTheProcessLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE"))
        GTEST_SKIP() << "no German locale installed";
    SvgPathParser parser;
    const auto commands = parser.ParsePathData(wxS("M1.5 2.25"));
    const SvgStyle style = parser.ParseStyle(wxS("stroke-width:1.5"));
    std::setlocale(LC_NUMERIC, saved.c_str());
    ExpectCommands(commands, {{T::MoveTo, {1.5, 2.25}}}, "German locale");
    EXPECT_DOUBLE_EQ(style.strokeWidth, 1.5);
}

TEST(SvgPathParser, HostileInputTerminates)
{
    // Characters that can start no number end the path instead of looping.
    ExpectCommands(Parse("M0 0 L 1 # 2"), {{T::MoveTo, {0, 0}}, {T::LineTo, {1, 0}}}, "hash");
    ExpectCommands(Parse("M0 0 (1 2)"), {{T::MoveTo, {0, 0}}}, "parenthesis");
    ExpectCommands(Parse("M0 0 \xC3\xA9 1"), {{T::MoveTo, {0, 0}}}, "non-ASCII");
    EXPECT_TRUE(Parse("nan inf").empty());

    // Megabytes of path data parse in linear time.
    std::string big = "M0 0";
    for (int i = 0; i < 200000; ++i)
        big += " L" + std::to_string(i % 1000) + " " + std::to_string(i % 7);
    const auto start = std::chrono::steady_clock::now();
    const auto commands = Parse(big.c_str());
    EXPECT_EQ(commands.size(), 200001u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

    std::string digits(100000, '9');
    ExpectCommands(Parse(("M" + digits + " 1").c_str()), {{T::MoveTo, {0, 1}}}, "huge number");
}

TEST(SvgPathParser, ConvertToAbsolute)
{
    ExpectCommands(Absolute("m 10 10 l 5 0 z l 0 5"),
                   {{T::MoveTo, {10, 10}}, {T::LineTo, {15, 10}}, {T::ClosePath, {}}, {T::LineTo, {10, 15}}},
                   "close returns to start");
    const auto twoSubpaths = Absolute("M 0 0 L 5 0 Z M 10 10 l 5 0 z l 0 5");
    ASSERT_EQ(twoSubpaths.size(), 7u);
    ExpectCommands({twoSubpaths.back()}, {{T::LineTo, {10, 15}}}, "second subpath start");
    ExpectCommands(
        Absolute("M 0 0 h 10 v 10 H 0"),
        {{T::MoveTo, {0, 0}}, {T::HorizontalLineTo, {10}}, {T::VerticalLineTo, {10}}, {T::HorizontalLineTo, {0}}},
        "h and v");
    ExpectCommands(Absolute("M 1 1 a 5 5 0 0 1 10 0"), {{T::MoveTo, {1, 1}}, {T::ArcTo, {5, 5, 0, 0, 1, 11, 1}}},
                   "arc shifts only its end");
    ExpectCommands(Absolute("M 1 2 c 1 1 2 2 3 3 s 1 1 2 2 q 1 0 2 0 t 1 1"),
                   {{T::MoveTo, {1, 2}},
                    {T::CurveTo, {2, 3, 3, 4, 4, 5}},
                    {T::SmoothCurveTo, {5, 6, 6, 7}},
                    {T::QuadraticCurveTo, {7, 7, 8, 7}},
                    {T::SmoothQuadraticCurveTo, {9, 8}}},
                   "curves");
    ExpectCommands(Absolute("m 1 1 2 2"), {{T::MoveTo, {1, 1}}, {T::LineTo, {3, 3}}}, "implicit relative");

    // Hand-made commands with too few numbers are copied without reading past them.
    SvgPathParser parser;
    const auto shortOnes = parser.ConvertToAbsolute({{T::CurveToRel, {1}}, {T::ArcToRel, {}}});
    ASSERT_EQ(shortOnes.size(), 2u);
    EXPECT_EQ(shortOnes[0].type, T::CurveTo);
    EXPECT_EQ(shortOnes[1].params.size(), 0u);
}

TEST(SvgPathParser, Style)
{
    SvgPathParser parser;
    SvgStyle s = parser.ParseStyle(wxS("fill:red; stroke : blue ;stroke-width:2;foo:bar"));
    EXPECT_EQ(s.fill, wxS("red"));
    EXPECT_EQ(s.stroke, wxS("blue"));
    EXPECT_DOUBLE_EQ(s.strokeWidth, 2);

    EXPECT_EQ(parser.ParseStyle(wxS("stroke-dasharray: 4 , 2.5 ")).strokeDashArray, (std::vector<double>{4, 2.5}));
    EXPECT_TRUE(parser.ParseStyle(wxS("stroke-dasharray:none")).strokeDashArray.empty());
    EXPECT_TRUE(parser.ParseStyle(wxS("Fill:red")).fill.empty());

    s = parser.ParseStyle(wxS("fill:url(#g1);fill:#00ff00;fill-rule:evenodd;fill-opacity:0.25;"
                              "stroke-opacity:.5;stroke-width:3px;noise;;"));
    EXPECT_EQ(s.fill, wxS("#00ff00"));
    EXPECT_EQ(s.fillRule, wxS("evenodd"));
    EXPECT_DOUBLE_EQ(s.fillOpacity, 0.25);
    EXPECT_DOUBLE_EQ(s.strokeOpacity, 0.5);
    EXPECT_DOUBLE_EQ(s.strokeWidth, 3); // the unit after the number is ignored
    EXPECT_EQ(parser.ParseStyle(wxS("fill:url(#a:b)")).fill, wxS("url(#a:b)"));
    EXPECT_DOUBLE_EQ(parser.ParseStyle(wxS("stroke-width:1e999")).strokeWidth, 0.0);
    EXPECT_DOUBLE_EQ(parser.ParseStyle(wxS("stroke-width:nan")).strokeWidth, 0.0);
}

TEST(SvgPathParser, ViewBox)
{
    SvgPathParser parser;
    EXPECT_FALSE(parser.ParseViewBox(wxEmptyString).valid);
    const auto box = [&](const char* text) {
        const SvgViewBox b = parser.ParseViewBox(wxString::FromUTF8(text));
        return std::vector<double>{double(b.valid), b.minX, b.minY, b.width, b.height};
    };
    EXPECT_EQ(box("0 0 100 50"), (std::vector<double>{1, 0, 0, 100, 50}));
    EXPECT_EQ(box("-10,5.5,20,30"), (std::vector<double>{1, -10, 5.5, 20, 30}));
    EXPECT_EQ(box("0 0"), (std::vector<double>{1, 0, 0, 0, 0})); // missing numbers read as 0
}

TEST(SvgPathParser, StrictAndLeadingNumbers)
{
    double v = -1;
    EXPECT_TRUE(SvgPathParser::ToNumber(wxS(" 12.5 "), v));
    EXPECT_DOUBLE_EQ(v, 12.5);
    EXPECT_TRUE(SvgPathParser::ToNumber(wxS("+.5e1"), v));
    EXPECT_DOUBLE_EQ(v, 5);
    for (const char* bad : {"", "12px", "nan", "inf", "1e999", "0x10", "1,5", "-"})
        EXPECT_FALSE(SvgPathParser::ToNumber(wxString::FromUTF8(bad), v)) << bad;
    EXPECT_DOUBLE_EQ(SvgPathParser::LeadingNumber(wxS("12px")), 12);
    EXPECT_DOUBLE_EQ(SvgPathParser::LeadingNumber(wxS("2em")), 2);
    EXPECT_DOUBLE_EQ(SvgPathParser::LeadingNumber(wxS("abc")), 0);
    EXPECT_DOUBLE_EQ(SvgPathParser::LeadingNumber(wxS("-1e999")), 0);
}
