#!/usr/bin/env bash
# Screenshots of the main window on a first start (no stored placement) with a document, after
# scrolling its grid with the keyboard, and at 1200 x 950, in English and Japanese, under a
# 1280 x 1024 virtual display with a temporary home folder.
# Usage: tools/grid-scroll-screenshots.sh DOCUMENT [OUTPUT-FOLDER] (default /tmp/priomat-shots);
# BUILD_DIR defaults to build. Needs xvfb, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
document="$(realpath "${1:?usage: tools/grid-scroll-screenshots.sh DOCUMENT [OUTPUT-FOLDER]}")"
out="${2:-/tmp/priomat-shots}"
build="${BUILD_DIR:-build}"
mkdir -p "$out"
cmake --build "$build" --target priomat >/dev/null
name="$(basename "${document%.*}")"
for language in ENGLISH JAPANESE; do
    home=$(mktemp -d)
    # The settings file lives beside the program; without it the start is a first start.
    rm -f "$build/priomat.ini"
    HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
        "$0" "$1" "/$2" &
        pid=$!
        for _ in $(seq 50); do xdotool search --onlyvisible --name "^Priomat" >/dev/null 2>&1 && break; sleep 0.2; done
        sleep 1.5
        window=$(xdotool search --onlyvisible --name "^Priomat" | head -1)
        import -window root "$3-first.png"
        eval "$(xdotool getwindowgeometry --shell "$window")"
        # A click in the grid opens the comparison dialog; Escape leaves the grid with the focus.
        xdotool mousemove $((X + WIDTH * 62 / 100)) $((Y + HEIGHT * 45 / 100)) click 1
        sleep 0.7; xdotool key Escape; sleep 0.3
        xdotool key --delay 20 $(printf "Right %.0s" $(seq 25)) $(printf "Down %.0s" $(seq 22))
        sleep 0.7
        import -window root "$3-scrolled.png"
        xdotool windowsize "$window" 1200 950
        sleep 1
        import -window root "$3-large.png"
        kill "$pid"; wait "$pid" 2>/dev/null || true
    ' "$build/priomat" "$document" "$language" "$out/$name-${language,,}"
    rm -rf "$home"
done
echo "saved in $out"
