#!/usr/bin/env bash
# Screenshots of the result window's pages (requirements, alternatives, charts) filled with the
# evaluation of examples/new-office.ahp, in English and Japanese, taken under a virtual display
# with a temporary home folder.
# Usage: tools/result-screenshots.sh [OUTPUT-FOLDER] (default /tmp/priomat-result-shots);
# BUILD_DIR defaults to build.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-/tmp/priomat-result-shots}"
build="${BUILD_DIR:-build}"
mkdir -p "$out"
cmake --build "$build" --target priomat-resultshots >/dev/null
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
for language in ENGLISH JAPANESE; do
    HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        xvfb-run -a -s "-screen 0 1024x768x24" \
        "$build/tools/resultshots/priomat-resultshots" "$PWD/examples/new-office.ahp" "$out/${language,,}" "/$language"
done
