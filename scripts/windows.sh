# The Windows stage of the test command: cross-builds with mingw-w64 and runs the tests under
# wine. Sourced by test.sh after common.sh.

WINDOWS_PACKAGES=(
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    libz-mingw-w64-dev libgcrypt-mingw-w64-dev libgpg-error-mingw-w64-dev
    googletest wine64
)

# Tests that check the Linux stand-ins of Windows facilities (the registry folder tree, pipe
# sockets, symbolic links as shell links, opener scripts, advisory locks) or that the Windows
# build does not pass yet; scripts/windows-pending-tests.txt says which is which.
windows_excluded_tests() {
    grep -v '^#' "$ROOT/scripts/windows-pending-tests.txt" | awk 'NF {print $1}' | paste -sd'|'
}

ensure_windows_packages() {
    local missing=()
    for package in "${WINDOWS_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages for the Windows build. Install them as root with:" >&2
        echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
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
    ctest --test-dir "$dir" --output-on-failure -j2 -E "$(windows_excluded_tests)"
    stop_wine
    trap - EXIT
}
