/* The grid of pdf_grid.cpp drawn through cairo's PDF surface with the same TrueType
 * font (loaded through FreeType), for comparison. Prints the in-process time of the
 * work (font loading, drawing, finishing the file), wall clock and processor seconds.
 * Usage: pdf_grid_cairo PAGES CELLS FONT_FILE OUT */
#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double Clock(clockid_t id)
{
    struct timespec t;
    clock_gettime(id, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
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

    const double start = Clock(CLOCK_MONOTONIC), cpuStart = Clock(CLOCK_PROCESS_CPUTIME_ID);
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, argv[3], 0, &face) != 0) {
        fprintf(stderr, "pdf_grid_cairo: cannot load the font %s\n", argv[3]);
        return 1;
    }
    cairo_surface_t* surface = cairo_pdf_surface_create(argv[4], 595.2756, 841.8898);
    cairo_t* cr = cairo_create(surface);
    cairo_font_face_t* font = cairo_ft_font_face_create_for_ft_face(face, 0);
    cairo_set_font_face(cr, font);
    cairo_set_font_size(cr, 6);
    cairo_set_line_width(cr, 0.2 * mm);
    char text[32];
    for (int p = 1; p <= pages; ++p) {
        for (int n = 0; n < cells; ++n) {
            const double x = left + (n % columns) * width;
            const double y = top + (n / columns) * height;
            cairo_rectangle(cr, x, y, width, height);
            cairo_stroke(cr);
            snprintf(text, sizeof text, "P%d C%d", p, n + 1);
            cairo_move_to(cr, x + 1 * mm, y + height - 2 * mm);
            cairo_show_text(cr, text);
        }
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const cairo_status_t status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    cairo_font_face_destroy(font);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (status != CAIRO_STATUS_SUCCESS) {
        fprintf(stderr, "pdf_grid_cairo: %s\n", cairo_status_to_string(status));
        return 1;
    }
    printf("seconds %.4f cpu %.4f\n", Clock(CLOCK_MONOTONIC) - start, Clock(CLOCK_PROCESS_CPUTIME_ID) - cpuStart);
    return 0;
}
