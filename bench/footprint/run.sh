#!/bin/bash
# Footprint of the tray application (`momentra`) and of `momentra run` at a
# 60-second interval, text search off and on, each in a home of its own on a
# private Xvfb and a private session bus with a StatusNotifierItem watcher:
# resident memory after start and at the end of the period, average CPU,
# wake-ups (context switches of all threads) per minute, the time from start
# to the tray icon being registered and from Activate to the panel shown.
# Figures are printed against the targets as ratios (below 1 meets the target).
#   bench/footprint/run.sh [--seconds 300] [--only tray|run] [MOMENTRA=path]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
momentra="${MOMENTRA:-$root/build/src/momentra}"
seconds=300
only=""
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds="$2"; shift 2 ;;
        --only) only="$2"; shift 2 ;;
        *) echo "usage: $0 [--seconds N] [--only tray|run]" >&2; exit 2 ;;
    esac
done
[ -x "$momentra" ] || { echo "no $momentra: build first (scripts/build.sh)" >&2; exit 1; }

scratch="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# Waits up to $2 seconds for command $1 to succeed, polling every 10 ms.
wait_for() {
    local deadline=$(( $(now_ms) + $2 * 1000 ))
    until eval "$1" >/dev/null 2>&1; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.01
    done
}
resident_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
switches() { cat /proc/"$1"/task/*/status | awk '/ctxt_switches:/ { n += $2 } END { print n }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mb() { awk -v k="$1" 'BEGIN { printf "%.1f MB", k / 1024 }'; }

# The X server, with a page of text on it for the recogniser to read.
exec 3< <(Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp 2>/dev/null)
read -r display <&3
pids+=($!)
export DISPLAY=":$display"
xmessage -geometry 1900x1000+0+0 -file "$root/README.md" >/dev/null 2>&1 &
pids+=($!)

# measure MODE TEXT: one run in a fresh home and on a fresh bus.
measure() {
    local mode="$1" text="$2" home="$scratch/$1-$2"
    mkdir -p "$home"
    export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_STATE_HOME="$home/.local/state" \
        XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/runtime"
    mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
    exec 4< <(dbus-daemon --session --nofork --print-address=1)
    pids+=($!)
    read -r DBUS_SESSION_BUS_ADDRESS <&4
    export DBUS_SESSION_BUS_ADDRESS
    /usr/bin/python3 "$root/tests/support/sni_watcher.py" > "$home/watcher.out" &
    pids+=($!)
    wait_for "grep -q ready '$home/watcher.out'" 10 || { echo "the watcher did not start" >&2; exit 1; }
    "$momentra" defaults write Momentra.hasCompletedOnboarding --bool true
    "$momentra" defaults write Momentra.intervalSeconds --int 60
    "$momentra" defaults write Momentra.searchesText --bool "$text"

    local started app icon_ms="" panel_ms=""
    started=$(now_ms)
    if [ "$mode" = tray ]; then
        "$momentra" >/dev/null 2>&1 &
        app=$!
        wait_for "grep -q registered '$home/watcher.out'" 30 || { echo "no tray icon registered" >&2; exit 1; }
        icon_ms=$(( $(now_ms) - started ))
        "$momentra" start
        local service
        service=$(awk '/registered/ { print $2; exit }' "$home/watcher.out")
        sleep 2  # settle after start, so the panel is timed warm, as a user opens it
        local mapped
        mapped=$(timeout 10 "$root/bench/footprint/panel_time.py" "$service") || { echo "no panel" >&2; exit 1; }
        panel_ms=${mapped% *}
        # The window mapped must be the panel.
        xdotool search --onlyvisible --name '^Momentra$' | grep -qx "${mapped#* }" \
            || { echo "the window shown was not the panel" >&2; exit 1; }
        xdotool key Escape
    else
        "$momentra" run >/dev/null 2>&1 &
        app=$!
    fi
    pids+=($app)
    sleep 5
    local rss_start cpu_start sw_start
    rss_start=$(resident_kib "$app"); cpu_start=$(cpu_ticks "$app"); sw_start=$(switches "$app")
    sleep "$seconds"
    local rss_end cpu_end sw_end
    rss_end=$(resident_kib "$app"); cpu_end=$(cpu_ticks "$app"); sw_end=$(switches "$app")
    kill "$app"; wait "$app" 2>/dev/null || true

    local cpu wakeups shots
    cpu=$(awk -v t=$(( cpu_end - cpu_start )) -v s="$seconds" -v hz="$(getconf CLK_TCK)" \
        'BEGIN { printf "%.2f", 100 * t / hz / s }')
    wakeups=$(awk -v n=$(( sw_end - sw_start )) -v s="$seconds" 'BEGIN { printf "%.0f", n * 60 / s }')
    shots=$(find "$home" -name 'Momentra_*' -type f | wc -l)
    printf '%-5s text %-5s  resident %s → %s (%s of 40 MB)  CPU %s %% (%s of 1 %%)  wake-ups %s/min  %s screenshots' \
        "$mode" "$text" "$(mb "$rss_start")" "$(mb "$rss_end")" "$(ratio "$rss_end" 40960)" "$cpu" \
        "$(ratio "$cpu" 1)" "$wakeups" "$shots"
    [ -n "$icon_ms" ] && printf '  icon %s ms (%s of 500 ms)  panel %s ms (%s of 100 ms)' \
        "$icon_ms" "$(ratio "$icon_ms" 500)" "$panel_ms" "$(ratio "$panel_ms" 100)"
    echo
}

echo "momentra: $momentra, ${seconds} s per run at a 60 s interval, load $(cut -d' ' -f1 /proc/loadavg)"
for mode in tray run; do
    [ -z "$only" ] || [ "$only" = "$mode" ] || continue
    for text in false true; do
        measure "$mode" "$text"
    done
done
