#!/usr/bin/env bash
# Regenerates docs/screenshot.png, the README's picture of the main window after a
# measurement and a compensation with the default values, rendered offscreen by the
# project's own code.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=dependencies.sh
source "$root/tools/dependencies.sh"
zalvimo_install_missing

cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release \
    -DZALVIMO_BUILD_TESTS=OFF -DZALVIMO_BUILD_BENCHMARKS=OFF
cmake --build "$root/build" --parallel "$(nproc)" --target zalvimo-screenshot zalvimo_pictures
mkdir -p "$root/docs"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ./tools/zalvimo-screenshot "$root/docs/screenshot.png"
echo "wrote docs/screenshot.png"
