#!/usr/bin/env bash
# Screenshots of the consistency advisor in both languages under a virtual display.
# Usage: tools/advisor-screenshots.sh OUTDIR   (BUILD_DIR defaults to build)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:?usage: tools/advisor-screenshots.sh OUTDIR}"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf 'Priomat - Data File\r\n[Tree]\r\nChoose a car\r\n Cost\r\n Comfort\r\n Safety\r\n Looks\r\n[Alternatives]\r\nHatchback\r\nEstate\r\nCoupe\r\n[Comparison]\r\nCost\tComfort\t3\r\nComfort\tCost\t1/3\r\nCost\tSafety\t9\r\nSafety\tCost\t1/9\r\nCost\tLooks\t9\r\nLooks\tCost\t1/9\r\nComfort\tSafety\t1/3\r\nSafety\tComfort\t3\r\nComfort\tLooks\t3\r\nLooks\tComfort\t1/3\r\n[AlternativesComparison]\r\nCost\tHatchback\tEstate\t3\r\nCost\tEstate\tHatchback\t1/3\r\nComfort\tEstate\tCoupe\t5\r\nComfort\tCoupe\tEstate\t1/5\r\nLooks\tCoupe\tHatchback\t7\r\nLooks\tHatchback\tCoupe\t1/7\r\n' >"$work/car.ahp"
program="$(realpath "${BUILD_DIR:-build}/priomat")"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" LANG=C.UTF-8
for lang in ENGLISH JAPANESE; do
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        "$0" "$1" "/$2" &
        pid=$!
        for _ in $(seq 50); do
            xdotool search --name "^Priomat" >/dev/null 2>&1 && break
            sleep 0.2
        done
        sleep 1
        win=$(xdotool search --name "^Priomat" | head -1)
        sleep 0.5
        import -window root "$3/main-$2.png"
        # No window manager: the Tool menu and the button are clicked where the design puts them.
        if [ "$2" = ENGLISH ]; then toolx=164; else toolx=257; fi
        xdotool mousemove $toolx 130 click 1
        sleep 0.5
        import -window root "$3/menu-$2.png"
        xdotool mousemove $toolx 130 click 1
        sleep 0.3
        xdotool mousemove 386 378 click 1
        sleep 1.5
        import -window root "$3/advisor-$2.png"
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    ' "$program" "$work/car.ahp" "$lang" "$(realpath "$out")"
done
echo "saved in $out"
