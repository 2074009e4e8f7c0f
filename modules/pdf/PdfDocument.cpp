// PdfDocument: set-up, pages, layout, metadata, outline and links.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"

#include <wx/log.h>
#include <wx/paper.h>

#include <algorithm>

using namespace vdpdf;

namespace {

struct PaperEntry {
    wxPaperSize id;
    double wPt, hPt;
};

constexpr double MmPt(double mm)
{
    return mm * 72.0 / 25.4;
}

// The common formats, so the layer needs no running toolkit for them.
// clang-format off
const PaperEntry kPapers[] = {
    {wxPAPER_A4, 595.28, 841.89},
    {wxPAPER_A3, MmPt(297), MmPt(420)},
    {wxPAPER_A5, MmPt(148), MmPt(210)},
    {wxPAPER_A2, MmPt(420), MmPt(594)},
    {wxPAPER_A6, MmPt(105), MmPt(148)},
    {wxPAPER_B4, MmPt(250), MmPt(354)},
    {wxPAPER_B5, MmPt(182), MmPt(257)},
    {wxPAPER_LETTER, 612, 792},
    {wxPAPER_LEGAL, 612, 1008},
    {wxPAPER_EXECUTIVE, 522, 756},
    {wxPAPER_TABLOID, 792, 1224},
    {wxPAPER_LEDGER, 1224, 792},
};
// clang-format on

double UnitFactor(const wxString& unit)
{
    wxString u = unit.Lower();
    if (u == "pt")
        return 1.0;
    if (u == "in")
        return 72.0;
    if (u == "cm")
        return 72.0 / 2.54;
    return 72.0 / 25.4;
}

} // namespace

// ---- State helpers ------------------------------------------------------------------

double PdfDocument::State::PageW() const
{
    if (!recording.empty())
        return templates[recording.back().id - 1]->wPt / k;
    return curWPt / k;
}

double PdfDocument::State::PageH() const
{
    if (!recording.empty())
        return templates[recording.back().id - 1]->hPt / k;
    return curHPt / k;
}

// ---- Construction -------------------------------------------------------------------

PdfDocument::PdfDocument(int orientation, const wxString& unit, wxPaperSize paperSize) : d(std::make_unique<State>())
{
    d->k = UnitFactor(unit);
    bool found = false;
    for (const auto& p : kPapers) {
        if (p.id == paperSize) {
            d->defWPt = p.wPt;
            d->defHPt = p.hPt;
            found = true;
            break;
        }
    }
    if (!found && paperSize != wxPAPER_NONE && wxThePrintPaperDatabase) {
        wxSize s = wxThePrintPaperDatabase->GetSize(paperSize); // tenths of a millimetre
        if (s.x > 0 && s.y > 0) {
            d->defWPt = MmPt(s.x / 10.0);
            d->defHPt = MmPt(s.y / 10.0);
            found = true;
        }
    }
    if (!found)
        wxLogDebug("PDF: unknown paper size %d, A4 is used", static_cast<int>(paperSize));
    d->defOrientation = orientation == wxPORTRAIT ? wxPORTRAIT : wxLANDSCAPE;
    d->curOrientation = d->defOrientation;
    d->curWPt = d->defOrientation == wxPORTRAIT ? d->defWPt : d->defHPt;
    d->curHPt = d->defOrientation == wxPORTRAIT ? d->defHPt : d->defWPt;

    const double mm = 72.0 / 25.4 / d->k; // one millimetre in user units
    d->lMargin = d->tMargin = d->rMargin = 10 * mm;
    d->cMargin = 1 * mm;
    d->g.lineWidth = 0.2 * mm;
    d->autoPageBreak = true;
    d->bMargin = 20 * mm;
    d->x = d->lMargin;
    d->y = d->tMargin;
}

PdfDocument::~PdfDocument() = default;

void PdfDocument::ChangeUnit(const wxString& unit)
{
    d->k = UnitFactor(unit);
}

// ---- Pages ------------------------------------------------------------------------

bool PdfDocument::AcceptPageBreak()
{
    return d->autoPageBreak;
}

int PdfDocument::PageNo() const
{
    return static_cast<int>(d->pages.size());
}

int PdfDocument::GetPageCount() const
{
    return static_cast<int>(d->pages.size());
}

void PdfDocument::AliasNbPages(const wxString& alias)
{
    d->aliasNbPages = alias;
}

void vdpdf::EndPage(DocState& s)
{
    if (!s.pageOpen)
        return;
    if (s.ctx.pathOpen) {
        s.Out() += "n\n";
        s.ctx.pathOpen = false;
    }
    s.CloseAllStates();
    s.FinishBuffer(s.pages.back()->content);
    s.ctx = DrawContext();
    s.pageOpen = false;
}

