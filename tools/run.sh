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
    xvfb_note=
    if ! command -v xvfb-run >/dev/null 2>&1; then
        xvfb_note=" It needs
    $(zalvimo_as_root apt-get install xvfb)
first."
    fi
    cat >&2 <<MESSAGE
Zalvimo is built ($root/build/zalvimo), but this session has no display to show its
window on. Start it from a desktop session, or over SSH with X forwarding (ssh -X), with
    bash tools/run.sh
To look at the window here, photograph it on a virtual display:
    bash tools/screenshot.sh
which presses both buttons and writes docs/screenshot.png and the two picture pages.
xvfb-run bash tools/run.sh would start the window on a display that nobody sees and wait
until it is closed: it shows only that the program starts.$xvfb_note
MESSAGE
    exit 1
fi
cd "$root/build"
exec ./zalvimo "$@"
