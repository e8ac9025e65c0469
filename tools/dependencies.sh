#!/usr/bin/env bash
# Installs what building and testing Zalvimo needs on Debian 12, and only what is missing.
# Sourced by run.sh and test.sh.

zalvimo_packages=(cmake g++ make qtbase5-dev qtbase5-dev-tools fonts-dejavu-core)

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
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}
