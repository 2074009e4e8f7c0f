#!/usr/bin/env bash
# Keeps the public/private header split of scripts/dev/public-headers.txt.
#
#   scripts/dev/public-headers.sh [--move] [FILE...]
#
# --move  moves every listed header that still sits in modules/ to include/ with
#         `git mv` (a header added to the list later is moved the same way).
# Then rewrites the include lines of FILE... (default: every tracked C/C++ source,
# header and CMake file) from the old spelling to the new one, e.g.
#   #include "pdf/PdfDocument.h"  ->  #include "vdcommon/pdf/PdfDocument.h"
# Safe to run again: lines already rewritten are left alone.
set -euo pipefail
cd "$(dirname "$0")/../.."
list=scripts/dev/public-headers.txt

move=0
if [[ "${1:-}" == "--move" ]]; then move=1; shift; fi

sed_script=$(mktemp)
trap 'rm -f "$sed_script"' EXIT
while read -r old new; do
  [[ -z "$old" || "$old" == \#* ]] && continue
  if (( move )) && [[ -f "modules/$old" ]]; then
    mkdir -p "include/$(dirname "$new")"
    git mv "modules/$old" "include/$new"
  fi
  if [[ "$old" != "$new" ]]; then
    # Only quoted includes of exactly this path: "pdf/PdfDocument.h" must not touch
    # "vdcommon/pdf/PdfDocument.h" or "pdf/PdfDocumentImpl.h".
    printf 's|#include "%s"|#include "%s"|g\n' "${old//./\\.}" "$new" >>"$sed_script"
  fi
done <"$list"

if (( $# )); then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.h' '*.hpp' '*.cpp' '*.cc' '*.c' '*.md')
fi
for f in "${files[@]}"; do
  [[ -f "$f" ]] && sed -i -f "$sed_script" "$f"
done
