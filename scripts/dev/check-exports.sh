#!/usr/bin/env bash
# Finds public functions that lack VDCOMMON_API: links the object files of the test
# suites that use the public API only against the shared libvdcommon instead of the
# static module libraries, and prints every symbol the library does not export.
#
#   scripts/dev/check-exports.sh [BUILD]      (after a build of the tests)
#
# A name listed here is either missing VDCOMMON_API in its public header, or a test
# uses a private class (test_printing uses XMLHelpers::LoadXmlDocument of the private
# XmlDocumentLoader.h; that one is expected).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
wx=$(wx-config --libs core,base,xml)
status=0
for suite in pdf database utilities messages calculations diagrams svg printing report; do
  dir=$build/tests/CMakeFiles/test_$suite.dir
  [[ -d "$dir" ]] || continue
  mapfile -t objects < <(find "$dir" -name '*.o')
  (( ${#objects[@]} )) || continue
  # shellcheck disable=SC2086
  missing=$(g++ -o /dev/null "${objects[@]}" "$build/tests/libvd_test_support.a" \
              "$build/modules/libvdhost_headless.a" -L"$build/modules" -lvdcommon $wx \
              -lgtest -lfmt -pthread 2>&1 | grep -o "undefined reference to \`[^']*'" | sort -u || true)
  if [[ -n "$missing" ]]; then
    echo "test_$suite:"; echo "$missing" | sed 's/^/  /'
    status=1
  fi
done
exit $status
