#!/usr/bin/env bash
# Drags a requirement onto another with a real mouse under a virtual display and saves a
# screenshot of the tree after the drop: "Noise" onto "Cost" in examples/choose-a-car.ahp.
# Usage: tools/drag-screenshot.sh [OUT.png] (default /tmp/priomat-drag.png); BUILD_DIR defaults
# to build. Positions assume the window's design place and size with no window manager.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-/tmp/priomat-drag.png}"
build="${BUILD_DIR:-build}"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cp examples/choose-a-car.ahp "$home/car.ahp"
export PRIOMAT_DRAG_OUT="$out"
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$0" "$1" /ENGLISH &
    pid=$!
    for _ in $(seq 50); do
        xdotool search --name "^Priomat - " >/dev/null 2>&1 && break
        sleep 0.2
    done
    sleep 1
    import -window root "${PRIOMAT_DRAG_OUT%.png}-before.png"
    # Tree rows: the root at y 161, then Cost, Comfort, Seats, Noise 13 pixels apart.
    xdotool mousemove 95 213 mousedown 1
    for y in 210 205 200 195 190 185 180 176 174; do xdotool mousemove 85 $y; sleep 0.05; done
    sleep 0.3
    xdotool mouseup 1
    sleep 0.7
    import -window root "$PRIOMAT_DRAG_OUT"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
' "$build/priomat" "$home/car.ahp"
echo "saved $out"
