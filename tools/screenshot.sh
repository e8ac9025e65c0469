#!/usr/bin/env bash
# Regenerates docs/screenshot.png, the README's picture of the main window after a
# measurement and a compensation with the default values, rendered offscreen by the
# project's own code.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=dependencies.sh
source "$root/tools/dependencies.sh"
zalvimo_install_missing

zalvimo_build_release zalvimo-screenshot zalvimo_pictures
mkdir -p "$root/docs"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ./tools/zalvimo-screenshot "$root/docs/screenshot.png"
cp zentu.png "$root/docs/measuring-setup.png"
echo "wrote docs/screenshot.png and docs/measuring-setup.png"
