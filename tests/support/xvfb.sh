# Sourced by the session scripts.
# start_xvfb DIR SCREEN DPI TRIES
# Starts an X server (Xvfb) on a free display, with its log in DIR, and waits
# up to TRIES tenths of a second for it to name its display. Sets xvfb_pid and
# xvfb_display (":N"); ends the script, saying why, when the server does not
# start.
start_xvfb() {
    local dir="$1" screen="$2" dpi="$3" tries="$4" fd number
    exec {fd}<>"$dir/display"
    Xvfb -displayfd "$fd" -screen 0 "$screen" -dpi "$dpi" -nolisten tcp -noreset >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq "$tries"); do
        [[ -s "$dir/display" ]] && break
        kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start:" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
        sleep 0.1
    done
    number="$(head -n1 "$dir/display")"
    [[ -n "$number" ]] || { echo "Xvfb gave no display number" >&2; exit 1; }
    xvfb_display=":$number"
}
