#!/bin/bash
# unwritable-folder.sh PROGRAM
# Starts the program as an ordinary user from a folder that user cannot
# write (run it through desktop-session.sh, as root): the failure to write
# scrap.htm is reported once; typing, the style and Copy go on working with
# no further report of the same failure; once the folder is writable, typing
# writes scrap.htm.
set -uo pipefail
program="$1"
if (($(id -u) != 0)); then
    echo "SKIP: the program is started as another user, which needs root"
    exit 77
fi
user=nobody
group="$(id -gn "$user")"
work="$(mktemp -d /tmp/dururive-unwritable.XXXXXX)"
folder="$work/folder"
main_pid=""
failures=0

source "$(dirname "$0")/../support/drive.sh"

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
cleanup() {
    [[ -n "$main_pid" ]] && kill "$main_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The folder is root's: the user can enter it but not write in it.
chmod 755 "$work"
mkdir -m 755 "$folder" "$work/runtime"
chown "$user:$group" "$work/runtime" && chmod 700 "$work/runtime"
# The user must reach the program: a build in a private home (root's is mode
# 700) is copied, with the browser and the pictures that live beside it.
if ! setpriv --reuid="$user" --regid="$group" --clear-groups test -x "$program"; then
    program_dir="$(dirname "$program")"
    mkdir -m 755 "$work/program"
    cp -a "$program" "$program_dir/dururive-browser" "$program_dir/1" "$program_dir/2" "$work/program/"
    program="$work/program/$(basename "$program")"
fi
cd "$folder" || exit 1
setpriv --reuid="$user" --regid="$group" --clear-groups \
    env HOME="$work/runtime" XDG_RUNTIME_DIR="$work/runtime" "$program" >"$work/program.log" 2>&1 &
main_pid=$!

wait_for 100 window_named "^Ketro's Yarvo Dururive$" || { fail "the main window did not appear: $(cat "$work/program.log")"; exit 1; }
main="$(window_named "^Ketro's Yarvo Dururive$")"
wait_for 100 window_named "$report" || fail "the failure to write scrap.htm was not reported"
[[ "$(reports)" == 1 ]] || fail "$(reports) reports at start"
close_report || fail "the report did not close"

# Typing composes into Text2, and Copy takes it; a report of the same
# failure would block both, as it is modal.
click_twips "$main" 6120 3735 2280 375
xdotool type --delay 50 "ab"
click_twips "$main" 9840 735 4080 375
scrap="^<img src='[^']*/1/a\.gif'><img src='[^']*/1/b\.gif'>$"
wait_for 50 bash -c "xclip -o -selection clipboard | grep -q \"$scrap\"" ||
    fail "the clipboard holds '$(xclip -o -selection clipboard 2>&1)'"
[[ "$(reports)" == 0 ]] || fail "the same failure was reported again"
[[ -e scrap.htm ]] && fail "scrap.htm was written into a folder the user cannot write"

# Writable now: the next keystroke writes scrap.htm.
chmod 777 "$folder"
click_twips "$main" 6120 3735 2280 375
xdotool type --delay 50 "c"
wait_for 50 grep -q "/1/c.gif'>" scrap.htm 2>/dev/null || fail "scrap.htm was not written once the folder was writable"
[[ "$(reports)" == 0 ]] || fail "a failure was reported after the folder became writable"

kill -0 "$main_pid" 2>/dev/null || fail "the program ended: $(cat "$work/program.log")"

if ((failures)); then
    echo "--- program log" >&2; cat "$work/program.log" >&2
    import -window root /tmp/dururive-unwritable-failure.png 2>/dev/null &&
        echo "screen saved in /tmp/dururive-unwritable-failure.png" >&2
    echo "$failures check(s) failed"
    exit 1
fi
echo "unwritable folder: all checks passed"
