#!/usr/bin/env bash
# Installs into a scratch prefix and unpacks the portable archive, starts each installed program
# once under a virtual display (it registers itself), uninstalls it with /UNINSTALL answered Yes,
# and checks that what was installed is gone while other files in the same folders stay.
# Usage: install_uninstall.sh BUILD-DIR; exits 77 (skipped) without Xvfb or xdotool.
set -euo pipefail
build="$(cd "$1" && pwd)"
fail() { echo "FAIL: $*"; exit 1; }
for tool in Xvfb xdotool cpack; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done

scratch=$(mktemp -d)
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
export TMPDIR="$scratch/tmp"
mkdir -p "$HOME" "$TMPDIR"

# A virtual display of its own for each installation: the ghost copy outlives the program that
# starts it, and nothing one run leaves in the server may reach the next.
# - Xvfb picks a free number itself (-displayfd) and reports when it accepts connections, so
#   tests running side by side never race for the same number.
# - A server of another container can hold the same number's abstract socket unseen, and
#   clients then reach that server instead: the screen's unusual size proves the display is
#   ours, and otherwise numbers are tried at random.
# - The server resets whenever its last client leaves, and a program connecting at that moment
#   fails ("could not connect to display"): one client stays connected while it is in use.
xvfb=""
keeper=""
trap 'kill $keeper $xvfb 2>/dev/null || true; rm -rf "$scratch"' EXIT
ScreenSize="1031 767"
open_display() {
    local displayfile="$scratch/display.$1" number="" attempt
    for attempt in $(seq 10); do
        rm -f "$displayfile"
        if [ "$attempt" = 1 ]; then
            Xvfb -displayfd 3 -screen 0 1031x767x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
            xvfb=$!
            for _ in $(seq 300); do
                [ -s "$displayfile" ] && break
                kill -0 "$xvfb" 2>/dev/null || break
                sleep 0.1
            done
            number=$(head -n 1 "$displayfile" 2>/dev/null) || true
        else
            number=$((200 + RANDOM % 700))
            Xvfb ":$number" -screen 0 1031x767x24 -nolisten tcp >/dev/null 2>&1 &
            xvfb=$!
        fi
        export DISPLAY=":$number"
        for _ in $(seq 100); do
            [ -n "$number" ] || break
            kill -0 "$xvfb" 2>/dev/null || break
            [ "$(xdotool getdisplaygeometry 2>/dev/null)" = "$ScreenSize" ] && break
            sleep 0.1
        done
        if [ -n "$number" ] && [ "$(xdotool getdisplaygeometry 2>/dev/null)" = "$ScreenSize" ]; then
            xdotool search --sync --name "^no window is ever called this$" >/dev/null 2>&1 &
            keeper=$!
            return
        fi
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
        echo "note: display :$number is not ours; trying another"
    done
    fail "no virtual display could be started"
}
close_display() {
    kill "$keeper" "$xvfb" 2>/dev/null || true
    wait "$keeper" "$xvfb" 2>/dev/null || true
    keeper=""
    xvfb=""
}

# Starts the program once until it has registered itself and its main window is up, then ends
# it. The splash window carries the same title as the main window but comes before the
# registration, so the desktop entry is waited for first. A program that could not reach the
# display ends before registering and is started again.
start_once() {
    local pid=""
    for _ in 1 2 3; do
        "$1" /ENGLISH &
        pid=$!
        for _ in $(seq 150); do
            [ -f "$XDG_DATA_HOME/applications/priomat.desktop" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null && break
        wait "$pid" 2>/dev/null || true
        echo "note: $1 ended before it registered; starting it again"
    done
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^Priomat" >/dev/null 2>&1 && break
        sleep 0.1
    done
    sleep 0.5
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# Waits while process $2 runs for a window whose title begins with $1 and prints its id.
find_window() {
    local window=""
    for _ in $(seq 150); do
        window=$(xdotool search --name "^$1" 2>/dev/null | head -n 1) && [ -n "$window" ] && break
        kill -0 "$2" 2>/dev/null || break
        sleep 0.1
    done
    echo "$window"
}

# Runs /UNINSTALL, answers the question with Yes, accepts the closing report (from the ghost
# copy, or from the program itself when no ghost could start) and waits for both to end.
uninstall() {
    local program="$1" question="" window="" reported="" pid=""
    # Before the question nothing has changed, so a run that could not reach the display is
    # simply started again.
    for _ in 1 2 3; do
        "$program" /UNINSTALL &
        pid=$!
        question=$(find_window Uninstall "$pid")
        [ -n "$question" ] && break
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        echo "note: no question from $program; starting it again"
    done
    [ -n "$question" ] || fail "no confirmation question from $program"
    sleep 0.3
    xdotool key --window "$question" y
    # With a ghost the program ends at once; one still running after this shows the report
    # itself. Window ids are handed out again, so time tells the two boxes apart.
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    for _ in $(seq 300); do
        if ! kill -0 "$pid" 2>/dev/null && ! pgrep -f "^$TMPDIR/Ghost" >/dev/null; then
            break
        fi
        window=$(xdotool search --onlyvisible --name "^Uninstall" 2>/dev/null | head -n 1) || true
        if [ -n "$window" ]; then
            sleep 0.3
            reported=yes
            # The box may close while the key is on its way: that error means nothing.
            xdotool key --window "$window" Return 2>/dev/null || true
        fi
        sleep 0.2
    done
    wait "$pid" 2>/dev/null || true
    [ -n "$reported" ] || fail "no closing report after uninstalling $program"
    ! pgrep -f "^$TMPDIR/Ghost" >/dev/null || fail "the ghost copy did not end"
}

# --- prefix layout ---
open_display prefix
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
[ ! -e "$XDG_CONFIG_HOME/priomat/registry.json" ] || fail "the registry store is still there: $(cat "$XDG_CONFIG_HOME/priomat/registry.json")"
[ -z "$(ls "$TMPDIR" | grep -i '^ghost')" ] || fail "the ghost copy was left behind"

close_display

# --- portable archive ---
open_display portable
# Packed into the scratch folder: runs side by side must not share CPack's working folders.
cpack --config "$build/CPackConfig.cmake" -B "$scratch/package" >/dev/null
mkdir -p "$scratch/portable"
tar xzf "$scratch"/package/priomat-*-linux.tar.gz -C "$scratch/portable"
folder=$(echo "$scratch"/portable/priomat-*-linux)
start_once "$folder/priomat"
uninstall "$folder/priomat"
[ ! -e "$folder" ] || fail "the portable folder is still there: $(ls -A "$folder")"
[ ! -e "$XDG_CONFIG_HOME/priomat" ] || fail "the program's settings folder is still there: $(ls -A "$XDG_CONFIG_HOME/priomat")"
close_display
echo "install and uninstall: passed"
