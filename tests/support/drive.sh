# drive.sh: sourced by the tests that drive the program from outside, in a
# desktop session, as a user would.

# begin_test NAME [PROGRAM_DIR]: a test's own folder ($work), the processes
# it starts (add their ids to $started) and its count of failed checks. When
# the script exits, those processes are ended, with the browsers this session
# started from PROGRAM_DIR when it is given, and the folder is removed.
begin_test() {
    work="$(mktemp -d "/tmp/dururive-$1.XXXXXX")"
    test_browser_dir="${2:-}"
    started=()
    failures=0
    trap end_test EXIT
}
end_test() {
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; done
    [[ -n "${receiver_pid:-}" ]] && pkill -KILL -s "$receiver_pid"
    [[ -n "${writer_pid:-}" ]] && end_writer
    [[ -n "$test_browser_dir" ]] && end_browser "$test_browser_dir"
    rm -rf "$work"
}
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Closes the main window ($main) as the window manager does (Alt+F4): the
# program ($main_pid) must end, with status 0 (its output in $work/program.log).
close_main_window() {
    xdotool windowactivate --sync "$main" key --clearmodifiers alt+F4
    if wait_for 50 bash -c "! kill -0 $main_pid"; then
        wait "$main_pid"; local status=$?
        ((status == 0)) || fail "the program ended with status $status: $(tail -n 20 "$work/program.log")"
    else
        fail "closing the main window did not end the program"
    fi
}

# Waits up to $1 tenths of a second for a command to succeed.
wait_for() {
    local tries="$1"; shift
    for _ in $(seq "$tries"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

window_named() { xdotool search --onlyvisible --name "$1" | head -n1; }
# The browser's windows, shown, newest last: by their caption, as their class
# is the program's.
browser_windows() { xdotool search --onlyvisible --name " - Dururive browser\$"; }

# The program's report of a failure: a message box titled with its name
# alone (the main window's title differs). How many are shown; close one.
report="^Yarvo Dururive$"
reports() { xdotool search --onlyvisible --name "$report" 2>/dev/null | wc -l; }
close_report() {
    local box
    box="$(window_named "$report")"
    xdotool windowactivate --sync "$box" key Return
    wait_for 50 bash -c "! xdotool search --onlyvisible --name '$report'"
}

receiver_page="$(cd "$(dirname "${BASH_SOURCE[0]}")/../commands" && pwd)/receiver.html"
# Debian's Chromium as a program that takes pastes and drops, in a session
# of its own, showing the page receiver.html across the top of the screen
# (above the centred main window); its window is $receiver, its title what
# the page was given.
start_receiver() {
    setsid chromium --no-sandbox --test-type --user-data-dir="$work/chromium" --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync --disable-gpu \
        --password-store=basic --window-position=0,0 --window-size=1280,180 \
        --app="file://$receiver_page" \
        >"$work/chromium.log" 2>&1 &
    receiver_pid=$!
    wait_for 300 window_named "^receiver ready$" || { fail "Chromium showed no page: $(tail -n 5 "$work/chromium.log")"; return 1; }
    receiver="$(window_named "^receiver ready$")"
}
receiver_says() { [[ "$(xdotool getwindowname "$receiver")" =~ $1 ]]; }
# The same page in Chromium running natively on Wayland, in a Wayland
# session. No X tool sees its window, and the compositor places it, so the
# title is read from the list of pages on Chromium's DevTools port.
start_wayland_receiver() {
    env -u DISPLAY setsid chromium --ozone-platform=wayland --remote-debugging-port=0 --no-sandbox --test-type \
        --user-data-dir="$work/chromium" --no-first-run --disable-background-networking --disable-component-update \
        --disable-sync --disable-gpu --password-store=basic --window-size=1280,180 --app="file://$receiver_page" \
        >"$work/chromium.log" 2>&1 &
    receiver_pid=$!
    wait_for 300 wayland_receiver_says "^receiver ready$" ||
        { fail "Chromium showed no page on Wayland: $(tail -n 5 "$work/chromium.log")"; return 1; }
}
wayland_receiver_title() {
    python3 -c 'import html, json, sys, urllib.request
port = open(sys.argv[1]).readline().strip()
pages = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=5))
print(html.unescape(next(page["title"] for page in pages if page["type"] == "page")))' \
        "$work/chromium/DevToolsActivePort" 2>/dev/null
}
wayland_receiver_says() { [[ "$(wayland_receiver_title)" =~ $1 ]]; }

