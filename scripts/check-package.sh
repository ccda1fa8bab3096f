#!/usr/bin/env bash
# Builds the Debian package from a finished build into a scratch folder, unpacks it into a scratch
# root and checks what a user gets: Depends from dpkg-shlibdeps, the installed `momentra --version`,
# a valid desktop entry and AppStream metainfo, the D-Bus service and systemd unit pointing at the
# installed executable, and the icons.
#   scripts/check-package.sh BUILD_DIR
set -euo pipefail
build="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
need() { command -v "$1" >/dev/null || { echo "FAIL: $1 is missing (package $2)"; exit 1; }; }
need cpack cmake
need dpkg-shlibdeps dpkg-dev
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need systemd-analyze systemd

(cd "$build" && cpack --config CPackConfig.cmake -B "$scratch" >"$scratch/cpack.log" 2>&1) ||
    { cat "$scratch/cpack.log"; exit 1; }
package="$(ls "$scratch"/momentra_*_"$(dpkg --print-architecture)".deb)"
echo "built $(basename "$package") ($(du -k "$package" | cut -f1) KiB)"

depends="$(dpkg-deb --field "$package" Depends)"
echo "Depends: $depends"
names=" $(echo "$depends" | sed 's/ *([^)]*)//g; s/,/ /g') "
for library in libc6 libqt6core6 libqt6dbus6 libtesseract5 libavcodec59 libxcb1; do
    [[ "$names" == *" $library "* ]] || fail "Depends lacks $library"
done

root="$scratch/root"
dpkg-deb --extract "$package" "$root"
usr="$root/usr"
version="$("$usr/bin/momentra" --version)" || fail "the installed momentra --version failed"
[[ "$version" == *"$(dpkg-deb --field "$package" Version)"* ]] || fail "momentra --version printed '$version'"

desktop-file-validate "$usr/share/applications/app.momentra.Momentra.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$usr/share/metainfo/app.momentra.Momentra.metainfo.xml" >"$scratch/appstream.log" ||
    { cat "$scratch/appstream.log"; fail "metainfo"; }
grep -qx 'Exec=/usr/bin/momentra' "$usr/share/dbus-1/services/app.momentra.Momentra.service" ||
    fail "the D-Bus service does not start /usr/bin/momentra"
grep -qx 'Exec=/usr/bin/momentra search-service' "$usr/share/dbus-1/services/app.momentra.Momentra.Search.service" ||
    fail "the search's D-Bus service does not start /usr/bin/momentra search-service"
# The shell and KRunner call the name that starts the search service.
provider="$usr/share/gnome-shell/search-providers/app.momentra.Momentra.search-provider.ini"
grep -qx 'ObjectPath=/app/momentra/Momentra/SearchProvider' "$provider" &&
    grep -qx 'BusName=app.momentra.Momentra.Search' "$provider" || fail "GNOME search provider"
runner="$usr/share/krunner/dbusplugins/app.momentra.Momentra.desktop"
grep -qx 'X-Plasma-DBusRunner-Path=/app/momentra/Momentra/Runner' "$runner" &&
    grep -qx 'X-Plasma-DBusRunner-Service=app.momentra.Momentra.Search' "$runner" || fail "KRunner plugin"
grep -qx 'ExecStart=/usr/bin/momentra run' "$usr/lib/systemd/user/momentra.service" ||
    fail "the systemd unit does not run /usr/bin/momentra run"
# systemd checks that ExecStart exists, so the unit is verified pointing into the scratch root.
mkdir -m 0700 "$scratch/run"
sed "s|/usr/bin/momentra|$usr/bin/momentra|" "$usr/lib/systemd/user/momentra.service" >"$scratch/momentra.service"
if ! unit_problems="$(XDG_RUNTIME_DIR="$scratch/run" systemd-analyze --user verify --man=no \
    "$scratch/momentra.service" 2>&1)" || [ -n "$unit_problems" ]; then
    fail "systemd-analyze verify: $unit_problems"
fi

hicolor="$usr/share/icons/hicolor"
icons=(scalable/apps/app.momentra.Momentra.svg symbolic/apps/app.momentra.Momentra-symbolic.svg)
for state in idle capturing attention; do
    icons+=("scalable/status/momentra-$state.svg" "scalable/status/momentra-$state-symbolic.svg")
done
for size in 16 22 24 32 48 64 128 256; do
    icons+=("${size}x$size/apps/app.momentra.Momentra.png")
    png="$hicolor/${size}x$size/apps/app.momentra.Momentra.png"
    # The PNG header's width and height (bytes 16–23).
    [ "$(od -An -tx1 -j16 -N8 "$png" 2>/dev/null | tr -d ' \n')" = "$(printf '%08x%08x' "$size" "$size")" ] ||
        fail "$png is not $size × $size"
done
for icon in "${icons[@]}"; do [ -s "$hicolor/$icon" ] || fail "missing icon $icon"; done

[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "package checks passed"
