#!/bin/bash
# drive-browser.sh BROWSER: drives the browser program from the shell with
# gdbus alone, as any script could. Run inside a desktop session.
set -uo pipefail
shopt -s extglob
browser="$1"
work="$(mktemp -d)"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
cleanup() {
    [[ -n "${pid:-}" ]] && kill "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

name=org.dururive.Browser
call() { gdbus call --session --dest "$name" "$@" 2>&1; }
set_property() { call --object-path "$1" --method org.freedesktop.DBus.Properties.Set org.dururive.Browser.Window "$2" "$3"; }
get_property() { call --object-path "$1" --method org.freedesktop.DBus.Properties.Get org.dururive.Browser.Window "$2"; }

mkdir -p "$work/a dir #1 Ünï"
page="$work/a dir #1 Ünï/page.htm"
printf '<title>Hello from gdbus</title>hello\r\n' >"$page"

# Remote-debugging switches in the environment would open the user's pages
# to every local user: the browser drops them.
debug_port=$((20000 + RANDOM % 20000))
# In the sanitizer build its end is checked (below). One block the engine
# leaves was allocated by a library it has unloaded by then: only the slow
# unwinder follows that stack into the engine, where lsan.supp places it.
QTWEBENGINE_CHROMIUM_FLAGS="--remote-debugging-port=$debug_port -remote-debugging-address=0.0.0.0" \
    QTWEBENGINE_REMOTE_DEBUGGING="127.0.0.1:$((debug_port + 1))" \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0" \
    setsid "$browser" </dev/null >"$work/browser.log" 2>&1 &
pid=$!
for _ in $(seq 600); do
    call --object-path /org/dururive/Browser --method org.freedesktop.DBus.Peer.Ping >/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
reply="$(call --object-path /org/dururive/Browser --method org.freedesktop.DBus.Peer.Ping)" ||
    { fail "the browser is not on the bus: $reply"; cat "$work/browser.log" >&2; exit 1; }

reply="$(call --object-path /org/dururive/Browser --method org.dururive.Browser.CreateWindow)"
window="$(sed -n "s/^(objectpath '\(.*\)',)$/\1/p" <<<"$reply")"
[[ "$window" == /org/dururive/Browser/Window/* ]] || { fail "CreateWindow answered: $reply"; exit 1; }

[[ "$(get_property "$window" Visible)" == "(<false>,)" ]] || fail "a new window is not hidden"
set_property "$window" Visible '<true>' >/dev/null || fail "Visible"
call --object-path "$window" --method org.dururive.Browser.Window.Navigate "$page" >/dev/null || fail "Navigate"
set_property "$window" Top '<int16 250>' >/dev/null || fail "Top"
set_property "$window" Left '<int16 150>' >/dev/null || fail "Left"
set_property "$window" Width '<int16 500>' >/dev/null || fail "Width"
set_property "$window" Height '<int16 300>' >/dev/null || fail "Height"

want="<int16 250> <int16 150> <int16 500> <int16 300>"
for _ in $(seq 400); do
    got="$(for p in Top Left Width Height; do get_property "$window" "$p" | tr -d '(),'; done | xargs)"
    [[ "$got" == "$want" ]] && break
    sleep 0.05
done
[[ "$got" == "$want" ]] || fail "placement reads back as '$got', not '$want'"

# The window's title says what it shows once the page has loaded.
id="$(get_property "$window" WindowId | grep -o '[0-9]\+' | tail -n1)"
for _ in $(seq 400); do
    title="$(xprop -id "$id" _NET_WM_NAME 2>/dev/null)"
    [[ "$title" == *"Hello from gdbus"* ]] && break
    sleep 0.05
done
[[ "$title" == *"Hello from gdbus"* ]] || fail "the title is $title"
for port in "$debug_port" "$((debug_port + 1))"; do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && fail "the browser listens on port $port for remote debugging"
done

# A page swapped for a link to another page, over and over, while it is
# opened: what shows is always the file that was checked, never the other.
wait_title() { # wait_title PATTERN: the window's title once it matches
    for _ in $(seq 200); do
        title="$(xprop -id "$id" _NET_WM_NAME 2>/dev/null)"
        [[ "$title" == $1 ]] && break
        sleep 0.05
    done
    echo "$title"
}
printf '<title>own page</title>own\r\n' >"$work/raced.htm"
printf '<title>planted page</title>planted\r\n' >"$work/planted.htm"
ln -s "$work/planted.htm" "$work/swap.htm"
python3 -c '
import os, sys
raced, swap, held = sys.argv[1:]
while True:
    os.rename(raced, held); os.rename(swap, raced); os.rename(held, swap)
' "$work/raced.htm" "$work/swap.htm" "$work/held.htm" &
swapper=$!
shown=0 refused=0 missing=0 planted=0
for round in $(seq 30); do
    printf '<title>round %s</title>\r\n' "$round" >"$work/round.htm"
    call --object-path "$window" --method org.dururive.Browser.Window.Navigate "$work/round.htm" >/dev/null
    [[ "$(wait_title "*round $round *")" == *"round $round "* ]] || { fail "round $round never showed"; continue; }
    reply="$(call --object-path "$window" --method org.dururive.Browser.Window.Navigate "$work/raced.htm")"
    [[ "$reply" == *InvalidArgs*"refused to open"* ]] && { refused=$((refused + 1)); continue; }
    title="$(wait_title "*@(page|raced.htm) - *")"
    case "$title" in
        *"planted page"*) planted=$((planted + 1)); fail "round $round showed the planted page" ;;
        *"own page"*) shown=$((shown + 1)) ;;
        *raced.htm*) missing=$((missing + 1)) ;;
        *) fail "round $round: the raced page never showed ($reply, title $title)" ;;
    esac
done
kill "$swapper"; wait "$swapper" 2>/dev/null
echo "30 swapped pages: $shown shown, $refused refused, $missing found missing, $planted planted"

reply="$(call --object-path "$window" --method org.dururive.Browser.Window.Navigate "no/such/relative/path")"
[[ "$reply" == *InvalidArgs* && "$reply" == *"no/such/relative/path"* ]] || fail "a relative path was taken: $reply"
reply="$(set_property "$window" WindowId '<uint64 1>')"
[[ "$reply" == *Error* ]] || fail "the read-only WindowId was set: $reply"
reply="$(call --object-path /org/dururive/Browser/Window/999 --method org.dururive.Browser.Window.Navigate /x)"
[[ "$reply" == *UnknownObject* ]] || fail "a window that never was answered: $reply"

# Only local files are opened, and only the user's own regular files.
for address in "javascript:alert(1)" "http://127.0.0.1:9/" "data:text/html,x" "file:///etc/passwd" "about:blank"; do
    reply="$(call --object-path "$window" --method org.dururive.Browser.Window.Navigate "$address")"
    [[ "$reply" == *InvalidArgs* && "$reply" == *"$address"* ]] || fail "Navigate took $address: $reply"
done
mkfifo "$work/fifo.htm"
ln -s "$page" "$work/link.htm"
refused=("$work/fifo.htm=not a regular file" "$work/link.htm=symbolic link" "/dev/null=not a regular file")
if [[ $(id -u) -eq 0 ]]; then
    cp "$page" "$work/theirs.htm" && chown 65534 "$work/theirs.htm"
    refused+=("$work/theirs.htm=another user")
else
    echo "SKIP: a page of another user: only root can give a file to another user" >&2
fi
for entry in "${refused[@]}"; do
    reply="$(call --object-path "$window" --method org.dururive.Browser.Window.Navigate "${entry%%=*}")"
    [[ "$reply" == *"${entry%%=*}"* && "$reply" == *"${entry#*=}"* ]] || fail "Navigate ${entry%%=*}: $reply"
done
reply="$(call --object-path "$window" --method org.dururive.Browser.Window.Navigate "$work/missing.htm")"
[[ "$reply" == "()" ]] || fail "a missing file is refused instead of shown missing: $reply"

# A second browser finds the name taken and ends with the reason.
"$browser" </dev/null >"$work/second.log" 2>&1
status=$?
[[ $status -ne 0 ]] && grep -q "another browser holds it" "$work/second.log" ||
    fail "a second browser started beside the first (status $status): $(cat "$work/second.log")"

# A window never shown is dropped; the browser ends once it shows no window,
# and leaves nothing running.
reply="$(call --object-path /org/dururive/Browser --method org.dururive.Browser.CreateWindow)"
hidden="$(sed -n "s/^(objectpath '\(.*\)',)$/\1/p" <<<"$reply")"
gone() { [[ "$(get_property "$1" Visible)" == *UnknownObject* ]]; }
for _ in $(seq 200); do gone "$hidden" && break; sleep 0.05; done
gone "$hidden" || fail "a window never shown is still there 10 s after its creation"
gone "$window" && fail "the shown window was dropped with the hidden one"
set_property "$window" Visible '<false>' >/dev/null || fail "Visible false"
left_in_session() {
    local f line fields
    for f in /proc/[0-9]*/stat; do
        line="$(cat "$f" 2>/dev/null)" || continue
        read -ra fields <<<"${line##*) }"
        [[ "${fields[3]}" == "$pid" && "${fields[0]}" != Z ]] && echo "${f//[!0-9]/}"
    done
}
for _ in $(seq 300); do [[ -z "$(left_in_session)" ]] && break; sleep 0.05; done
left="$(left_in_session)"
[[ -z "$left" ]] || fail "with no window shown, the browser's processes $(echo $left) still run after 15 s"
# Its end is checked too: in the sanitizer build a leak or a memory error
# makes it end with a failure status.
if [[ -z "$left" ]]; then
    wait "$pid"; status=$?
    pid=""
    ((status == 0)) || fail "the browser ended with status $status"
    grep -q "Sanitizer" "$work/browser.log" && fail "the browser reported: $(grep -m3 -A12 "ERROR:" "$work/browser.log")"
fi

if (( failures > 0 )); then
    echo "--- browser log" >&2; cat "$work/browser.log" >&2
    exit 1
fi
echo "the browser answered every call as expected"
