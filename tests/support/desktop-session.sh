#!/bin/bash
# desktop-session.sh COMMAND [ARGS...]
# Runs COMMAND inside a desktop session of its own, started as a user's
# desktop starts one: an X server (Xvfb, 1280x1024, 96 DPI), a session bus
# (dbus-daemon), and a window manager (openbox). Everything started here is
# ended when COMMAND exits; the exit code is COMMAND's.
# DURURIVE_DPI sets another resolution, given to the programs as a scaled
# desktop gives it (Xft.dpi); DURURIVE_SCREEN another screen (WxHxDepth).
# DURURIVE_ACCESSIBILITY_BUS=1 also starts the accessibility bus on the
# session bus, as a desktop does at login, with no screen reader switched on.
set -uo pipefail

cleanup() {
    [[ -n "${a11y_pid:-}" ]] && kill "$a11y_pid" 2>/dev/null
    [[ -n "${wm_pid:-}" ]] && kill "$wm_pid" 2>/dev/null
    [[ -n "${DBUS_SESSION_BUS_PID:-}" ]] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null
    [[ -n "${xvfb_pid:-}" ]] && kill "$xvfb_pid" 2>/dev/null
    [[ -n "${session_dir:-}" ]] && rm -rf "$session_dir"
}
trap cleanup EXIT

source "$(dirname "$0")/xvfb.sh"
session_dir="$(mktemp -d /tmp/dururive-session.XXXXXX)"
dpi="${DURURIVE_DPI:-96}"
start_xvfb "$session_dir" "${DURURIVE_SCREEN:-1280x1024x24}" "$dpi" 300
export DISPLAY="$xvfb_display"
if [[ "$dpi" != 96 ]]; then
    xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	$dpi" ||
        { echo "the resolution could not be set" >&2; exit 1; }
fi
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$session_dir/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

eval "$(dbus-launch --sh-syntax)" || { echo "the session bus did not start" >&2; exit 1; }
export DBUS_SESSION_BUS_ADDRESS DBUS_SESSION_BUS_PID

if [[ "${DURURIVE_ACCESSIBILITY_BUS:-}" == 1 ]]; then
    /usr/libexec/at-spi-bus-launcher --launch-immediately --a11y=0 --screen-reader=0 \
        >"$session_dir/a11y.log" 2>&1 &
    a11y_pid=$!
    a11y_up=0
    for _ in $(seq 100); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
            string:org.a11y.Bus 2>/dev/null | grep -q "boolean true" && { a11y_up=1; break; }
        sleep 0.1
    done
    ((a11y_up)) || { echo "the accessibility bus did not start:" >&2; cat "$session_dir/a11y.log" >&2; exit 1; }
fi

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
