#!/usr/bin/env bash
# Screenshots of the main window in each consistency state and of every auxiliary window at
# first start (no stored settings), in English and Japanese, on 1366 × 768 and 1920 × 1080
# virtual screens. Usage: tools/window-screenshots.sh [OUTPUT-FOLDER] (default
# /tmp/priomat-window-shots); BUILD_DIR defaults to build.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-/tmp/priomat-window-shots}"
build="${BUILD_DIR:-build}"
mkdir -p "$out"
cmake --build "$build" --target priomat-windowshots >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A matrix with a pair left out, for the completion.
printf 'Priomat - Data File\r\n[Tree]\r\nChoose\r\n Cost\r\n Location\r\n Size\r\n Light\r\n[Alternatives]\r\nA\r\nB\r\nC\r\n[Comparison]\r\nCost\tLocation\t3\r\nLocation\tCost\t1/3\r\nCost\tSize\t5\r\nSize\tCost\t1/5\r\nLocation\tSize\t2\r\nSize\tLocation\t1/2\r\nSize\tLight\t2\r\nLight\tSize\t1/2\r\n' >"$work/partial.ahp"
for screen in 1366x768 1920x1080; do
    for language in ENGLISH JAPANESE; do
        home="$work/home-$screen-$language"
        mkdir -p "$home"
        HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
            xvfb-run -a -s "-screen 0 ${screen}x24" \
            "$build/tools/windowshots/priomat-windowshots" "$PWD/examples/new-office.ahp" "$work/partial.ahp" \
            "$out/$screen-${language,,}" "/$language"
    done
done
