#!/usr/bin/env bash
# The PDF layer against ReportLab's canvas, cairo's PDF surface and libharu: 100 A4
# pages of 300 cells, each a stroked rectangle and a short text in the same embedded
# TrueType font, compressed streams. Ours shapes every text (HarfBuzz, kerning on);
# the peers set plain advances. The four run in turn (ROUNDS times, default 5); each
# reports the in-process time of its work (font loading, drawing, writing the file;
# for ReportLab without the interpreter's start-up and imports). Medians compared.
# Targets: at least 5 times ReportLab's speed, 4 times cairo's, 1.5 times libharu's.
# Two more rows time ours alone on the same grid with Chinese texts (a fallback CJK
# face) and with ten scripts in turn (right-to-left and Indic ones included).
# Usage: bench/run-pdf.sh [BUILD_DIR]   (default build-bench, a Release build)
set -euo pipefail
build=${1:-build-bench}
cd "$(dirname "$0")/.."
source bench/lib.sh

python=/usr/bin/python3
[[ -x $python ]] && $python -c 'import reportlab' 2>/dev/null ||
  { echo "ReportLab is missing (Debian package python3-reportlab)" >&2; exit 1; }
font=/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf
[[ -f $font ]] || { echo "$font is missing (Debian package fonts-liberation2)" >&2; exit 1; }
bench_need pdftotext poppler-utils
bench_need pdffonts poppler-utils
bench_build "$build" pdf_grid
[[ -x "$build/bench/pdf_grid_cairo" ]] || bench_build "$build" pdf_grid_cairo 2>/dev/null ||
  { echo "pdf_grid_cairo was not built: cairo is missing (Debian package libcairo2-dev)" >&2; exit 1; }
[[ -x "$build/bench/pdf_grid_hpdf" ]] || bench_build "$build" pdf_grid_hpdf 2>/dev/null ||
  { echo "pdf_grid_hpdf was not built: libharu is missing (Debian package libhpdf-dev)" >&2; exit 1; }

pages=${PAGES:-100} cells=${CELLS:-300} rounds=${ROUNDS:-5}
work=$(mktemp -d "${TMPDIR:-/tmp}/vd-pdf-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
for ((i = 0; i < rounds; i++)); do
  "$build/bench/pdf_grid" "$pages" "$cells" "$font" "$work/ours.pdf" >>"$work/ours"
  $python bench/pdf_grid_reportlab.py "$pages" "$cells" "$font" "$work/reportlab.pdf" >>"$work/reportlab"
  "$build/bench/pdf_grid_cairo" "$pages" "$cells" "$font" "$work/cairo.pdf" >>"$work/cairo"
  "$build/bench/pdf_grid_hpdf" "$pages" "$cells" "$font" "$work/libharu.pdf" >>"$work/libharu"
  "$build/bench/pdf_grid" "$pages" "$cells" "$font" "$work/cjk.pdf" cjk >>"$work/cjk"
  "$build/bench/pdf_grid" "$pages" "$cells" "$font" "$work/mixed.pdf" mixed >>"$work/mixed"
done
# The median of field NAME (wall "seconds" or processor "cpu") of one program's runs.
field() { awk -v k="$1" '{ for (i = 1; i < NF; i++) if ($i == k) print $(i + 1) }' "$work/$2" | bench_median; }

# The same content in all four: every page of each carries the same texts.
for f in ours reportlab cairo libharu; do
  pdftotext -f 1 -l 1 "$work/$f.pdf" - | tr -s ' \n' '\n\n' | grep -c '^C[0-9]' >"$work/$f.cells"
  pdffonts "$work/$f.pdf" | awk 'NR > 2 && $(NF - 4) == "yes" { print $1 }' | sort -u | tr '\n' ' ' >"$work/$f.emb"
  if [[ $(cat "$work/$f.cells") -ne $cells || ! -s "$work/$f.emb" ]]; then
    echo "$f: page 1 does not show the $cells cells with an embedded font; the comparison would be unfair" >&2
    exit 1
  fi
done
echo "grid: $pages pages x $cells cells, font $(basename "$font"), median of $rounds runs (in-process seconds)"
# The CJK and mixed grids: their texts come back, in fonts that have them.
grep -q '第1页' <(pdftotext -f 1 -l 1 "$work/cjk.pdf" - | tr -d ' ') && grep -q 'CJK' <(pdffonts "$work/cjk.pdf") ||
  { echo "cjk: page 1 does not show the Chinese texts in a CJK face" >&2; exit 1; }
for word in 'Стр' 'Σελ' 'صفحة' 'עמוד' 'पृष्ठ' 'หน้า'; do
  grep -q "$word" <(pdftotext -f 1 -l 1 "$work/mixed.pdf" -) ||
    { echo "mixed: page 1 does not show \"$word\"" >&2; exit 1; }
done
printf '%-10s %8s %8s %9s  %s\n' "" wall cpu size "cells on page 1, embedded fonts"
for f in ours reportlab cairo libharu; do
  printf '%-10s %8.3f %8.3f %6.2f MB  %s, %s\n' "$f" "$(field seconds "$f")" "$(field cpu "$f")" \
    "$(stat -c %s "$work/$f.pdf" | awk '{ print $1 / 1e6 }')" "$(cat "$work/$f.cells")" "$(cat "$work/$f.emb")"
done
what="$pages p x $cells cells"
for f in cjk mixed; do
  printf '%-10s %8.3f %8.3f %6.2f MB  (%s texts, shaped, fallback fonts)\n' "$f" "$(field seconds "$f")" \
    "$(field cpu "$f")" "$(stat -c %s "$work/$f.pdf" | awk '{ print $1 / 1e6 }')" "$f"
done
for peer in reportlab cairo libharu; do
  case $peer in
    reportlab) id=1a name=ReportLab minimum=5 ;;
    cairo) id=1b name=cairo minimum=4 ;;
    libharu) id=1c name=libharu minimum=1.5 ;;
  esac
  wall=$(awk -v a="$(field seconds ours)" -v b="$(field seconds $peer)" 'BEGIN { printf "%.2f", b / a }')
  cpu=$(awk -v a="$(field cpu ours)" -v b="$(field cpu $peer)" 'BEGIN { printf "%.2f", b / a }')
  bench_row "$id" "PDF grid $what: vs $name" "$(field seconds ours) s" "$(field seconds $peer) s" \
    "${wall}x (CPU ${cpu}x)" ">= ${minimum}x" "$(bench_status "$wall" "$cpu" "$minimum")"
done
bench_row 1d "PDF grid $what, Chinese texts (fallback CJK face)" "$(field seconds cjk) s" - \
  "$(awk -v a="$(field seconds cjk)" -v b="$(field seconds ours)" 'BEGIN { printf "%.2fx Latin", a / b }')" - -
bench_row 1e "PDF grid $what, ten scripts in turn" "$(field seconds mixed) s" - \
  "$(awk -v a="$(field seconds mixed)" -v b="$(field seconds ours)" 'BEGIN { printf "%.2fx Latin", a / b }')" - -
