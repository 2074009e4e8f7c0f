// Documents large enough for the layer's bulk paths: page contents deflated while
// later pages are drawn, documents dropped open.
#include <gtest/gtest.h>

#include "vdcommon/pdf/PdfDocument.h"
#include "support/PdfProbe.h"

#include <algorithm>
#include <string>

namespace {

// Pages with far more content than a handful of lines: a grid of framed numbers,
// the page number and the page-count alias on some of them.
void DrawPages(PdfDocument& doc, int pages, int tpl)
{
    doc.AliasNbPages();
    doc.SetAutoPageBreak(false);
    for (int p = 1; p <= pages; ++p) {
        doc.AddPage();
        doc.SetFont("Helvetica", "", 6);
        for (int n = 0; n < 400; ++n) {
            const double x = 10 + (n % 16) * 11.5, y = 20 + (n / 16) * 10.5;
            doc.Rect(x, y, 11.5, 10.5);
            doc.Text(x + 1, y + 7, wxString::Format("%d.%d", p, n));
        }
        doc.SetFont("Helvetica", "", 10);
        doc.Text(10, 12, p % 3 == 0 ? wxString::Format("Page %d of {nb}", p) : wxString::Format("Page %d", p));
        if (tpl)
            doc.UseTemplate(tpl, 180, 5, 20);
    }
}

std::string Document(int pages, bool compress, bool withTemplate)
{
    PdfDocument doc;
    doc.SetCompression(compress);
    int tpl = 0;
    if (withTemplate) {
        tpl = doc.BeginTemplate(0, 0, 40, 40);
        for (int i = 0; i < 300; ++i)
            doc.Line(0, i * 0.13, 40, 40 - i * 0.13);
        doc.EndTemplate();
    }
    DrawPages(doc, pages, tpl);
    return pdfprobe::Bytes(doc.CloseAndGetBuffer());
}

} // namespace

// Every page keeps its own content, in order, whether its stream was deflated at once,
// on the way or at close (pages with the page-count alias), and deflating changes
// nothing but the encoding.
TEST(LargeDocument, CompressedPagesKeepTheirOwnContent)
{
    const int pages = 9;
    const std::string packed = Document(pages, true, true);
    const std::string plain = Document(pages, false, true);
    ASSERT_TRUE(pdfprobe::QpdfCheck(packed).ok) << pdfprobe::QpdfCheck(packed).output;
    EXPECT_EQ(pdfprobe::GetInfo(packed).pages, pages);
    EXPECT_GT(plain.size(), packed.size() * 4);
    // pdftotext ends every page with a form feed.
    const std::string text = pdfprobe::Text(packed);
    size_t start = 0;
    for (int p = 1; p <= pages; ++p) {
        const std::string content = pdfprobe::PageContent(packed, p);
        EXPECT_GT(content.size(), 16000u) << "page " << p;
        EXPECT_EQ(content, pdfprobe::PageContent(plain, p)) << "page " << p;
        const size_t end = std::min(text.find('\f', start), text.size());
        const std::string page = text.substr(start, end - start);
        start = end + 1;
        const std::string heading =
            p % 3 == 0 ? "Page " + std::to_string(p) + " of " + std::to_string(pages) : "Page " + std::to_string(p);
        EXPECT_NE(page.find(heading), std::string::npos) << "page " << p;
        EXPECT_NE(page.find(std::to_string(p) + ".399"), std::string::npos) << "page " << p;
    }
}

// A document dropped before it is closed, with contents still being deflated, goes
// away cleanly; the next one is unaffected.
TEST(LargeDocument, DroppedOpenDocument)
{
    {
        PdfDocument doc;
        DrawPages(doc, 16, 0);
    }
    EXPECT_TRUE(pdfprobe::QpdfCheck(Document(3, true, false)).ok);
}
