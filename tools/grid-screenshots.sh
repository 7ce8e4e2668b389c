#!/usr/bin/env bash
# Screenshots of the comparison grid (plain and coloured) and of the comparison dialog, in
# English and Japanese, taken under a virtual display with a temporary home folder.
# Usage: tools/grid-screenshots.sh [OUTPUT-FOLDER] (default /tmp/priomat-shots); BUILD_DIR
# defaults to build.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-/tmp/priomat-shots}"
build="${BUILD_DIR:-build}"
mkdir -p "$out"
cmake --build "$build" --target priomat-shots >/dev/null
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
for language in ENGLISH JAPANESE; do
    HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        xvfb-run -a -s "-screen 0 1024x768x24" \
        "$build/tools/shots/priomat-shots" "$PWD/examples/new-office.ahp" "$out/${language,,}" "/$language"
done
