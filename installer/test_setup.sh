#!/bin/bash
# foldant-setup.exe under wine: a silent install puts the programs under Program Files with an
# uninstall entry, the installed programs run, install mode is started when the module is part
# of the setup, and the silent uninstall leaves neither files nor the entry behind.
# Usage: test_setup.sh SETUP.EXE SAMPLES-FOLDER /reg:32|/reg:64 (the registry view it writes)
set -euo pipefail
setup=$1 samples=$2 view=$3
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Foldant'
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

value() {
    wine reg query "$key" /v "$1" "$view" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 *REG_[A-Z]* *//p"
}

entry_exists() {
    wine reg query "$key" "$1" >/dev/null 2>&1
}

# A failed earlier run may have left its install behind.
for other in /reg:32 /reg:64; do
    wine reg delete "$key" /f "$other" >/dev/null 2>&1 || true
done
rm -rf "$WINEPREFIX/drive_c/Program Files/Foldant" "$WINEPREFIX/drive_c/Program Files (x86)/Foldant"

wine "$setup" /S >"$scratch/install.txt" 2>&1 || fail "setup ended with $?: $(cat "$scratch/install.txt")"
entry_exists "$view" || fail "no uninstall entry in the registry view $view"
location=$(value InstallLocation)
[ -n "$location" ] || fail "the uninstall entry has no InstallLocation"
case "$location" in
    'C:\Program Files\Foldant' | 'C:\Program Files (x86)\Foldant') ;;
    *) fail "installed to $location, not under Program Files" ;;
esac
[ "$(value DisplayName)" = Foldant ] || fail "DisplayName is '$(value DisplayName)'"
[ "$(value UninstallString)" = "\"$location\\uninstall.exe\"" ] ||
    fail "UninstallString is '$(value UninstallString)'"
folder=$(wine winepath -u "$location" 2>/dev/null | tr -d '\r')
programs=(foldant-pdf.exe foldant-script.exe uninstall.exe)
if [ -f "$(dirname "$setup")/foldant.exe" ]; then
    programs+=(foldant.exe)
fi
for program in "${programs[@]}"; do
    [ -f "$folder/$program" ] || fail "$program is not in $location"
done
wine "$folder/foldant-pdf.exe" check "$samples/Rechnung 2026-0815.pdf" 2>&1 | tr -d '\r' |
    grep -qx 'failure: 0' || fail "the installed foldant-pdf.exe does not check a sample"
if [ -f "$folder/foldant.exe" ]; then
    # Without the suite install mode complains in its box, which unattended runs print.
    grep -q '^Installation: ' "$scratch/install.txt" || fail "install mode did not run: $(cat "$scratch/install.txt")"
fi

# The uninstaller copies itself away and returns at once; the copy does the work.
wine "$folder/uninstall.exe" /S >/dev/null 2>&1 || fail "uninstall ended with $?"
for _ in $(seq 600); do
    if [ ! -e "$folder" ] && ! entry_exists "$view"; then
        break
    fi
    sleep 0.1
done
[ ! -e "$folder" ] || fail "left behind: $(ls -A "$folder")"
for other in /reg:32 /reg:64; do
    if entry_exists "$other"; then
        fail "the uninstall entry is left behind ($other)"
    fi
done
echo "installed to $location and uninstalled"
