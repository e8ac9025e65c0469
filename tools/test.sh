#!/usr/bin/env bash
# Installs what is missing, then builds Zalvimo three times and runs every test in each
# build: with warnings as errors, the same with Qt 6, and under AddressSanitizer and
# UndefinedBehaviorSanitizer.
# Before that it checks the formatting and runs each fuzz target for a short while.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=dependencies.sh
source "$root/tools/dependencies.sh"
zalvimo_install_missing clang-format desktop-file-utils appstream dpkg-dev ngspice strace \
    python3-scikit-rf qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev lintian man-db

echo "== formatting"
find "$root/src" "$root/tests" "$root/bench" "$root/tools" -name '*.cpp' -o -name '*.h' \
    | xargs clang-format --dry-run -Werror

# A short run of each fuzz target; `bash tools/fuzz.sh 600` is the long one.
echo "== fuzz smoke run"
bash "$root/tools/fuzz.sh" "${ZALVIMO_FUZZ_SECONDS:-30}"

run_suite() {
    local name=$1
    shift
    local dir="$root/build-tests/$name"
    echo "== $name build"
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Debug "$@"
    cmake --build "$dir" --parallel "$(nproc)"
    ctest --test-dir "$dir" --output-on-failure --timeout 600 --parallel "$(nproc)"
}

run_suite warnings -DZALVIMO_WARNINGS_AS_ERRORS=ON
run_suite qt6 -DZALVIMO_WARNINGS_AS_ERRORS=ON -DZALVIMO_QT=6
run_suite sanitizers -DZALVIMO_WARNINGS_AS_ERRORS=ON -DZALVIMO_SANITIZE=ON
