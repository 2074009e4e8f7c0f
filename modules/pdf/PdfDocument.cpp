// PdfDocument: set-up, pages, layout, fonts and text.
#include "vdcommon/pdf/PdfDocument.h"
#include "pdf/PdfDocumentImpl.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/paper.h>

#include <algorithm>
#include <cmath>

using namespace vdpdf;

namespace {

struct PaperEntry {
    wxPaperSize id;
    double wPt, hPt;
};

constexpr double MmPt(double mm) { return mm * 72.0 / 25.4; }

// The common formats, so the layer needs no running toolkit for them.
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

const GlyphInfo& FontEntry::Lookup(char32_t cp)
{
    GlyphInfo* info;
    if (cp < 0x800) {
        if (low.empty())
            low.resize(0x800);
        info = &low[cp];
    } else {
        info = &high[cp];
    }
    if (info->advance < 0) {
        info->glyph = font->GetGlyph(cp);
        info->advance = static_cast<float>(font->GetGlyphAdvance(info->glyph));
    }
    return *info;
}

void FontEntry::MarkUsed(uint32_t glyph, char32_t cp)
{
    if (glyph >= usedFlag.size()) {
        usedFlag.resize(std::max<size_t>(glyph + 1, usedFlag.size() * 2), 0);
        used.resize(usedFlag.size(), 0);
    }
    if (!usedFlag[glyph]) {
        usedFlag[glyph] = 1;
        used[glyph] = cp;
    }
}

int PdfDocument::State::FontEntryFor(const std::shared_ptr<const PdfFont>& font)
{
    auto it = fontIndex.find(font.get());
    if (it != fontIndex.end())
        return it->second;
    auto entry = std::make_unique<FontEntry>();
    entry->font = font;
    entry->index = static_cast<int>(fonts.size()) + 1;
    int idx = static_cast<int>(fonts.size());
    fonts.push_back(std::move(entry));
    fontIndex.emplace(font.get(), idx);
    return idx;
}

FontEntry* PdfDocument::State::CurrentFont()
{
    if (curFont >= 0)
        return fonts[curFont].get();
    static bool reported = false;
    auto font = PdfFontManager::GetFontManager()->FindFont(fontFamily, fontStyle);
    if (!font)
        font = PdfFontManager::GetFontManager()->FindFont(wxEmptyString, wxEmptyString);
    if (!font) {
        if (!reported)
            wxLogError("PDF: no font is available; text is not drawn");
        reported = true;
        return nullptr;
    }
    curFont = FontEntryFor(font);
    return fonts[curFont].get();
}

double PdfDocument::State::TextWidth(const wxString& text)
{
    FontEntry* f = CurrentFont();
    if (!f)
        return 0;
    double sum = 0;
    for (wxUniChar c : text)
        sum += f->Lookup(c.GetValue()).advance;
    return sum * fontSizePt / 1000.0 / k;
}

double PdfDocument::State::Encode(const wxString& text)
{
    glyphScratch.clear();
    cpScratch.clear();
    aliasScratch.clear();
    FontEntry* f = CurrentFont();
    if (!f)
        return 0;
    double sum = 0;
    for (wxUniChar ch : text) {
        char32_t cp = ch.GetValue();
        const GlyphInfo& gi = f->Lookup(cp);
        glyphScratch.push_back(gi.glyph);
        cpScratch.push_back(cp);
        sum += gi.advance;
        f->MarkUsed(gi.glyph, cp);
    }
    if (!aliasNbPages.empty()) {
        size_t pos = 0;
        while ((pos = text.find(aliasNbPages, pos)) != wxString::npos) {
            aliasScratch.emplace_back(pos, aliasNbPages.length());
            pos += aliasNbPages.length();
        }
    }
    return sum * fontSizePt / 1000.0 / k;
}

void PdfDocument::State::WriteGlyphs(std::string& out, double wsPt)
{
    const size_t n = glyphScratch.size();
    size_t nextAlias = 0;
    auto inAlias = [&](size_t i) {
        for (auto& [start, len] : aliasScratch)
            if (i >= start && i < start + len)
                return true;
        return false;
    };
    bool tj = false;
    if (wsPt != 0) {
        for (size_t i = 0; i + 1 < n && !tj; ++i)
            tj = cpScratch[i] == U' ' && !inAlias(i);
    }
    std::string adjust;
    if (tj) {
        AppendNumber(adjust, -wsPt * 1000.0 / fontSizePt, 3);
        out += '[';
    }
    out += '<';
    for (size_t i = 0; i < n; ++i) {
        if (nextAlias < aliasScratch.size() && aliasScratch[nextAlias].first == i) {
            AliasSpot spot;
            spot.offset = out.size();
            spot.length = aliasScratch[nextAlias].second * 4;
            spot.font = curFont;
            ctx.buffer->spots.push_back(spot);
            ++nextAlias;
        }
        AppendGlyphHex(out, glyphScratch[i]);
        if (tj && cpScratch[i] == U' ' && i + 1 < n && !inAlias(i)) {
            out += "> ";
            out += adjust;
            out += " <";
        }
    }
    out += tj ? ">] TJ" : "> Tj";
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
        wxSize s = wxThePrintPaperDatabase->GetSize(paperSize);   // tenths of a millimetre
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

    const double mm = 72.0 / 25.4 / d->k;   // one millimetre in user units
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

namespace {

void EndPage(DocState& s)
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
        d->inHeader = true;
        Header();
        d->inHeader = false;
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

void PdfDocument::SetTopMargin(double margin) { d->tMargin = Sane(margin, "top margin"); }
void PdfDocument::SetRightMargin(double margin) { d->rMargin = Sane(margin, "right margin"); }
double PdfDocument::GetLeftMargin() const { return d->lMargin; }
double PdfDocument::GetTopMargin() const { return d->tMargin; }
double PdfDocument::GetRightMargin() const { return d->rMargin; }
double PdfDocument::GetBreakMargin() const { return d->bMargin; }
void PdfDocument::SetCellMargin(double margin) { d->cMargin = Sane(margin, "cell margin"); }
double PdfDocument::GetCellMargin() const { return d->cMargin; }

void PdfDocument::SetAutoPageBreak(bool autoPageBreak, double margin)
{
    d->autoPageBreak = autoPageBreak;
    d->bMargin = Sane(margin, "bottom margin");
}

bool PdfDocument::GetAutoPageBreak() const { return d->autoPageBreak; }
double PdfDocument::GetPageWidth() const { return d->PageW(); }
double PdfDocument::GetPageHeight() const { return d->PageH(); }
double PdfDocument::GetScaleFactor() const { return d->k; }
void PdfDocument::SetLineHeight(double height) { d->lasth = Sane(height, "line height"); }
double PdfDocument::GetLineHeight() const { return d->lasth; }

double PdfDocument::GetX() const { return d->x; }
double PdfDocument::GetY() const { return d->y; }

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

void PdfDocument::SetAuthor(const wxString& author) { d->author = author; }
void PdfDocument::SetTitle(const wxString& title) { d->title = title; }
void PdfDocument::SetCreator(const wxString& creator) { d->creator = creator; }
void PdfDocument::SetSubject(const wxString& subject) { d->subject = subject; }
void PdfDocument::SetKeywords(const wxString& keywords) { d->keywords = keywords; }
const wxString& PdfDocument::GetAuthor() const { return d->author; }
const wxString& PdfDocument::GetTitle() const { return d->title; }
const wxString& PdfDocument::GetCreator() const { return d->creator; }
void PdfDocument::SetCompression(bool compress) { d->compress = compress; }
bool PdfDocument::GetCompression() const { return d->compress; }

// ---- Fonts --------------------------------------------------------------------------------

bool PdfDocument::AddFont(const wxString& family, const wxString& style, const wxString& file)
{
    PdfFontManager* fm = PdfFontManager::GetFontManager();
    if (!file.empty()) {
        wxString path = file;
        if (!wxFileExists(path)) {
            for (const wxString& dir : fm->GetSearchPaths()) {
                wxFileName candidate(dir, file);
                if (candidate.FileExists()) {
                    path = candidate.GetFullPath();
                    break;
                }
            }
        }
        wxString st;
        for (wxUniChar c : style.Upper())
            if (c == 'B' || c == 'I')
                st += c;
        if (st == "IB")
            st = "BI";
        if (!fm->RegisterFontAs(path, family, st)) {
            wxLogError("PDF: cannot register the font file '%s'", file);
            return false;
        }
        d->fontLookup.clear();
    }
    if (!fm->FindFont(family, style)) {
        wxLogError("PDF: font family '%s' style '%s' is not available", family, style);
        return false;
    }
    return true;
}

bool PdfDocument::AddFontCJK(const wxString& family)
{
    if (!PdfFontManager::GetFontManager()->FindFont(family)) {
        wxLogError("PDF: CJK font family '%s' is not available", family);
        return false;
    }
    return true;
}

bool PdfDocument::SetFont(const wxString& family, const wxString& style, double size)
{
    bool bold = false, italic = false, underline = false, badStyle = false;
    for (wxUniChar c : style) {
        switch (static_cast<wchar_t>(c.GetValue())) {
        case 'b': case 'B': bold = true; break;
        case 'i': case 'I': italic = true; break;
        case 'u': case 'U': underline = true; break;
        case ' ': break;
        default: badStyle = true;
        }
    }
    if (badStyle) {
        wxLogError("PDF: unknown font style '%s'", style);
        return false;
    }
    const wxString st = bold ? (italic ? "BI" : "B") : (italic ? "I" : "");
    const wxString& fam = family.empty() ? d->fontFamily : family;
    if (d->curFont >= 0 && fam == d->fontFamily && st == d->fontStyle) {
        // The face in use already: only size and underline change.
        d->underline = underline;
        size = Sane(size, "font size");
        if (size > 0)
            d->fontSizePt = size;
        return true;
    }
    auto key = std::make_pair(fam.Lower(), st);
    auto it = d->fontLookup.find(key);
    std::shared_ptr<const PdfFont> font;
    if (it != d->fontLookup.end()) {
        font = it->second;
    } else {
        font = PdfFontManager::GetFontManager()->FindFont(fam, st);
        d->fontLookup.emplace(key, font);
    }
    if (!font) {
        wxLogError("PDF: font family '%s' style '%s' is not available", fam, st);
        return false;
    }
    d->curFont = d->FontEntryFor(font);
    d->fontFamily = wxString(fam);
    d->fontStyle = st;
    d->underline = underline;
    size = Sane(size, "font size");
    if (size > 0)
        d->fontSizePt = size;
    return true;
}

void PdfDocument::SetFontSize(double size)
{
    size = Sane(size, "font size");
    if (size > 0)
        d->fontSizePt = size;
}

double PdfDocument::GetFontSize() const { return d->fontSizePt; }
const wxString& PdfDocument::GetFontFamily() const { return d->fontFamily; }
wxString PdfDocument::GetFontStyle() const { return d->fontStyle + (d->underline ? "U" : ""); }

std::shared_ptr<const PdfFont> PdfDocument::GetCurrentFont() const
{
    return d->curFont >= 0 ? d->fonts[d->curFont]->font : nullptr;
}

double PdfDocument::GetStringWidth(const wxString& text) const
{
    return d->TextWidth(text);
}

double PdfDocument::GetFontAscent() const
{
    FontEntry* f = d->CurrentFont();
    return f ? f->font->GetAscent() * d->fontSizePt / 1000.0 / d->k : 0;
}

double PdfDocument::GetFontDescent() const
{
    FontEntry* f = d->CurrentFont();
    return f ? -f->font->GetDescent() * d->fontSizePt / 1000.0 / d->k : 0;
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

namespace {

// Draws the encoded glyphs with the baseline starting at (x, y), user units.
// `width` is the text's width (user units) without justification.
void DrawEncoded(DocState& s, double x, double y, double width, double ws)
{
    std::string& out = s.Out();
    FontEntry* f = s.fonts[s.curFont].get();
    s.Res().Add(s.Res().fonts, f->index);
    const bool wrap = !s.ctx.stream.known || s.ctx.stream.fill != s.g.text;
    if (wrap) {
        const PdfColour& c = s.g.text;
        out += "q ";
        if (c.Red() == c.Green() && c.Green() == c.Blue()) {
            AppendNumber(out, c.Red() / 255.0);
            out += " g ";
        } else {
            AppendNumber(out, c.Red() / 255.0);
            out += ' ';
            AppendNumber(out, c.Green() / 255.0);
            out += ' ';
            AppendNumber(out, c.Blue() / 255.0);
            out += " rg ";
        }
    }
    out += "BT /F";
    AppendInt(out, f->index);
    out += ' ';
    AppendNumber(out, s.fontSizePt);
    out += " Tf ";
    if (s.textRenderMode != 0) {
        AppendInt(out, s.textRenderMode);
        out += " Tr ";
    }
    out += "1 0 0 -1 ";
    s.Pt(out, x);
    out += ' ';
    s.Pt(out, y);
    out += " Tm ";
    s.WriteGlyphs(out, ws * s.k);
    if (s.textRenderMode != 0)
        out += " 0 Tr";
    out += " ET";
    if (s.underline) {
        int spaces = 0;
        if (ws != 0)
            for (char32_t c : s.cpScratch)
                spaces += c == U' ';
        const double fs = s.FontSize();
        const double up = f->font->GetUnderlinePosition();
        const double ut = f->font->GetUnderlineThickness();
        out += ' ';
        s.Pt(out, x);
        out += ' ';
        s.Pt(out, y - up / 1000.0 * fs);
        out += ' ';
        s.Pt(out, width + ws * spaces);
        out += ' ';
        s.Pt(out, ut / 1000.0 * fs);
        out += " re f";
    }
    out += wrap ? " Q\n" : "\n";
}

} // namespace

void PdfDocument::Cell(double w, double h, const wxString& text, int border, int ln, int align, bool fill,
                       const PdfLink& link)
{
    w = Sane(w, "cell width");
    h = Sane(h, "cell height");
    if (!EnsureTarget(*this, *d))
        return;
    State& s = *d;
    if (s.y + h > s.PageH() - s.bMargin && !s.inFooter && s.recording.empty() && AcceptPageBreak()) {
        const double x = s.x;
        AddPage(s.curOrientation);
        s.x = x;
    }
    if (w == 0)
        w = s.PageW() - s.rMargin - s.x;
    const double k = s.k;
    std::string& out = s.Out();
    border &= PdfBorder::Frame;
    if (fill || border == PdfBorder::Frame) {
        if (fill)
            s.EmitFillColour();
        if (border == PdfBorder::Frame) {
            s.EmitDrawColour();
            s.EmitLineWidth();
        }
        AppendNumber(out, s.x * k);
        out += ' ';
        AppendNumber(out, s.y * k);
        out += ' ';
        AppendNumber(out, w * k);
        out += ' ';
        AppendNumber(out, h * k);
        out += fill ? (border == PdfBorder::Frame ? " re B\n" : " re f\n") : " re S\n";
    }
    if (border != 0 && border != PdfBorder::Frame) {
        s.EmitDrawColour();
        s.EmitLineWidth();
        const double x1 = s.x * k, y1 = s.y * k, x2 = (s.x + w) * k, y2 = (s.y + h) * k;
        auto seg = [&](double ax, double ay, double bx, double by) {
            AppendNumber(out, ax);
            out += ' ';
            AppendNumber(out, ay);
            out += " m ";
            AppendNumber(out, bx);
            out += ' ';
            AppendNumber(out, by);
            out += " l ";
        };
        if (border & PdfBorder::Left)
            seg(x1, y1, x1, y2);
        if (border & PdfBorder::Top)
            seg(x1, y1, x2, y1);
        if (border & PdfBorder::Right)
            seg(x2, y1, x2, y2);
        if (border & PdfBorder::Bottom)
            seg(x1, y2, x2, y2);
        out += "S\n";
    }
    if (!text.empty() && s.CurrentFont()) {
        const double width = s.Encode(text);
        double dx;
        if (align == PdfAlignRight)
            dx = w - s.cMargin - width;
        else if (align == PdfAlignCenter)
            dx = (w - width) / 2;
        else
            dx = s.cMargin;
        DrawEncoded(s, s.x + dx, s.y + 0.5 * h + 0.3 * s.FontSize(), width,
                    align == PdfAlignJustify ? s.ws : 0);
        if (link.IsValid())
            Link(s.x + dx, s.y + 0.5 * h - 0.5 * s.FontSize(), width, s.FontSize(), link);
    }
    s.lasth = h;
    if (ln > 0) {
        s.y += h;
        if (ln == 1)
            s.x = s.lMargin;
    } else {
        s.x += w;
    }
}

int PdfDocument::MultiCell(double w, double h, const wxString& text, int border, int align, bool fill, int maxline)
{
    w = Sane(w, "cell width");
    h = Sane(h, "cell height");
    if (!EnsureTarget(*this, *d))
        return 0;
    State& s = *d;
    if (w == 0)
        w = s.PageW() - s.rMargin - s.x;
    const double wmax = w - 2 * s.cMargin;
    wxString str = text;
    str.Replace("\r", "");
    size_t nb = str.length();
    if (nb > 0 && str[nb - 1] == '\n')
        --nb;
    FontEntry* f = s.CurrentFont();
    const double scale = s.fontSizePt / 1000.0 / s.k;

    struct LineSpan {
        size_t start, len;
        double ws;
    };
    std::vector<LineSpan> lines;
    size_t i = 0, j = 0;
    long sep = -1;
    double l = 0, ls = 0;
    int ns = 0;
    while (i < nb) {
        const char32_t c = str[i].GetValue();
        if (c == U'\n') {
            lines.push_back({j, i - j, 0});
            ++i;
            sep = -1;
            j = i;
            l = 0;
            ns = 0;
            continue;
        }
        if (c == U' ') {
            sep = static_cast<long>(i);
            ls = l;
            ++ns;
        }
        l += f ? f->Lookup(c).advance * scale : 0;
        if (l > wmax) {
            if (sep == -1) {
                if (i == j)
                    ++i;
                lines.push_back({j, i - j, 0});
            } else {
                double ws = 0;
                if (align == PdfAlignJustify)
                    ws = ns > 1 ? (wmax - ls) / (ns - 1) : 0;
                lines.push_back({j, static_cast<size_t>(sep) - j, ws});
                i = static_cast<size_t>(sep) + 1;
            }
            sep = -1;
            j = i;
            l = 0;
            ns = 0;
        } else {
            ++i;
        }
    }
    lines.push_back({j, i - j, 0});

    if (maxline > 0 && lines.size() > static_cast<size_t>(maxline))
        lines.resize(maxline);
    int sides, top, bottom;
    border &= PdfBorder::Frame;
    if (border == PdfBorder::Frame) {
        sides = PdfBorder::Left | PdfBorder::Right;
        top = PdfBorder::Top;
        bottom = PdfBorder::Bottom;
    } else {
        sides = border & (PdfBorder::Left | PdfBorder::Right);
        top = border & PdfBorder::Top;
        bottom = border & PdfBorder::Bottom;
    }
    for (size_t n = 0; n < lines.size(); ++n) {
        int b = sides | (n == 0 ? top : 0) | (n + 1 == lines.size() ? bottom : 0);
        s.ws = lines[n].ws;
        Cell(w, h, str.Mid(lines[n].start, lines[n].len), b, 2, align, fill);
        s.ws = 0;
    }
    s.x = s.lMargin;
    return static_cast<int>(lines.size());
}

void PdfDocument::Write(double h, const wxString& text, const PdfLink& link)
{
    h = Sane(h, "line height");
    if (!EnsureTarget(*this, *d))
        return;
    State& s = *d;
    const double savedMargin = s.cMargin;
    s.cMargin = 0;
    FontEntry* f = s.CurrentFont();
    const double scale = s.fontSizePt / 1000.0 / s.k;
    double w = s.PageW() - s.rMargin - s.x;
    double wmax = w - 2 * s.cMargin;
    wxString str = text;
    str.Replace("\r", "");
    const size_t nb = str.length();
    long sep = -1;
    size_t i = 0, j = 0;
    double l = 0;
    int nl = 1;
    auto toLineStart = [&] {
        s.x = s.lMargin;
        w = s.PageW() - s.rMargin - s.x;
        wmax = w - 2 * s.cMargin;
    };
    while (i < nb) {
        const char32_t c = str[i].GetValue();
        if (c == U'\n') {
            Cell(w, h, str.Mid(j, i - j), 0, 2, PdfAlignLeft, false, link);
            ++i;
            sep = -1;
            j = i;
            l = 0;
            if (nl == 1)
                toLineStart();
            ++nl;
            continue;
        }
        if (c == U' ')
            sep = static_cast<long>(i);
        l += f ? f->Lookup(c).advance * scale : 0;
        if (l > wmax) {
            if (sep == -1) {
                if (s.x > s.lMargin) {
                    // The word does not fit after the pen: start it on the next line.
                    s.x = s.lMargin;
                    s.y += h;
                    w = s.PageW() - s.rMargin - s.x;
                    wmax = w - 2 * s.cMargin;
                    ++i;
                    ++nl;
                    continue;
                }
                if (i == j)
                    ++i;
                Cell(w, h, str.Mid(j, i - j), 0, 2, PdfAlignLeft, false, link);
            } else {
                Cell(w, h, str.Mid(j, static_cast<size_t>(sep) - j), 0, 2, PdfAlignLeft, false, link);
                i = static_cast<size_t>(sep) + 1;
            }
            sep = -1;
            j = i;
            l = 0;
            if (nl == 1)
                toLineStart();
            ++nl;
        } else {
            ++i;
        }
    }
    if (i != j)
        Cell(l, h, str.Mid(j), 0, 0, PdfAlignLeft, false, link);
    s.cMargin = savedMargin;
}

void PdfDocument::Text(double x, double y, const wxString& text)
{
    x = Sane(x, "text x");
    y = Sane(y, "text y");
    if (text.empty() || !EnsureTarget(*this, *d) || !d->CurrentFont())
        return;
    const double width = d->Encode(text);
    DrawEncoded(*d, x, y, width, 0);
}

void PdfDocument::RotatedText(double x, double y, const wxString& text, double angle)
{
    angle = Sane(angle, "text angle");
    if (angle == 0) {
        Text(x, y, text);
        return;
    }
    x = Sane(x, "text x");
    y = Sane(y, "text y");
    if (text.empty() || !EnsureTarget(*this, *d) || !d->CurrentFont())
        return;
    StartTransform();
    Rotate(angle, x, y);
    Text(x, y, text);
    StopTransform();
}

void PdfDocument::SetTextColour(const PdfColour& colour) { d->g.text = colour; }
void PdfDocument::SetTextColour(unsigned char grey) { d->g.text = PdfColour(grey); }
void PdfDocument::SetTextColour(unsigned char r, unsigned char g, unsigned char b) { d->g.text = PdfColour(r, g, b); }
const PdfColour& PdfDocument::GetTextColour() const { return d->g.text; }

void PdfDocument::SetTextRenderMode(int mode)
{
    if (mode < 0 || mode > 3) {
        wxLogDebug("PDF: text render mode %d is not known; fill is used", mode);
        mode = 0;
    }
    d->textRenderMode = mode;
}

int PdfDocument::GetTextRenderMode() const { return d->textRenderMode; }
void PdfDocument::SetMessageTranslateMode(bool translate) { d->translateMessages = translate; }
bool PdfDocument::GetMessageTranslateMode() const { return d->translateMessages; }

// ---- Outline and links --------------------------------------------------------------------

void PdfDocument::Bookmark(const wxString& text, int level, double y)
{
    y = Sane(y, "bookmark y");
    if (y < 0)
        y = d->y;
    int maxLevel = d->outline.empty() ? 0 : d->outline.back().level + 1;
    level = std::clamp(level, 0, maxLevel);
    OutlineItem item;
    item.text = text;
    item.level = level;
    item.page = std::max(1, PageNo());
    item.yPt = y * d->k;
    d->outline.push_back(item);
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
