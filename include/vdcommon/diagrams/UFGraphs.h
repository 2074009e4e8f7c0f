#pragma once
#include "vdcommon/Export.h"
// Ultrafiltration flow pictures drawn onto a caller's wxGraphicsContext: one membrane
// module, the feed from the left, the treated-water tank at the top right and, in the
// overviews, drain, air scour and cleaning-chemical tanks. All geometry lives in a
// logical 640 x 360 frame scaled uniformly to the requested size. Each graph draws once,
// in its constructor, over whatever the context already holds.
#include <wx/gdicmn.h>
#include <wx/graphics.h>
#include <wx/string.h>

#include <memory>

namespace uf {

struct GraphLayout;

// The shared part of the family: the layout record and the size questions.
class VDCOMMON_API Graph
{
public:
    Graph(Graph&&) noexcept;
    Graph& operator=(Graph&&) noexcept;
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;
    ~Graph();

    // 640 x 360 times the scale, rounded; 0 for a scale that is not a finite number.
    int GetWidth() const;
    int GetHeight() const;
    wxSize GetSize() const;
    double GetScale() const;

    // Changes the scale for later size questions; nothing is redrawn.
    void SetSize(int width, int height);
    void SetSize(const wxSize& size);

protected:
    Graph(wxGraphicsContext* context, double width, double height);
    GraphLayout& Layout() { return *layout; }

private:
    std::unique_ptr<GraphLayout> layout;
};

class VDCOMMON_API DesignGraph : public Graph
{
public:
    DesignGraph(wxGraphicsContext* context, double width, double height, const wxString& feedText);
};

class VDCOMMON_API BackwashGraph : public Graph
{
public:
    // The first text is kept for the interface's sake and not drawn.
    BackwashGraph(wxGraphicsContext* context, double width, double height, const wxString& firstText,
                  const wxString& tankText);
};

class VDCOMMON_API OverviewGraph : public Graph
{
public:
    // t1 feed, t2 treated-water tank, t3 treated-water line, t4 air-scour box,
    // t5/t6, t7/t8, t9/t10 tank and line of the three cleaning chemicals.
    OverviewGraph(wxGraphicsContext* context, double width, double height, const wxString& t1, const wxString& t2,
                  const wxString& t3, const wxString& t4, const wxString& t5, const wxString& t6, const wxString& t7,
                  const wxString& t8, const wxString& t9, const wxString& t10);
};

class VDCOMMON_API OverviewGraphSeawater : public Graph
{
public:
    // t1 feed, t2 treated-water tank, t3 treated-water line, t4 air-scour box,
    // t5 chemical tank, t6 chemical line.
    OverviewGraphSeawater(wxGraphicsContext* context, double width, double height, const wxString& t1,
                          const wxString& t2, const wxString& t3, const wxString& t4, const wxString& t5,
                          const wxString& t6);
};

} // namespace uf
