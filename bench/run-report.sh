#!/usr/bin/env bash
# The report engine on the combined example's markup, its body repeated to about 10,
# 100 and 1000 pages. The markup is made once per run and not timed; building the
# report from it into memory is. Prints pages per second and the peak resident memory
# of each size (median of ROUNDS runs, default 3, the sizes taken in turn) and checks
# that the time grows linearly: time(1000) / time(100) should be about 10.
# Then the same markup handed over copy by copy (report_scale --streamed: the repeated
# tree is never made) at about 1000 and 10,000 pages: the whole process's peak at
# 10,000 pages and how much it grows per 1000 pages, against the PDF's own growth.
# Usage: bench/run-report.sh [BUILD_DIR]   (default build-bench, a Release build)
set -euo pipefail
build=${1:-build-bench}
cd "$(dirname "$0")/.."
source bench/lib.sh
bench_need xsltproc xsltproc
bench_build "$build" report_scale vd_example_data
exe=$(cd "$build" && pwd)/bench/report_scale
project=$PWD/examples/combined/project.xml

rounds=${ROUNDS:-3}
sizes=(10 100 1000)
streamed=(1000 10000)
work=$(mktemp -d "${TMPDIR:-/tmp}/vd-report-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
for ((i = 0; i < rounds; i++)); do
  for n in "${sizes[@]}"; do
    # The build's examples folder is laid out like the installation folder (plant
    # graphics below data/, master.db): run there, as scripts/make-report does.
    line=$(cd "$build/examples" && "$exe" "$project" "$n" 2>&1 >/dev/null | grep '^report_scale:') ||
      { echo "report_scale failed for $n pages" >&2; exit 1; }
    if [[ $line == *error* ]]; then echo "$line" >&2; exit 1; fi
    echo "$line" >>"$work/$n"
  done
  for n in "${streamed[@]}"; do
    line=$(cd "$build/examples" && "$exe" --streamed "$project" "$n" 2>&1 >/dev/null | grep '^report_scale:') ||
      { echo "report_scale --streamed failed for $n pages" >&2; exit 1; }
    if [[ $line == *error* ]]; then echo "$line" >&2; exit 1; fi
    echo "$line" >>"$work/s$n"
  done
done
field() { awk -v k="$1" '{ for (i = 1; i < NF; i++) if ($i == k) print $(i + 1) }' "$work/$2" | bench_median; }
# "before" is the resident memory before the build (libraries and the markup, which
# grows with the pages too); the report's own share is the peak minus that.
printf '%-8s %6s %10s %10s %10s %10s %8s\n' target pages seconds pages/s "RSS MB" "before MB" "PDF MB"
for n in "${sizes[@]}"; do
  printf '%-8s %6s %10s %10.1f %10s %10s %8s\n' "$n" "$(field pages "$n")" "$(field seconds "$n")" \
    "$(awk -v p="$(field pages "$n")" -v s="$(field seconds "$n")" 'BEGIN { print p / s }')" "$(field rss_mb "$n")" \
    "$(field input_rss_mb "$n")" "$(field pdf_mb "$n")"
  echo "ROW|2.$n|Report engine, $(field pages "$n") pages: pages/s, peak RSS (report's own)|$(
    awk -v p="$(field pages "$n")" -v s="$(field seconds "$n")" -v r="$(field rss_mb "$n")" -v i="$(field input_rss_mb "$n")" \
      'BEGIN { printf "%.0f pages/s, %s MB (%.1f MB)", p / s, r, r - i }')|-|-|-|-"
done
awk -v t1="$(field seconds 100)" -v t2="$(field seconds 1000)" -v p1="$(field pages 100)" -v p2="$(field pages 1000)" 'BEGIN {
  r = t2 / t1; pr = p2 / p1
  printf "time(1000) / time(100) = %.2f for %.2f times the pages\n", r, pr
  # No worse than linear within a quarter, measured against the actual page counts.
  # Faster than linear is no fault: pictures repeated in the larger reports are drawn
  # once, so their pages cost less.
  ok = (r / pr <= 1.25)
  printf "ROW|2|Report engine: time(1000 p) / time(100 p)|%.3f s|%.3f s|%.2f|~%.1f (linear)|%s\n", t2, t1, r, pr, (ok ? "OK" : "MISSED")
}'

# Streamed: the peak is the whole process (libraries and fonts, one copy of the body,
# the report); its growth per 1000 pages is the report's alone.
printf '%-8s %6s %10s %10s %8s\n' streamed pages seconds "RSS MB" "PDF MB"
for n in "${streamed[@]}"; do
  printf '%-8s %6s %10s %10s %8s\n' "$n" "$(field pages "s$n")" "$(field seconds "s$n")" "$(field rss_mb "s$n")" \
    "$(field pdf_mb "s$n")"
done
awk -v p1="$(field pages s1000)" -v p2="$(field pages s10000)" -v r1="$(field rss_mb s1000)" \
  -v r2="$(field rss_mb s10000)" -v d1="$(field pdf_mb s1000)" -v d2="$(field pdf_mb s10000)" 'BEGIN {
  per = (p2 - p1) / 1000
  grow = (r2 - r1) / per; pdf = (d2 - d1) / per
  printf "streamed: peak %.1f MB at %d pages; growth %.2f MB per 1000 pages, PDF %.2f MB per 1000 pages\n", r2, p2, grow, pdf
  printf "ROW|2s|Report engine, %d pages streamed: whole-process peak RSS|%.1f MB|-|-|< 100 MB|%s\n", p2, r2, (r2 < 100 ? "OK" : "MISSED")
  printf "ROW|2g|Report engine streamed: peak RSS growth per 1000 pages|%.2f MB|-|%.2f x PDF (%.2f MB)|<= 4 MB, <= 2 x PDF|%s\n",
    grow, grow / pdf, pdf, (grow <= 4 && grow <= 2 * pdf ? "OK" : "MISSED")
}'
