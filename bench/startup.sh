#!/usr/bin/env bash
# Start-up to a painted main window, whole process, against a process-start baseline measured in
# the same run. Usage: bench/startup.sh [RUNS] (default 15); BUILD_DIR defaults to build.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-15}"
build="${BUILD_DIR:-build}"
document="$PWD/examples/new-office.ahp"

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
time_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
baseline=$(for _ in $(seq "$runs"); do time_ms "$build/src/cli/priomat-cli" --version; done | median)
startup=$(for _ in $(seq "$runs"); do PRIOMAT_EXIT_WHEN_SHOWN=1 time_ms "$build/priomat" "$document"; done | median)
echo "runs: $runs (QT_QPA_PLATFORM=$QT_QPA_PLATFORM)"
echo "baseline, priomat-cli --version: ${baseline} ms median"
echo "priomat started with a document until its window is painted: ${startup} ms median"
awk -v s="$startup" -v b="$baseline" 'BEGIN { if (b > 0) printf "ratio: %.1f x the baseline\n", s / b }'
