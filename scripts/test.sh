#!/usr/bin/env bash
# Builds Priomat and runs every test. Arguments go to ctest (for example -R model).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j"$(nproc)" "$@"
