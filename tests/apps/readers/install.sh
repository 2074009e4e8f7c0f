#!/usr/bin/env bash
# Installs the node PDF readers of the end-to-end tests (PDFium, pdf.js) into
# node_modules/ beside this script (git-ignored). Quiet and quick when they are there.
set -euo pipefail
cd "$(dirname "$0")"
if [[ -f node_modules/.vd-installed && node_modules/.vd-installed -nt package.json ]]; then
  exit 0
fi
command -v npm >/dev/null || { echo "install.sh: npm not found" >&2; exit 1; }
npm install --no-audit --no-fund --loglevel=error >/dev/null
touch node_modules/.vd-installed
