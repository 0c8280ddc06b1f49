#!/bin/bash
# install-tree.sh BUILD_DIR
# Installs the build into a temporary prefix and checks the installed tree:
# the program folder, the command in bin, the menu entry and the icons. Then
# starts the installed program through its menu entry, with a PATH that lacks
# the prefix, from another working directory, inside a desktop session (run
# it through desktop-session.sh), types a text, and checks that scrap.htm is
# written there, that the preview strip shows the
# pictures from the installed glyph folders, and that Preview opens the
# installed browser on what was composed.
set -uo pipefail
build="$1"
root="$(mktemp -d /tmp/dururive-install.XXXXXX)"
prefix="$root/prefix with blank"
work="$root/work"
program_dir="$prefix/lib/dururive"
failures=0
main_pid=""
watcher_pid=""

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
cleanup() {
    [[ -n "$main_pid" ]] && kill "$main_pid" 2>/dev/null
    [[ -n "$watcher_pid" ]] && kill "$watcher_pid" 2>/dev/null
    end_browser "$program_dir"
    rm -rf "$root"
}
trap cleanup EXIT
source "$(dirname "$0")/../support/drive.sh"

# Counts the pixels of a picture (a file and convert's options) that are
# clearly pink or red, as the glitter letters are and the windows, the page
# and the icon's tile around them are not.
glitter_in() {
    convert "$@" -depth 8 txt:- 2>/dev/null |
        sed -n 's/.*srgba\?(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
        awk '$1 >= 150 && $1 - $2 >= 80 {n++} END {print n + 0}'
}
# The same for a rectangle of the screen (left top width height).
glitter_pixels() {
    import -window root -crop "${3}x${4}+${1}+${2}" "$root/crop.png" 2>/dev/null || { echo 0; return; }
    glitter_in "$root/crop.png"
}

# The installed tree.
cmake --install "$build" --prefix "$prefix" >"$root/install.log" 2>&1 ||
    { cat "$root/install.log" >&2; fail "cmake --install failed"; exit 1; }
for exe in dururive dururive-browser; do
    [[ -f "$program_dir/$exe" && -x "$program_dir/$exe" ]] || fail "$exe is not in the program folder"
done
for style in 1 2; do
    count="$(find "$program_dir/$style" -maxdepth 1 -name '[a-z].gif' 2>/dev/null | wc -l)"
    [[ "$count" == 26 ]] || fail "the glyph folder $style holds $count pictures"
done
[[ -L "$prefix/bin/dururive" ]] || fail "bin/dururive is not a symbolic link"
[[ "$(readlink -f "$prefix/bin/dururive")" == "$(readlink -f "$program_dir/dururive")" ]] ||
    fail "bin/dururive leads to '$(readlink -f "$prefix/bin/dururive")'"
