#!/usr/bin/env bash
# Runs bench_cleanup on a new, empty ext4 file system (a loop-mounted sparse
# image), so neither side pays for deletions made earlier on the disk. Needs
# root. Arguments go to bench_cleanup.
#   sudo bench/cleanup/on-fresh-ext4.sh [--days N] [--files N] [--trash-files N] ...
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
bench="${MOMENTRA_BUILD_DIR:-$root/build}/bench/cleanup/bench_cleanup"
if [[ $EUID -ne 0 ]]; then
    echo "needs root (loop mount)" >&2
    exit 1
fi
[[ -x $bench ]] || { echo "build first: scripts/build.sh" >&2; exit 1; }
work="$(mktemp -d "${TMPDIR:-/var/tmp}/momentra-bench-fs-XXXXXX")"
mounted=""
cleanup() {
    [[ -n $mounted ]] && umount "$work/mnt"
    rm -rf "$work"
}
trap cleanup EXIT
truncate -s 8G "$work/fs.img"
mkfs.ext4 -q -F "$work/fs.img"
mkdir "$work/mnt"
mount -o loop "$work/fs.img" "$work/mnt"
mounted=1
"$bench" --dir "$work/mnt" "$@"
