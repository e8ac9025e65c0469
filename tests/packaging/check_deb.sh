#!/usr/bin/env bash
# Builds the Debian package with CPack into a temporary folder and checks its control data
# and its file list.
# Usage: check_deb.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
shopt -s nullglob
debs=("$out"/zalvimo_*_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "FAIL: expected one package, found: ${debs[*]:-none}"; exit 1; }
deb=${debs[0]}

[ "$(dpkg-deb -f "$deb" Package)" = zalvimo ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Section)" = hamradio ] || fail "section"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
# Computed by dpkg-shlibdeps from the binary, with versions: the toolkit's widget library
# and the C++ runtime must be among them.
for library in libqt5widgets5 libqt5gui5 libqt5core5a libstdc++6 libc6; do
    echo "$depends" | grep -q "\b$library (>= " || fail "Depends lacks $library: $depends"
done

listing=$(dpkg-deb -c "$deb")
files=$(echo "$listing" | awk '{ print $6 }')
for path in ./usr/bin/zalvimo ./usr/share/zalvimo/zentu.png ./usr/share/zalvimo/Z_region.png \
    ./usr/share/applications/io.github.zalvimo.Zalvimo.desktop \
    ./usr/share/metainfo/io.github.zalvimo.Zalvimo.metainfo.xml \
    ./usr/share/icons/hicolor/128x128/apps/io.github.zalvimo.Zalvimo.png; do
    echo "$files" | grep -qx "$path" || fail "package lacks $path"
done
echo "$listing" | grep -q '^-rwxr-xr-x root/root .* ./usr/bin/zalvimo$' || fail "binary mode or owner"
entry=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/io.github.zalvimo.Zalvimo.desktop)
echo "$entry" | grep -qx 'Path=/usr/share/zalvimo' || fail "Path= of the packaged desktop entry"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package $(basename "$deb") is complete"
