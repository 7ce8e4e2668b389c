#!/usr/bin/env bash
# Installs into a scratch prefix and unpacks the portable archive, starts each installed program
# once under a virtual display (it registers itself), uninstalls it with /UNINSTALL answered Yes,
# and checks that what was installed is gone while other files in the same folders stay.
# Usage: install_uninstall.sh BUILD-DIR; exits 77 (skipped) without Xvfb or xdotool.
set -euo pipefail
build="$(cd "$1" && pwd)"
for tool in Xvfb xdotool cpack; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done

scratch=$(mktemp -d)
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
export TMPDIR="$scratch/tmp"
mkdir -p "$HOME" "$TMPDIR"
fail() { echo "FAIL: $*"; exit 1; }

# One virtual display for the whole run: the ghost copy outlives the program that starts it.
for number in $(seq 90 199); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] || break
done
Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
export DISPLAY=":$number"
for _ in $(seq 100); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "the virtual display did not start"

# Starts the program once until its window is up, then ends it.
start_once() {
    "$1" /ENGLISH &
    local pid=$!
    for _ in $(seq 100); do
        xdotool search --name "^Priomat" >/dev/null 2>&1 && break
        sleep 0.1
    done
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}

# Runs /UNINSTALL, answers the question with Yes and waits for the ghost copy to finish.
uninstall() {
    local program="$1" window=""
    "$program" /UNINSTALL &
    local pid=$!
    for _ in $(seq 100); do
        window=$(xdotool search --name "^Uninstall" 2>/dev/null | head -n 1) && [ -n "$window" ] && break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        kill "$pid" 2>/dev/null
        fail "no confirmation question from $program"
    fi
    sleep 0.3
    xdotool key --window "$window" y
    wait "$pid" || true
    for _ in $(seq 150); do
        pgrep -f "^$TMPDIR/Ghost" >/dev/null || [ -e "$program" ] || break
        sleep 0.1
    done
    for _ in $(seq 100); do
        pgrep -f "^$TMPDIR/Ghost" >/dev/null || break
        sleep 0.1
    done
}

# --- prefix layout ---
prefix="$scratch/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
echo "keep" > "$prefix/bin/other-tool"
echo "keep" > "$prefix/share/priomat/notes.txt"
start_once "$prefix/bin/priomat"
[ -f "$XDG_DATA_HOME/applications/priomat.desktop" ] || fail "no desktop entry after the first start"
grep -q "Quorrel Lab" "$XDG_CONFIG_HOME/priomat/registry.json" || fail "no registry values after the first start"

uninstall "$prefix/bin/priomat"
for gone in bin/priomat bin/priomat-cli bin/UNINST.DAT share/priomat/priomat.html share/priomat/priomat.txt \
            share/applications/priomat.desktop share/mime/packages/priomat.xml \
            share/icons/hicolor/48x48/apps/priomat.png share/icons/hicolor/scalable/apps/priomat.svg; do
    [ ! -e "$prefix/$gone" ] || fail "$gone was not removed"
done
[ -f "$prefix/bin/other-tool" ] || fail "a file that was not installed was removed"
[ -f "$prefix/share/priomat/notes.txt" ] || fail "a file beside the manual was removed"
[ ! -e "$prefix/share/icons" ] || fail "emptied icon folders were left"
[ ! -e "$XDG_DATA_HOME/applications/priomat.desktop" ] || fail "the desktop entry is still there"
[ ! -e "$XDG_DATA_HOME/mime/packages/priomat.xml" ] || fail "the MIME package is still there"
! grep -q '"Priomat"' "$XDG_CONFIG_HOME/priomat/registry.json" || fail "registry keys are still there"
[ -z "$(ls "$TMPDIR" | grep -i '^ghost')" ] || fail "the ghost copy was left behind"

# --- portable archive ---
(cd "$build" && cpack >/dev/null)
mkdir -p "$scratch/portable"
tar xzf "$build"/priomat-*-linux.tar.gz -C "$scratch/portable"
folder=$(echo "$scratch"/portable/priomat-*-linux)
start_once "$folder/priomat"
uninstall "$folder/priomat"
[ ! -e "$folder" ] || fail "the portable folder is still there: $(ls -A "$folder")"
echo "install and uninstall: passed"
