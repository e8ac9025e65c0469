#!/usr/bin/env bash
# Installs what building and testing Zalvimo needs on Debian 12, and only what is missing,
# and builds the program. Sourced by the scripts beside it.

# libqt5serialport5-dev: the serial signal generators of the instrument library (its network
# part is in qtbase5-dev).
zalvimo_packages=(cmake g++ make qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev
    fonts-dejavu-core fonts-dejavu-extra)

zalvimo_install_missing() {
    local missing=()
    local package
    for package in "${zalvimo_packages[@]}" "$@"; do
        if [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)" != "install ok installed" ]; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    # As root apt-get runs as it is; otherwise through sudo where there is one. Without
    # either, say what to run as root rather than fail halfway.
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "These Debian packages are missing: ${missing[*]}" >&2
            echo "Install them as root, then run this again:" >&2
            echo "    su -c 'apt-get update && apt-get install --no-install-recommends ${missing[*]}'" >&2
            return 1
        fi
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# How a command that needs root reads for the one who runs this: plain for root, through
# sudo where there is one, through su otherwise.
zalvimo_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        echo "$*"
    elif command -v sudo >/dev/null 2>&1; then
        echo "sudo $*"
    else
        echo "su -c '$*'"
    fi
}

# Configures the Release build of the program in build/ (no tests, no benchmarks) and
# builds the given targets, or everything.
zalvimo_build_release() {
    local root
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release \
        -DZALVIMO_BUILD_TESTS=OFF -DZALVIMO_BUILD_BENCHMARKS=OFF
    if [ $# -gt 0 ]; then
        cmake --build "$root/build" --parallel "$(nproc)" --target "$@"
    else
        cmake --build "$root/build" --parallel "$(nproc)"
    fi
}
