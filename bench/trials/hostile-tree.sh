#!/usr/bin/env bash
# Hostile-tree trial: `momentra cleanup`, to the Trash and permanently, over a
# screenshots folder holding what a real disk may hold: names that are not
# UTF-8, a name at NAME_MAX, FIFOs, symbolic and hard links, nested folders,
# an unreadable day folder, a day folder that is a link, look-alikes and
# foreign files. Own old screenshots go (to the Trash under their exact bytes);
# everything else is left as it was, and the command ends in time. Runs as an
# unprivileged user (created when run as root: a read-only folder protects
# nothing for root).
#   bench/trials/hostile-tree.sh [ROUNDS]   each mode ROUNDS times (default 1)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
rounds="${1:-1}"
as_user=()
if [[ $EUID -eq 0 ]]; then
    id momentra-trial >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin momentra-trial
    as_user=(setpriv --reuid=momentra-trial --regid=momentra-trial --clear-groups --)
fi
day="$shots/2024-01-11"
outside="$scratch/outside"
long="Momentra_2024-01-11_$(printf 'x%.0s' $(seq 230)).jpeg"  # 255 bytes
own=($'Momentra_2024-01-11_\xff.jpeg' Momentra_2024-01-11_10-00-00.jpeg Momentra_2024-01-11_hard.png)

build_tree() {
    rm -rf "$shots" "$outside" "$XDG_DATA_HOME/Trash"
    mkdir -p "$day/Momentra_2024-01-11_dir.jpeg" "$day/nested" "$outside/day" "$shots/2024-01-12" \
        "$shots/"$'2024-01-1\xff'
    for name in "${own[@]::2}" "$long" nested/Momentra_2024-01-11_10-00-00.jpeg Momentra_2024-01-11_10-00-00.txt \
        notes.txt "../2024-01-12/Momentra_2024-01-12_10-00-00.png" $'../2024-01-1\xff/Momentra_2024-01-11_1.png'; do
        printf 'screenshot' >"$day/$name"
    done
    printf 'outside' >"$outside/target.jpeg"
    printf 'outside' >"$outside/day/Momentra_2024-01-13_10-00-00.png"
    ln "$outside/target.jpeg" "$day/${own[2]}"
    ln -s "$outside/target.jpeg" "$day/Momentra_2024-01-11_link.jpeg"
    ln -s "$outside/day" "$shots/2024-01-13"
    mkfifo "$day/Momentra_2024-01-11_fifo.jpeg"
    chmod 600 "$day"/* 2>/dev/null || true
    chown -R momentra-trial: "$scratch" 2>/dev/null || true
    chmod 000 "$shots/2024-01-12"
}

# What must be there afterwards, whatever the mode.
check_left_alone() {
    local name
    for name in Momentra_2024-01-11_dir.jpeg nested/Momentra_2024-01-11_10-00-00.jpeg \
        Momentra_2024-01-11_10-00-00.txt notes.txt; do
        [[ -e $day/$name ]] || fail "$1: $name was removed"
    done
    [[ -p $day/Momentra_2024-01-11_fifo.jpeg ]] || fail "$1: the FIFO was removed"
    [[ -L $day/Momentra_2024-01-11_link.jpeg ]] || fail "$1: the symbolic link was removed"
    [[ -L $shots/2024-01-13 && -f $outside/day/Momentra_2024-01-13_10-00-00.png ]] || fail "$1: a linked day folder was followed"
    [[ $(cat "$outside/target.jpeg") == outside && $(stat -c %h "$outside/target.jpeg") -ge 1 ]] || fail "$1: a link target changed"
    [[ -f "$shots/"$'2024-01-1\xff/Momentra_2024-01-11_1.png' ]] || fail "$1: a folder that is no day folder was cleaned"
    chmod 700 "$shots/2024-01-12"
    [[ -f $shots/2024-01-12/Momentra_2024-01-12_10-00-00.png ]] || fail "$1: the unreadable folder lost a file"
}

cleanup_as_user() {
    timeout 60 "${as_user[@]}" faketime -f +3d "$momentra" cleanup >"$scratch/out" 2>&1 && status=0 || status=$?
    ((status < 124)) || fail "$1: cleanup ended with status $status: $(cat "$scratch/out")"
    grep -q "Couldn't read 1 day folder" "$scratch/out" || fail "$1: the unreadable day folder went unmentioned: $(cat "$scratch/out")"
}

started=$SECONDS
for ((round = 0; round < rounds; ++round)); do
    build_tree
    write_settings '"Momentra.deletionPolicy": "1 Day", "Momentra.deletesPermanently": true'
    chown momentra-trial: "$XDG_CONFIG_HOME/Momentra/defaults.json" 2>/dev/null || true
    cleanup_as_user permanently
    for name in "${own[@]}" "$long"; do
        [[ ! -e $day/$name ]] || fail "permanently: $name is still there: $(cat "$scratch/out")"
    done
    check_left_alone permanently

    build_tree
    write_settings '"Momentra.deletionPolicy": "1 Day"'
    cleanup_as_user "to the Trash"
    for name in "${own[@]}"; do
        [[ ! -e $day/$name ]] || fail "to the Trash: $name is still there: $(cat "$scratch/out")"
        [[ -f $XDG_DATA_HOME/Trash/files/$name && -f $XDG_DATA_HOME/Trash/info/$name.trashinfo ]] ||
            fail "to the Trash: $name is not in the Trash under its own name"
    done
    # The Trash keeps "NAME.trashinfo", which a 255-byte name cannot have: it stays, and the log says why.
    [[ -e $day/$long ]] && grep -q "too long" "$scratch/out" || fail "to the Trash: the long name went unexplained"
    check_left_alone "to the Trash"
done
echo "hostile-tree trial: $rounds rounds of both modes in $((SECONDS - started)) s; only own old screenshots went"
