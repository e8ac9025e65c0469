#!/usr/bin/env bash
# Draws the README's pictures of zalvimo-measure --plot:
#   docs/measure-sweep.png    a sweep of 30 captures, 12.5 to 15.98 MHz, of the antenna model
#                             of the matching tests (a dipole as a series R-L-C of 42 ohm,
#                             2 uH and 63.25 pF, resonant at 14.15 MHz in the 20 m band),
#                             each simulated in ngspice and captured by an 8-bit
#                             oscilloscope (zalvimo-capture, its noise seeded by the point)
#   docs/measure-capture.png  the example capture, examples/capture-20m.csv
# It builds the programs in build/ (Release), or takes them from the build folder given:
#   bash tools/measure-pictures.sh [build-folder]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=dependencies.sh
source "$root/tools/dependencies.sh"
zalvimo_install_missing ngspice

if [ $# -gt 0 ]; then
    build=$(cd "$1" && pwd)
else
    zalvimo_build_release zalvimo-measure zalvimo-capture
    build=$root/build
fi
captures=$(mktemp -d)
trap 'rm -rf "$captures"' EXIT

# The model's X at each frequency: X = ωL − 1/(ωC).
for i in $(seq 0 29); do
    read -r megahertz reactance <<<"$(awk -v i="$i" 'BEGIN {
        f = 12.5 + 0.12 * i; w = 2 * 3.141592653589793 * f * 1e6
        printf "%.2f %.6f", f, w * 2e-6 - 1 / (w * 63.25e-12) }')"
    "$build/tools/zalvimo-capture" --r 42 --x "$reactance" --freq "$megahertz" \
        --seed $((i + 1)) "$captures/dipole-$megahertz.csv"
done

# Named as a user would name them, from the folder that holds them.
(cd "$captures" && "$build/zalvimo-measure" --plot "$root/docs/measure-sweep.png" dipole-*.csv \
    >/dev/null)
(cd "$root" && "$build/zalvimo-measure" --plot docs/measure-capture.png \
    examples/capture-20m.csv >/dev/null)
ls -l "$root/docs/measure-sweep.png" "$root/docs/measure-capture.png"