namespace {

void BeginPage(DocState& s, int orientation)
{
    int o = orientation < 0 ? s.defOrientation : (orientation == wxPORTRAIT ? wxPORTRAIT : wxLANDSCAPE);
    s.curOrientation = o;
    s.curWPt = o == wxPORTRAIT ? s.defWPt : s.defHPt;
    s.curHPt = o == wxPORTRAIT ? s.defHPt : s.defWPt;
    auto page = std::make_unique<Page>();
    page->wPt = s.curWPt;
    page->hPt = s.curHPt;
    s.pages.push_back(std::move(page));
    s.pageOpen = true;
    s.ctx = DrawContext();
    s.ctx.buffer = &s.pages.back()->content;
    if (s.deflater && s.spareContent.capacity() == 0)
        s.spareContent = s.deflater->TakeSpare();
    s.ctx.buffer->data.swap(s.spareContent);
    s.ctx.buffer->data.reserve(4096);
    s.x = s.lMargin;
    s.y = s.tMargin;
    // Dashes, caps, joins and transparency start afresh on every page.
    s.g.cap = 0;
    s.g.join = 0;
    s.g.dash.clear();
    s.g.phase = 0;
    s.g.gstate = 0;
    s.g.lineAlpha = s.g.fillAlpha = 1;
    s.g.blend = PdfBlendMode::Normal;
    s.ResetStreamToDefaults();
    std::string& out = s.Out();
    // The page's own y-down system in points.
    out += "1 0 0 -1 0 ";
    AppendNumber(out, s.curHPt);
    out += " cm\n";
    s.EmitAll();
}

} // namespace

void PdfDocument::AddPage(int orientation, bool withHeaderFooter)
{
    if (d->closed) {
        wxLogWarning("PDF: AddPage after the document was closed is ignored");
        return;
    }
    if (!d->recording.empty()) {
        wxLogWarning("PDF: AddPage while a template is being recorded is ignored");
        return;
    }
    const wxString family = d->fontFamily;
    const wxString style = d->fontStyle;
    const bool underline = d->underline;
    const int font = d->curFont;
    const double size = d->fontSizePt;
    const double lw = d->g.lineWidth;
    const PdfColour draw = d->g.draw, fill = d->g.fill, text = d->g.text;
    const double ws = d->ws;
    d->ws = 0;

    if (d->pageOpen) {
        if (withHeaderFooter) {
            d->inFooter = true;
            Footer();
            d->inFooter = false;
        }
        EndPage(*d);
    }
    BeginPage(*d, orientation);

    auto restore = [&] {
        d->fontFamily = family;
        d->fontStyle = style;
        d->underline = underline;
        d->curFont = font;
        d->fontSizePt = size;
        if (d->g.lineWidth != lw) {
            d->g.lineWidth = lw;
            d->EmitLineWidth();
        }
        if (d->g.draw != draw) {
            d->g.draw = draw;
            d->EmitDrawColour();
        }
        if (d->g.fill != fill) {
            d->g.fill = fill;
            d->EmitFillColour();
        }
        d->g.text = text;
    };
    restore();
    if (withHeaderFooter) {
        Header();
        restore();
    }
    d->ws = ws;
}

bool PdfDocument::IsInFooter() const
{
    return d->inFooter;
}

// ---- Margins and geometry --------------------------------------------------------------

void PdfDocument::SetMargins(double left, double top, double right)
{
    d->lMargin = Sane(left, "left margin");
    d->tMargin = Sane(top, "top margin");
    right = Sane(right, "right margin");
    d->rMargin = right < 0 ? d->lMargin : right;
}

void PdfDocument::SetLeftMargin(double margin)
{
    d->lMargin = Sane(margin, "left margin");
    if (d->x < d->lMargin)
        d->x = d->lMargin;
}

void PdfDocument::SetTopMargin(double margin)
{
    d->tMargin = Sane(margin, "top margin");
}
void PdfDocument::SetRightMargin(double margin)
{
    d->rMargin = Sane(margin, "right margin");
}
double PdfDocument::GetLeftMargin() const
{
    return d->lMargin;
}
double PdfDocument::GetTopMargin() const
{
    return d->tMargin;
}
double PdfDocument::GetRightMargin() const
{
    return d->rMargin;
}
double PdfDocument::GetBreakMargin() const
{
    return d->bMargin;
}
void PdfDocument::SetCellMargin(double margin)
{
    d->cMargin = Sane(margin, "cell margin");
}
double PdfDocument::GetCellMargin() const
{
    return d->cMargin;
}

