#!/usr/bin/env bash
# Builds a Release tree and prints one Markdown table of what the program costs: start-up
# of the real window against a bare toolkit window (whole processes, median of RUNS, and
# peak memory), on an X server (a private Xvfb, as on a desktop) and on the offscreen
# platform; one chart paint; and the two calculating presses (QBENCHMARK medians). Then the
# tables of zalvimo-measure: its accuracy against a by-eye reading, and its speed; and the
# live sweep's own time beyond the instruments' against a fake scope on a paced link.
#   bash tools/bench.sh            # RUNS=30
set -euo pipefail
runs=${RUNS:-30}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=dependencies.sh
source "$root/tools/dependencies.sh"
zalvimo_install_missing time xvfb xauth ngspice

build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZALVIMO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" >/dev/null
median() {
    tr ' ' '\n' | grep . | sort -n \
        | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Whole-process time in microseconds and peak resident memory in KiB, RUNS times each, the
# two programs taking turns so that both see the same machine. Prints the table rows.
report=$(mktemp)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'rm -f "$report"; kill "$xvfb" 2>/dev/null || true' EXIT
sleep 1
startup_rows() {
    local label=$1
    declare -A times memory
    for ((i = 0; i < runs; ++i)); do
        for program in startup_bare startup_window; do
            local start end
            start=$(date +%s%N)
            /usr/bin/time -f '%M' -o "$report" "$build/bench/$program" >/dev/null 2>&1
            end=$(date +%s%N)
            times[$program]+="$(((end - start) / 1000)) "
            memory[$program]+="$(tail -n 1 "$report") "
        done
    done
    awk -v w="$(median <<<"${times[startup_window]}")" -v b="$(median <<<"${times[startup_bare]}")" \
        -v label="$label" -v runs="$runs" 'BEGIN {
            printf "| Start-up to first chart paint, %s (median of %d processes) | %.1f ms | %.1f ms | %.2f |\n",
                label, runs, w / 1000, b / 1000, w / b }'
    awk -v w="$(median <<<"${memory[startup_window]}")" -v b="$(median <<<"${memory[startup_bare]}")" \
        -v label="$label" 'BEGIN {
            printf "| Peak memory, %s (median) | %.1f MiB | %.1f MiB | %.2f |\n", label, w / 1024, b / 1024, w / b }'
}

# The QBENCHMARK result of one data row, in the unit the benchmark printed.
result() {
    local output=$1 row=$2
    grep -A1 -F "$row" <<<"$output" | grep -E 'per iteration' | head -n 1 | awk '{ print $1 " " $2 }'
}
x_rows=$(DISPLAY=$display QT_QPA_PLATFORM=xcb startup_rows "X server")
offscreen_rows=$(QT_QPA_PLATFORM=offscreen startup_rows "offscreen")
export QT_QPA_PLATFORM=offscreen
chart=$("$build/bench/bench_chart" -median 9 2>/dev/null)
window=$("$build/bench/bench_window" -median 9 2>/dev/null)

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')
echo "Measured on: $cpu, $(nproc) cores, $(uname -sr), Qt $(qmake -query QT_VERSION 2>/dev/null || echo 5)"
echo
echo "| What | Zalvimo | Bare window | Ratio |"
echo "|---|---|---|---|"
echo "$x_rows"
echo "$offscreen_rows"
echo "| Chart paint, start scale | $(result "$chart" '"start scale"') | | |"
echo "| Chart paint, densest grid (slider -70) | $(result "$chart" '"densest grid (slider -70)"') | | |"
echo "| Chart paint, largest zoom (slider 150) | $(result "$chart" '"largest zoom (slider 150)"') | | |"
echo "| Chart paint with a matching path | $(result "$chart" '"matching path"') | | |"
echo "| Measurement press (fields to fields) | $(result "$window" '"measurement"') | | |"
echo "| Compensation press (fields to fields) | $(result "$window" '"compensation"') | | |"
echo
"$build/bench/bench_measure"

echo
"$build/bench/bench_live"

echo
echo "zalvimo-match, every network with its parts, response and band (median of 9):"
"$build/bench/bench_match" -median 9 2>/dev/null | grep -A1 '^RESULT' | grep -v '^--'
