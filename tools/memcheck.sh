#!/usr/bin/env bash
# Runs every test executable of the suite under valgrind memcheck. Fails on any memory
# error and on memory definitely lost; reports inside the toolkit and the system libraries
# below it are suppressed by tests/sanitizers/valgrind.supp, each entry explained there.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=dependencies.sh
source "$root/tools/dependencies.sh"
zalvimo_install_missing valgrind

build="$root/build-memcheck"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DZALVIMO_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"

export QT_QPA_PLATFORM=offscreen
# A shorter monkey run: valgrind makes each step some fifty times slower.
export ZALVIMO_MONKEY_STEPS=500
failed=()
for test in "$build"/tests/tst_*; do
    [ -f "$test" ] && [ -x "$test" ] || continue
    name=$(basename "$test")
    echo "== $name"
    if ! valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \
        --errors-for-leak-kinds=definite --error-exitcode=99 --num-callers=40 \
        --suppressions="$root/tests/sanitizers/valgrind.supp" --gen-suppressions=all \
        --log-file="$build/$name.memcheck.log" "$test" >"$build/$name.log" 2>&1; then
        failed+=("$name")
        grep -E '^==[0-9]+== (Invalid|Conditional|Use of|Syscall|Mismatched|.*definitely lost)' \
            "$build/$name.memcheck.log" | head -n 20 || true
    fi
    grep -E 'ERROR SUMMARY|definitely lost' "$build/$name.memcheck.log" | sed 's/^==[0-9]*== /   /'
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "memcheck found problems in: ${failed[*]} (logs in $build)"
    exit 1
fi
echo "memcheck: no errors and nothing definitely lost"
