#!/usr/bin/env bash
# Renders Momentra's windows in each state under a private Xvfb into
# docs/screenshots/ (PNG), for the README, the AppStream metainfo and review.
# Builds first (scripts/build.sh); arguments go to it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOMENTRA_BUILD_DIR:-$root/build}"
MOMENTRA_BUILD_DIR="$build" "$root/scripts/build.sh" "$@" >/dev/null
out="$root/docs/screenshots"
mkdir -p "$out"
# No session bus, no desktop theme: the same pictures on every machine.
exec env -u DBUS_SESSION_BUS_ADDRESS -u XDG_CURRENT_DESKTOP -u QT_QPA_PLATFORMTHEME LANG=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" "$build/tools/momentra-screenshots" "$out"