[[ "$(readlink "$prefix/bin/dururive")" != /* ]] || fail "bin/dururive is an absolute link: the tree cannot move"

entry="$prefix/share/applications/dururive.desktop"
desktop-file-validate "$entry" || fail "the desktop entry does not validate"
key() { sed -n "s/^$1=//p" "$entry"; }
[[ "$(key Name)" == "Yarvo Dururive" ]] || fail "the entry's Name is '$(key Name)'"
# The program by its absolute path, quoted for the blank in the prefix.
[[ "$(key Exec)" == "\"$prefix/bin/dururive\"" ]] || fail "the entry's Exec is '$(key Exec)'"
[[ "$(key Icon)" == dururive ]] || fail "the entry's Icon is '$(key Icon)'"
[[ "$(key Type)" == Application && "$(key Categories)" == *Graphics* ]] ||
    fail "the entry is not a graphics application: $(key Type) $(key Categories)"
icons="$(find "$prefix/share/icons/hicolor" -path '*/apps/dururive.png' | wc -l)"
((icons >= 4)) || fail "only $icons icon sizes are installed"
for size in 16 48 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/dururive.png"
    [[ "$(identify -format '%m %wx%h' "$icon" 2>&1)" == "PNG ${size}x${size}" ]] ||
        fail "the ${size}px icon is '$(identify -format '%m %wx%h' "$icon" 2>&1)'"
done
# The icon is drawn from the glyph pictures: its middle holds their glitter.
icon_glitter="$(glitter_in "$prefix/share/icons/hicolor/256x256/apps/dururive.png" -background white -flatten \
    -gravity center -crop 160x160+0+0)"
((icon_glitter > 2000)) || fail "the icon shows no glitter letters ($icon_glitter pixels)"

# The installed entry, started as a desktop's menu starts it, from another
# working directory and with a PATH that lacks the prefix, and with startup
# notification (StartupNotify=true): the launch is announced, which starts
# the busy cursor, and its ID given to the program. The ID holds a blank, as
# GNOME Shell's do (they hold the entry's name).
mkdir -p "$work"
cd "$work" || exit 1
export DURURIVE_BROWSER_TRACE="$root/browser.trace"
launch="install-test/Yarvo Dururive/$$-0-test_TIME$(date +%s)"
/usr/bin/python3 "$(dirname "$0")/../support/startup-notification.py" "$launch" 60 >"$root/startup.log" 2>&1 &
watcher_pid=$!
wait_for 50 grep -q "^new: " "$root/startup.log" ||
    fail "the launch was not announced: $(cat "$root/startup.log")"
DESKTOP_STARTUP_ID="$launch" PATH=/usr/bin:/bin gio launch "$entry" >"$root/program.log" 2>&1 ||
    fail "gio launch failed: $(cat "$root/program.log")"
wait_for 100 pgrep -x -f -- "$prefix/bin/dururive" || fail "the entry did not start $prefix/bin/dururive"
main_pid="$(pgrep -x -f -- "$prefix/bin/dururive" | head -n1)"
wait_for 100 window_named "^Ketro's Yarvo Dururive$" || { fail "the main window did not appear"; cat "$root/program.log" >&2; exit 1; }
main="$(window_named "^Ketro's Yarvo Dururive$")"
# The main window ends the launch, and the busy cursor, as it appears (not
# the window manager, which ends it later on some desktops), and carries the
# launch's ID.
wait_for 50 grep -qx "ended by $main" "$root/startup.log" ||
    fail "the main window ($main) did not end the launch: $(cat "$root/startup.log")"
[[ "$(xprop -id "$main" _NET_STARTUP_ID)" == "_NET_STARTUP_ID(UTF8_STRING) = \"$launch\"" ]] ||
    fail "the main window does not carry the launch: $(xprop -id "$main" _NET_STARTUP_ID)"
# The desktop ties a window to the menu entry by its class (WM_CLASS), or by
# a GTK application id, which Qt does not set.
identity() { xprop -id "$1" WM_CLASS; xprop -id "$1" _GTK_APPLICATION_ID | grep " = "; }
[[ "$(identity "$main")" == 'WM_CLASS(STRING) = "dururive", "Yarvo Dururive"' ]] ||
    fail "the main window's identity is $(identity "$main")"
wait_for 50 test -f "$work/scrap.htm" || fail "scrap.htm was not written in the working directory"
[[ -e "$program_dir/scrap.htm" ]] && fail "scrap.htm was written into the program folder"

# Slot 0 of the preview strip: left 960, top 5040, 36 by 74 pixels.
read -r ox oy < <(client_origin "$main")
[[ "$(glitter_pixels $((ox + 64)) $((oy + 336)) 36 74)" == 0 ]] || fail "slot 0 is not empty at start"
click_twips "$main" 6120 3735 2280 375
xdotool type --delay 30 "Hi yo"
wait_for 30 grep -q "/1/o.gif'>" "$work/scrap.htm" || fail "scrap.htm holds '$(cat "$work/scrap.htm")'"
tags="$(grep -o "/[12]/[a-z].gif'>\|<br>" "$work/scrap.htm" | tr -d '\n')"
[[ "$tags" == "/1/h.gif'>/1/i.gif'><br>/1/y.gif'>/1/o.gif'>" ]] || fail "scrap.htm holds '$(cat "$work/scrap.htm")'"
# The slot is painted after the composition wrote the file.
slot_shows() { (($(glitter_pixels $((ox + 64)) $((oy + 336)) 36 74) > 20)); }
wait_for 50 slot_shows || fail "slot 0 shows no picture ($(glitter_pixels $((ox + 64)) $((oy + 336)) 36 74) glitter pixels)"
[[ -n "$main_pid" ]] && kill -0 "$main_pid" 2>/dev/null || fail "the program ended: $(cat "$root/program.log")"

# Preview (9960, 2280, 975 x 375) opens the installed browser on the
# working directory's scrap.htm, with the pictures from the glyph folders.
click_twips "$main" 9960 975 2280 375
wait_for 300 browser_windows || fail "no preview window"
pgrep -f -- "^$program_dir/dururive-browser" >/dev/null || fail "the preview did not start the installed browser"
wait_for 200 grep -q " loaded file://" "$DURURIVE_BROWSER_TRACE" || fail "the preview page did not load"
grep -q " Navigate $work/scrap.htm$" "$DURURIVE_BROWSER_TRACE" ||
    fail "the preview opened something else: $(grep Navigate "$DURURIVE_BROWSER_TRACE")"
browser="$(browser_windows | tail -n1)"
if [[ -n "$browser" ]]; then
    # The preview window is the program's in the desktop, as the main window
    # is; the launch was the main window's alone.
    [[ "$(identity "$browser")" == "$(identity "$main")" ]] ||
        fail "the preview window's identity is $(identity "$browser")"
    for pid in $(session_browsers "$program_dir"); do
        tr '\0' '\n' <"/proc/$pid/environ" | grep -q "^DESKTOP_STARTUP_ID=" &&
            fail "the browser was started with the program's launch ID"
    done
    read -r bx by < <(client_origin "$browser")
    page_pixels() { (($(glitter_pixels "$bx" "$by" 300 200) > 40)); }
    wait_for 100 page_pixels || fail "the preview window shows no glitter letters"
fi

if ((failures)); then
    echo "--- program log" >&2; cat "$root/program.log" >&2
    echo "--- browser trace" >&2; cat "$DURURIVE_BROWSER_TRACE" >&2 2>/dev/null
    import -window root "/tmp/dururive-install-failure.png" 2>/dev/null &&
        echo "screen saved in /tmp/dururive-install-failure.png" >&2
    echo "$failures check(s) failed"
    exit 1
fi
echo "install tree: all checks passed"
