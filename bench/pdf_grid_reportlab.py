"""The grid of pdf_grid.cpp drawn with the ReportLab canvas and the same TrueType font,
for comparison. Prints the time of the work (font registration, drawing, saving the
file; wall clock and processor seconds) measured inside the interpreter, so its start-up and imports are not counted.
Usage: pdf_grid_reportlab.py PAGES CELLS FONT_FILE OUT"""
import sys
import time

from reportlab.lib.pagesizes import A4
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.pdfgen import canvas


def main():
    if len(sys.argv) < 5:
        sys.exit("usage: pdf_grid_reportlab.py PAGES CELLS FONT_FILE OUT")
    pages, cells = max(1, int(sys.argv[1])), max(1, int(sys.argv[2]))
    mm = 72.0 / 25.4
    columns = 12
    rows = (cells + columns - 1) // columns
    left, top = 10 * mm, 10 * mm
    width, height = 190.0 / columns * mm, 277.0 / rows * mm
    page_height = A4[1]

    start, cpu_start = time.perf_counter(), time.process_time()
    pdfmetrics.registerFont(TTFont("GridSans", sys.argv[3]))
    c = canvas.Canvas(sys.argv[4], pagesize=A4, pageCompression=1)
    for p in range(1, pages + 1):
        c.setFont("GridSans", 6)
        c.setLineWidth(0.2 * mm)
        for n in range(cells):
            x = left + (n % columns) * width
            y = top + (n // columns) * height
            # ReportLab's origin is the bottom-left corner.
            c.rect(x, page_height - y - height, width, height, stroke=1, fill=0)
            c.drawString(x + 1 * mm, page_height - (y + height - 2 * mm), "P%d C%d" % (p, n + 1))
        c.showPage()
    c.save()
    print("seconds %.4f cpu %.4f" % (time.perf_counter() - start, time.process_time() - cpu_start))


main()
