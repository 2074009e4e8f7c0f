#pragma once
// A device context that draws nothing and records every call made on it, with its
// arguments and the pen and brush selected at the time, so tests can check drawing
// code's exact geometry. Text extents are deterministic: each character is
// charWidth x charHeight units.
#include <wx/brush.h>
#include <wx/dc.h>
#include <wx/font.h>
#include <wx/pen.h>

#include <string>
#include <vector>

namespace vdtest {

struct DrawCall {
    std::string op;        // "line", "polygon", "lines", "ellipse", "rectangle", "text", ...
    std::vector<int> args; // coordinates in call order (points flattened x, y)
    wxString text;         // text of "text"/"rotated_text"
    double angle = 0;      // "rotated_text", "elliptic_arc"
    wxColour penColour;
    int penWidth = 0;
    wxPenStyle penStyle = wxPENSTYLE_INVALID;
    wxPenCap penCap = wxCAP_INVALID;
    wxPenJoin penJoin = wxJOIN_INVALID;
    bool penOk = false;
    wxColour brushColour;
    wxBrushStyle brushStyle = wxBRUSHSTYLE_INVALID;
    bool brushOk = false;
    int fontPoints = 0;

    std::vector<wxPoint> Points() const;
    std::string ToString() const;
};

class RecordingDC : public wxDC
{
public:
    explicit RecordingDC(int width = 1000, int height = 1000, int charWidth = 5, int charHeight = 10);

    const std::vector<DrawCall>& Calls() const;
    void ClearCalls();

    // Calls of one kind, in order.
    std::vector<DrawCall> Calls(const std::string& op) const;
    size_t Count(const std::string& op) const;

    // The line from a to b (in this direction), or null.
    const DrawCall* FindLine(wxPoint a, wxPoint b) const;
    // The line between a and b in either direction, or null.
    const DrawCall* FindSegment(wxPoint a, wxPoint b) const;
    // The polygon with exactly these vertices in this order, or null.
    const DrawCall* FindPolygon(const std::vector<wxPoint>& points) const;
    // The first text call drawing exactly this text, or null.
    const DrawCall* FindText(const wxString& text) const;
    // The circle (ellipse with equal sides) centred at c with radius r, or null.
    const DrawCall* FindCircle(wxPoint c, int r) const;

    std::string Dump() const;
};

} // namespace vdtest
