#!/bin/bash
# end-to-end.sh PROGRAM
# Drives the built program from outside as a user would, inside a desktop
# session (run it through desktop-session.sh): types a text, clicks Copy,
# About and Preview at their places, saves the text as an animated GIF, and
# checks scrap.htm, the clipboard, the About window, the GIF, the GIF copied
# and dragged into Chromium, and the preview window, which must outlive the
# program.
set -uo pipefail
program="$1"
source "$(dirname "$0")/../support/drive.sh"
begin_test e2e "$(dirname "$program")"

# A folder of its own, so that it can be removed under the running program.
mkdir "$work/folder" && cd "$work/folder" || exit 1
XDG_CACHE_HOME="$work/cache" "$program" >"$work/program.log" 2>&1 &
started+=($!)
main_pid=$!
main="" 
wait_for 100 window_named "^Ketro's Yarvo Dururive$" || { fail "the main window did not appear"; exit 1; }
main="$(window_named "^Ketro's Yarvo Dururive$")"
wait_for 50 test -f scrap.htm || fail "scrap.htm was not written at start"

# Type into Text1 (6120, 2280, 3735 x 375).
click_twips "$main" 6120 3735 2280 375
xdotool type --delay 30 "Hi yo"
wait_for 50 grep -q "/1/o.gif'>" scrap.htm || fail "the typed text did not reach scrap.htm: $(cat scrap.htm)"
base_url="$(grep -o "src='[^']*/1/h.gif'" scrap.htm | sed "s|src='||; s|/1/h.gif'||")"
[[ -n "$base_url" ]] || fail "scrap.htm holds no style-1 tag of h: $(cat scrap.htm)"
expected="<img src='$base_url/1/h.gif'><img src='$base_url/1/i.gif'><br><img src='$base_url/1/y.gif'><img src='$base_url/1/o.gif'>"
printf -v expected_file '%s\r\n' "$expected"
[[ "$(cat scrap.htm)" == "${expected_file%$'\n'}" ]] || fail "scrap.htm holds '$(cat -A scrap.htm)'"

# Copy (9840, 4080, 735 x 375): the clipboard holds the scrap and nothing else.
click_twips "$main" 9840 735 4080 375
wait_for 30 bash -c "[[ \"\$(xclip -o -selection clipboard)\" == \"$expected\" ]]" ||
    fail "the clipboard holds '$(xclip -o -selection clipboard 2>&1)'"
xclip -o -selection clipboard -t TARGETS | grep -qi html && fail "the clipboard offers HTML"

# About (8760, 240, 975 x 375) opens modally and closes with Esc.
click_twips "$main" 8760 975 240 375
wait_for 50 window_named "^About $" || fail "About did not open"
about="$(window_named "^About $")"
if [[ -n "$about" ]]; then
    # Meanwhile the main window takes no input: neither a style picture
    # (Image2 at 6360, 720, 540 x 1110) nor the input box.
    click_twips "$main" 6360 540 720 1110
    click_twips "$main" 6120 3735 2280 375
    xdotool type --delay 30 "z"
    xdotool windowactivate --sync "$about" key Escape
    wait_for 50 bash -c "! xdotool search --onlyvisible --name '^About \$'" || fail "Esc did not close About"
    # The window's events come in order: once an "a" typed now shows, a
    # taken z or style change would have shown before it.
    click_twips "$main" 6120 3735 2280 375
    xdotool type --delay 30 "a"
    expected="$expected<img src='$base_url/1/a.gif'>"
    printf -v expected_file '%s\r\n' "$expected"
    wait_for 50 grep -q "/a.gif'>" scrap.htm || fail "the main window took no input after About closed"
    [[ "$(cat scrap.htm)" == "${expected_file%$'\n'}" ]] || fail "the main window took input behind About: $(cat scrap.htm)"
fi

