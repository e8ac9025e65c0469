#!/usr/bin/env bash
# Builds the Debian package with CPack into a temporary folder and checks its control data
# and its file list.
# Usage: check_deb.sh BUILD_DIR
set -euo pipefail
build=$1
# The Debian tools are installed by the test command; without them there is nothing to check.
for tool in cpack dpkg-deb lintian man; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
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
# Computed by dpkg-shlibdeps from the binaries, with versions: the toolkit's widget library,
# its network and serial port modules (zalvimo-measure talks to the instruments) and the
# C++ runtime must be among them.
for library in libqt5widgets5 libqt5gui5 libqt5core5a libqt5network5 libqt5serialport5 \
    libstdc++6 libc6; do
    echo "$depends" | grep -q "\b$library (>= " || fail "Depends lacks $library: $depends"
done

listing=$(dpkg-deb -c "$deb")
files=$(echo "$listing" | awk '{ print $6 }')
for path in ./usr/bin/zalvimo ./usr/bin/zalvimo-measure ./usr/bin/zalvimo-match \
    ./usr/libexec/zalvimo/zalvimo \
    ./usr/share/zalvimo/zentu.png ./usr/share/zalvimo/Z_region.png \
    ./usr/share/applications/io.github.zalvimo.Zalvimo.desktop \
    ./usr/share/metainfo/io.github.zalvimo.Zalvimo.metainfo.xml \
    ./usr/share/icons/hicolor/128x128/apps/io.github.zalvimo.Zalvimo.png \
    ./usr/share/doc/zalvimo/copyright; do
    echo "$files" | grep -qx "$path" || fail "package lacks $path"
done
for program in ./usr/bin/zalvimo ./usr/bin/zalvimo-measure ./usr/bin/zalvimo-match \
    ./usr/libexec/zalvimo/zalvimo; do
    echo "$listing" | grep -q "^-rwxr-xr-x root/root .* $program\$" || fail "mode or owner of $program"
done
unpacked() {
    dpkg-deb --fsys-tarfile "$deb" | tar -xO "$1"
}
entry=$(unpacked ./usr/share/applications/io.github.zalvimo.Zalvimo.desktop)
echo "$entry" | grep -qx 'Exec=/usr/bin/zalvimo' || fail "Exec= of the packaged desktop entry"
echo "$entry" | grep -qx 'Path=/usr/share/zalvimo' || fail "Path= of the packaged desktop entry"
# Each file is read whole before grep looks at it: grep -q stops at its first match, and
# with pipefail the closed pipe would fail the check now and then.
launcher=$(unpacked ./usr/bin/zalvimo)
echo "$launcher" | grep -qx "exec '/usr/libexec/zalvimo/zalvimo' \"\$@\"" \
    || fail "the packaged launcher does not start /usr/libexec/zalvimo/zalvimo"
copyright=$(unpacked ./usr/share/doc/zalvimo/copyright)
echo "$copyright" | grep -qx 'License: GPL-3.0-or-later' \
    || fail "licence in the packaged copyright file"

# What Debian's own checker says of the package: no error and no warning.
lintian_report=$(lintian --tag-display-limit 0 --fail-on error,warning "$deb" 2>&1) \
    || fail "lintian: $(echo "$lintian_report" | grep -v 'root privileges')"
# The manual pages open with man.
for page in zalvimo zalvimo-measure zalvimo-match; do
    manual=$(unpacked "./usr/share/man/man1/$page.1.gz" | gzip -dc | MANWIDTH=80 man -l - 2>&1)
    echo "$manual" | grep -q "^NAME" || fail "the manual page of $page does not render"
done
echo "$entry" | grep -qx 'StartupWMClass=zalvimo' || fail "StartupWMClass of the desktop entry"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package $(basename "$deb") is complete"
