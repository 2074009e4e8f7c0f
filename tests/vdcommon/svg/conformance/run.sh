#!/usr/bin/env bash
# SVG conformance: every case of the shared suite is converted with vdsvg to a PDF of
# the reference's size, rendered with pdftocairo at 4x and compared with the reference
# (svg_compare). Prints the pass rate per folder and fails when fewer cases pass than
# the floor kept in conformance-floor.txt.
#
#   run.sh SUITE_DIR VDSVG SVG_COMPARE OUT_DIR [FLOOR_FILE]
#
# A suite that is not there skips the test (exit 77). Two cases run at a time; a case
# that takes longer than 30 s counts as failed.
set -uo pipefail
suite=${VD_SVG_SUITE:-$1} vdsvg=$2 compare=$3 out=$4 floor_file=${5:-}
if [[ ! -f "$suite/cases.txt" ]]; then
  echo "SVG suite not found at $suite: conformance test skipped"
  exit 77
fi
command -v pdftocairo >/dev/null || { echo "pdftocairo missing: conformance test skipped"; exit 77; }
mkdir -p "$out"

run_case() {
  local name=$1 w=$2 h=$3
  local flat=${name//\//__}
  local pdf="$out/$flat.pdf" png="$out/$flat"
  rm -f "$pdf" "$png.png" "$png-diff.png"
  if ! timeout 30 "$vdsvg" "$suite/cases/$name.svg" -o "$pdf" --width "$w" --height "$h" \
       --font-dir "$suite/fonts" >"$out/$flat.log" 2>&1; then
    echo "FAIL $name convert"
    return
  fi
  if ! timeout 30 pdftocairo -png -r 288 -singlefile "$pdf" "$png" >>"$out/$flat.log" 2>&1; then
    echo "FAIL $name render"
    return
  fi
  local result
  if result=$("$compare" "$suite/cases/$name.png" "$png.png" "$png-diff.png"); then
    echo "PASS $name $result"
  else
    echo "FAIL $name $result"
  fi
}
export -f run_case
export suite vdsvg compare out

results=$(xargs -P 2 -L 1 bash -c 'run_case "$@"' _ <"$suite/cases.txt" | sort -k2)
printf '%s\n' "$results" >"$out/results.txt"
printf '%s\n' "$results" | awk '
  { split($2, p, "/"); folder = p[1] "/" p[2]; total[folder]++; all++
    if ($1 == "PASS") { pass[folder]++; passed++ } }
  END {
    for (f in total) printf "%-32s %3d / %3d  %5.1f %%\n", f, pass[f], total[f], 100 * pass[f] / total[f]
    printf "%-32s %3d / %3d  %5.1f %%\n", "total", passed, all, 100 * passed / all
  }' | sort
passed=$(grep -c '^PASS' <<<"$results")
if [[ -n "$floor_file" && -f "$floor_file" ]]; then
  floor=$(tr -dc '0-9' <"$floor_file")
  if (( passed < floor )); then
    echo "conformance fell below the floor: $passed cases pass, the floor is $floor"
    grep '^FAIL' <<<"$results"
    exit 1
  fi
  echo "$passed cases pass (floor $floor); failures and diff pictures in $out"
fi
exit 0
