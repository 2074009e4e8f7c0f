// Writes a few demonstration pages of the PDF layer: text in several fonts and
// scripts, table cells, shapes, gradients, an image made in memory, a template and
// bookmarks. Usage: pdfdemo output.pdf
#include "host/HeadlessToolkit.h"
#include "vdcommon/pdf/PdfDocument.h"

#include <wx/image.h>

#include <cmath>
#include <cstdio>

namespace {

class DemoDocument : public PdfDocument
{
public:
    DemoDocument() : PdfDocument(wxPORTRAIT, "mm", wxPAPER_A4) {}

    void Header() override
    {
        SetFont("Helvetica", "B", 9);
        SetTextColour(90, 90, 90);
        Cell(0, 6, "vdpdf demonstration", PdfBorder::Bottom, 1, PdfAlignRight);
        Ln(4);
    }

    void Footer() override
    {
        SetY(-15);
        SetFont("Helvetica", "I", 8);
        SetTextColour(90, 90, 90);
        Cell(0, 10, wxString::Format("Page %d of {nb}", PageNo()), 0, 0, PdfAlignCenter);
    }
};

wxImage MakeImage()
{
    const int w = 120, h = 80;
    wxImage img(w, h);
    img.InitAlpha();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            img.SetRGB(x, y, static_cast<unsigned char>(x * 255 / w), static_cast<unsigned char>(y * 255 / h), 160);
            const double dx = x - w / 2.0, dy = y - h / 2.0;
            const double r = std::sqrt(dx * dx + dy * dy);
            img.SetAlpha(x, y, r < 38 ? 255 : 0);
        }
    }
    return img;
}

void TextPage(DemoDocument& doc)
{
    doc.AddPage();
    doc.Bookmark("Text");
    doc.SetFont("Helvetica", "B", 18);
    doc.SetTextColour(0, 70, 140);
    doc.Cell(0, 10, "Text in several fonts", 0, 1);
    doc.SetTextColour(0);
    const struct {
        const char* family;
        const char* style;
    } faces[] = {{"Helvetica", ""}, {"Helvetica", "B"}, {"Helvetica", "I"},
                 {"Times", ""},     {"Courier", ""},    {"DejaVu Sans", ""}};
    for (const auto& f : faces) {
        if (!doc.SetFont(f.family, f.style, 12))
            continue;
        doc.Cell(0, 7, wxString::FromUTF8("Wärmetauscher: 25 °C, 3,5 m³/h – Δp = 0,8 bar ") + f.family + " " + f.style,
                 0, 1);
    }
    doc.Bookmark("CJK", 1, -1);
    if (doc.AddFontCJK("WenQuanYi Micro Hei") && doc.SetFont("WenQuanYi Micro Hei", "", 12))
        doc.Cell(0, 8, wxString::FromUTF8("反渗透系统设计报告 — 超滤与离子交换"), 0, 1);
    doc.Ln(4);
    doc.Bookmark("Flowing text", 1, -1);
    doc.SetFont("Helvetica", "", 11);
    doc.MultiCell(0, 5.5,
                  "A justified paragraph: the layer breaks lines at spaces, spreads the spaces of automatically "
                  "broken lines over the full width and keeps the last line left aligned. Every font is embedded "
                  "as a subset with a Unicode map, so the text can be searched and copied.",
                  PdfBorder::Frame, PdfAlignJustify);
    doc.Ln(3);
    doc.Write(5.5, "Write() continues from the pen ");
    doc.SetFont("Helvetica", "BU", 11);
    doc.Write(5.5, "with an underlined link", PdfLink("https://example.com"));
    doc.SetFont("Helvetica", "", 11);
    doc.Write(5.5, " and wraps at the right margin like running text does.");
    doc.Ln();
}

void TablePage(DemoDocument& doc)
{
    doc.AddPage();
    doc.Bookmark("Table");
    doc.SetFont("Helvetica", "B", 14);
    doc.Cell(0, 10, "Cells with borders", 0, 1);
    const double widths[] = {40, 35, 35, 35, 45};
    const char* head[] = {"Stream", "Flow m³/h", "TDS mg/l", "p bar", "Remark"};
    doc.SetFillColour(0, 70, 140);
    doc.SetTextColour(255);
    doc.SetDrawColour(0, 50, 100);
    doc.SetLineWidth(0.3);
    doc.SetFont("Helvetica", "B", 10);
    for (int i = 0; i < 5; ++i)
        doc.Cell(widths[i], 8, wxString::FromUTF8(head[i]), PdfBorder::Frame, 0, PdfAlignCenter, true);
    doc.Ln();
    doc.SetTextColour(0);
    doc.SetFont("Helvetica", "", 10);
    for (int r = 0; r < 20; ++r) {
        doc.SetFillColour(r % 2 ? 235 : 255, r % 2 ? 242 : 255, 255);
        doc.Cell(widths[0], 7, wxString::Format("Stream %d", r + 1), PdfBorder::Left | PdfBorder::Right, 0,
                 PdfAlignLeft, true);
        doc.Cell(widths[1], 7, wxString::Format("%.1f", 12.5 * (r + 1)), PdfBorder::Right, 0, PdfAlignRight, true);
        doc.Cell(widths[2], 7, wxString::Format("%d", 350 + 17 * r), PdfBorder::Right, 0, PdfAlignRight, true);
        doc.Cell(widths[3], 7, wxString::Format("%.2f", 1.5 + r * 0.25), PdfBorder::Right, 0, PdfAlignRight, true);
        doc.Cell(widths[4], 7, r % 3 ? "" : "checked", PdfBorder::Right, 1, PdfAlignCenter, true);
    }
    doc.Cell(190, 0, "", PdfBorder::Top, 1);
}

