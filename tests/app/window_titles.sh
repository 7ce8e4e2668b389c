#!/usr/bin/env bash
# The captions that reach the window system read exactly as the program sets them: Qt adds
# nothing (such as " — Priomat") to the main window or to a message box.
# Usage: window_titles.sh PRIOMAT; exits 77 (skipped) without Xvfb, xdotool or xprop.
set -euo pipefail
program="$1"
for tool in Xvfb xdotool xprop; do
    command -v "$tool" >/dev/null || exit 77
done

scratch=$(mktemp -d)
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
mkdir -p "$HOME"
xvfb="" keeper="" priomat=""
trap 'kill $priomat $keeper $xvfb 2>/dev/null || true; rm -rf "$scratch"' EXIT

# Xvfb chooses a free display number itself; one client stays connected so it never resets.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 300); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(head -n 1 "$scratch/display")"
xdotool search --sync --name "^no window is ever called this$" >/dev/null 2>&1 &
keeper=$!

# The UTF-8 titles (_NET_WM_NAME) of all windows, one a line: the ones desktops show.
titles() {
    local id
    for id in $(xdotool search --name . 2>/dev/null); do
        xprop -id "$id" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'
    done
}

# Starts the program on a file and waits for a window titled exactly $2.
expect_window() {
    "$program" "$1" /ENGLISH >/dev/null 2>&1 &
    priomat=$!
    for _ in $(seq 150); do
        if titles | grep -qxF "$2"; then
            kill "$priomat" 2>/dev/null || true
            wait "$priomat" 2>/dev/null || true
            return 0
        fi
        sleep 0.1
    done
    echo "no window titled \"$2\"; titles:" >&2
    titles >&2
    return 1
}

cp "$(dirname "$0")/../../examples/new-office.ahp" "$scratch/car.ahp"
expect_window "$scratch/car.ahp" 'Priomat - car.ahp'

printf 'not a data file\n' >"$scratch/other.ahp"
expect_window "$scratch/other.ahp" 'Error'
echo "window titles exact"
