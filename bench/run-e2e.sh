#!/usr/bin/env bash
# End to end: vdreport writes the combined example's design report, run in the
# build's examples folder (laid out like the installation folder) as
# scripts/make-report does. Wall time and peak resident memory, median
# of ROUNDS runs (default 5).
# Usage: bench/run-e2e.sh [BUILD_DIR]   (default build-bench, a Release build)
set -euo pipefail
build=${1:-build-bench}
cd "$(dirname "$0")/.."
source bench/lib.sh
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing (Debian package time)" >&2; exit 1; }
bench_need pdfinfo poppler-utils
bench_build "$build" vdreport vd_example_data
project=$PWD/examples/combined/project.xml
exe=$(cd "$build" && pwd)/apps/vdreport/vdreport

work=$(mktemp -d "${TMPDIR:-/tmp}/vd-e2e-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
for ((i = 0; i < ${ROUNDS:-5}; i++)); do
  start=$(date +%s%N)
  (cd "$build/examples" && /usr/bin/time -f '%M' -o "$work/kb.$i" "$exe" -q -o "$work/report.pdf" "$project" >/dev/null) ||
    { echo "vdreport failed on the combined example" >&2; exit 1; }
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f\n", ns / 1e9 }' >>"$work/seconds"
  cat "$work/kb.$i" >>"$work/kb"
done
seconds=$(bench_median <"$work/seconds") kb=$(bench_median <"$work/kb")
pages=$(pdfinfo "$work/report.pdf" | awk '/^Pages:/ { print $2 }')
echo "vdreport combined example: $pages pages, median wall $seconds s, median peak RSS $((kb / 1024)) MB"
echo "ROW|7|vdreport, combined example ($pages pages): wall, peak RSS|$seconds s, $((kb / 1024)) MB|-|-|-|-"