void GraphicsPage(DemoDocument& doc)
{
    doc.AddPage();
    doc.Bookmark("Graphics");
    doc.SetFont("Helvetica", "B", 14);
    doc.Cell(0, 10, "Shapes, gradients, transparency and an image", 0, 1);
    doc.SetLineWidth(0.8);
    doc.SetDrawColour(0, 70, 140);
    doc.SetFillColour(180, 210, 240);
    doc.Rect(15, 35, 40, 25, PdfStyle::FillDraw);
    doc.RoundedRect(65, 35, 40, 25, 6, PdfCorner::TopLeft | PdfCorner::BottomRight, PdfStyle::FillDraw);
    doc.Circle(135, 47, 12, 0, 360, PdfStyle::FillDraw);
    doc.Ellipse(175, 47, 18, 9, 30, 0, 360, PdfStyle::FillDraw);
    doc.SetLineStyle(PdfLineStyle(1, 1, 1, {4, 2}, 0, PdfColour(200, 0, 0)));
    doc.Polygon({20, 50, 35}, {75, 75, 100}, PdfStyle::Draw);
    doc.SetLineStyle(PdfLineStyle(0.5));
    doc.Curve(60, 100, 70, 60, 95, 120, 105, 75);
    const int axial = doc.AxialGradient(PdfColour(0, 70, 140), PdfColour(255, 255, 255));
    doc.SetFillGradient(115, 70, 80, 30, axial);
    const int rainbow =
        doc.RadialGradient({{0, PdfColour(255, 255, 0)}, {0.5, PdfColour(255, 128, 0)}, {1, PdfColour(160, 0, 0)}}, 0.5,
                           0.5, 0, 0.5, 0.5, 0.5);
    doc.SetFillGradient(20, 115, 40, 40, rainbow);
    doc.SetAlpha(0.5, 0.5);
    doc.SetFillColour(0, 160, 0);
    doc.Rect(50, 125, 40, 25, PdfStyle::Fill);
    doc.SetAlpha();
    doc.StartTransform();
    doc.ClippingRect(110, 115, 40, 40);
    doc.SetFillColour(220, 0, 0);
    doc.Circle(130, 135, 26, 0, 360, PdfStyle::Fill);
    doc.UnsetClipping();
    doc.StopTransform();
    doc.Image("generated", MakeImage(), 160, 115, 35);
    doc.StartTransform();
    doc.Rotate(20, 30, 190);
    doc.SetFont("Helvetica", "B", 16);
    doc.Text(30, 190, "Rotated text");
    doc.StopTransform();
    const int tpl = doc.BeginTemplate(0, 0, 30, 20);
    doc.SetFillColour(240, 240, 200);
    doc.SetDrawColour(120, 120, 0);
    doc.Rect(0, 0, 30, 20, PdfStyle::FillDraw);
    doc.SetFont("Helvetica", "", 9);
    doc.Text(3, 11, "Template");
    doc.EndTemplate();
    doc.UseTemplate(tpl, 100, 180);
    doc.UseTemplate(tpl, 140, 180, 60);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: pdfdemo output.pdf\n");
        return 2;
    }
    vdhost::HeadlessToolkit toolkit;
    if (!toolkit.IsOk()) {
        std::fprintf(stderr, "pdfdemo: cannot start the toolkit\n");
        return 1;
    }
    DemoDocument doc;
    doc.SetTitle("vdpdf demonstration");
    doc.SetAuthor("vdcommon");
    doc.SetCreator("pdfdemo");
    doc.AliasNbPages();
    TextPage(doc);
    TablePage(doc);
    GraphicsPage(doc);
    if (!doc.SaveAsFile(wxString::FromUTF8(argv[1]))) {
        std::fprintf(stderr, "pdfdemo: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
