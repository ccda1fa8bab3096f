#!/usr/bin/env bash
# Configures and builds Momentra into build/ (or $MOMENTRA_BUILD_DIR).
#   scripts/build.sh [CMAKE_OPTION…]    e.g. scripts/build.sh -DMOMENTRA_WERROR=ON
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOMENTRA_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
