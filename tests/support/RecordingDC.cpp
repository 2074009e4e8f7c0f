#include "support/RecordingDC.h"

#include <fmt/format.h>

#include <wx/bitmap.h>
#include <wx/icon.h>

#include <algorithm>

namespace vdtest {

namespace {

class RecordingDCImpl : public wxDCImpl
{
public:
    RecordingDCImpl(wxDC* owner, int w, int h) : wxDCImpl(owner), width(w), height(h)
    {
        m_ok = true;
        m_pen = *wxBLACK_PEN;
        m_brush = *wxWHITE_BRUSH;
    }

    std::vector<DrawCall> calls;

    bool CanDrawBitmap() const override { return true; }
    bool CanGetTextExtent() const override { return true; }
    void DoGetSize(int* w, int* h) const override
    {
        if (w)
            *w = width;
        if (h)
            *h = height;
    }
    void DoGetSizeMM(int* w, int* h) const override { DoGetSize(w, h); }
    int GetDepth() const override { return 24; }
    wxSize GetPPI() const override { return wxSize(72, 72); }

    void SetFont(const wxFont& font) override { m_font = font; }
    void SetPen(const wxPen& pen) override { m_pen = pen; }
    void SetBrush(const wxBrush& brush) override { m_brush = brush; }
    void SetBackground(const wxBrush& brush) override { m_backgroundBrush = brush; }
    void SetBackgroundMode(int mode) override { m_backgroundMode = mode; }
    void SetPalette(const wxPalette&) override {}
    void SetLogicalFunction(wxRasterOperationMode function) override { m_logicalFunction = function; }

    wxCoord GetCharHeight() const override { return 10; }
    wxCoord GetCharWidth() const override { return 5; }
    void DoGetTextExtent(const wxString& string, wxCoord* x, wxCoord* y, wxCoord* descent, wxCoord* externalLeading,
                         const wxFont*) const override
    {
        if (x)
            *x = 5 * static_cast<wxCoord>(string.length());
        if (y)
            *y = 10;
        if (descent)
            *descent = 2;
        if (externalLeading)
            *externalLeading = 0;
    }

    void Clear() override { Record("clear", {}); }
    void DoSetClippingRegion(wxCoord x, wxCoord y, wxCoord w, wxCoord h) override
    {
        wxDCImpl::DoSetClippingRegion(x, y, w, h);
    }
    void DoSetDeviceClippingRegion(const wxRegion&) override {}
    bool DoFloodFill(wxCoord x, wxCoord y, const wxColour&, wxFloodFillStyle) override
    {
        Record("flood_fill", {x, y});
        return true;
    }
    bool DoGetPixel(wxCoord, wxCoord, wxColour* col) const override
    {
        if (col)
            *col = *wxWHITE;
        return true;
    }

    void DoDrawPoint(wxCoord x, wxCoord y) override { Record("point", {x, y}); }
    void DoDrawLine(wxCoord x1, wxCoord y1, wxCoord x2, wxCoord y2) override { Record("line", {x1, y1, x2, y2}); }
    void DoDrawArc(wxCoord x1, wxCoord y1, wxCoord x2, wxCoord y2, wxCoord xc, wxCoord yc) override
    {
        Record("arc", {x1, y1, x2, y2, xc, yc});
    }
    void DoDrawEllipticArc(wxCoord x, wxCoord y, wxCoord w, wxCoord h, double, double) override
    {
        Record("elliptic_arc", {x, y, w, h});
    }
    void DoDrawRectangle(wxCoord x, wxCoord y, wxCoord w, wxCoord h) override { Record("rectangle", {x, y, w, h}); }
    void DoDrawRoundedRectangle(wxCoord x, wxCoord y, wxCoord w, wxCoord h, double) override
    {
        Record("rounded_rectangle", {x, y, w, h});
    }
    void DoDrawEllipse(wxCoord x, wxCoord y, wxCoord w, wxCoord h) override { Record("ellipse", {x, y, w, h}); }
    void DoCrossHair(wxCoord x, wxCoord y) override { Record("cross_hair", {x, y}); }
    void DoDrawIcon(const wxIcon&, wxCoord x, wxCoord y) override { Record("icon", {x, y}); }
    void DoDrawBitmap(const wxBitmap&, wxCoord x, wxCoord y, bool) override { Record("bitmap", {x, y}); }
    void DoDrawText(const wxString& text, wxCoord x, wxCoord y) override { Record("text", {x, y}).text = text; }
    void DoDrawRotatedText(const wxString& text, wxCoord x, wxCoord y, double) override
    {
        Record("rotated_text", {x, y}).text = text;
    }
    bool DoBlit(wxCoord xdest, wxCoord ydest, wxCoord w, wxCoord h, wxDC*, wxCoord, wxCoord, wxRasterOperationMode,
                bool, wxCoord, wxCoord) override
    {
        Record("blit", {xdest, ydest, w, h});
        return true;
    }
    void DoDrawLines(int n, const wxPoint points[], wxCoord xoffset, wxCoord yoffset) override
    {
        Record("lines", Flatten(n, points, xoffset, yoffset));
    }
    void DoDrawPolygon(int n, const wxPoint points[], wxCoord xoffset, wxCoord yoffset, wxPolygonFillMode) override
    {
        Record("polygon", Flatten(n, points, xoffset, yoffset));
    }

private:
    static std::vector<int> Flatten(int n, const wxPoint points[], wxCoord dx, wxCoord dy)
    {
        std::vector<int> args;
        for (int i = 0; i < n; ++i) {
            args.push_back(points[i].x + dx);
            args.push_back(points[i].y + dy);
        }
        return args;
    }

