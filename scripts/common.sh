# Shared by the two entry scripts: package check and the build.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    zlib1g-dev libgcrypt20-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    qt6-base-dev xvfb xdotool
    qpdf poppler-utils python3-pypdf
)

# install_missing WHAT PACKAGE...: installs those of the packages that are missing (as root),
# or names the apt-get line to run and stops. WHAT says what they are for.
install_missing() {
    local what=$1
    shift
    local missing=()
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages$what. Install them as root with:" >&2
        echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

ensure_packages() {
    install_missing "" "${PACKAGES[@]}"
}

# build DIR [cmake options...]: configure once, then build everything.
build() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir"
}
