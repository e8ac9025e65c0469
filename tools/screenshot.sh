#!/usr/bin/env bash
# Photographs the real zalvimo program on an X server, as a user sees it on a Linux desktop
# (the xcb platform and the toolkit's default desktop font), for the README:
#   docs/screenshot.png          the window after both presses with the default values
#   docs/screenshot-setup.png    the page "Measuring setup"
#   docs/screenshot-regions.png  the page "Impedance Matching Circuits"
#   docs/measuring-setup.png     the measuring-setup picture itself, as the build draws it
# A private Xvfb serves as the display; xdotool presses the buttons as a mouse would.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=dependencies.sh
source "$root/tools/dependencies.sh"
zalvimo_install_missing xvfb xauth xdotool

zalvimo_build_release zalvimo zalvimo-screenshot zalvimo_pictures
mkdir -p "$root/docs"
cd "$root/build"

export DISPLAY=:$((90 + RANDOM % 100))
export QT_QPA_PLATFORM=xcb
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
program=
trap 'kill $program $xvfb 2>/dev/null || true' EXIT
for ((i = 0; i < 50; ++i)); do
    xdotool getmouselocation >/dev/null 2>&1 && break
    sleep 0.1
done

./zalvimo &
program=$!
window=$(xdotool search --sync --onlyvisible --name '^Zalvimo$' | head -n 1)
sleep 1
positions=$(./tools/zalvimo-screenshot positions)
press() {
    local x y
    read -r x y <<<"$(grep "^$1 " <<<"$positions" | cut -d' ' -f2-)"
    xdotool mousemove --window "$window" "$x" "$y" click 1
    sleep 0.5
}
photograph() {
    ./tools/zalvimo-screenshot grab "$window" "$root/docs/$1"
    echo "wrote docs/$1"
}

press calculate
press compensate
photograph screenshot.png
press tab1
photograph screenshot-setup.png
press tab2
photograph screenshot-regions.png
cp zentu.png "$root/docs/measuring-setup.png"
echo "wrote docs/measuring-setup.png"