void PdfDocument::SetAutoPageBreak(bool autoPageBreak, double margin)
{
    d->autoPageBreak = autoPageBreak;
    d->bMargin = Sane(margin, "bottom margin");
}

bool PdfDocument::GetAutoPageBreak() const
{
    return d->autoPageBreak;
}
double PdfDocument::GetPageWidth() const
{
    return d->PageW();
}
double PdfDocument::GetPageHeight() const
{
    return d->PageH();
}
double PdfDocument::GetScaleFactor() const
{
    return d->k;
}
void PdfDocument::SetLineHeight(double height)
{
    d->lasth = Sane(height, "line height");
}
double PdfDocument::GetLineHeight() const
{
    return d->lasth;
}

double PdfDocument::GetX() const
{
    return d->x;
}
double PdfDocument::GetY() const
{
    return d->y;
}

void PdfDocument::SetX(double x)
{
    x = Sane(x, "x");
    d->x = x >= 0 ? x : d->PageW() + x;
}

void PdfDocument::SetY(double y)
{
    y = Sane(y, "y");
    d->x = d->lMargin;
    d->y = y >= 0 ? y : d->PageH() + y;
}

void PdfDocument::SetXY(double x, double y)
{
    SetY(y);
    SetX(x);
}

void PdfDocument::Ln(double h)
{
    h = Sane(h, "line feed");
    d->x = d->lMargin;
    d->y += h < 0 ? d->lasth : h;
}

// ---- Metadata ---------------------------------------------------------------------------

void PdfDocument::SetAuthor(const wxString& author)
{
    d->author = author;
}
void PdfDocument::SetTitle(const wxString& title)
{
    d->title = title;
}
void PdfDocument::SetCreator(const wxString& creator)
{
    d->creator = creator;
}
void PdfDocument::SetSubject(const wxString& subject)
{
    d->subject = subject;
}
void PdfDocument::SetKeywords(const wxString& keywords)
{
    d->keywords = keywords;
}
const wxString& PdfDocument::GetAuthor() const
{
    return d->author;
}
const wxString& PdfDocument::GetTitle() const
{
    return d->title;
}
const wxString& PdfDocument::GetCreator() const
{
    return d->creator;
}
void PdfDocument::SetCompression(bool compress)
{
    d->compress = compress;
}
bool PdfDocument::GetCompression() const
{
    return d->compress;
}

// ---- Text ---------------------------------------------------------------------------------

bool vdpdf::EnsureTarget(PdfDocument& doc, DocState& s)
{
    if (s.closed)
        return false;
    if (!s.HasTarget()) {
        wxLogDebug("PDF: drawing before the first page opens one");
        doc.AddPage();
    }
    return s.HasTarget();
}

// ---- Outline and links --------------------------------------------------------------------

void PdfDocument::Bookmark(const wxString& text, int level, double y)
{
    y = Sane(y, "bookmark y");
    if (y < 0)
        y = d->y;
    int maxLevel = d->outline.empty() ? 0 : d->outline.back().level + 1;
    level = std::clamp(level, 0, maxLevel);
    OutlineItem item;
    item.title = TextString(text);
    item.level = level;
    item.page = std::max(1, PageNo());
    item.yPt = y * d->k;
    d->outline.push_back(std::move(item));
}

int PdfDocument::AddLink()
{
    d->links.emplace_back();
    return static_cast<int>(d->links.size());
}

bool PdfDocument::SetLink(int link, double y, int page)
{
    if (link < 1 || link > static_cast<int>(d->links.size())) {
        wxLogDebug("PDF: SetLink for unknown link %d", link);
        return false;
    }
    y = Sane(y, "link y");
    if (y < 0)
        y = d->y;
    if (page < 0)
        page = PageNo();
    if (page < 1 || page > PageNo()) {
        wxLogDebug("PDF: SetLink to page %d that does not exist", page);
        return false;
    }
    d->links[link - 1].page = page;
    d->links[link - 1].yPt = y * d->k;
    return true;
}

void PdfDocument::Link(double x, double y, double w, double h, const PdfLink& link)
{
    if (!link.IsValid())
        return;
    if (!d->recording.empty() || !d->pageOpen) {
        wxLogDebug("PDF: a link outside a page (e.g. in a template) is ignored");
        return;
    }
    const double k = d->k, H = d->curHPt;
    x = Sane(x, "link x");
    y = Sane(y, "link y");
    w = Sane(w, "link width");
    h = Sane(h, "link height");
    Annotation a{x * k, H - (y + h) * k, (x + w) * k, H - y * k, link};
    if (a.x1 > a.x2)
        std::swap(a.x1, a.x2);
    if (a.y1 > a.y2)
        std::swap(a.y1, a.y2);
    d->pages.back()->annots.push_back(a);
}
