#!/usr/bin/env bash
# Configures and builds Priomat. BUILD_DIR (default: build) and CMAKE_ARGS may be set; arguments
# go to the build (for example --target priomat builds the program alone).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build_dir="${BUILD_DIR:-build}"
# shellcheck disable=SC2086
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build_dir" "$@"
