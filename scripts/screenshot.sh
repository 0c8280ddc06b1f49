#!/bin/bash
# screenshot.sh [PROGRAM] [OUT]
# Makes the README's picture of the main window: starts the built program in
# a desktop session of its own, types a line and takes the window's picture.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="$(realpath "${1:-$root/build/program/dururive}")"
out="$(realpath -m "${2:-$root/docs/screenshot.png}")"
if [[ -z "${DURURIVE_IN_SESSION:-}" ]]; then
    DURURIVE_IN_SESSION=1 exec "$root/tests/support/desktop-session.sh" "$0" "$program" "$out"
fi
work="$(mktemp -d)"
trap 'kill "${pid:-}" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
"$program" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 100); do
    main="$(xdotool search --onlyvisible --name "^Ketro's Yarvo Dururive$" 2>/dev/null | head -n1)" && [[ -n "$main" ]] && break
    sleep 0.1
done
[[ -n "${main:-}" ]] || { echo "the main window did not appear" >&2; exit 1; }
read -r x y < <(xwininfo -id "$main" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
# The input box lies at 6120, 2280 twips: 408, 152 pixels.
xdotool mousemove --sync $((x + 500)) $((y + 165)) click 1
xdotool type --delay 40 "Hello yarvo"
sleep 0.5
import -window "$main" "$out"
echo "wrote $out"
