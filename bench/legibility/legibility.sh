#!/bin/bash
# legibility.sh PROGRAM [TEXTS_FILE]
# How well the glitter letters read. Saves every text of TEXTS_FILE (default:
# texts.txt beside this script, one text a line) with PROGRAM --save-gif in
# both styles, flattens every frame on white and on a dark chat background
# (#1e1e1e) with a margin of that page around it, enlarges it 3x and reads it with tesseract (--psm 6). A word
# counts when tesseract gives it back exactly, letter for letter; case is
# ignored, as every picture is a lower-case letter. Prints, for each style
# and background, the words read out of the words shown, and the misreadings.
set -uo pipefail
program="$1"
texts="${2:-$(dirname "$0")/texts.txt}"
for tool in tesseract convert; do
    command -v "$tool" >/dev/null || { echo "legibility: $tool is not installed" >&2; exit 1; }
done
[[ -x "$program" ]] || { echo "legibility: no program at $program" >&2; exit 1; }
work="$(mktemp -d /tmp/dururive-legibility.XXXXXX)"
trap 'rm -rf "$work"' EXIT

declare -A read shown
misread=()
n=0
while IFS= read -r text; do
    [[ -z "$text" || "$text" == \#* ]] && continue
    want="$(tr 'A-Z' 'a-z' <<<"$text" | xargs)"
    for style in 1 2; do
        n=$((n + 1))
        gif="$work/$n.gif"
        "$program" --save-gif "$gif" --style "$style" "$text" >/dev/null ||
            { echo "legibility: could not save '$text' in style $style" >&2; exit 1; }
        for background in white '#1e1e1e'; do
            key="$style $background"
            convert "$gif" -coalesce -background "$background" -alpha remove -alpha off \
                -bordercolor "$background" -border 12 -filter point -resize 300% "$work/$n-%d.png"
            for frame in "$work/$n"-*.png; do
                # Every word of the text stands on a line of its own.
                mapfile -t lines < <(tesseract "$frame" - --psm 6 2>/dev/null | tr 'A-Z' 'a-z' |
                    sed 's/^ *//; s/ *$//' | grep -v '^$')
                read -ra words <<<"$want"
                for ((i = 0; i < ${#words[@]}; i++)); do
                    shown[$key]=$((${shown[$key]:-0} + 1))
                    if [[ "${lines[i]:-}" == "${words[i]}" ]]; then
                        read[$key]=$((${read[$key]:-0} + 1))
                    else
                        misread+=("style $style on $background, frame $(basename "${frame##*-}" .png): '${words[i]}' read as '${lines[i]:-}'")
                    fi
                done
                rm -f "$frame"
            done
        done
    done
done <"$texts"

printf '%-8s %-12s %s\n' style background "words read"
for style in 1 2; do
    for background in white '#1e1e1e'; do
        key="$style $background"
        r=${read[$key]:-0} s=${shown[$key]:-0}
        printf '%-8s %-12s %d of %d (%d%%)\n' "$style" "$background" "$r" "$s" $((s ? 100 * r / s : 0))
    done
done
if ((${#misread[@]})); then
    echo
    echo "Misread:"
    printf '  %s\n' "${misread[@]}"
fi
