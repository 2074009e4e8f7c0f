#pragma once
#include "support/RecordingDC.h"

#include "vdcommon/diagrams/BaseDiagram.h"

#include <wx/xml/xml.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vdtest {

// "diagram" markup nodes with "parameter" children.
struct Param {
    std::string name;
    std::string value;
    std::string extraName = {}; // optional third attribute ("pass" or "unit")
    std::string extraValue = {};
};

inline std::unique_ptr<wxXmlNode> MakeDiagramNode(const std::vector<Param>& params)
{
    auto node = std::make_unique<wxXmlNode>(wxXML_ELEMENT_NODE, "diagram");
    for (const Param& p : params) {
        auto* child = new wxXmlNode(wxXML_ELEMENT_NODE, "parameter");
        child->AddAttribute("name", wxString::FromUTF8(p.name));
        child->AddAttribute("value", wxString::FromUTF8(p.value));
        if (!p.extraName.empty())
            child->AddAttribute(wxString::FromUTF8(p.extraName), wxString::FromUTF8(p.extraValue));
        node->AddChild(child);
    }
    return node;
}

enum class Arrow {
    Left,
    Right,
    Up,
    Down
};

inline std::vector<wxPoint> ArrowPoints(int x, int y, Arrow dir)
{
    switch (dir) {
    case Arrow::Left: return {{x, y}, {x + 5, y - 2}, {x + 5, y + 2}};
    case Arrow::Right: return {{x, y}, {x - 5, y - 2}, {x - 5, y + 2}};
    case Arrow::Up: return {{x, y}, {x - 2, y + 5}, {x + 2, y + 5}};
    case Arrow::Down: break;
    }
    return {{x, y}, {x - 2, y - 5}, {x + 2, y - 5}};
}

inline bool HasArrow(const RecordingDC& dc, int x, int y, Arrow dir)
{
    const DrawCall* call = dc.FindPolygon(ArrowPoints(x, y, dir));
    return call && call->brushColour == *wxBLACK;
}

// What one drawing must and must not contain.
struct Pieces {
    std::vector<std::array<int, 4>> lines = {}; // x1, y1, x2, y2
    std::vector<std::array<int, 4>> noLines = {};
    std::vector<std::pair<wxPoint, Arrow>> arrows = {}; // black heads
    std::vector<std::pair<wxPoint, Arrow>> noArrows = {};
    std::vector<std::array<int, 3>> circles = {}; // x, y, r
    std::vector<std::array<int, 3>> noCircles = {};
    std::vector<std::pair<const char*, wxPoint>> texts = {}; // text at its position
};

inline void ExpectPieces(const RecordingDC& dc, const Pieces& p)
{
    for (const auto& [x1, y1, x2, y2] : p.lines)
        EXPECT_TRUE(dc.FindLine({x1, y1}, {x2, y2})) << "line " << x1 << "," << y1 << " " << x2 << "," << y2;
    for (const auto& [x1, y1, x2, y2] : p.noLines)
        EXPECT_FALSE(dc.FindLine({x1, y1}, {x2, y2})) << "line " << x1 << "," << y1 << " " << x2 << "," << y2;
    for (const auto& [at, dir] : p.arrows)
        EXPECT_TRUE(HasArrow(dc, at.x, at.y, dir)) << "arrow " << at.x << "," << at.y;
    for (const auto& [at, dir] : p.noArrows)
        EXPECT_FALSE(HasArrow(dc, at.x, at.y, dir)) << "arrow " << at.x << "," << at.y;
    for (const auto& [x, y, r] : p.circles)
        EXPECT_TRUE(dc.FindCircle({x, y}, r)) << "circle " << x << "," << y;
    for (const auto& [x, y, r] : p.noCircles)
        EXPECT_FALSE(dc.FindCircle({x, y}, r)) << "circle " << x << "," << y;
    for (const auto& [text, at] : p.texts) {
        const DrawCall* call = dc.FindText(text);
        EXPECT_TRUE(call && call->Points().front() == at) << "text " << text;
    }
}

inline std::unique_ptr<RecordingDC> Render(BaseDiagram& diagram, int width, int height, bool labels)
{
    auto dc = std::make_unique<RecordingDC>(width, height);
    diagram.Draw(*dc, width, height, labels);
    return dc;
}

} // namespace vdtest
