#!/usr/bin/env bash
# Starts Priomat under a virtual display, waits for its window and saves a screenshot.
# Usage: tools/screenshot.sh OUT.png [priomat arguments...]
# Needs xvfb and imagemagick (installed when missing); BUILD_DIR defaults to build.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:?usage: tools/screenshot.sh OUT.png [arguments...]}"
shift
for tool in xvfb-run:xvfb import:imagemagick xdotool:xdotool; do
    command -v "${tool%%:*}" >/dev/null || {
        sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo apt-get install -y -qq "${tool##*:}" >/dev/null
    }
done
program="${BUILD_DIR:-build}/priomat"
export PRIOMAT_SHOT_OUT="$out"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$0" "$@" &
    pid=$!
    for _ in $(seq 50); do
        xdotool search --name "^Priomat" >/dev/null 2>&1 && break
        sleep 0.2
    done
    sleep 1
    import -window root "$PRIOMAT_SHOT_OUT"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
' "$program" "$@"
echo "saved $out"
