#!/usr/bin/env bash
# A generated 5000-element plant graphic into a PDF: the converter against
# `rsvg-convert -f pdf` on the same file, both as whole command-line runs (start-up,
# reading, drawing, writing). Target: the converter at least 3 times faster.
# Usage: bench/run-svg.sh [BUILD_DIR]   (default build-bench, a Release build)
set -euo pipefail
build=${1:-build-bench}
cd "$(dirname "$0")/.."

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVD_BUILD_BENCH=ON -DVD_BUILD_TESTS=OFF -DVD_BUILD_APPS=OFF >/dev/null
cmake --build "$build" --target svg_render -j2 >/dev/null
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing (Debian package librsvg2-bin)" >&2; exit 1; }

work=${TMPDIR:-/tmp}/vd-svg-bench
mkdir -p "$work"
svg="$work/plant-5000.svg"
"$build/bench/svg_render" generate "$svg" 5000
elements=$(grep -o '<[a-zA-Z]' "$svg" | wc -l)
echo "plant graphic: $elements elements, $(stat -c %s "$svg") bytes"

rounds=${ROUNDS:-7}
# Median wall time of a command in milliseconds.
median_ms() {
  local times=()
  for ((i = 0; i < rounds; i++)); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (rounds + 1) / 2 ))p"
}

ours=$(median_ms "$build/bench/svg_render" convert "$svg" "$work/plant-vd.pdf")
theirs=$(median_ms rsvg-convert -f pdf -o "$work/plant-rsvg.pdf" "$svg")
"$build/bench/svg_render" time "$svg" "$rounds"
echo "converter:    ${ours} ms  ($(stat -c %s "$work/plant-vd.pdf") bytes)"
echo "rsvg-convert: ${theirs} ms  ($(stat -c %s "$work/plant-rsvg.pdf") bytes)"
awk -v a="$ours" -v b="$theirs" 'BEGIN {
  ratio = (a > 0) ? b / a : 0
  printf "speed-up: %.1fx (target 3x) %s\n", ratio, (ratio >= 3 ? "OK" : "BELOW TARGET")
}'
