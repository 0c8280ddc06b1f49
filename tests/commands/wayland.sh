#!/bin/bash
# wayland.sh PROGRAM
# The program and its browser in a Wayland session (run it through
# wayland-session.sh). With an X display (XWayland) both run on X11: their
# windows are X windows, typing composes and Preview's window appears. Without
# one they run natively on Wayland: the program composes at start, copies
# the GIF to the clipboard and the browser shows a page. Placement is checked in the X server session only.
set -uo pipefail
program="$1"
program_dir="$(dirname "$program")"
source "$(dirname "$0")/../support/drive.sh"
begin_test wayland-test "$program_dir"
[[ -n "${WAYLAND_DISPLAY:-}" && -n "${DISPLAY:-}" && -n "${DURURIVE_SEAT_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]] ||
    { echo "run this through wayland-session.sh" >&2; exit 1; }

# The keyboard is the compositor's, driven on its seat's display; windows are
# looked up on XWayland's. The compositor places a new window where it likes
# and the program then centres it, so the test goes by the keyboard alone.
seat() { DISPLAY="$DURURIVE_SEAT_DISPLAY" xdotool "$@"; }
focused_on() { [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$1" ]]; }
export DURURIVE_BROWSER_TRACE="$work/browser.trace"

# With DISPLAY: on X11.
mkdir "$work/x11" && cd "$work/x11" || exit 1
"$program" >"$work/x11.log" 2>&1 &
started+=($!)
# The compositor's window manager reparents a new window, so a lookup can
# miss it for a moment after the first one found it: keep the first answer.
main=""
for _ in $(seq 150); do
    main="$(window_named "^Ketro's Yarvo Dururive$")"
    [[ -n "$main" ]] && break
    sleep 0.1
done
if [[ -z "$main" ]]; then
    fail "the main window is no X window: $(cat "$work/x11.log")"
else
    wait_for 50 test -f scrap.htm || fail "scrap.htm was not written at start"
    wait_for 100 focused_on "$main" ||
        fail "the compositor did not give the main window the keyboard (focus: $(xdotool getwindowfocus 2>&1))"
    # From the style group, Tab reaches Text1.
    seat key --delay 50 Tab
    seat type --delay 30 "Hi"
    wait_for 50 grep -q "/1/i.gif'>" scrap.htm || fail "typing composed '$(cat scrap.htm)'"
    [[ "$(grep -o "/1/[a-z].gif'>" scrap.htm | tr -d '\n')" == "/1/h.gif'>/1/i.gif'>" ]] ||
        fail "scrap.htm holds '$(cat scrap.htm)'"
    # Then About, Copy and Preview.
    seat key --delay 50 Tab Tab Tab space
    wait_for 300 browser_windows ||
        fail "Preview's window is no X window: $(cat "$DURURIVE_BROWSER_TRACE" 2>&1)"
    wait_for 200 grep -q " loaded file://.*/x11/scrap.htm" "$DURURIVE_BROWSER_TRACE" ||
        fail "the preview did not load the scrap: $(cat "$DURURIVE_BROWSER_TRACE" 2>&1)"
fi
for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; done
started=()
end_browser "$program_dir"

# Without DISPLAY: natively on Wayland.
mkdir "$work/native" && cd "$work/native" || exit 1
env -u DISPLAY XDG_CACHE_HOME="$work/cache" "$program" >"$work/native.log" 2>&1 &
main_pid=$!
started+=($main_pid)
# The window composes once as it is shown.
wait_for 150 test -f scrap.htm || fail "the program did not start without DISPLAY: $(cat "$work/native.log")"
kill -0 "$main_pid" 2>/dev/null || fail "the program ended without DISPLAY: $(cat "$work/native.log")"
# Once it has the keyboard, Tab reaches Text1; Ctrl+Shift+C then offers the
# GIF's very bytes, its file and GNOME Files' line through the compositor.
wait_for 100 eval 'seat key --delay 50 Tab; seat type w; grep -q "/1/w.gif" scrap.htm' ||
    fail "the native window took no typing: $(cat scrap.htm)"
seat key ctrl+shift+c
types() { env -u DISPLAY timeout 5 wl-paste --list-types | xargs; }
wait_for 50 eval '[[ "$(types)" == "image/gif text/uri-list x-special/gnome-copied-files" ]]' ||
    fail "the native clipboard offers '$(types)'"
"$program" --save-gif "$work/w.gif" w
cmp -s <(env -u DISPLAY timeout 5 wl-paste -t image/gif) "$work/w.gif" ||
    fail "the native clipboard's image/gif is not the GIF"

: >"$DURURIVE_BROWSER_TRACE"
env -u DISPLAY setsid "$program_dir/dururive-browser" </dev/null >"$work/browser.log" 2>&1 &
started+=($!)
call() { gdbus call --session --dest org.dururive.Browser "$@" 2>&1; }
wait_for 300 call --object-path /org/dururive/Browser --method org.freedesktop.DBus.Peer.Ping ||
    fail "the browser did not start without DISPLAY: $(cat "$work/browser.log")"
reply="$(call --object-path /org/dururive/Browser --method org.dururive.Browser.CreateWindow)"
window="$(sed -n "s/^(objectpath '\(.*\)',)$/\1/p" <<<"$reply")"
if [[ "$window" == /org/dururive/Browser/Window/* ]]; then
    printf '<title>native</title>hello\r\n' >page.htm
    call --object-path "$window" --method org.freedesktop.DBus.Properties.Set \
        org.dururive.Browser.Window Visible '<true>' >/dev/null
    call --object-path "$window" --method org.dururive.Browser.Window.Navigate "$PWD/page.htm" >/dev/null
    wait_for 200 grep -q " loaded file://.*/native/page.htm" "$DURURIVE_BROWSER_TRACE" ||
        fail "the browser window did not load its page: $(cat "$DURURIVE_BROWSER_TRACE" "$work/browser.log")"
    grep -q "$window exposed" "$DURURIVE_BROWSER_TRACE" || fail "the browser window was not shown"
else
    fail "CreateWindow answered: $reply"
fi

if ((failures)); then echo "$failures check(s) failed"; exit 1; fi
echo "wayland: all checks passed"
