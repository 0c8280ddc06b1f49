#!/bin/bash
# wayland-session.sh [--compositor=weston|mutter|kwin] COMMAND [ARGS...]
# Runs COMMAND inside a Wayland desktop session of its own, as GNOME's and
# KDE Plasma's sessions are: a Wayland compositor (weston unless told
# otherwise; mutter is GNOME Shell's, KWin Plasma's) that also offers an X
# display through XWayland, and a session bus. COMMAND gets WAYLAND_DISPLAY,
# DISPLAY (XWayland's, with its XAUTHORITY where the compositor wants one),
# XDG_SESSION_TYPE wayland, DURURIVE_COMPOSITOR and no QT_QPA_PLATFORM: the
# programs choose. Everything started here is ended when COMMAND exits; the
# exit code is COMMAND's.
#
# A compositor's seat has a keyboard and a mouse only when something gives
# it one, and XWayland without them cannot take synthetic input (it breaks
# on a pointer motion), so COMMAND gets one of these to drive them with:
# - weston runs on its X11 backend, in a window on a hidden X server (Xvfb)
#   of its own, whose keyboard and mouse become the compositor's seat:
#   xdotool drives them with DISPLAY=$DURURIVE_SEAT_DISPLAY. weston's output
#   fills that screen, so its coordinates are the compositor's.
# - mutter and KWin run headless, and wayland-seat.py holds a keyboard and a
#   mouse of theirs: `wayland-seat.py $DURURIVE_SEAT_SOCKET key ctrl+v` and
#   the like drive them.
set -uo pipefail
support="$(cd "$(dirname "$0")" && pwd)"
compositor=weston
[[ "${1:-}" == --compositor=* ]] && { compositor="${1#--compositor=}"; shift; }
width=1280 height=1024

