#!/usr/bin/env bash
# Builds Momentra from a fresh Debian 12 machine and runs it. Arguments go to momentra.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build="${MOMENTRA_BUILD_DIR:-$root/build}"
if [ $# -eq 0 ]; then set -- --help; fi
exec "$build/src/app/momentra" "$@"
