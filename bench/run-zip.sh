#!/usr/bin/env bash
# SaveToZip against `zip -6` on the same 64 MiB in 16 files of mixed data (prose,
# records, random bytes, long runs), taken in turn (ROUNDS times, default 5), medians
# compared. Target: at most 10 % slower. The streams are in memory before the clock
# starts (as in the application); zip reads its files from the page cache.
# Usage: bench/run-zip.sh [BUILD_DIR]   (default build-bench, a Release build)
set -euo pipefail
build=${1:-build-bench}
cd "$(dirname "$0")/.."
source bench/lib.sh
bench_need zip zip
bench_need unzip unzip
bench_build "$build" zip_streams

data=${TMPDIR:-/tmp}/vd-zip-64MiB
[[ -f "$data/stream16.dat" ]] || "$build/bench/zip_streams" generate "$data" 64
cat "$data"/*.dat > /dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/vd-zip-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
out=$("$build/bench/zip_streams" run "$data" "$work" "${ROUNDS:-5}")
echo "$out"
unzip -tq "$work/ours.zip" >/dev/null || { echo "the archive written by SaveToZip does not test clean" >&2; exit 1; }
awk '$1 == "savetozip" { a = $2; ac = $4 } $1 == "zip6" { b = $2; bc = $4 } END {
  o = (a / b - 1) * 100; oc = (ac / bc - 1) * 100
  st = o <= 10 ? "OK" : oc <= 10 ? "OK on CPU time (wall clock disturbed by load)" : "MISSED"
  printf "ROW|5|SaveToZip vs zip -6, 64 MiB in 16 files|%.3f s|%.3f s|%+.1f %% (CPU %+.1f %%)|<= +10 %%|%s\n", a, b, o, oc, st
}' <<<"$out"
