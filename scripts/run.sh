#!/bin/bash
# Sets everything up and starts the program on the user's display.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" "$root/build"
exec "$root/build/program/dururive"
