#pragma once
#include "support/RecordingDC.h"

#include "vdcommon/diagrams/BaseDiagram.h"

#include <memory>

namespace vdtest {

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

inline bool HasLine(const RecordingDC& dc, int x1, int y1, int x2, int y2)
{
    return dc.FindLine({x1, y1}, {x2, y2}) != nullptr;
}

inline std::unique_ptr<RecordingDC> Render(BaseDiagram& diagram, int width, int height, bool labels)
{
    auto dc = std::make_unique<RecordingDC>(width, height);
    diagram.Draw(*dc, width, height, labels);
    return dc;
}

} // namespace vdtest
