#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the bundled sample files.
source "$(dirname "$0")/common.sh"

ensure_packages
build "$ROOT/build"
BIN="$ROOT/build/bin"

# The main job: a sending job on the bundled samples. The invoice is the document being sent
# (the target the chosen attachments are joined to); the attachments are two PDF files and a
# note that is not a PDF file. Everything happens in a folder of its own, kept for a look.
JOB="$ROOT/build/demo-job"
rm -rf "$JOB"
mkdir -p "$JOB/Anhänge" "$JOB/db"
cp "$ROOT/samples/Lieferschein 2026-0815.pdf" "$ROOT/samples/Preisübersicht März.pdf" \
   "$ROOT/samples/Notiz.txt" "$JOB/Anhänge/"
TARGET="$JOB/Rechnung 2026-0815 mit Anlagen.pdf"
cp "$ROOT/samples/Rechnung 2026-0815.pdf" "$TARGET"
ATTACHMENTS=("$JOB/Anhänge/Lieferschein 2026-0815.pdf" "$JOB/Anhänge/Notiz.txt"
             "$JOB/Anhänge/Preisübersicht März.pdf")

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "== A sending job: choose the attachments in the window, then press Ausführen"
    "$BIN/foldant-host" send --module "$BIN/foldant" --db "$JOB/db" \
        --caption "Rechnung 2026-0815" --target "$TARGET" "${ATTACHMENTS[@]}" || status=$?
else
    echo "== No display: the response conversation alone joins the attachments"
    "$BIN/foldant-host" respond --module "$BIN/foldant" --target "$TARGET" \
        "${ATTACHMENTS[@]}" || status=$?
fi
if [ "${status:-0}" -ne 0 ]; then
    echo "The sending job did not complete (foldant-host ended with ${status})."
    exit "$status"
fi
echo
echo "The joined file is: $TARGET"

# The Windows programs, when the test command has cross-built them.
for dir in "$ROOT/build-win32/bin" "$ROOT/build-win64/bin"; do
    if [ -d "$dir" ]; then
        echo "Windows programs ($(basename "$(dirname "$dir")")): $dir"
        ls "$dir"/*.exe 2>/dev/null | sed 's/^/  /'
    fi
done
