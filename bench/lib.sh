# Shared by the bench/run-*.sh scripts (sourced, not run).
# Every script may run on its own: bench_build configures the Release build folder
# the same way `make bench` does and builds the targets it names.

bench_build() {
  local build=$1; shift
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVD_BUILD_BENCH=ON -DVD_BUILD_TESTS=OFF \
    -DVD_BUILD_APPS=ON >/dev/null
  cmake --build "$build" -j "$(nproc)" --target "$@" >/dev/null
}

# Fails with the package to install when a peer tool is missing.
bench_need() {
  local tool=$1 package=$2
  command -v "$tool" >/dev/null || { echo "$tool is missing (Debian package $package; make bench installs it)" >&2; exit 1; }
}

bench_median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }

# One row of the summary table: id | what | ours | peer | ratio | target | status.
# bench/run collects these lines from every script's output.
bench_row() {
  local IFS='|'
  echo "ROW|$*"
}

# Result of a ratio against its minimum: OK when the wall-clock ratio reaches it; when
# only the processor-time ratio does, the wall clock was disturbed by other work on
# the machine and the row says so.
# Usage: bench_status WALL_RATIO CPU_RATIO MINIMUM
bench_status() {
  awk -v w="$1" -v c="$2" -v m="$3" 'BEGIN {
    if (w >= m) print "OK"; else if (c >= m) print "OK on CPU time (wall clock disturbed by load)"; else print "MISSED"
  }'
}

# The machine's one-minute load average.
bench_load() { cut -d' ' -f1 /proc/loadavg; }

# Rewrites the ROW lines on stdin for a table: the load average LOAD goes next to the
# figure (after "ours"), and when LOAD is above half the processors a verdict gives
# way to "not measured: machine busy": other work then decides the figure as much as
# our code does. Rows without a verdict ("-") keep it.
# Usage: bench_gate LOAD < rows
bench_gate() {
  awk -F'|' -v OFS='|' -v load="$1" -v cores="$(nproc)" '/^ROW\|/ {
    status = $8
    if (load > 0.5 * cores && status != "-" && status != "")
      status = "not measured: machine busy"
    print $1, $2, $3, $4, load, $5, $6, $7, status
  }'
}