# The window's context menu (a right-click on "Chars Left", 360, 2880,
# 975 x 375, or Shift+F10 off the input box) offers the save; Ctrl+S opens
# the same dialog, where a typed name and Return save "hi" "yoa" as one GIF.
popups() { xdotool search --onlyvisible --class '^Yarvo Dururive$' | wc -l; }
shown="$(popups)"
read -r ox oy < <(client_origin "$main")
xdotool mousemove --sync $((ox + 40)) $((oy + 205)) click 3
wait_for 50 eval '(( $(popups) > shown ))' || fail "a right-click showed no context menu"
xdotool key Escape
wait_for 50 eval '(( $(popups) == shown ))' || fail "Esc left the context menu open"
xdotool key Tab shift+F10
wait_for 50 eval '(( $(popups) > shown ))' || fail "Shift+F10 showed no context menu"
xdotool key Down Return
dialog="^Save as Animated GIF$"
wait_for 100 window_named "$dialog" || fail "the context menu did not offer the save"
xdotool key Escape
wait_for 50 bash -c "! xdotool search --onlyvisible --name '$dialog'" || fail "Esc left the dialog"
xdotool windowactivate --sync "$main" key ctrl+s
wait_for 100 window_named "$dialog" || fail "Ctrl+S opened no save dialog"
xdotool key ctrl+a type --delay 20 "$work/hi yoa.gif"
xdotool key Return
wait_for 100 test -s "$work/hi yoa.gif" || fail "Return in the dialog saved no GIF"
# Two lines of style-1 pictures, each as wide as its letters together.
width() { local w=0 l; for l; do w=$((w + $(identify -format '%W' "$(dirname "$program")/1/$l.gif[0]"))); done; echo $w; }
wide=$(( $(width h i) > $(width y o a) ? $(width h i) : $(width y o a) ))
high=$((2 * $(identify -format '%H' "$(dirname "$program")/1/h.gif[0]")))
frames="$(identify -format '%m %W %H %T;' "$work/hi yoa.gif" 2>&1)"
[[ "$frames" == "GIF $wide $high 15;GIF $wide $high 15;GIF $wide $high 15;" ]] ||
    fail "the saved GIF reads '$frames', not $wide by $high"

# Copy as Animated GIF (Ctrl+Shift+C): the clipboard offers the GIF's bytes,
# then its file, then the file for GNOME Files, and no PNG; the bytes are
# those --save-gif writes, and so is the file, in a private folder of the
# cache.
xdotool windowactivate --sync "$main" key ctrl+shift+c
ours() { xclip -o -selection clipboard -t TARGETS | grep -xE 'image/(gif|png)|text/uri-list|x-special/gnome-copied-files' | xargs; }
wait_for 50 eval '[[ "$(ours)" == "image/gif text/uri-list x-special/gnome-copied-files" ]]' ||
    fail "the copied GIF is offered as '$(ours)'"
"$program" --save-gif "$work/same.gif" "hi yoa"
cmp -s <(xclip -o -selection clipboard -t image/gif) "$work/same.gif" || fail "the clipboard's GIF is not the one --save-gif writes"
uri="$(xclip -o -selection clipboard -t text/uri-list | tr -d '\r')"
copy="$(python3 -c 'import sys, urllib.parse; print(urllib.parse.unquote(urllib.parse.urlsplit(sys.argv[1]).path))' "$uri")"
[[ "$copy" == "$work/cache/dururive/copies/copy-"??????"/hi yoa.gif" ]] || fail "the copy lies in '$copy'"
cmp -s "$copy" "$work/same.gif" || fail "the file $uri is not the GIF"
[[ "$(stat -c %a "$(dirname "$copy")")" == 700 ]] || fail "the copy's folder is open to others"
cmp -s <(xclip -o -selection clipboard -t x-special/gnome-copied-files) <(printf 'copy\n%s' "$uri") ||
    fail "GNOME Files is offered '$(xclip -o -selection clipboard -t x-special/gnome-copied-files)'"

