#!/usr/bin/env bash
# Screenshots of the options dialog (View page, Font page with a chosen font and colour, and the
# next opening), in English and Japanese, under a virtual display with a temporary home folder.
# Usage: tools/option-screenshots.sh [OUTPUT-FOLDER] (default /tmp/priomat-option-shots);
# BUILD_DIR defaults to build.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-/tmp/priomat-option-shots}"
build="${BUILD_DIR:-build}"
mkdir -p "$out"
cmake --build "$build" --target priomat-optionshots >/dev/null
homes=$(mktemp -d)
trap 'rm -rf "$homes"' EXIT
for language in ENGLISH JAPANESE; do
    # Each language starts from no settings at all.
    home="$homes/$language"
    mkdir -p "$home"
    HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        xvfb-run -a -s "-screen 0 1024x768x24" \
        "$build/tools/optionshots/priomat-optionshots" "$out/${language,,}" "/$language"
done
