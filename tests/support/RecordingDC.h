#pragma once
// A device context that draws nothing and records every drawing call made on it, with
// its arguments and the pen and brush selected at the time, so tests can check drawing
// code's exact geometry. Text extents are deterministic: each character is 5 x 10 units.
#include <wx/dc.h>

#include <string>
#include <vector>

namespace vdtest {

struct DrawCall {
    std::string op;        // "line", "polygon", "lines", "ellipse", "rectangle", "text", ...
    std::vector<int> args; // coordinates in call order (points flattened x, y)
    wxString text;         // text of "text"/"rotated_text"
    wxColour penColour;
    wxPenStyle penStyle = wxPENSTYLE_INVALID;
    wxColour brushColour;

    std::vector<wxPoint> Points() const;
    std::string ToString() const;
};

class RecordingDC : public wxDC
{
public:
    explicit RecordingDC(int width = 1000, int height = 1000);

    const std::vector<DrawCall>& Calls() const;
    // Calls of one kind, in order.
    std::vector<DrawCall> Calls(const std::string& op) const;
    size_t Count(const std::string& op) const;

    // The line from a to b (in this direction), or null.
    const DrawCall* FindLine(wxPoint a, wxPoint b) const;
    // The polygon with exactly these vertices in this order, or null.
    const DrawCall* FindPolygon(const std::vector<wxPoint>& points) const;
    // The first text call drawing exactly this text, or null.
    const DrawCall* FindText(const wxString& text) const;
    // The circle (ellipse with equal sides) centred at c with radius r, or null.
    const DrawCall* FindCircle(wxPoint c, int r) const;
};

} // namespace vdtest
