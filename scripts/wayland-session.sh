#!/usr/bin/env bash
# Runs a command inside a private headless Wayland session: sway with two
# outputs (HEADLESS-1 1920x1080 at scale 1 filled #c03010, HEADLESS-2 1280x720
# at scale 2 filled #2080f0),
# a private session bus and, with --portal, PipeWire, WirePlumber and the
# screen-cast portal (xdg-desktop-portal + xdg-desktop-portal-wlr, which
# picks HEADLESS-1 without asking; the portal's permission store keeps its
# restore tokens in the session's home). Nothing of the caller's session is used.
#   scripts/wayland-session.sh [--portal] PROGRAM [ARGS…]
# Sway refuses to run as root: as root, everything runs as the unprivileged
# user momentra-test (made here when missing), with a runtime folder (0700)
# and a home of its own; PROGRAM and the momentra executable
# ($MOMENTRA_EXECUTABLE) are copied where that user can run them. The
# command sees WAYLAND_DISPLAY, SWAYSOCK, XDG_RUNTIME_DIR, HOME,
# DBUS_SESSION_BUS_ADDRESS and MOMENTRA_EXECUTABLE; its exit status is ours.
set -euo pipefail

portal=0
if [ "${1:-}" = --portal ]; then portal=1; shift; fi
[ $# -ge 1 ] || { echo "usage: $0 [--portal] PROGRAM [ARGS…]" >&2; exit 2; }
for tool in sway swaymsg dbus-daemon; do
    command -v "$tool" >/dev/null || { echo "wayland-session: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

user=momentra-test
scratch="$(mktemp -d /tmp/momentra-wayland.XXXXXX)"
chmod 755 "$scratch"
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    # The portal starts the document portal on the bus, which mounts its
    # FUSE file system at runtime/doc and outlives the bus by a moment.
    if mountpoint -q "$scratch/runtime/doc" 2>/dev/null; then
        fusermount3 -u -z "$scratch/runtime/doc" 2>/dev/null || umount -l "$scratch/runtime/doc" 2>/dev/null || true
    fi
    rm -rf "$scratch" 2>/dev/null || { sleep 1; rm -rf "$scratch" || true; }
}
trap cleanup EXIT

program="$1"; shift
executable="${MOMENTRA_EXECUTABLE:-}"
if [ "$(id -u)" -eq 0 ]; then
    id "$user" >/dev/null 2>&1 || useradd --system --user-group --no-create-home --shell /usr/sbin/nologin "$user"
    as_user=(setpriv --reuid="$user" --regid="$user" --init-groups)
    # The build folder may lie below a home the user cannot enter.
    mkdir -m 755 "$scratch/bin"
    cp "$program" "$scratch/bin/" && program="$scratch/bin/$(basename "$program")"
    if [ -n "$executable" ]; then cp "$executable" "$scratch/bin/momentra" && executable="$scratch/bin/momentra"; fi
    owner="$user"
else
    as_user=()
    owner="$(id -un)"
fi

runtime="$scratch/runtime"
home="$scratch/home"
mkdir -m 700 "$runtime" "$home"
mkdir -p "$home/.config/xdg-desktop-portal-wlr"
cat > "$scratch/sway.conf" <<CONF
output HEADLESS-1 resolution 1920x1080 position 0 0 bg "#c03010" solid_color
CONF
cat > "$home/.config/xdg-desktop-portal-wlr/config" <<CONF
[screencast]
chooser_type=none
output_name=HEADLESS-1
CONF
chmod a+r "$scratch/sway.conf"
chown -R "$owner": "$runtime" "$home"

# Sanitizer reports land in a folder the user may write; they are copied back at the end.
reports=""
for var in ASAN_OPTIONS UBSAN_OPTIONS; do
    value="${!var:-}"
    if [[ "$value" =~ log_path=([^:]*) ]] && [ "$owner" != "$(id -un)" ]; then
        [ -n "$reports" ] || { reports="$scratch/reports"; mkdir -m 700 "$reports"; chown "$owner": "$reports"; }
        target="${BASH_REMATCH[1]}"
        export "$var=${value//log_path=$target/log_path=$reports/$(basename "$target")}"
        report_dir="$(dirname "$target")"
    fi
done

# So is the leak suppression file, which may lie below a home the user cannot enter.
if [[ "${LSAN_OPTIONS:-}" =~ suppressions=([^:]*) ]] && [ "$owner" != "$(id -un)" ]; then
    cp "${BASH_REMATCH[1]}" "$scratch/lsan-suppressions.txt" && chmod a+r "$scratch/lsan-suppressions.txt"
    export LSAN_OPTIONS="${LSAN_OPTIONS//${BASH_REMATCH[1]}/$scratch/lsan-suppressions.txt}"
fi

session_env=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$runtime"
    XDG_CONFIG_HOME="$home/.config" XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland LANG=C.UTF-8)