# LibreOffice Writer with the front end $1 (gtk3 or gen), its profile and
# temporary files in $work, in a session of its own, editing the empty
# document $work/$1.odt ($writer_doc); its window is $writer. It is ready
# once Ctrl+S has saved the document.
start_writer() {
    local title="^$1.odt - LibreOffice Writer\$"
    writer_doc="$work/$1.odt"
    python3 -c 'import sys, zipfile
office = "urn:oasis:names:tc:opendocument:xmlns:office:1.0"
manifest = "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0"
with zipfile.ZipFile(sys.argv[1], "w") as doc:
    doc.writestr("mimetype", "application/vnd.oasis.opendocument.text")
    doc.writestr("META-INF/manifest.xml", f"""<manifest:manifest xmlns:manifest="{manifest}"
 manifest:version="1.3"><manifest:file-entry manifest:full-path="/"
 manifest:media-type="application/vnd.oasis.opendocument.text"/><manifest:file-entry
 manifest:full-path="content.xml" manifest:media-type="text/xml"/></manifest:manifest>""")
    doc.writestr("content.xml", f"""<office:document-content xmlns:office="{office}"
 office:version="1.3"><office:body><office:text/></office:body></office:document-content>""")' \
        "$writer_doc" || { fail "no document for Writer"; return 1; }
    SAL_USE_VCLPLUGIN="$1" TMPDIR="$work" setsid soffice -env:UserInstallation="file://$work/writer-profile" \
        --norestore --nologo "$writer_doc" >"$work/writer.log" 2>&1 &
    writer_pid=$!
    wait_for 300 window_named "$title" || { fail "Writer ($1) showed no window: $(tail -n 5 "$work/writer.log")"; return 1; }
    writer="$(window_named "$title")"
    wait_for 10 save_writer || { fail "Writer ($1) did not save its document"; return 1; }
}
# Presses Ctrl+S in Writer and waits up to 5 s for its document to be written.
save_writer() {
    local before
    before="$(stat -c %y "$writer_doc")"
    xdotool windowactivate --sync "$writer" key ctrl+s
    wait_for 50 eval '[[ "$(stat -c %y "$writer_doc")" != "$before" ]]'
}
# What Writer's saved document holds: how many pictures it shows, how many
# picture files it has and how many of those are the file $1, byte for byte.
writer_holds() {
    python3 -c 'import sys, zipfile
doc, gif = zipfile.ZipFile(sys.argv[1]), open(sys.argv[2], "rb").read()
pictures = [doc.read(name) for name in doc.namelist() if name.startswith("Pictures/")]
print(doc.read("content.xml").count(b"<draw:frame "), len(pictures), pictures.count(gif))' "$writer_doc" "$1"
}
# Ends Writer with all it started, and waits until it is gone: a Writer
# started next on the same profile would hand its document to this one.
end_writer() {
    pkill -KILL -s "$writer_pid"
    wait_for 50 bash -c "! pgrep -s $writer_pid"
    writer_pid=""
}

# The serial of the pointer's cursor: during a drag it changes when the
# window under the pointer says whether it takes the drop.
pointer_cursor() {
    /usr/bin/python3 -c 'from Xlib import display
screen = display.Display()
screen.xfixes_query_version()
print(screen.xfixes_get_cursor_image(screen.screen().root).cursor_serial)'
}

# Left and top of a window's client area on the screen.
client_origin() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'
}

# Clicks the middle of a rectangle given in twips (window left width top
# height) in a window's client area.
click_twips() {
    local x=$(( ($2 + $3 / 2) / 15 )) y=$(( ($4 + $5 / 2) / 15 ))
    read -r ox oy < <(client_origin "$1")
    xdotool mousemove --sync $((ox + x)) $((oy + y)) click 1
}

# The browsers started from a program folder ($1) on this desktop session's
# display: tests running beside this one start browsers of their own.
session_browsers() {
    local pid
    for pid in $(pgrep -f -- "^$1/dururive-browser"); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "DISPLAY=$DISPLAY" && echo "$pid"
    done
}

# Ends the browser started from a program folder ($1): it runs detached in a
# session of its own with its page processes, so the whole session goes, and
# this waits until it is gone.
end_browser() {
    local sessions
    sessions="$(session_browsers "$1" | xargs -r ps -o sid= -p)"
    for sid in $sessions; do pkill -TERM -s "$sid"; done
    for _ in $(seq 50); do
        local left=0
        for sid in $sessions; do pgrep -s "$sid" >/dev/null && left=1; done
        ((left)) || break
        sleep 0.1
    done
    for sid in $sessions; do pkill -KILL -s "$sid"; done
}
