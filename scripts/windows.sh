# The Windows stage of the test command: cross-builds with mingw-w64 and runs the tests under
# wine. Sourced by test.sh after common.sh.

WINDOWS_PACKAGES=(
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    libz-mingw-w64-dev libgcrypt-mingw-w64-dev libgpg-error-mingw-w64-dev
    googletest wine64 nsis
)

# Tests that check the Linux stand-ins of Windows facilities (the registry folder tree, pipe
# sockets, symbolic links as shell links, opener scripts, advisory locks) or that the Windows
# build does not pass yet; scripts/windows-pending-tests.txt says which is which.
windows_excluded_tests() {
    grep -v '^#' "$ROOT/scripts/windows-pending-tests.txt" | awk 'NF {print $1}' | paste -sd'|'
}

ensure_windows_packages() {
    install_missing " for the Windows build" "${WINDOWS_PACKAGES[@]}"
}

# 32-bit wine when it is installed, or when i386 packages are already configured and it
# installs without removing or downgrading anything; nothing else is changed on the machine.
have_wine32() {
    if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
        return 0
    fi
    if [ "$(id -u)" -ne 0 ] || ! dpkg --print-foreign-architectures | grep -qx i386; then
        return 1
    fi
    local plan
    plan=$(apt-get install -s --no-remove wine32:i386 2>/dev/null) || return 1
    if grep -qE '^Remv|downgrad' <<<"$plan"; then
        return 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-remove wine32:i386 >/dev/null
}

