#!/usr/bin/env bash
# Installs the build into a temporary staging folder (DESTDIR) and checks the installed
# tree, the desktop entry and the AppStream metainfo.
# Usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$1
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
share/applications/$app_id.desktop
share/icons/hicolor/128x128/apps/$app_id.png
share/metainfo/$app_id.metainfo.xml
share/zalvimo/Z_region.png
share/zalvimo/zentu.png"
    actual=$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
    [ "$actual" = "$(echo "$expected" | LC_ALL=C sort)" ] || fail "installed files under $prefix:
$actual"
    [ -x "$root/bin/zalvimo" ] || fail "zalvimo is not executable"
    [ "$(png_size "$root/share/zalvimo/zentu.png")" = 431x431 ] || fail "zentu.png size"
    [ "$(png_size "$root/share/zalvimo/Z_region.png")" = 411x410 ] || fail "Z_region.png size"
    [ "$(png_size "$root/share/icons/hicolor/128x128/apps/$app_id.png")" = 128x128 ] || fail "icon size"

    desktop="$root/share/applications/$app_id.desktop"
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
    # The program reads its pictures from the working directory: the entry must start it
    # in the folder that holds them.
    grep -qx "Path=$prefix/share/zalvimo" "$desktop" || fail "Path= of $desktop"
    grep -qx "Exec=zalvimo" "$desktop" || fail "Exec= of $desktop"
    grep -qx "Icon=$app_id" "$desktop" || fail "Icon= of $desktop"

    appstreamcli validate --no-net "$root/share/metainfo/$app_id.metainfo.xml" \
        || fail "appstreamcli validate"
    rm -rf "${stage:?}"/*
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "installed tree, desktop entry and metainfo are valid"
