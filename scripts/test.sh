#!/usr/bin/env bash
# The whole test suite from a fresh Debian 12 machine: packages, build, every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build="${MOMENTRA_BUILD_DIR:-$root/build}"
# Tests start their own private X servers and D-Bus buses; none may reach the user's.
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=/nonexistent/momentra-test-system-bus"
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" "$@"
