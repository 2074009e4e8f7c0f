#include "vdcommon/diagrams/BaseDiagram.h"

#include <wx/brush.h>
#include <wx/font.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

BaseDiagram::~BaseDiagram() = default;

void BaseDiagram::Draw(wxDC& dc, int w, int h, bool showLabels)
{
    DoDraw(dc, w, h, showLabels);
}

void BaseDiagram::DrawArrowLeftRight(wxDC& dc, int x, int y, bool pointsLeft)
{
    const int d = pointsLeft ? 5 : -5;
    const wxPoint points[] = {{x, y}, {x + d, y - 2}, {x + d, y + 2}};
    const wxBrush previous = dc.GetBrush();
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.DrawPolygon(3, points);
    dc.SetBrush(previous);
}

void BaseDiagram::DrawArrowUpDown(wxDC& dc, int x, int y, bool pointsUp)
{
    const int d = pointsUp ? 5 : -5;
    const wxPoint points[] = {{x, y}, {x - 2, y + d}, {x + 2, y + d}};
    const wxBrush previous = dc.GetBrush();
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.DrawPolygon(3, points);
    dc.SetBrush(previous);
}

namespace diagramDetail {

int ClampCoordinate(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, -MaxCoordinate, MaxCoordinate));
}

int ParseLeadingInt(const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    const long long value = std::strtoll(utf8.data(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

bool ParseWholeInt(const wxString& text, int& value)
{
    long parsed = 0;
    if (!text.ToLong(&parsed, 10) || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

void ClearCanvas(wxDC& dc, int fontSize)
{
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    dc.SetFont(wxFont(std::clamp(fontSize, 1, 1000), wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false,
                      wxEmptyString, wxFONTENCODING_DEFAULT));
}

void DrawMembraneBlock(wxDC& dc, int x, int top, int width, int height)
{
    const wxPoint upper[] = {{x, top}, {x + width, top}, {x + width, top + height}};
    dc.SetBrush(*wxCYAN_BRUSH);
    dc.DrawPolygon(3, upper);
    const wxPoint lower[] = {{x, top}, {x, top + height}, {x + width, top + height}};
    dc.SetBrush(*wxBLUE_BRUSH);
    dc.DrawPolygon(3, lower);
}

} // namespace diagramDetail
