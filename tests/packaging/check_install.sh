#!/usr/bin/env bash
# Installs the build into a temporary staging folder (DESTDIR) and checks the installed
# tree, the launcher, the desktop entry, the AppStream metainfo and the licence; then
# installs it for real into a temporary prefix and starts the installed command from
# another folder, as a user would from a terminal, to see that it finds its pictures.
# Usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$1
# The validators are installed by the test command; without them there is nothing to check.
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
app_id=io.github.zalvimo.Zalvimo
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The width and height stored in a PNG's header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d\n", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}

for prefix in /usr /opt/zalvimo; do
    root="$stage$prefix"
    DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >/dev/null
    expected="bin/zalvimo
bin/zalvimo-match
bin/zalvimo-measure
libexec/zalvimo/zalvimo
share/applications/$app_id.desktop
share/doc/zalvimo/README.md
share/doc/zalvimo/capture-20m.csv
share/doc/zalvimo/changelog.gz
share/doc/zalvimo/copyright
share/icons/hicolor/128x128/apps/$app_id.png
share/man/man1/zalvimo-match.1.gz
share/man/man1/zalvimo-measure.1.gz
share/man/man1/zalvimo.1.gz
share/metainfo/$app_id.metainfo.xml
share/zalvimo/Z_region.png
share/zalvimo/zentu.png"
    actual=$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
    [ "$actual" = "$(echo "$expected" | LC_ALL=C sort)" ] || fail "installed files under $prefix:
$actual"
    for program in bin/zalvimo bin/zalvimo-measure bin/zalvimo-match libexec/zalvimo/zalvimo; do
        [ -x "$root/$program" ] || fail "$program is not executable"
    done
    [ "$(png_size "$root/share/zalvimo/zentu.png")" = 431x431 ] || fail "zentu.png size"
    [ "$(png_size "$root/share/zalvimo/Z_region.png")" = 411x410 ] || fail "Z_region.png size"
    [ "$(png_size "$root/share/icons/hicolor/128x128/apps/$app_id.png")" = 128x128 ] || fail "icon size"

    # The launcher starts the program in the folder of its pictures, with the arguments given.
    launcher="$root/bin/zalvimo"
    grep -qx "cd '$prefix/share/zalvimo' || exit 1" "$launcher" || fail "launcher's folder"
    grep -qx "exec '$prefix/libexec/zalvimo/zalvimo' \"\$@\"" "$launcher" || fail "launcher's program"

    # desktop-file-validate prints hints as well as errors: the entry must draw none.
    desktop="$root/share/applications/$app_id.desktop"
    validation=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate"
    [ -z "$validation" ] || fail "desktop-file-validate: $validation"
    grep -qx "Exec=$prefix/bin/zalvimo" "$desktop" || fail "Exec= of $desktop"
    grep -qx "Path=$prefix/share/zalvimo" "$desktop" || fail "Path= of $desktop"
    grep -qx "Icon=$app_id" "$desktop" || fail "Icon= of $desktop"
    grep -qx "Categories=Network;HamRadio;Electronics;" "$desktop" || fail "Categories= of $desktop"

    metainfo="$root/share/metainfo/$app_id.metainfo.xml"
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
    grep -q "<project_license>GPL-3.0-or-later</project_license>" "$metainfo" \
        || fail "project_license of the metainfo"

    copyright="$root/share/doc/zalvimo/copyright"
    head -n 1 "$copyright" | grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
        || fail "copyright is not machine-readable"
    grep -qx "License: GPL-3.0-or-later" "$copyright" || fail "licence in the copyright file"
    "$root/bin/zalvimo-measure" --version | grep -qx "zalvimo-measure [0-9.]*" \
        || fail "the installed zalvimo-measure does not run"
    rm -rf "${stage:?}"/*
done

# A real installation, started by its launcher from another folder with a Qt option passed
# on, and no display but the offscreen platform that the option names: the program must
# open both pictures in the installed folder.
prefix="$stage/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
trace="$stage/trace"
opened() {
    grep -Eq "openat\(AT_FDCWD, \"$prefix/share/zalvimo/$1\", O_RDONLY[^)]*\) = [0-9]+$" "$trace"
}
(cd / && exec strace -f -qq -e trace=openat -o "$trace" \
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/zalvimo" -platform offscreen \
    >/dev/null 2>&1) &
tracer=$!
# The pictures are read while the window is built; give it up to 20 s on a loaded machine.
for ((i = 0; i < 200; ++i)); do
    if [ -s "$trace" ] && opened zentu.png && opened Z_region.png; then
        break
    fi
    sleep 0.1
done
# The program runs until it is ended; strace ends with it.
pkill -f "^$prefix/libexec/zalvimo/zalvimo" || kill "$tracer" 2>/dev/null || true
wait "$tracer" 2>/dev/null || true
for picture in zentu.png Z_region.png; do
    opened "$picture" \
        || fail "the installed zalvimo, started from /, did not open $prefix/share/zalvimo/$picture"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "installed tree, launcher, desktop entry, metainfo and licence are valid"
