#!/usr/bin/env bash
# The Edit menu and the History window after a few edits, under a virtual display:
# an entry in the root's matrix of examples/choose-a-car.ahp and a child added to the root.
# Usage: tools/undo-screenshots.sh [OUT-PREFIX] [/ENGLISH|/JAPANESE] (default /tmp/priomat-undo,
# English); saves OUT-PREFIX-edit.png and OUT-PREFIX-history.png. BUILD_DIR defaults to build.
# Positions assume the window's design place and size with no window manager.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="${1:-/tmp/priomat-undo}"
language="${2:-/ENGLISH}"
build="${BUILD_DIR:-build}"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cp examples/choose-a-car.ahp "$home/car.ahp"
export PRIOMAT_UNDO_OUT="$prefix"
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$0" "$1" "$2" &
    pid=$!
    for _ in $(seq 50); do
        xdotool search --name "^Priomat - " >/dev/null 2>&1 && break
        sleep 0.2
    done
    sleep 1
    # The cell of row B, column A opens the comparison dialog; cancel it, then type 5 there.
    xdotool mousemove 270 249 click 1
    sleep 0.7
    xdotool key Escape
    sleep 0.3
    xdotool type 5
    sleep 0.3
    xdotool mousemove 44 344 click 1
    sleep 0.5
    xdotool key alt+e
    sleep 0.5
    import -window root "$PRIOMAT_UNDO_OUT-edit.png"
    xdotool key Escape
    sleep 0.3
    xdotool key alt+w
    sleep 0.4
    xdotool key h
    sleep 0.8
    import -window root "$PRIOMAT_UNDO_OUT-history.png"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
' "$build/priomat" "$home/car.ahp" "$language"
echo "saved $prefix-edit.png and $prefix-history.png"
