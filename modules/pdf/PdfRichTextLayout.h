#pragma once
// Lays a rich-text tree out as flowing text, lists and tables, and places the result on
// the document's pages through its public drawing calls. Every block is first broken
// into horizontal slices (a line, a table row group, a rule) that never split; the
// placer then fills pages with them, repeating table headers after a break.
#include "pdf/PdfRichText.h"

#include <memory>

class PdfDocument;

class PdfRichTextLayout
{
public:
    explicit PdfRichTextLayout(PdfDocument& document);
    ~PdfRichTextLayout();
    PdfRichTextLayout(const PdfRichTextLayout&) = delete;
    PdfRichTextLayout& operator=(const PdfRichTextLayout&) = delete;

    // Writes the children of `root` from the pen between the margins; the document's
    // font, colours and line width are restored afterwards and the pen ends at the left
    // margin below the text.
    void Write(const vdpdf::richtext::Node& root);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
