#!/usr/bin/env bash
# Builds Priomat and starts it. Arguments go to the program (a document to open, /ENGLISH or
# /JAPANESE). Without a display the program says so and exits with status 1.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh --target priomat
exec "${BUILD_DIR:-build}/priomat" "$@"
