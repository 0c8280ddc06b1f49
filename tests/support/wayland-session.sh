#!/bin/bash
# wayland-session.sh COMMAND [ARGS...]
# Runs COMMAND inside a Wayland desktop session of its own, as GNOME's and
# KDE Plasma's sessions are: a Wayland compositor (weston) that also offers an
# X display through XWayland, and a session bus. COMMAND gets WAYLAND_DISPLAY,
# DISPLAY (XWayland's) and XDG_SESSION_TYPE wayland, and no QT_QPA_PLATFORM:
# the programs choose. Everything started here is ended when COMMAND exits;
# the exit code is COMMAND's.
#
# weston's headless backend has no input devices, and XWayland without them
# cannot take synthetic input (it breaks on a pointer motion). So weston runs
# on its X11 backend, in a window on a hidden X server (Xvfb) of its own,
# whose keyboard and mouse become the compositor's seat: xdotool drives them
# with DISPLAY=$DURURIVE_SEAT_DISPLAY. weston's output fills that screen, so
# its coordinates are the compositor's.
set -uo pipefail

cleanup() {
    [[ -n "${DBUS_SESSION_BUS_PID:-}" ]] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null
    [[ -n "${weston_pid:-}" ]] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
    [[ -n "${xvfb_pid:-}" ]] && kill "$xvfb_pid" 2>/dev/null
    [[ -n "${session_dir:-}" ]] && rm -rf "$session_dir"
}
trap cleanup EXIT

session_dir="$(mktemp -d /tmp/dururive-wayland.XXXXXX)"
export XDG_RUNTIME_DIR="$session_dir/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

source "$(dirname "$0")/xvfb.sh"
start_xvfb "$session_dir" 1280x1024x24 96 100
export DURURIVE_SEAT_DISPLAY="$xvfb_display"

log="$session_dir/weston.log"
DISPLAY="$DURURIVE_SEAT_DISPLAY" weston --backend=x11-backend.so --use-pixman --width=1280 --height=1024 \
    --xwayland --socket=wayland-dururive --no-config --idle-time=0 --log="$log" >/dev/null 2>&1 &
weston_pid=$!
# weston names the X display it listens on once it is ready; XWayland itself
# starts when the first X client connects.
display=""
for _ in $(seq 100); do
    display="$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$log" 2>/dev/null | head -n1)"
    [[ -n "$display" && -S "$XDG_RUNTIME_DIR/wayland-dururive" ]] && break
    kill -0 "$weston_pid" 2>/dev/null || break
    sleep 0.1
done
[[ -n "$display" ]] || { echo "weston did not start with XWayland:" >&2; cat "$log" >&2; exit 1; }
export WAYLAND_DISPLAY=wayland-dururive
export DISPLAY="$display"
export XDG_SESSION_TYPE=wayland

eval "$(dbus-launch --sh-syntax)" || { echo "the session bus did not start" >&2; exit 1; }
export DBUS_SESSION_BUS_ADDRESS DBUS_SESSION_BUS_PID

"$@"
