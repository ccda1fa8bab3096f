#!/usr/bin/env bash
# Builds Momentra (scripts/build.sh) and its Debian package, build/momentra_<version>_<arch>.deb,
# whose Depends name the libraries the executable links (dpkg-shlibdeps).
#   scripts/package.sh [CMAKE_OPTION…]     (MOMENTRA_BUILD_DIR moves build/)
# Install it with: sudo apt install ./build/momentra_<version>_<arch>.deb
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOMENTRA_BUILD_DIR:-$root/build}"
MOMENTRA_BUILD_DIR="$build" "$root/scripts/build.sh" "$@"
cd "$build"
cpack --config CPackConfig.cmake -B "$build" >/dev/null
rm -rf "$build/_CPack_Packages"
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' CPackConfig.cmake)"
package="$build/momentra_${version}_$(dpkg --print-architecture).deb"
[ -f "$package" ] || { echo "package.sh: cpack made no $package" >&2; exit 1; }
echo "$package"