# Chromium takes the pasted file as a GIF, and so the file dragged from slot
# 0 of the strip (960, 5040) onto its page; the drag copies, so the file
# stays.
size="$(stat -c %s "$work/same.gif")"
got="^(pasted|dropped): hi yoa.gif image/gif $size \(1 files\)\$"
if start_receiver; then
    xdotool windowactivate --sync "$receiver" mousemove --sync 640 90 click 1 key ctrl+v
    wait_for 100 receiver_says "^pasted" || fail "the paste gave Chromium nothing"
    receiver_says "$got" || fail "the paste gave Chromium $(xdotool getwindowname "$receiver")"
    read -r ox oy < <(client_origin "$main")
    xdotool mousemove --sync $((ox + 70)) $((oy + 350)) mousedown 1
    for step in 1 2 3 4 5 6 7 8; do xdotool mousemove --sync $((ox + 70 + step * 40)) $((oy + 350 - step * 50)); done
    # Chromium says when the drag is over its page; each move tells it again.
    wait_for 50 eval 'xdotool mousemove_relative 1 0; receiver_says "^over"' || fail "the drag never reached Chromium's page"
    xdotool mouseup 1
    wait_for 100 receiver_says "^dropped" || fail "the drop gave Chromium nothing"
    receiver_says "$got" || fail "the drop gave Chromium $(xdotool getwindowname "$receiver")"
    (($(find "$work/cache/dururive/copies" -name 'hi yoa.gif' | wc -l) == 2)) || fail "the dragged file is gone"
fi

