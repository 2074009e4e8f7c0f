#!/usr/bin/env bash
# A generated 5000-element plant graphic into a PDF: the converter against
# `rsvg-convert -f pdf` on the same file, both as whole command-line runs (start-up,
# reading, drawing, writing), taken in turn (ROUNDS times, default 7), medians
# compared. Target: the converter at least 3 times faster.
# Usage: bench/run-svg.sh [BUILD_DIR]   (default build-bench, a Release build)
set -euo pipefail
build=${1:-build-bench}
cd "$(dirname "$0")/.."
source bench/lib.sh
bench_need rsvg-convert librsvg2-bin
bench_build "$build" svg_render

work=$(mktemp -d "${TMPDIR:-/tmp}/vd-svg-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
svg="$work/plant-5000.svg"
"$build/bench/svg_render" generate "$svg" 5000
elements=$(grep -o '<[a-zA-Z]' "$svg" | wc -l)
echo "plant graphic: $elements elements, $(stat -c %s "$svg") bytes"

rounds=${ROUNDS:-7}
bench_need /usr/bin/time time
# Wall and processor seconds of one command: "wall user+system".
run() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) '{ printf "%.4f %.4f\n", ns / 1e9, $1 + $2 }' "$work/time"
}
for ((i = 0; i < rounds; i++)); do
  run "$build/bench/svg_render" convert "$svg" "$work/plant-vd.pdf" >>"$work/ours"
  run rsvg-convert -f pdf -o "$work/plant-rsvg.pdf" "$svg" >>"$work/theirs"
done
col() { awk -v c="$1" '{ print $c }' "$work/$2" | bench_median; }
"$build/bench/svg_render" time "$svg" "$rounds"
echo "converter:    $(col 1 ours) s wall, $(col 2 ours) s CPU  ($(stat -c %s "$work/plant-vd.pdf") bytes)"
echo "rsvg-convert: $(col 1 theirs) s wall, $(col 2 theirs) s CPU  ($(stat -c %s "$work/plant-rsvg.pdf") bytes)"
wall=$(awk -v a="$(col 1 ours)" -v b="$(col 1 theirs)" 'BEGIN { printf "%.2f", b / a }')
# Processor time is counted in hundredths; a floor keeps a tiny figure from dividing by 0.
cpu=$(awk -v a="$(col 2 ours)" -v b="$(col 2 theirs)" 'BEGIN { if (a < 0.01) a = 0.01; printf "%.2f", b / a }')
echo "speed-up: ${wall}x wall, ${cpu}x CPU (target 3x)"
bench_row 6 "SVG to PDF, $elements elements: vs rsvg-convert" "$(col 1 ours) s" "$(col 1 theirs) s" \
  "${wall}x (CPU ${cpu}x)" ">= 3x" "$(bench_status "$wall" "$cpu" 3)"
