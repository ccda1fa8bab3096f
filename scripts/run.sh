#!/usr/bin/env bash
# Builds Momentra from a fresh Debian 12 machine and runs it. Arguments go to
# momentra; with none it starts the tray application (Ctrl-C quits it).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build="${MOMENTRA_BUILD_DIR:-$root/build}"
momentra="$build/src/momentra"
if [ $# -gt 0 ]; then exec "$momentra" "$@"; fi

if [ -n "${DISPLAY:-}" ]; then exec "$momentra"; fi

# No graphical session: demonstrate on a private virtual display.
echo "No graphical session: DISPLAY is not set, so there is no screen to capture." >&2
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
echo "For a demonstration, starting a private virtual display (Xvfb $display, 1920x1080);" \
     "it has no tray, so Momentra's panel opens as a window there, and the screenshots" \
     "show its empty screen. Ctrl-C quits." >&2
Xvfb "$display" -screen 0 1920x1080x24 -noreset -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
# A session bus of its own when there is none, so that `momentra start` and the
# other remote commands reach this instance.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  DISPLAY="$display" dbus-run-session -- "$momentra"
else
  DISPLAY="$display" "$momentra"
fi
