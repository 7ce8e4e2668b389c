#!/usr/bin/env bash
# Runs accessibility.py against the program on a virtual display of its own, with a D-Bus
# session and the accessibility bus it starts.
# Usage: accessibility.sh PRIOMAT; exits 77 (skipped) without Xvfb, xdotool, dbus or pyatspi.
set -euo pipefail
program="$1"
here="$(cd "$(dirname "$0")" && pwd)"
# Debian's python3, whose python3-pyatspi this needs (not another python3 earlier on PATH).
python=/usr/bin/python3
for tool in Xvfb xdotool dbus-run-session "$python"; do
    command -v "$tool" >/dev/null || exit 77
done
"$python" -c 'import pyatspi' 2>/dev/null || exit 77

scratch=$(mktemp -d)
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
export XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
xvfb=""
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$scratch"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 300); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(head -n 1 "$scratch/display")"
cp "$here/../../examples/choose-a-car.ahp" "$scratch/plan.ahp"
dbus-run-session -- "$python" "${A11Y_SCRIPT:-$here/accessibility.py}" "$program" "$scratch/plan.ahp"
