#!/bin/bash
# keyboard-and-mouse.sh PROGRAM
# Drives the main window with the keyboard and the mouse on a real X server
# (run it through desktop-session.sh), watching every rewrite of scrap.htm:
# - a full Tab cycle, forwards and backwards, in either style, changes
#   neither the style nor scrap.htm;
# - the arrow keys move the selection within the style group and compose;
# - a click at any corner of an option button's rectangle selects it;
# - at the limit of 20, characters Qt does not count as printable (an emoji,
#   U+200B, U+E000) are refused like any other.
set -uo pipefail
export LC_ALL=C.UTF-8  # xdotool types multibyte characters by the locale
program="$(realpath "$1")"
source "$(dirname "$0")/../support/drive.sh"
begin_test keys

mkdir "$work/run"
cd "$work/run"

# Every completed write or rename into the folder, in order.
inotifywait -m -e close_write -e moved_to --format '%f' . >"$work/writes" 2>"$work/watch.log" &
started+=($!)
wait_for 50 grep -q "Watches established" "$work/watch.log" || { fail "inotifywait did not start"; exit 1; }

# Rewrites of scrap.htm seen so far. A marker file written now is reported
# after everything written before it, so the count is complete.
syncs=0
rewrites() {
    syncs=$((syncs + 1))
    : >".sync$syncs"
    wait_for 50 grep -qx ".sync$syncs" "$work/writes" || fail "the watch fell behind"
    grep -cx "scrap.htm" "$work/writes"
}

# The characters typed below get keys of their own before the program
# starts: otherwise xdotool maps each to a spare key only while typing it,
# and a busy program may read the keyboard map after it was undone.
xmodmap -e "keycode 252 = U1F600" -e "keycode 253 = U200B" -e "keycode 254 = UE000"

"$program" >"$work/program.log" 2>&1 &
started+=($!)
main_pid=$!
wait_for 100 window_named "^Ketro's Yarvo Dururive$" || { fail "the main window did not appear: $(tail -n 5 "$work/program.log")"; exit 1; }
main="$(window_named "^Ketro's Yarvo Dururive$")"
wait_for 50 test -f scrap.htm || fail "scrap.htm was not written at start"
xdotool windowactivate --sync "$main"

base_url=""
# The scrap of a text of letters in a style, as scrap.htm holds it.
scrap_of() {
    local text="$1" style="$2" tags="" i
    for ((i = 0; i < ${#text}; i++)); do tags+="<img src='$base_url/$style/${text:i:1}.gif'>"; done
    printf '%s\r' "$tags"
}
# Waits until scrap.htm holds that text in that style.
expect_scrap() {
    wait_for 50 bash -c "[[ \"\$(cat scrap.htm)\" == \"\$1\" ]]" _ "$(scrap_of "$1" "$2")" ||
        fail "$3: scrap.htm holds '$(cat scrap.htm)', not '$1' in style $2"
}
keys() { xdotool key --delay 40 "$@"; }

before="$(rewrites)"
[[ "$before" == 1 ]] || fail "scrap.htm was written $before times at start"

# From the start (focus on Option1, style 1): a full cycle forwards, one Tab
# more into Text1, and a letter typed there shows that all keys were taken.
keys Tab Tab Tab Tab Tab Tab
xdotool type --delay 40 "a"
wait_for 50 grep -q "a.gif" scrap.htm || { fail "typing after the Tab cycle reached no text box"; exit 1; }
base_url="$(grep -o "src='[^']*/[12]/a.gif'" scrap.htm | sed "s|src='||; s|/[12]/a.gif'||")"
expect_scrap a 1 "after a Tab cycle from the start"
(($(rewrites) == before + 1)) || fail "the Tab cycle rewrote scrap.htm: $(($(rewrites) - before - 1)) extra writes"

# Backwards from Text1: Shift+Tab enters the group at Option1, and on round.
before="$(rewrites)"
keys shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab
keys End  # Tab into a text box selects its text
xdotool type --delay 40 "b"
expect_scrap ab 1 "after a Shift+Tab cycle"
(($(rewrites) == before + 1)) || fail "the Shift+Tab cycle rewrote scrap.htm"

# Into the group and across with the arrow keys: each move selects and composes.
before="$(rewrites)"
keys shift+Tab Right
expect_scrap ab 2 "Right arrow in the group"
keys Left
expect_scrap ab 1 "Left arrow in the group"
keys Down
expect_scrap ab 2 "Down arrow in the group"
(($(rewrites) == before + 3)) || fail "three arrow moves wrote scrap.htm $(($(rewrites) - before)) times"

# In style 2 both cycles enter the group at Option2 and leave style 2 alone.
keys Tab
before="$(rewrites)"
keys Tab Tab Tab Tab Tab
keys End
xdotool type --delay 40 "c"
expect_scrap abc 2 "after a Tab cycle in style 2"
keys shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab
keys End
xdotool type --delay 40 "d"
expect_scrap abcd 2 "after a Shift+Tab cycle in style 2"
(($(rewrites) == before + 2)) || fail "the cycles in style 2 rewrote scrap.htm"

# Clicks at the four corners of each button's 25 by 41 pixel rectangle
# (Option1 at 3720, 960; Option2 at 6000, 960; both 375 by 615 twips). The
# other button is selected first by a click at its middle.
read -r ox oy < <(client_origin "$main")
click_at() { xdotool mousemove --sync $((ox + $1)) $((oy + $2)) click 1; }
for corner in "0 0" "24 0" "0 40" "24 40"; do
    read -r dx dy <<<"$corner"
    click_at 412 84
    expect_scrap abcd 2 "a click in the middle of Option2"
    click_at $((248 + dx)) $((64 + dy))
    expect_scrap abcd 1 "a click at Option1 +$dx+$dy"
    click_at 260 84
    expect_scrap abcd 1 "a click in the middle of Option1"
    click_at $((400 + dx)) $((64 + dy))
    expect_scrap abcd 2 "a click at Option2 +$dx+$dy"
done

# Text1 (6120, 2280, 3735 x 375), read back through Copy (Ctrl+C).
click_twips "$main" 6120 3735 2280 375
holds() {
    printf '' | xclip -selection clipboard
    keys ctrl+a ctrl+c End
    wait_for 30 bash -c "[[ \"\$(xclip -o -selection clipboard)\" == \"\$1\" ]]" _ "$1" ||
        fail "$2: Text1 holds '$(xclip -o -selection clipboard)', not '$1'"
}
# Characters that are no printable letters to Qt: each is taken into an
# empty box, and refused when the box is full. The emoji takes two units, so
# with one left it is refused whole.
full="abcdefghijklmnopqrst"
declare -A chars=([U+1F600]=$'\xF0\x9F\x98\x80' [U+200B]=$'\xE2\x80\x8B' [U+E000]=$'\xEE\x80\x80')
for code in U+1F600 U+200B U+E000; do
    char="${chars[$code]}"
    keys ctrl+a BackSpace
    xdotool type --delay 30 "$char"
    holds "$char" "$code typed into the empty box"
    keys ctrl+a BackSpace
    xdotool type --delay 30 "$full$char"
    holds "$full" "$code typed at the limit"
done
keys BackSpace
xdotool type --delay 30 $'\xF0\x9F\x98\x80'
holds "${full:0:19}" "an emoji typed with one unit left"
expect_scrap "${full:0:19}" 2 "the scrap of nineteen letters"

close_main_window

if ((failures)); then echo "$failures check(s) failed"; exit 1; fi
echo "keyboard and mouse: all checks passed"
