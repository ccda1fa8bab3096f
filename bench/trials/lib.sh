# Shared by the trial scripts: a private home, a private X server and the
# checks every screenshot must pass. Source it; it sets `momentra`, `scratch`,
# `shots` and exports HOME and the XDG folders into the scratch folder.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
momentra="${MOMENTRA:-${MOMENTRA_BUILD_DIR:-$root/build}/src/momentra}"
[[ -x $momentra ]] || { echo "build first: scripts/build.sh (or set MOMENTRA)" >&2; exit 1; }
scratch="$(mktemp -d "${TMPDIR:-/tmp}/momentra-trial-XXXXXX")"
chmod 755 "$scratch"
shots="$scratch/Shots"
xvfb_pid=""
trial_cleanup_hooks=()
trial_cleanup() {
    local hook
    for hook in "${trial_cleanup_hooks[@]}"; do eval "$hook" || true; done
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$scratch"
}
trap trial_cleanup EXIT

export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_STATE_HOME="$scratch/home/.local/state"
export XDG_DATA_HOME="$scratch/home/.local/share" XDG_CACHE_HOME="$scratch/home/.cache"
export XDG_RUNTIME_DIR="$scratch/runtime"
# No session bus: nothing may autolaunch one or reach the user's.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$scratch/no-bus" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$scratch/no-bus"
unset WAYLAND_DISPLAY
mkdir -p "$XDG_CONFIG_HOME/Momentra" "$XDG_STATE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# write_settings '"Momentra.format": "png", …' — the settings file, folder and a one-second interval included.
write_settings() {
    printf '{"Momentra.folderPath": "%s", "Momentra.intervalSeconds": 1%s}\n' "$shots" "${1:+, $1}" \
        >"$XDG_CONFIG_HOME/Momentra/defaults.json"
}

start_xvfb() {
    local fifo="$scratch/displayfd"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "${1:-1280x800x24}" 3>"$fifo" 2>/dev/null &
    xvfb_pid=$!
    local number
    read -r -t 20 number <"$fifo" || fail "Xvfb did not start (Debian package xvfb)"
    export DISPLAY=":$number"
}

# Every file under a screenshot name decodes fully, carries the capture marker and is 0600.
check_screenshots() {
    local file count=0
    while IFS= read -r -d '' file; do
        count=$((count + 1))
        [[ $(stat -c %a "$file") == 600 ]] || fail "$file has mode $(stat -c %a "$file")"
        [[ -s $file ]] || fail "$file is empty"
        getfattr --only-values -n user.app.momentra.Momentra.capture "$file" >/dev/null 2>&1 ||
            fail "$file has no capture marker"
        case "$file" in
        *.heic) heif-convert "$file" "$scratch/decoded.png" >/dev/null 2>&1 || fail "$file does not decode" ;;
        *) [[ -z $(ffmpeg -nostdin -v error -xerror -i "$file" -f null - 2>&1) ]] || fail "$file does not decode" ;;
        esac
    done < <(find "$shots" -type f -name 'Momentra_*' -print0 2>/dev/null)
    echo "$count"
}

partial_count() {
    find "$shots" -name '.*.partial-*' 2>/dev/null | wc -l
}

# wait_for SECONDS 'CONDITION': evaluates the condition until it holds; false after SECONDS.
wait_for() {
    local deadline=$((SECONDS + $1))
    until eval "$2"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}
