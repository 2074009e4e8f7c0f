/* The grid of pdf_grid.cpp drawn with libharu (a C PDF writer) with the same
 * TrueType font embedded and compressed streams, for comparison. Prints the
 * in-process time of the work (font loading, drawing, writing the file), wall clock
 * and processor seconds.
 * Usage: pdf_grid_hpdf PAGES CELLS FONT_FILE OUT */
#include <hpdf.h>

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double Clock(clockid_t id)
{
    struct timespec t;
    clock_gettime(id, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

static void OnError(HPDF_STATUS error, HPDF_STATUS detail, void* data)
{
    (void)data;
    fprintf(stderr, "pdf_grid_hpdf: libharu error %04X (%u)\n", (unsigned)error, (unsigned)detail);
    exit(1);
}

int main(int argc, char** argv)
{
    if (argc < 5) {
        fprintf(stderr, "usage: %s PAGES CELLS FONT_FILE OUT\n", argv[0]);
        return 2;
    }
    const int pages = atoi(argv[1]) > 0 ? atoi(argv[1]) : 1;
    const int cells = atoi(argv[2]) > 0 ? atoi(argv[2]) : 1;
    const double mm = 72.0 / 25.4;
    const int columns = 12;
    const int rows = (cells + columns - 1) / columns;
    const double left = 10 * mm, top = 10 * mm, width = 190.0 / columns * mm, height = 277.0 / rows * mm;
    const double pageHeight = 841.8898;

    const double start = Clock(CLOCK_MONOTONIC), cpuStart = Clock(CLOCK_PROCESS_CPUTIME_ID);
    HPDF_Doc pdf = HPDF_New(OnError, NULL);
    if (!pdf)
        return 1;
    HPDF_SetCompressionMode(pdf, HPDF_COMP_ALL);
    const char* name = HPDF_LoadTTFontFromFile(pdf, argv[3], HPDF_TRUE);
    HPDF_Font font = HPDF_GetFont(pdf, name, "WinAnsiEncoding");
    char text[32];
    for (int p = 1; p <= pages; ++p) {
        HPDF_Page page = HPDF_AddPage(pdf);
        HPDF_Page_SetSize(page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
        HPDF_Page_SetLineWidth(page, (HPDF_REAL)(0.2 * mm));
        for (int n = 0; n < cells; ++n) {
            const double x = left + (n % columns) * width;
            const double y = top + (n / columns) * height;
            HPDF_Page_Rectangle(page, (HPDF_REAL)x, (HPDF_REAL)(pageHeight - y - height), (HPDF_REAL)width,
                                (HPDF_REAL)height);
            HPDF_Page_Stroke(page);
            snprintf(text, sizeof text, "P%d C%d", p, n + 1);
            HPDF_Page_BeginText(page);
            HPDF_Page_SetFontAndSize(page, font, 6);
            HPDF_Page_TextOut(page, (HPDF_REAL)(x + 1 * mm), (HPDF_REAL)(pageHeight - (y + height - 2 * mm)), text);
            HPDF_Page_EndText(page);
        }
    }
    const HPDF_STATUS status = HPDF_SaveToFile(pdf, argv[4]);
    HPDF_Free(pdf);
    if (status != HPDF_OK) {
        fprintf(stderr, "pdf_grid_hpdf: cannot write %s\n", argv[4]);
        return 1;
    }
    printf("seconds %.4f cpu %.4f\n", Clock(CLOCK_MONOTONIC) - start, Clock(CLOCK_PROCESS_CPUTIME_ID) - cpuStart);
    return 0;
}
