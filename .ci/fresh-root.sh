#!/usr/bin/env bash
# Proves the README's quick start on a fresh system: makes a minimal Debian root, clones the
# commit under test into it, runs the test command there to a pass, then the run command under
# xvfb-run with an example document until its window appears. Needs root and the Debian registry.
# Usage: fresh-root.sh [SUITE]   (default bookworm); prints one line saying what failed.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
suite="${1:-bookworm}"
# shellcheck source=scripts/debian-root.sh
source "$repo/scripts/debian-root.sh"

[ "$(id -u)" -eq 0 ] || { echo "fresh-root check: needs root"; exit 1; }
commit=$(git -C "$repo" rev-parse HEAD)
work=$(mktemp -d "${TMPDIR:-/tmp}/priomat-fresh.XXXXXX")
root="$work/root"
log="$work/log"
step="making a minimal $suite root"

cleanup() {
    local status=$?
    umount_root "$root"
    if [ "$status" -ne 0 ]; then
        echo "fresh-root check failed while $step (last lines of the log below)"
        tail -n 40 "$log" 2>/dev/null | sed 's/^/    /'
    fi
    # Only once nothing is mounted inside, and never across into another file system.
    if ! grep -q " $(realpath "$root")/" /proc/mounts; then
        rm -rf --one-file-system "$work"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

timed() {
    local start=$SECONDS
    "$@" >>"$log" 2>&1
    echo "fresh-root: $step: $((SECONDS - start)) s"
}

: >"$log"
timed make_root "$root" "$suite"
mount_root "$root"

step="cloning $commit into the root"
git clone -q --no-local "$repo" "$root/root/priomat" >>"$log" 2>&1
git -C "$root/root/priomat" checkout -q --detach "$commit" >>"$log" 2>&1

# The packages come first, as test.sh itself installs them; the build, the tests and the program
# then run without network, with X displays of their own.
step="installing the quick start's packages in the root"
timed in_root "$root" bash /root/priomat/scripts/deps.sh
step="running ./scripts/test.sh in the root"
timed in_root_offline "$root" bash -c 'cd /root/priomat && ./scripts/test.sh'

step="starting ./scripts/run.sh examples/new-office.ahp under xvfb-run in the root"
timed in_root_offline "$root" bash -c '
    cd /root/priomat
    xvfb-run -n 99 -f /tmp/priomat.xauth ./scripts/run.sh examples/new-office.ahp &
    runner=$!
    found=""
    for _ in $(seq 600); do
        if DISPLAY=:99 XAUTHORITY=/tmp/priomat.xauth \
            xdotool search --onlyvisible --name "new-office[.]ahp" >/dev/null 2>&1; then
            found=yes
            break
        fi
        kill -0 "$runner" 2>/dev/null || break
        sleep 0.2
    done
    pkill -x priomat || true
    wait "$runner" || true
    [ -n "$found" ] || { echo "no window named after new-office.ahp appeared"; exit 1; }'
step="done"
echo "fresh-root: the quick start passes on a fresh $suite root"
