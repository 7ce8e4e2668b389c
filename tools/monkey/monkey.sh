#!/usr/bin/env bash
# Monkey test: random keys, clicks and drags on the real program for a given time, counting the
# actions and reporting crashes and hangs. Not a CI step: run it by hand, e.g.
#   tools/monkey/monkey.sh build/priomat 480 /ENGLISH
#   tools/monkey/monkey.sh build-sanitize/priomat 480 /JAPANESE
# Without a display it starts itself under xvfb-run. Each session runs the program on a copy of
# an example for SESSION seconds (default 60) and then ends it with SIGTERM: a program that does
# not end within 10 seconds counts as hung, as does one that keeps a core busy for 30 seconds.
# A death by any other signal, or a sanitizer report, counts as a crash. Needs xdotool.
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 PROGRAM SECONDS [/ENGLISH|/JAPANESE] [LOG-FOLDER]" >&2
    exit 2
fi
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1366x768x24" "$0" "$@"
fi
command -v xdotool >/dev/null || { echo "monkey: xdotool is missing" >&2; exit 2; }

program=$(readlink -f "$1")
duration=$2
language=${3:-/ENGLISH}
source_dir=${PRIOMAT_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
work=$(mktemp -d /tmp/priomat-monkey.XXXXXX)
logs=${4:-$work/logs}
mkdir -p "$logs" "$work/home"
session_seconds=${SESSION:-60}

# Everything the program writes stays in the work folder.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_STATE_HOME=$work/home/.local/state XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/run
export BROWSER=true  # the manual is not opened in a real browser
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

keys=(a b c x y z 1 2 3 5 9 0 period minus slash space Return Tab ISO_Left_Tab Escape BackSpace Delete
      Insert Up Down Left Right Home End Page_Up Page_Down F2 ctrl+z ctrl+y ctrl+s ctrl+n ctrl+o
      ctrl+a ctrl+c ctrl+v alt+f alt+e alt+t alt+w alt+o alt+h shift+Down shift+Right)
actions=0 key_count=0 click_count=0 drag_count=0 sessions=0 crashes=0 hangs=0 exits=0
deadline=$((SECONDS + duration))

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }

# A random visible window of the program, the newest (dialogs) most often.
pick_window() {
    local -a windows
    mapfile -t windows < <(xdotool search --onlyvisible --pid "$1" 2>/dev/null)
    [ ${#windows[@]} -gt 0 ] || return 1
    if [ $((RANDOM % 4)) -eq 0 ]; then
        echo "${windows[RANDOM % ${#windows[@]}]}"
    else
        echo "${windows[${#windows[@]} - 1]}"
    fi
}

# Sets WX, WY, WW, WH to window $1's place and size (screen coordinates).
window_geometry() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null)" || return 1
    [ "${WIDTH:-0}" -gt 2 ] && [ "${HEIGHT:-0}" -gt 2 ] || return 1
    WX=$X WY=$Y WW=$WIDTH WH=$HEIGHT
}

# Sets x, y to a random point inside the window measured last.
random_point() {
    x=$((WX + RANDOM % WW)) y=$((WY + RANDOM % WH))
}

report_end() {  # $1 status, $2 session log, $3 how it ended
    local status=$1 log=$2 how=$3
    if grep -q -e "ERROR: AddressSanitizer" -e "runtime error:" -e "ERROR: LeakSanitizer" "$log"; then
        crashes=$((crashes + 1)); echo "monkey: CRASH (sanitizer) in $log" >&2
    elif [ "$how" = terminated ] && [ "$status" -ne 143 ]; then
        crashes=$((crashes + 1)); echo "monkey: CRASH status $status after SIGTERM, $log" >&2
    elif [ "$how" = died ] && [ "$status" -gt 128 ]; then
        crashes=$((crashes + 1)); echo "monkey: CRASH status $status (signal $((status - 128))), $log" >&2
    elif [ "$how" = died ]; then
        exits=$((exits + 1))
    fi
}

examples=("$source_dir"/examples/*.ahp)
while [ $SECONDS -lt $deadline ]; do
    sessions=$((sessions + 1))
    document=$work/home/doc$((sessions % 3)).ahp
    [ -f "$document" ] || cp "${examples[RANDOM % ${#examples[@]}]}" "$document"
    log=$logs/session$sessions.log
    (cd "$work/home" && exec "$program" "$document" "$language") >"$log" 2>&1 &
    pid=$!
    for _ in $(seq 50); do
        xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1 && break
        sleep 0.2
    done
    session_end=$((SECONDS + session_seconds))
    busy=0 last_check=$SECONDS last_ticks=$(cpu_ticks "$pid") ended=
    while [ $SECONDS -lt $session_end ] && [ $SECONDS -lt $deadline ]; do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"; report_end $? "$log" died; ended=1; break
        fi
        if [ $((SECONDS - last_check)) -ge 10 ]; then
            ticks=$(cpu_ticks "$pid")
            # Over 95% of a core for the whole interval.
            if [ $((ticks - last_ticks)) -ge $(( (SECONDS - last_check) * $(getconf CLK_TCK) * 95 / 100 )) ]; then
                busy=$((busy + 1))
            else
                busy=0
            fi
            last_ticks=$ticks last_check=$SECONDS
            if [ $busy -ge 3 ]; then
                hangs=$((hangs + 1)); echo "monkey: HANG (busy 30 s), $log" >&2
                kill -KILL "$pid"; wait "$pid" 2>/dev/null; ended=1; break
            fi
        fi
        window=$(pick_window "$pid") || { sleep 0.1; continue; }
        window_geometry "$window" || { sleep 0.05; continue; }
        # A few actions in one window per xdotool run.
        chain=()
        for _ in 1 2 3 4 5; do
            random_point
            dice=$((RANDOM % 100))
            if [ $dice -lt 50 ]; then
                chain+=(mousemove "$x" "$y" key --delay 0 "${keys[RANDOM % ${#keys[@]}]}")
                key_count=$((key_count + 1))
            elif [ $dice -lt 85 ]; then
                button=1
                [ $((RANDOM % 10)) -eq 0 ] && button=3
                repeat=1
                [ $((RANDOM % 8)) -eq 0 ] && repeat=2
                chain+=(mousemove "$x" "$y" click --repeat $repeat "$button")
                click_count=$((click_count + 1))
            else
                x0=$x y0=$y
                random_point
                chain+=(mousemove "$x0" "$y0" mousedown 1 mousemove "$(( (x0 + x) / 2 ))" "$(( (y0 + y) / 2 ))"
                        mousemove "$x" "$y" mouseup 1)
                drag_count=$((drag_count + 1))
            fi
            actions=$((actions + 1))
        done
        [ ${#chain[@]} -gt 0 ] || { sleep 0.05; continue; }
        xdotool "${chain[@]}" 2>/dev/null
        sleep 0.0$((RANDOM % 3))
    done
    if [ -z "$ended" ]; then
        kill -TERM "$pid" 2>/dev/null
        for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        if kill -0 "$pid" 2>/dev/null; then
            hangs=$((hangs + 1)); echo "monkey: HANG (no end 10 s after SIGTERM), $log" >&2
            kill -KILL "$pid"; wait "$pid" 2>/dev/null
        else
            wait "$pid"; report_end $? "$log" terminated
        fi
    fi
done

echo "monkey: $(basename "$program") $language: $actions actions ($key_count keys, $click_count clicks," \
     "$drag_count drags) in $sessions sessions over ${duration} s; crashes $crashes, hangs $hangs," \
     "program quit by the monkey $exits; logs in $logs"
[ $crashes -eq 0 ] && [ $hangs -eq 0 ]
