#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the bundled sample files.
source "$(dirname "$0")/common.sh"

ensure_packages
build "$ROOT/build"
BIN="$ROOT/build/bin"

ran=0
if [ -x "$BIN/foldant-pdf" ] && compgen -G "$ROOT/samples/*.pdf" >/dev/null; then
    echo "== Reading the sample PDF files"
    for file in "$ROOT"/samples/*.pdf; do
        echo "-- $(basename "$file")"
        "$BIN/foldant-pdf" check "$file" || true
    done
    ran=1
fi
if [ "$ran" -eq 0 ]; then
    echo "Built $(ls "$BIN" 2>/dev/null | wc -l) program(s) in build/bin; no sending job can run yet."
fi
