#!/bin/bash
# Installs the Debian packages that are missing, then configures and builds
# the program into build/ (or the folder given as $1, with extra CMake
# arguments after it).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
shift || true

missing=()
while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done < "$root/scripts/packages.txt"

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    # sudo resets the environment, so the variable goes through env.
    as_root=(env DEBIAN_FRONTEND=noninteractive)
    [[ $(id -u) -ne 0 ]] && as_root=(sudo "${as_root[@]}")
    "${as_root[@]}" apt-get update -qq
    "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$build" -G Ninja "$@"
cmake --build "$build" -j"$(nproc)" ${DURURIVE_TARGET:+--target $DURURIVE_TARGET}
