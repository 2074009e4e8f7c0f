#!/usr/bin/env bash
# Salted MD5 checksum against md5sum on the same 256 MiB file.
# Usage: bench/run-checksum.sh [BUILD_DIR]   (default build-bench, a Release build)
set -euo pipefail
build=${1:-build-bench}
cd "$(dirname "$0")/.."

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVD_BUILD_BENCH=ON -DVD_BUILD_TESTS=OFF -DVD_BUILD_APPS=OFF >/dev/null
cmake --build "$build" --target checksum -j2 >/dev/null

data=${TMPDIR:-/tmp}/vd-checksum-256MiB.bin
if [[ ! -f "$data" || $(stat -c %s "$data") -ne 268435456 ]]; then
  head -c 268435456 /dev/urandom > "$data"
fi
cat "$data" > /dev/null   # both read from the page cache

# The checksum is the MD5 of the salt followed by the data.
expected=$( (printf 'Quorvel Fixture'; cat "$data") | md5sum | cut -d' ' -f1)
out=$("$build/bench/checksum" "$data" "${ROUNDS:-7}")
echo "$out"
if ! grep -q "$expected" <<<"$out"; then
  echo "MISMATCH: md5sum of salt + data is $expected" >&2
  exit 1
fi
