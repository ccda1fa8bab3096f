#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Momentra needs.
# Idempotent; works as root or through sudo. Package lists: scripts/debian-packages.d/*.txt
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

packages=()
while read -r line; do
    line="${line%%#*}"
    for word in $line; do packages+=("$word"); done
done < <(cat "$here"/debian-packages.d/*.txt)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all ${#packages[@]} packages are installed"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
echo "setup: installing ${#missing[@]} packages: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
