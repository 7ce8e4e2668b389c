#!/usr/bin/env bash
# Screenshots of the result window's sensitivity page for examples/choose-a-car.ahp, in English
# and Japanese, at the default size and a large one, under a virtual display with a temporary
# home folder.
# Usage: tools/sensitivity-screenshots.sh [OUTPUT-FOLDER] (default /tmp/priomat-sensitivity-shots);
# BUILD_DIR defaults to build.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-/tmp/priomat-sensitivity-shots}"
build="${BUILD_DIR:-build}"
mkdir -p "$out"
cmake --build "$build" --target priomat-sensitivityshots >/dev/null
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
for language in ENGLISH JAPANESE; do
    HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        xvfb-run -a -s "-screen 0 1024x768x24" \
        "$build/tools/sensitivityshots/priomat-sensitivityshots" "$PWD/examples/choose-a-car.ahp" "$out/${language,,}" "/$language"
done
