#!/usr/bin/env bash
# Full-disk trial: `momentra run` at a one-second interval, with the
# free-space limit off, into a small tmpfs that is filled up and freed again
# STREAKS times (default 10). While the disk is full every tick fails; there
# is no crash, no partial or empty file is left, each failure streak is logged
# once and its end once ("Capture resumed"), and capture resumes by itself.
# Needs root (mount); as another user it says so and ends.
#   bench/trials/full-disk.sh [STREAKS]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
streaks="${1:-10}"
[[ $EUID -eq 0 ]] || { echo "full-disk trial: needs root to mount a tmpfs; skipped" >&2; exit 77; }
mkdir -p "$shots"
mount -t tmpfs -o size=8m,mode=700 momentra-trial "$shots"
trial_cleanup_hooks+=("umount -l '$shots'")
start_xvfb 640x400x24
write_settings '"Momentra.format": "PNG", "Momentra.freeSpaceLimitGB": 0'
"$momentra" run >/dev/null 2>"$scratch/run.err" &
pid=$!
trial_cleanup_hooks+=("kill $pid 2>/dev/null")
count_lines() { grep -c "$1" "$scratch/run.err" || true; }
screenshot_count() { find "$shots" -type f -name 'Momentra_*' | wc -l; }
started=$SECONDS
wait_for 30 '[[ $(screenshot_count) -gt 0 ]]' || fail "no screenshot: $(cat "$scratch/run.err")"
for ((streak = 1; streak <= streaks; ++streak)); do
    # Fill the disk to the last byte.
    dd if=/dev/zero of="$shots/filler" bs=64k status=none 2>/dev/null || true
    wait_for 30 '[[ $(count_lines "Capture failed") -ge $streak ]]' || fail "streak $streak was not logged"
    # A streak is many failed ticks, not one.
    sleep 3
    kill -0 "$pid" || fail "momentra run ended: $(cat "$scratch/run.err")"
    rm "$shots/filler"
    before=$(screenshot_count)
    wait_for 30 '[[ $(count_lines "Capture resumed") -ge $streak ]]' || fail "streak $streak did not end"
    wait_for 30 '[[ $(screenshot_count) -gt $before ]]' || fail "capture did not resume after streak $streak"
done
kill -TERM "$pid" && wait "$pid" || fail "momentra run did not stop cleanly"
failed=$(count_lines 'Capture failed')
[[ $failed -eq $streaks ]] || fail "$failed failure lines for $streaks streaks: $(cat "$scratch/run.err")"
[[ $(partial_count) -eq 0 ]] || fail "partial files left: $(find "$shots" -name '.*')"
[[ -z $(find "$shots" -type f -name 'Momentra_*' -empty) ]] || fail "empty screenshots left"
screenshots=$(check_screenshots)
echo "full-disk trial: $streaks streaks in $((SECONDS - started)) s, $failed failure lines, $screenshots whole screenshots"