cleanup() {
    [[ -n "${seat_pid:-}" ]] && kill "$seat_pid" 2>/dev/null
    [[ -n "${compositor_pid:-}" ]] && kill "$compositor_pid" 2>/dev/null && wait "$compositor_pid" 2>/dev/null
    [[ -n "${DBUS_SESSION_BUS_PID:-}" ]] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null
    [[ -n "${xvfb_pid:-}" ]] && kill "$xvfb_pid" 2>/dev/null
    [[ -n "${session_dir:-}" ]] && rm -rf "$session_dir"
}
trap cleanup EXIT
# Waits up to $1 tenths of a second for a command to succeed while the
# compositor runs.
wait_while_running() {
    local tries="$1"; shift
    for _ in $(seq "$tries"); do
        "$@" >/dev/null 2>&1 && return 0
        kill -0 "$compositor_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
not_started() { echo "$compositor did not start with XWayland: $1" >&2; cat "$log" >&2; exit 1; }

session_dir="$(mktemp -d /tmp/dururive-wayland.XXXXXX)"
export XDG_RUNTIME_DIR="$session_dir/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM DISPLAY XAUTHORITY
log="$session_dir/$compositor.log"
socket=wayland-dururive
# mutter and KWin publish their interfaces on the session bus.
eval "$(dbus-launch --sh-syntax)" || { echo "the session bus did not start" >&2; exit 1; }
export DBUS_SESSION_BUS_ADDRESS DBUS_SESSION_BUS_PID

start_weston() {
    source "$support/xvfb.sh"
    start_xvfb "$session_dir" ${width}x${height}x24 96 100
    export DURURIVE_SEAT_DISPLAY="$xvfb_display"
    DISPLAY="$DURURIVE_SEAT_DISPLAY" weston --backend=x11-backend.so --use-pixman --width=$width --height=$height \
        --xwayland --socket=$socket --no-config --idle-time=0 --log="$log" >/dev/null 2>&1 &
    compositor_pid=$!
    # weston names the X display it listens on once it is ready; XWayland
    # itself starts when the first X client connects.
    weston_display() { sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$log" | head -n1; }
    wait_while_running 100 eval '[[ -n "$(weston_display)" && -S "$XDG_RUNTIME_DIR/$socket" ]]' ||
        not_started "no X display"
    DISPLAY="$(weston_display)"
}

# The desktop's own settings stay out: each compositor starts from its
# defaults, with a configuration folder of its own.
start_mutter() {
    XDG_CONFIG_HOME="$session_dir/config" mutter --headless --wayland --virtual-monitor ${width}x${height} \
        --wayland-display=$socket >"$log" 2>&1 &
    compositor_pid=$!
    mutter_display() { sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$log" | head -n1; }
    # XWayland's clients need the key mutter writes for it.
    mutter_key() { find "$XDG_RUNTIME_DIR" -maxdepth 1 -name '.mutter-Xwaylandauth.*' -size +0 | head -n1; }
    wait_while_running 150 eval '[[ -n "$(mutter_display)" && -n "$(mutter_key)" && -S "$XDG_RUNTIME_DIR/$socket" ]]' ||
        not_started "no X display"
    DISPLAY="$(mutter_display)"
    XAUTHORITY="$(mutter_key)"
    export XAUTHORITY
    wait_while_running 100 gdbus introspect --session --dest org.gnome.Mutter.RemoteDesktop \
        --object-path /org/gnome/Mutter/RemoteDesktop || not_started "no remote desktop on the session bus"
}

# kwin_wayland carries a file capability (cap_sys_resource), which a
# container may not grant: then it runs through the dynamic loader, which
# carries none, and its own Qt platform has to be asked for by name.
# Its fake input and screenshots are for privileged clients, which KWin
# otherwise picks by their desktop files.
start_kwin() {
    local kwin=(kwin_wayland)
    kwin_wayland --version >/dev/null 2>&1 ||
        kwin=(env KWIN_FORCE_OWN_QPA=1 "$(ldd /usr/bin/kwin_wayland | awk '/ld-linux/ {print $1}')" /usr/bin/kwin_wayland)
    mkdir -p "$session_dir/config"
    # New windows go to the top left corner, as mutter's first-fit puts them.
    printf '[Windows]\nPlacement=ZeroCornered\n' >"$session_dir/config/kwinrc"
    XDG_CONFIG_HOME="$session_dir/config" KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
        "${kwin[@]}" --virtual --xwayland --socket $socket --width $width --height $height \
        --no-lockscreen --no-global-shortcuts --no-kactivities >"$log" 2>&1 &
    compositor_pid=$!
    # KWin starts XWayland itself, on a display it picks.
    kwin_display() { pgrep -P "$compositor_pid" -x Xwayland | head -n1 | xargs -r -I{} sed -z -n 2p /proc/{}/cmdline | tr -d '\0'; }
    wait_while_running 150 eval '[[ "$(kwin_display)" == :* && -S "$XDG_RUNTIME_DIR/$socket" ]]' ||
        not_started "no X display"
    DISPLAY="$(kwin_display)"
}

case "$compositor" in
    weston | mutter | kwin) "start_$compositor" ;;
    *) echo "no such compositor: $compositor" >&2; exit 2 ;;
esac
export WAYLAND_DISPLAY=$socket DISPLAY XDG_SESSION_TYPE=wayland DURURIVE_COMPOSITOR="$compositor"
wait_while_running 100 xprop -root -notype _NET_SUPPORTING_WM_CHECK || not_started "XWayland does not answer on $DISPLAY"

if [[ "$compositor" != weston ]]; then
    export DURURIVE_SEAT_SOCKET="$session_dir/seat"
    /usr/bin/python3 "$support/wayland-seat.py" "$DURURIVE_SEAT_SOCKET" serve "$compositor" $width $height \
        >"$session_dir/seat.log" 2>&1 &
    seat_pid=$!
    wait_while_running 100 eval '[[ -S "$DURURIVE_SEAT_SOCKET" ]] || ! kill -0 $seat_pid' &&
        [[ -S "$DURURIVE_SEAT_SOCKET" ]] ||
        { echo "no keyboard and mouse for $compositor:" >&2; cat "$session_dir/seat.log" >&2; exit 1; }
fi

"$@"