# A wine prefix of the build's own, with its server kept running so that each test program
# does not wait for the server to linger and leave.
start_wine() {
    export WINEPREFIX="$1/wine" WINEDEBUG=-all FOLDANT_NO_DIALOGS=1
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1 </dev/null
        # The server wineboot started is not persistent; wait for it to leave so that the
        # persistent one below can take its place.
        wineserver -w >/dev/null 2>&1 </dev/null || true
    fi
    # Fails only when a server already runs for this prefix, which serves as well.
    wineserver -p >/dev/null 2>&1 </dev/null || true
    wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

stop_wine() {
    wineserver -k >/dev/null 2>&1 || true
}

# What a program printed, without CR before line ends, the files' folders and the GUIDs of a
# conversation, which differ from run to run.
comparable_output() {
    tr -d '\r' | sed -E 's#[A-Za-z]:\\[^ "]*\\##g; s#/[^ "]*/##g;
        s#[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}#GUID#g'
}

# The Windows programs give the Linux programs' answers: the same check lines on the samples and
# corpus files, joined files that qpdf accepts with the same page count, the same script results
# and the same host conversation with the test module.
windows_same_answers() {
    local linux=$1 windows=$2 scratch
    scratch=$(mktemp -d)
    local files=("$ROOT"/samples/*.pdf)
    if [ -d "$ROOT/../shared/corpus/pdf" ]; then
        mapfile -t -O ${#files[@]} files < <(find "$ROOT/../shared/corpus/pdf" -name '*.pdf' | sort | head -n 20)
    fi
    local differ=0 file
    for file in "${files[@]}"; do
        if ! diff <("$linux/bin/foldant-pdf" check "$file" 2>&1 | comparable_output) \
            <(wine "$windows/bin/foldant-pdf.exe" check "$file" 2>&1 | comparable_output) >/dev/null; then
            echo "check differs on Windows: $file" >&2
            differ=1
        fi
    done
    "$linux/bin/foldant-pdf" join -o "$scratch/linux.pdf" "$ROOT"/samples/*.pdf >/dev/null
    wine "$windows/bin/foldant-pdf.exe" join -o "$scratch/windows.pdf" "$ROOT"/samples/*.pdf >/dev/null
    qpdf --check "$scratch/windows.pdf" >/dev/null
    if [ "$(qpdf --show-npages "$scratch/linux.pdf")" != "$(qpdf --show-npages "$scratch/windows.pdf")" ]; then
        echo "joined files differ in their page count" >&2
        differ=1
    fi
    printf 'begin ThisForBidden := 2 * 21 = 42; end.\n' >"$scratch/setup.pas"
    local runs=("default" "filter a.txt b.PDF" "filter a.txt" "run $scratch/setup.pas")
    local arguments
    for arguments in "${runs[@]}"; do
        # shellcheck disable=SC2086
        if ! diff <("$linux/bin/foldant-script" $arguments 2>&1 | tr -d '\r'; echo "exit ${PIPESTATUS[0]}") \
            <(wine "$windows/bin/foldant-script.exe" $arguments 2>&1 | tr -d '\r'; echo "exit ${PIPESTATUS[0]}") >/dev/null; then
            echo "foldant-script $arguments differs on Windows" >&2
            differ=1
        fi
    done
    # The default script's own CR LF line ends reach a redirected output unchanged.
    if ! cmp -s <("$linux/bin/foldant-script" default) <(wine "$windows/bin/foldant-script.exe" default); then
        echo "foldant-script default prints other bytes on Windows" >&2
        differ=1
    fi
    local program
    for program in linux windows; do
        cp "$ROOT/samples/Rechnung 2026-0815.pdf" "$scratch/$program-copy.pdf"
        cp "$ROOT/samples/Lieferschein 2026-0815.pdf" "$scratch/$program-target.pdf"
    done
    if ! diff <("$linux/bin/foldant-host" respond --module "$linux/tests/foldant-test-module" \
                  --target "$scratch/linux-target.pdf" "$scratch/linux-copy.pdf" 2>&1 |
                  comparable_output | sed 's/linux-//g; s/foldant-test-module.*/MODULE/') \
        <(wine "$windows/bin/foldant-host.exe" respond --module "$windows/tests/foldant-test-module.exe" \
              --target "$scratch/windows-target.pdf" "$scratch/windows-copy.pdf" 2>&1 |
              comparable_output | sed 's/windows-//g; s/foldant-test-module.*/MODULE/'); then
        echo "foldant-host respond differs on Windows" >&2
        differ=1
    fi
    rm -rf "$scratch"
    if [ "$differ" -ne 0 ]; then
        return 1
    fi
    echo "foldant-pdf, foldant-script and foldant-host give the Linux programs' answers (${#files[@]} files checked)"
}

windows_stage() {
    ensure_windows_packages
    local tested=x86_64
    if have_wine32; then
        tested=i686
    fi
    # The product is 32-bit: its programs are always built.
    if [ "$tested" = i686 ]; then
        echo "== Windows build (i686), tests under 32-bit wine"
    else
        echo "== Windows build (i686 programs; x86_64 tests under 64-bit wine: wine32 is not installed)"
        build "$ROOT/build-win32" -DFOLDANT_WERROR=ON -DFOLDANT_TESTS=OFF -DFOLDANT_BENCH=OFF \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake"
    fi
    local dir="$ROOT/build-win${tested/i686/32}"
    dir=${dir/x86_64/64}
    start_wine "$dir"
    trap stop_wine EXIT
    build "$dir" -DFOLDANT_WERROR=ON -DFOLDANT_BENCH=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$tested.cmake"
    # Now and then wine fails to start a test program at all (no output, 0 s); such a test
    # gets one more start. A test that fails once it runs fails both times.
    ctest --test-dir "$dir" --output-on-failure -j2 --repeat until-pass:2 \
        -E "$(windows_excluded_tests)"
    windows_same_answers "$ROOT/build" "$dir"
    # The Win32 window: the Linux test program drives foldant.exe under wine on a virtual display.
    FOLDANT_WINDOWS_PROGRAMS="$dir/bin" "$ROOT/build/tests/test_app" \
        --gtest_filter='Win32WindowUnderWine.*' --gtest_brief=1
    stop_wine
    trap - EXIT
}
