#!/usr/bin/env bash
# Salted MD5 checksum against md5sum and `openssl md5` on the same 256 MiB file,
# taken in turn (ROUNDS times, default 7), medians compared.
# Target: at least 0.95 of md5sum's throughput.
# Usage: bench/run-checksum.sh [BUILD_DIR]   (default build-bench, a Release build)
set -euo pipefail
build=${1:-build-bench}
cd "$(dirname "$0")/.."
source bench/lib.sh
bench_need md5sum coreutils
bench_need openssl openssl
bench_build "$build" checksum

data=${TMPDIR:-/tmp}/vd-checksum-256MiB.bin
if [[ ! -f "$data" || $(stat -c %s "$data") -ne 268435456 ]]; then
  head -c 268435456 /dev/urandom > "$data"
fi
cat "$data" > /dev/null   # all read from the page cache

# The checksum is the MD5 of the salt followed by the data.
expected=$( (printf 'Quorvel Fixture'; cat "$data") | md5sum | cut -d' ' -f1)
out=$("$build/bench/checksum" "$data" "${ROUNDS:-7}")
echo "$out"
if ! grep -q "$expected" <<<"$out"; then
  echo "MISMATCH: md5sum of salt + data is $expected" >&2
  exit 1
fi
# Throughputs: fields 2 (wall) and 3 (processor time) of each tool's line.
get() { awk -v t="$1" -v f="$2" '$1 == t { print $f }' <<<"$out"; }
for peer in md5sum openssl; do
  wall=$(awk -v a="$(get checksum 2)" -v b="$(get $peer 2)" 'BEGIN { printf "%.2f", a / b }')
  cpu=$(awk -v a="$(get checksum 3)" -v b="$(get $peer 3)" 'BEGIN { printf "%.2f", a / b }')
  if [[ $peer == md5sum ]]; then
    bench_row 4a "Salted MD5, 256 MiB: vs md5sum" "$(get checksum 2) MiB/s" "$(get md5sum 2) MiB/s" \
      "$wall (CPU $cpu)" ">= 0.95" "$(bench_status "$wall" "$cpu" 0.95)"
  else
    bench_row 4b "Salted MD5, 256 MiB: vs openssl md5" "$(get checksum 2) MiB/s" "$(get openssl 2) MiB/s" \
      "$wall (CPU $cpu)" "-" "-"
  fi
done