# LibreOffice Writer, with each of its front ends, takes the pasted file,
# then the file dragged from slot 0 onto its page below the main window, and
# saves the GIF whole in its document: two pictures, one file, our bytes.
# Writer asks for the dragged file only after the drop.
for front_end in gtk3 gen; do
    began=$(date +%s%N)
    start_writer "$front_end" || continue
    xdotool windowactivate --sync "$writer" key ctrl+v
    pasted() { save_writer && [[ "$(writer_holds "$work/same.gif")" =~ ^[1-9] ]]; }
    wait_for 20 pasted || fail "the paste inserted nothing into Writer ($front_end)"
    [[ "$(writer_holds "$work/same.gif")" == "1 1 1" ]] ||
        fail "Writer ($front_end) saved the paste as: $(writer_holds "$work/same.gif")"
    read -r wx wy ww wh < <(xwininfo -id "$writer" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
    read -r ox oy < <(client_origin "$main")
    below=$((oy + $(xwininfo -id "$main" | awk '/Height:/ {print $2}')))
    tx=$((wx + ww / 2)) ty=$(((below + wy + wh) / 2))
    xdotool windowactivate --sync "$main" mousemove --sync $((ox + 70)) $((oy + 350))
    arrow="$(pointer_cursor)"
    xdotool mousedown 1 mousemove --sync $((ox + 110)) $((oy + 400))
    wait_for 50 eval '[[ "$(pointer_cursor)" != "$arrow" ]]' || fail "the drag did not start ($front_end)"
    refused="$(pointer_cursor)"
    for step in 1 2 3 4 5 6 7 8; do
        xdotool mousemove --sync $((ox + 110 + (tx - ox - 110) * step / 8)) $((oy + 400 + (ty - oy - 400) * step / 8))
    done
    wait_for 50 eval 'xdotool mousemove_relative 1 0; [[ "$(pointer_cursor)" != "$refused" ]]' ||
        fail "Writer ($front_end) did not take the drag at $tx,$ty"
    xdotool mouseup 1
    dropped() { save_writer && [[ "$(writer_holds "$work/same.gif")" =~ ^[2-9] ]]; }
    wait_for 20 dropped || fail "the drop inserted nothing into Writer ($front_end)"
    [[ "$(writer_holds "$work/same.gif")" == "2 1 1" ]] ||
        fail "Writer ($front_end) saved the drop as: $(writer_holds "$work/same.gif")"
    end_writer
    echo "Writer ($front_end) took the paste and the drop in $((($(date +%s%N) - began) / 1000000)) ms"
done

# Preview (9960, 2280, 975 x 375) opens a browser window at 100,300, 400 x 400.
click_twips "$main" 9960 975 2280 375
wait_for 200 browser_windows || fail "no preview window"
browser="$(browser_windows | tail -n1)"
# The outer rectangle of a window, its frame included: left top width height.
outer_rect() {
    local bx by bw bh el er et eb extents
    read -r bx by < <(client_origin "$1")
    read -r bw bh < <(xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
    extents="$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //; s/,//gp')"
    read -r el er et eb <<<"${extents:-0 0 0 0}"
    echo "$((bx - el)) $((by - et)) $((bw + el + er)) $((bh + et + eb))"
}
if [[ -n "$browser" ]]; then
    # The window manager frames and places the window after it appears.
    wait_for 100 eval '[[ "$(outer_rect "$browser")" == "100 300 400 400" ]]' ||
        fail "the preview window's outer rectangle is $(outer_rect "$browser")"
fi

# A stopped browser keeps its name on the bus and answers nothing: Preview
# holds the main window no more than 5 s, reports it, and ends that browser
# with all it started;
# the next Preview opens its window in a new one.
# xdotool's synchronous move waits long for a pointer already in place.
press_preview() { xdotool mousemove 0 0; click_twips "$main" 9960 975 2280 375; }
previews() { browser_windows 2>/dev/null | wc -l; }
stopped="$(session_browsers "$(dirname "$program")")"
if [[ -n "$browser" && -n "$stopped" ]]; then
    sessions="$(ps -o sid= -p "${stopped//[[:space:]]/,}" | xargs | tr ' ' ,)"
    kill -STOP $stopped
    before=$(date +%s%N)
    press_preview
    wait_for 100 window_named "$report" || fail "a stopped browser was not reported"
    held=$((($(date +%s%N) - before) / 1000000))
    echo "a stopped browser held Preview $held ms"
    ((held < 6000)) || fail "Preview held the main window $held ms"
    close_report
    wait_for 50 bash -c "! pgrep -s $sessions" ||
        fail "the stopped browser was not ended with what it started: $(pgrep -a -s "$sessions")"
    kill -CONT $stopped 2>/dev/null
    press_preview
    wait_for 200 eval '(($(previews) == 1))' || fail "no preview window from a new browser after the stopped one"
    (($(reports) == 0)) || fail "the Preview after a stopped browser failed"
    browser="$(browser_windows | tail -n1)"
fi

# The working folder removed under the program: each Preview says so, and
# no window opens.
cd "$work" && rm -rf "$work/folder"
shown="$(previews)"
for press in 1 2; do
    press_preview
    wait_for 50 window_named "$report" || fail "Preview $press in a removed folder was not reported"
    close_report
done
(($(previews) == shown)) || fail "Preview in a removed folder opened a window"

# Closing the main window (the window manager's close, Alt+F4) ends the
# program; the preview window stays.
close_main_window
grep -q "Sanitizer" "$work/program.log" && fail "the program reported: $(grep -m3 Sanitizer "$work/program.log")"
if [[ -n "${browser:-}" ]]; then
    # The browser still answers, having handled whatever the program's end
    # sent it, and its window is still there.
    reply="$(gdbus call --session --dest org.dururive.Browser --object-path /org/dururive/Browser \
        --method org.freedesktop.DBus.Peer.Ping 2>&1)" || fail "the browser ended with the program: $reply"
    xwininfo -id "$browser" >/dev/null 2>&1 || fail "the preview window closed with the program"
fi

if ((failures)); then echo "$failures check(s) failed"; exit 1; fi
echo "end-to-end: all checks passed"
