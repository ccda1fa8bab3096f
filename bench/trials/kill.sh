#!/usr/bin/env bash
# Kill trial: `momentra run` and `momentra capture` killed with SIGKILL at
# random moments, COUNT times (default 160), on a private Xvfb, cycling PNG,
# JPEG and HEIC. Afterwards every file under a screenshot name decodes fully,
# carries the capture marker and is 0600, and once `momentra run` has started
# again no partial file is left in any day folder.
#   bench/trials/kill.sh [COUNT]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
count="${1:-160}"
start_xvfb 1280x800x24
formats=(PNG JPEG HEIC)
started=$SECONDS
partials=0
for ((i = 0; i < count; ++i)); do
    write_settings "\"Momentra.format\": \"${formats[i % 3]}\""
    : >"$scratch/run.err"
    if ((i % 2)); then
        "$momentra" capture >/dev/null 2>&1 &
        pid=$!
    else
        # run: killed somewhere in its first ticks, once it has started.
        "$momentra" run >/dev/null 2>"$scratch/run.err" &
        pid=$!
        wait_for 30 'grep -q "Capture started" "$scratch/run.err"' || fail "momentra run did not start"
    fi
    # A random moment in the next 2 s: start-up, grabbing, encoding, writing or renaming.
    sleep "$((RANDOM % 2)).$(printf '%03d' $((RANDOM % 1000)))"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    # Each start removes what the killed ones left; count the kills that left one.
    (($(partial_count) == 0)) || partials=$((partials + 1))
done
screenshots=$(check_screenshots)
write_settings '"Momentra.format": "PNG"'
: >"$scratch/run.err"
"$momentra" run >/dev/null 2>"$scratch/run.err" &
pid=$!
trial_cleanup_hooks+=("kill $pid 2>/dev/null")
wait_for 30 'grep -q "Capture started" "$scratch/run.err"' || fail "momentra run did not start: $(cat "$scratch/run.err")"
wait_for 30 '[[ $(partial_count) -eq 0 ]]' || fail "$(partial_count) partial files survived the start"
kill -TERM "$pid" && wait "$pid" || fail "momentra run did not stop cleanly"
check_screenshots >/dev/null
echo "kill trial: $count kills in $((SECONDS - started)) s, $screenshots screenshots all whole," \
    "$partials kills left a partial file, none survived the next start"
