#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer
# with float-cast-overflow) and runs each for the given number of seconds (default 30).
# A finding stops the run, leaves the input as build-fuzz/crash-*, and fails the script.
#   bash tools/fuzz.sh 600      # ten minutes each
set -euo pipefail
seconds=${1:-30}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=dependencies.sh
source "$root/tools/dependencies.sh"
zalvimo_install_missing clang libclang-rt-dev

build="$root/build-fuzz"
CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZALVIMO_FUZZ=ON \
    -DZALVIMO_BUILD_TESTS=OFF -DZALVIMO_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target fuzz_calc fuzz_chart fuzz_capture fuzz_touchstone fuzz_match

export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp"
export UBSAN_OPTIONS=print_stacktrace=1
for target in fuzz_calc fuzz_chart fuzz_capture fuzz_touchstone fuzz_match; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target for $seconds s"
    # Seeds, where a target has them, start it from inputs that reach deep into the code.
    seeds=()
    [ -d "$root/tests/fuzz/seeds/$target" ] && seeds=("$root/tests/fuzz/seeds/$target")
    # The capture target takes files up to 1 MB: long records and the shapes of large files.
    length=()
    [ "$target" = fuzz_capture ] && length=(-max_len=1048576)
    (cd "$build" && "./tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 "${length[@]}" \
        "$corpus" "${seeds[@]}" 2>"$build/$target.log") || {
        tail -n 60 "$build/$target.log"
        echo "$target: finding, see $build/$target.log"
        exit 1
    }
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$build/$target.log"
done
