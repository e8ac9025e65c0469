#!/usr/bin/env bash
# Installs what is missing, builds Zalvimo and starts it from the folder that holds its
# pictures (the program reads them from its working directory).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=dependencies.sh
source "$root/tools/dependencies.sh"
zalvimo_install_missing

zalvimo_build_release

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<MESSAGE
Zalvimo is built ($root/build/zalvimo), but this session has no display to show its
window on. Start it from a desktop session, or on a machine without one under a virtual
display:
    sudo apt-get install xvfb && xvfb-run bash tools/run.sh
MESSAGE
    exit 1
fi
cd "$root/build"
exec ./zalvimo "$@"
