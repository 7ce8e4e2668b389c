#!/usr/bin/env bash
# Builds Priomat and starts it. Until the main window is there, this evaluates the example
# document with the command-line tool; arguments replace the default command.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
cli="${BUILD_DIR:-build}/src/cli/priomat-cli"
if [ $# -eq 0 ]; then
    set -- evaluate examples/choose-a-car.ahp
fi
exec "$cli" "$@"
