#!/usr/bin/env bash
# Renders Momentra's windows in each state under a private Xvfb into
# docs/screenshots/ (PNG), for the README, the AppStream metainfo and review.
# Builds first (scripts/build.sh); arguments go to it.
# The pictures are rendered with a scratch home and XDG folders, removed
# afterwards, so nothing the windows or Qt write (settings, logs, caches)
# lands in the real home folder. Only the build itself keeps the caller's
# environment, for the compiler cache.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOMENTRA_BUILD_DIR:-$root/build}"
MOMENTRA_BUILD_DIR="$build" "$root/scripts/build.sh" "$@" >/dev/null
out="$root/docs/screenshots"
mkdir -p "$out"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -m 0700 "$scratch/config" "$scratch/cache" "$scratch/data" "$scratch/state" "$scratch/runtime" "$scratch/tmp"
# No session bus, no desktop theme: the same pictures on every machine.
env -u DBUS_SESSION_BUS_ADDRESS -u XDG_CURRENT_DESKTOP -u QT_QPA_PLATFORMTHEME -u XAUTHORITY LANG=C.UTF-8 \
    HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache" \
    XDG_DATA_HOME="$scratch/data" XDG_STATE_HOME="$scratch/state" XDG_RUNTIME_DIR="$scratch/runtime" \
    TMPDIR="$scratch/tmp" \
    xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" "$build/tools/momentra-screenshots" "$out"