"${as_user[@]}" "${session_env[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$scratch/sway.conf" >"$scratch/sway.log" 2>&1 &
pids+=($!)

# Waits until a condition holds, for at most ten seconds.
wait_for() {
    local what="$1"; shift
    for _ in $(seq 200); do
        if "$@"; then return 0; fi
        kill -0 "${pids[0]}" 2>/dev/null || break
        sleep 0.05
    done
    echo "wayland-session: $what did not come up" >&2
    cat "$scratch/sway.log" >&2
    exit 1
}
socket_ready() { compgen -G "$runtime/sway-ipc.*.sock" >/dev/null && [ -S "$runtime/wayland-1" ]; }
wait_for "sway" socket_ready
swaysock="$(compgen -G "$runtime/sway-ipc.*.sock")"
session_env+=(WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$swaysock")
swaymsg_() { "${as_user[@]}" "${session_env[@]}" swaymsg "$@" >/dev/null; }
swaymsg_ create_output
swaymsg_ output HEADLESS-2 resolution 1280x720 position 1920 0 scale 2 bg "#2080f0" solid_color

"${as_user[@]}" "${session_env[@]}" dbus-daemon --session --nofork --nopidfile \
    --address="unix:path=$runtime/bus" >"$scratch/bus.log" 2>&1 &
pids+=($!)
wait_for "the session bus" test -S "$runtime/bus"
session_env+=(DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime/bus")

if [ "$portal" = 1 ]; then
    for service in pipewire wireplumber; do
        "${as_user[@]}" "${session_env[@]}" "$service" >"$scratch/$service.log" 2>&1 &
        pids+=($!)
    done
    wait_for "pipewire" test -S "$runtime/pipewire-0"
    # The wlroots backend first (it needs PipeWire), then the portal front
    # end, which finds it through wlr.portal's UseIn=sway (xdg-desktop-portal
    # 1.16 reads no portals.conf). The permission store that keeps restore
    # tokens is started by the bus when the portal asks for it.
    # $MOMENTRA_PORTAL_PRELOAD (built with the tests) lets it cast from
    # shared memory although the compositor draws without a GPU.
    preload=()
    if [ -n "${MOMENTRA_PORTAL_PRELOAD:-}" ]; then
        mkdir -p -m 755 "$scratch/lib"
        cp "$MOMENTRA_PORTAL_PRELOAD" "$scratch/lib/" && chmod a+rx "$scratch/lib/$(basename "$MOMENTRA_PORTAL_PRELOAD")"
        preload=(LD_PRELOAD="$scratch/lib/$(basename "$MOMENTRA_PORTAL_PRELOAD")")
    fi
    "${as_user[@]}" "${session_env[@]}" "${preload[@]}" /usr/libexec/xdg-desktop-portal-wlr \
        >"$scratch/portal-wlr.log" 2>&1 &
    pids+=($!)
    bus_has() { "${as_user[@]}" "${session_env[@]}" dbus-send --session --print-reply --dest=org.freedesktop.DBus \
        /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:"$1" 2>/dev/null | grep -q true; }
    wait_for "xdg-desktop-portal-wlr" bus_has org.freedesktop.impl.portal.desktop.wlr
    "${as_user[@]}" "${session_env[@]}" /usr/libexec/xdg-desktop-portal -r >"$scratch/portal.log" 2>&1 &
    pids+=($!)
    wait_for "xdg-desktop-portal" bus_has org.freedesktop.portal.Desktop
fi

# Everything the caller set for the program (QT_*, sanitizer options, MOMENTRA_*) passes on.
passed=()
while IFS='=' read -r name _; do
    case "$name" in QT_*|ASAN_*|UBSAN_*|LSAN_*|MOMENTRA_*) passed+=("$name=${!name}") ;; esac
done < <(env)
status=0
"${as_user[@]}" "${session_env[@]}" "${passed[@]}" MOMENTRA_EXECUTABLE="$executable" "$program" "$@" || status=$?
if [ -n "$reports" ] && compgen -G "$reports/*" >/dev/null; then cp "$reports"/* "$report_dir"/; fi
exit "$status"
