#!/bin/bash
# desktop-session.sh COMMAND [ARGS...]
# Runs COMMAND inside a desktop session of its own, started as a user's
# desktop starts one: an X server (Xvfb, 1280x1024, 96 DPI), a session bus
# (dbus-daemon), and a window manager (openbox). Everything started here is
# ended when COMMAND exits; the exit code is COMMAND's.
set -uo pipefail

cleanup() {
    [[ -n "${wm_pid:-}" ]] && kill "$wm_pid" 2>/dev/null
    [[ -n "${DBUS_SESSION_BUS_PID:-}" ]] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null
    [[ -n "${xvfb_pid:-}" ]] && kill "$xvfb_pid" 2>/dev/null
    [[ -n "${session_dir:-}" ]] && rm -rf "$session_dir"
}
trap cleanup EXIT

session_dir="$(mktemp -d /tmp/dururive-session.XXXXXX)"
exec {display_fd}<> "$session_dir/display"
Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset \
    >"$session_dir/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 300); do
    [[ -s "$session_dir/display" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start:" >&2; cat "$session_dir/xvfb.log" >&2; exit 1; }
    sleep 0.1
done
display_number="$(head -n1 "$session_dir/display")"
[[ -n "$display_number" ]] || { echo "Xvfb gave no display number" >&2; exit 1; }
export DISPLAY=":$display_number"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$session_dir/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

eval "$(dbus-launch --sh-syntax)" || { echo "the session bus did not start" >&2; exit 1; }
export DBUS_SESSION_BUS_ADDRESS DBUS_SESSION_BUS_PID

if [[ "${DURURIVE_NO_WM:-}" != 1 ]] && command -v openbox >/dev/null; then
    openbox --sm-disable >"$session_dir/wm.log" 2>&1 &
    wm_pid=$!
    # The window manager is up once it owns the root window's WM selection.
    for _ in $(seq 300); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" ||
        { echo "the window manager did not start within 30 s:" >&2; cat "$session_dir/wm.log" >&2; exit 1; }
fi

"$@"