    DrawCall& Record(const char* op, std::vector<int> args)
    {
        DrawCall call;
        call.op = op;
        call.args = std::move(args);
        if (m_pen.IsOk()) {
            call.penColour = m_pen.GetColour();
            call.penStyle = m_pen.GetStyle();
        }
        if (m_brush.IsOk())
            call.brushColour = m_brush.GetColour();
        calls.push_back(std::move(call));
        return calls.back();
    }

    int width;
    int height;
};

} // namespace

std::vector<wxPoint> DrawCall::Points() const
{
    std::vector<wxPoint> points;
    for (size_t i = 0; i + 1 < args.size(); i += 2)
        points.emplace_back(args[i], args[i + 1]);
    return points;
}

std::string DrawCall::ToString() const
{
    std::string s = op + "(";
    for (size_t i = 0; i < args.size(); ++i)
        s += (i ? ", " : "") + std::to_string(args[i]);
    return fmt::format("{}) \"{}\" pen={} brush={}", s, text.utf8_string(),
                       penColour.GetAsString(wxC2S_HTML_SYNTAX).utf8_string(),
                       brushColour.GetAsString(wxC2S_HTML_SYNTAX).utf8_string());
}

RecordingDC::RecordingDC(int width, int height) : wxDC(new RecordingDCImpl(this, width, height)) {}

const std::vector<DrawCall>& RecordingDC::Calls() const
{
    return static_cast<const RecordingDCImpl*>(GetImpl())->calls;
}

std::vector<DrawCall> RecordingDC::Calls(const std::string& op) const
{
    std::vector<DrawCall> result;
    for (const DrawCall& call : Calls())
        if (call.op == op)
            result.push_back(call);
    return result;
}

size_t RecordingDC::Count(const std::string& op) const
{
    const auto& all = Calls();
    return static_cast<size_t>(std::count_if(all.begin(), all.end(), [&](const DrawCall& c) { return c.op == op; }));
}

const DrawCall* RecordingDC::FindLine(wxPoint a, wxPoint b) const
{
    for (const DrawCall& call : Calls())
        if (call.op == "line" && call.args == std::vector<int>{a.x, a.y, b.x, b.y})
            return &call;
    return nullptr;
}

const DrawCall* RecordingDC::FindPolygon(const std::vector<wxPoint>& points) const
{
    for (const DrawCall& call : Calls())
        if (call.op == "polygon" && call.Points() == points)
            return &call;
    return nullptr;
}

const DrawCall* RecordingDC::FindText(const wxString& text) const
{
    for (const DrawCall& call : Calls())
        if ((call.op == "text" || call.op == "rotated_text") && call.text == text)
            return &call;
    return nullptr;
}

const DrawCall* RecordingDC::FindCircle(wxPoint c, int r) const
{
    for (const DrawCall& call : Calls())
        if (call.op == "ellipse" && call.args == std::vector<int>{c.x - r, c.y - r, 2 * r, 2 * r})
            return &call;
    return nullptr;
}

} // namespace vdtest
