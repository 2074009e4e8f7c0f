#!/usr/bin/env bash
# Project data to report markup: the converter against the same three style sheets
# run one after another (libxslt alone and xsltproc) over a 3 MB project.
# Usage: bench/run-pipeline.sh [BUILD_DIR]   (default build-bench, a Release build)
# The serial figure is broken down by stage so that the parts add up to the whole.
# Instruction counts, which load from other work on the machine does not change:
#   valgrind --tool=callgrind --toggle-collect='*RunSerial*' BUILD/bench/pipeline \
#     tests/vdcommon/report/data /tmp 1 serial      (and '*RunBare*' ... 1 bare)
set -euo pipefail
build=${1:-build-bench}
cd "$(dirname "$0")/.."
command -v xsltproc >/dev/null || { echo "xsltproc is not installed" >&2; exit 1; }

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVD_BUILD_BENCH=ON -DVD_BUILD_TESTS=OFF -DVD_BUILD_APPS=OFF >/dev/null
cmake --build "$build" --target pipeline -j2 >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/vd-pipeline.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Other work on the machine distorts the figures (the speed-up above all): the load
# averages before and after go with them.
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/pipeline" "$PWD/tests/vdcommon/report/data" "$work" "${ROUNDS:-5}"
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
