#!/usr/bin/env bash
# Builds the Debian package and the portable archive and checks both with the real tools, each in
# a Debian root of its own (this machine only gets the checking tools):
#  - the package: lintian; then, in a root with its dependencies and recommends, priomat-cli and
#    priomat from /usr/bin, /UNINSTALL refusing, the .ahp type for xdg-mime, xdg-open of a
#    document under GNOME and under the generic desktop (no XDG_CURRENT_DESKTOP),
#    desktop-file-validate, appstreamcli, a Japanese window compared with the same window drawn
#    on this machine, then removal with nothing of it left;
#  - the portable folder: unpacked into a minimal root without Qt and without any font, where
#    every library resolves (ldd), priomat-cli runs, priomat starts offscreen, on X (xcb), and
#    falls back to X when Wayland is asked for without a compositor; its Japanese window is
#    compared with this machine's too, and once more without its bundled font, which has to
#    fail the comparison (the comparison sees missing glyphs).
# Usage (as root): packaging/check-packages.sh [BUILD-DIR]   (default: build)
# Roots are kept as tarballs in /var/cache/priomat-roots/ (ROOT_CACHE): the minimal one from
# scripts/debian-root.sh, the package's one per set of dependencies; made anew when missing.
# Prints one line: "check-packages: passed ..." or "check-packages: FAIL: ...".
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
# shellcheck source=scripts/debian-root.sh
source scripts/debian-root.sh
build="${1:-build}"
mkdir -p "$build"
build=$(cd "$build" && pwd)
log="$build/check-packages.log"
: > "$log"
started=$(date +%s)
cache="${ROOT_CACHE:-/var/cache/priomat-roots}"

work=""
roots=()
programs=()
xvfb=""
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }
cleanup() {
    set +e
    local pid root
    for pid in "${programs[@]}"; do kill "$pid" 2>/dev/null; done
    for root in "${roots[@]}"; do umount_root "$root"; done
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    # Only once nothing is mounted inside it any more.
    if [ -n "$work" ] && ! grep -q " $work/" /proc/mounts; then
        rm -rf --one-file-system "$work"
    fi
}
trap cleanup EXIT
fail() {
    echo "check-packages: FAIL: $* (log: $log)"
    exit 1
}
trap 'fail "command failed at line $LINENO: $BASH_COMMAND"' ERR
step() { echo "== $*" >>"$log"; }

[ "$(id -u)" -eq 0 ] || fail "run as root (it makes chroots)"

# --- tools on this machine, and the plugins and font the portable folder bundles ---------
tools=(lintian debootstrap dpkg-dev file xvfb xauth xdotool imagemagick zstd cmake ninja-build
       qt6-wayland fcitx5-frontend-qt6 fonts-ipafont-gothic)
missing=()
for package in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    step "installing ${missing[*]}"
    apt_get update -qq >>"$log" 2>&1
    apt_get install -y -qq --no-install-recommends "${missing[@]}" \
        >>"$log" 2>&1 || fail "could not install ${missing[*]}"
fi
bash scripts/deps.sh >>"$log" 2>&1 || fail "could not install the build dependencies"

# --- build -------------------------------------------------------------------------------
step "build"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >>"$log" 2>&1 ||
        fail "cmake could not configure $build"
fi
cmake --build "$build" --target priomat priomat-cli priomat-assets >>"$log" 2>&1 ||
    fail "the programs did not build"
rm -f "$build"/priomat_*.deb "$build"/priomat-*-linux.tar.gz
(cd "$build" && cpack -G DEB >>"$log" 2>&1) || fail "cpack -G DEB failed"
(cd "$build" && cpack -G TGZ >>"$log" 2>&1) || fail "cpack -G TGZ failed"
deb=$(ls "$build"/priomat_*.deb)
archive=$(ls "$build"/priomat-*-linux.tar.gz)
work=$(mktemp -d /tmp/priomat-check.XXXXXX)
example="$source_dir/examples/choose-a-car.ahp"
expected="$work/expected.txt"
"$build/src/cli/priomat-cli" evaluate "$example" >"$expected" || fail "the built priomat-cli failed"
version=$("$build/src/cli/priomat-cli" --version)
# A document in Japanese, so that the screenshots show more Japanese than the menus.
japanese="$work/plan.ahp"
sed -e 's/Choose a car/車を選ぶ/; s/Comfort/快適さ/g; s/Cost/費用/g; s/Seats/座席/g; s/Noise/静かさ/g' \
    -e 's/Car A/車Ａ/g; s/Car B/車Ｂ/g' "$example" >"$japanese"

# A virtual display for every window of the check; Xvfb picks a free number itself.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 300); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
display=":$(head -n 1 "$work/display")"

# Starts a program (a command line, in a root or here) on the display, waits for its window
# named after plan.ahp, saves a screenshot of it as PNG, and ends the program.
screenshot() {
    local png="$1" pid window=""
    shift
    "$@" >>"$log" 2>&1 &
    pid=$!
    programs+=("$pid")
    for _ in $(seq 150); do
        window=$(DISPLAY=$display xdotool search --onlyvisible --name "plan[.]ahp" 2>/dev/null | head -n 1) || true
        [ -n "$window" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    if [ -n "$window" ]; then
        # The first-start size follows the fonts, and another font gives another size: every
        # window is drawn at one size so that the pictures compare glyphs, not layouts.
        DISPLAY=$display xdotool windowsize "$window" 440 280 >>"$log" 2>&1 || true
        sleep 1.5
        import -display "$display" -window "$window" "$png" >>"$log" 2>&1 || window=""
        # Kept beside the log for a look.
        cp "$png" "$build/check-$(basename "$png")" 2>/dev/null || true
    fi
    # A shell function runs in a subshell of its own: its program is that subshell's child.
    pkill -TERM -P "$pid" 2>/dev/null || true
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ -n "$window" ]
}
# Parts per thousand of the pixels that differ clearly between two screenshots (1000 when the
# sizes differ: the window would not take the common size).
difference() {
    local a="$1" b="$2" size_a size_b pixels differing
    size_a=$(identify -format '%wx%h' "$a")
    size_b=$(identify -format '%wx%h' "$b")
    if [ "$size_a" != "$size_b" ]; then
        echo 1000
        return
    fi
    pixels=$(( ${size_a%x*} * ${size_a#*x} ))
    differing=$(compare -metric AE -fuzz 30% "$a" "$b" null: 2>&1 >/dev/null || true)
    # The count may come in exponent notation.
    differing=$(echo "$differing" | awk '{ printf "%d", $1 }')
    echo $(( differing * 1000 / pixels ))
}
# What a screenshot may differ by from the reference drawn here (parts per thousand): hinting
# and smoothing differ between roots (measured at 440 x 280: package 0, portable 24); glyph
# boxes in place of text differ by 71.
tolerance=40

step "reference screenshot on this machine"
reference="$work/reference.png"
reference_home="$work/reference-home"
mkdir -p "$reference_home"
screenshot "$reference" env HOME="$reference_home" XDG_CONFIG_HOME="$reference_home/.config" \
    XDG_DATA_HOME="$reference_home/.local/share" DISPLAY="$display" QT_QPA_PLATFORM=xcb \
    "$build/priomat" "$japanese" /JAPANESE || fail "the built priomat showed no window for a reference"

# --- the Debian package ------------------------------------------------------------------
step "lintian"
lintian_ok=yes
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.txt" 2>&1 || lintian_ok=""
cat "$work/lintian.txt" >>"$log"
[ -n "$lintian_ok" ] || fail "lintian reports errors or warnings"
# Informational, but the distribution's hardening flags must have reached every binary.
! grep -q "hardening-" "$work/lintian.txt" || fail "lintian: $(grep -m1 "hardening-" "$work/lintian.txt")"

# A root with the package's dependencies and recommends and the desktop tools, kept per set of
# dependencies; the package itself goes in and out of it on every run.
step "package root"
# xdg-mime finds a file's type through File::MimeInfo outside GNOME, KDE and Xfce.
desktop_tools="xdg-utils libfile-mimeinfo-perl desktop-file-utils appstream shared-mime-info libglib2.0-bin"
fields=$(dpkg-deb -f "$deb" Depends Recommends)
key=$(printf '%s\n%s\n' "$fields" "$desktop_tools" | sha256sum | cut -c1-16)
proot="$work/package-root"
roots+=("$proot")
if [ -f "$cache/package-$key.tar.zst" ]; then
    mkdir -p "$proot"
    tar --zstd -xf "$cache/package-$key.tar.zst" -C "$proot"
    mount_root "$proot"
else
    make_root_cached "$proot" >>"$log" 2>&1 || fail "debootstrap could not make a root"
    mount_root "$proot"
    cp "$deb" "$proot/tmp/"
    # shellcheck disable=SC2086
    in_root "$proot" bash -c "export DEBIAN_FRONTEND=noninteractive; apt-get update -qq &&
        apt-get install -y -qq --no-install-recommends $desktop_tools &&
        apt-get install -y -qq /tmp/$(basename "$deb") && dpkg -r priomat && apt-get clean" \
        >>"$log" 2>&1 || fail "could not make the package's root"
    rm -f "$proot/tmp/$(basename "$deb")"
    umount_root "$proot"
    mkdir -p "$cache"
    rm -f "$cache"/package-*.tar.*
    tar --zstd -cf "$cache/package-$key.tar.zst.part" -C "$proot" . &&
        mv "$cache/package-$key.tar.zst.part" "$cache/package-$key.tar.zst"
    mount_root "$proot"
fi
qt_before=$(in_root "$proot" dpkg-query -W -f='${Package}\n' 'libqt6*' 2>/dev/null | sort | tr '\n' ' ')
mkdir -p "$proot/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$proot/tmp/.X11-unix"

step "install"
cp "$deb" "$proot/tmp/"
in_root "$proot" dpkg -i "/tmp/$(basename "$deb")" >>"$log" 2>&1 || fail "dpkg -i $(basename "$deb") failed in its root"
for package in fonts-ipafont-gothic qt6-wayland qt6-translations-l10n; do
    in_root "$proot" dpkg-query -W "$package" >/dev/null 2>&1 ||
        fail "the root with the package's recommends lacks $package"
done
in_root "$proot" dpkg -L priomat >"$work/files.txt"
for file in /usr/bin/priomat /usr/bin/priomat-cli /usr/share/priomat/priomat.html \
            /usr/share/applications/priomat.desktop /usr/share/mime/packages/priomat.xml \
            /usr/share/man/man1/priomat.1.gz /usr/share/man/man1/priomat-cli.1.gz \
            /usr/share/icons/hicolor/48x48/mimetypes/application-x-priomat-ahp.png; do
    grep -qx "$file" "$work/files.txt" || fail "the package lacks $file"
done
grep -qx "Exec=priomat %f" "$proot/usr/share/applications/priomat.desktop" ||
    fail "the desktop entry's Exec is not 'priomat %f'"

# A user of the installed program, with no desktop settings of its own yet.
cp "$example" "$proot/tmp/example.ahp"
cp "$japanese" "$proot/tmp/plan.ahp"
mkdir -p "$proot/tmp/user"
as_user() {
    in_root "$proot" HOME=/tmp/user XDG_CONFIG_HOME=/tmp/user/.config XDG_DATA_HOME=/tmp/user/.local/share \
        DISPLAY="$display" "$@"
}
step "installed programs"
as_user /usr/bin/priomat-cli evaluate /tmp/example.ahp | cmp -s - "$expected" ||
    fail "the installed priomat-cli evaluate gives another result"
as_user QT_QPA_PLATFORM=offscreen PRIOMAT_EXIT_WHEN_SHOWN=1 timeout 60 /usr/bin/priomat /tmp/example.ahp \
    >>"$log" 2>&1 || fail "the installed priomat did not start with a document"
[ ! -e "$proot/tmp/user/.local/share/applications/priomat.desktop" ] ||
    fail "the program wrote a per-user desktop entry over the package's"
[ ! -e "$proot/tmp/user/.local/share/mime/packages/priomat.xml" ] ||
    fail "the program wrote a per-user MIME package over the package's"
[ ! -e "$proot/usr/bin/priomat.ini" ] || fail "settings were written into /usr/bin"
type=$(as_user XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype /tmp/plan.ahp)
[ "$type" = "application/x-priomat-ahp" ] || fail "xdg-mime gives '$type' for an .ahp file"
default=$(as_user XDG_CURRENT_DESKTOP=GNOME xdg-mime query default application/x-priomat-ahp)
[ "$default" = "priomat.desktop" ] || fail "xdg-mime gives '$default' as the default for .ahp"

# xdg-open starts the program from the entry: through gio under GNOME, by reading Exec itself on
# any other desktop. A wrapper ahead of /usr/bin on PATH notes what it was started with.
step "xdg-open"
cat >"$proot/usr/local/bin/priomat" <<'EOF'
#!/bin/sh
printf '%s\n' "$*" >>/tmp/opened
exec /usr/bin/priomat "$@"
EOF
chmod +x "$proot/usr/local/bin/priomat"
for desktop in GNOME generic; do
    rm -f "$proot/tmp/opened"
    if [ "$desktop" = GNOME ]; then
        as_user XDG_CURRENT_DESKTOP=GNOME QT_QPA_PLATFORM=offscreen PRIOMAT_EXIT_WHEN_SHOWN=1 \
            timeout 60 xdg-open /tmp/example.ahp >>"$log" 2>&1 || fail "xdg-open under GNOME failed"
    else
        as_user QT_QPA_PLATFORM=offscreen PRIOMAT_EXIT_WHEN_SHOWN=1 \
            timeout 60 xdg-open /tmp/example.ahp >>"$log" 2>&1 || fail "xdg-open under the generic desktop failed"
    fi
    for _ in $(seq 100); do
        [ -s "$proot/tmp/opened" ] && break
        sleep 0.1
    done
    grep -qx "/tmp/example.ahp" "$proot/tmp/opened" 2>/dev/null ||
        fail "xdg-open ($desktop) did not start priomat with the document"
done
rm -f "$proot/usr/local/bin/priomat" "$proot/tmp/opened"

step "/UNINSTALL of the packaged program"
as_user /usr/bin/priomat /UNINSTALL /ENGLISH >>"$log" 2>&1 &
uninstall=$!
programs+=("$uninstall")
# The message's window may be replaced while it is set up: press Return on the one shown now
# until the program has ended.
answered=""
for _ in $(seq 150); do
    kill -0 "$uninstall" 2>/dev/null || break
    window=$(DISPLAY=$display xdotool search --onlyvisible --name "^Uninstall" 2>/dev/null | head -n 1) || true
    if [ -n "$window" ]; then
        sleep 0.3
        # The box closes on the key press, so the release may find no window: not an error.
        DISPLAY=$display xdotool key --window "$window" Return 2>/dev/null || true
        answered=yes
    fi
    sleep 0.2
done
if kill -0 "$uninstall" 2>/dev/null; then
    kill "$uninstall"
    fail "/UNINSTALL of the packaged program did not end after its message"
fi
[ -n "$answered" ] || fail "/UNINSTALL of the packaged program showed no message"
[ -x "$proot/usr/bin/priomat" ] || fail "/UNINSTALL deleted the packaged program"

step "desktop-file-validate, appstreamcli"
in_root "$proot" desktop-file-validate /usr/share/applications/priomat.desktop >>"$log" 2>&1 ||
    fail "desktop-file-validate rejects the desktop entry"
in_root "$proot" bash -c 'appstreamcli validate --no-net /usr/share/metainfo/*.metainfo.xml' >>"$log" 2>&1 ||
    fail "appstreamcli validate rejects the metainfo"

step "screenshot of the installed program"
rm -rf "$proot/tmp/user" && mkdir -p "$proot/tmp/user"
screenshot "$work/package.png" as_user QT_QPA_PLATFORM=xcb /usr/bin/priomat /tmp/plan.ahp /JAPANESE ||
    fail "the installed priomat showed no window on X"
package_difference=$(difference "$reference" "$work/package.png")
[ "$package_difference" -le "$tolerance" ] ||
    fail "the installed program's window differs from this machine's by ${package_difference}‰ (missing glyphs?)"

step "remove"
in_root "$proot" dpkg -r priomat >>"$log" 2>&1 || fail "dpkg -r priomat failed"
! in_root "$proot" dpkg -L priomat >/dev/null 2>&1 || fail "dpkg -L still lists files of priomat"
while IFS= read -r file; do
    [ -d "$proot$file" ] && continue
    [ ! -e "$proot$file" ] || fail "$file is left after removal"
done <"$work/files.txt"
left=$(find "$proot/usr" -iname '*priomat*' 2>/dev/null | head -n 3 | tr '\n' ' ')
[ -z "$left" ] || fail "left in /usr after removal: $left"
qt_after=$(in_root "$proot" dpkg-query -W -f='${Package}\n' 'libqt6*' 2>/dev/null | sort | tr '\n' ' ')
[ "$qt_before" = "$qt_after" ] || fail "installing and removing the package changed the root's Qt"
umount_root "$proot"

# --- the portable folder in a minimal root without Qt and fonts --------------------------
step "minimal root"
root="$work/root"
roots+=("$root")
make_root_cached "$root" >>"$log" 2>&1 || fail "debootstrap could not make a minimal root"
qt=$(find "$root" -name 'libQt6*' 2>/dev/null | head -n 1)
[ -z "$qt" ] || fail "the minimal root has Qt: $qt"
font=$(find "$root/usr/share/fonts" -type f 2>/dev/null | head -n 1 || true)
[ -z "$font" ] || fail "the minimal root has a font: $font"

step "portable folder in the root"
tar xzf "$archive" -C "$root/opt"
folder=$(cd "$root/opt" && ls -d priomat-*-linux)
inside="/opt/$folder"
for file in licenses/SOURCES.txt licenses/priomat.copyright licenses/common-licenses/LGPL-3 \
            plugins/platforms/libqwayland-egl.so plugins/wayland-shell-integration/libxdg-shell.so \
            plugins/platforminputcontexts/libcomposeplatforminputcontextplugin.so \
            plugins/platforminputcontexts/libibusplatforminputcontextplugin.so; do
    [ -s "$root$inside/$file" ] || fail "the portable folder lacks $file"
done
# The bundling itself fails for a library no package owns; here the licences asked about most.
for package in libqt6core6 libqt6gui6 libicu72 libglib2.0-0 libgcrypt20 fonts-ipafont-gothic; do
    [ -s "$root$inside/licenses/$package.copyright" ] || fail "the portable folder lacks the licence of $package"
done
cp "$example" "$root/tmp/example.ahp"
cp "$japanese" "$root/tmp/plan.ahp"
mount_root "$root"
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
# The programs' DT_RPATH serves every library they load, so ldd of the programs covers all.
for program in priomat priomat-cli; do
    unresolved=$(in_root "$root" ldd "$inside/$program" | grep "not found" || true)
    [ -z "$unresolved" ] || fail "in the root $program lacks: $(echo "$unresolved" | head -n 1)"
done
[ "$(in_root "$root" "$inside/priomat-cli" --version)" = "$version" ] || fail "portable priomat-cli --version"
in_root "$root" "$inside/priomat-cli" evaluate /tmp/example.ahp | cmp -s - "$expected" ||
    fail "the portable priomat-cli evaluate gives another result in the root"
in_root "$root" QT_QPA_PLATFORM=offscreen PRIOMAT_EXIT_WHEN_SHOWN=1 timeout 60 "$inside/priomat" /tmp/example.ahp \
    >>"$log" 2>&1 || fail "the portable priomat did not start offscreen in the root"
in_root "$root" DISPLAY="$display" QT_QPA_PLATFORM=xcb PRIOMAT_EXIT_WHEN_SHOWN=1 timeout 60 "$inside/priomat" \
    /tmp/example.ahp >>"$log" 2>&1 || fail "the portable priomat did not start on X (xcb) in the root"
# Wayland asked for where no compositor runs: the bundled plugin loads, finds none, and X serves.
in_root "$root" DISPLAY="$display" QT_QPA_PLATFORM=wayland XDG_RUNTIME_DIR=/tmp PRIOMAT_EXIT_WHEN_SHOWN=1 \
    timeout 60 "$inside/priomat" /tmp/example.ahp >>"$log" 2>&1 ||
    fail "the portable priomat did not fall back to X when Wayland could not start"

step "screenshots of the portable program"
rm -f "$root$inside/priomat.ini"
screenshot "$work/portable.png" in_root "$root" DISPLAY="$display" QT_QPA_PLATFORM=xcb "$inside/priomat" \
    /tmp/plan.ahp /JAPANESE || fail "the portable priomat showed no window on X in the root"
portable_difference=$(difference "$reference" "$work/portable.png")
[ "$portable_difference" -le "$tolerance" ] ||
    fail "the portable program's window differs from this machine's by ${portable_difference}‰ (missing glyphs?)"
# The check of the check: without its font the folder has no glyphs here, and that must show.
mv "$root$inside/fonts" "$root$inside/fonts.away"
rm -f "$root$inside/priomat.ini"
screenshot "$work/no-font.png" in_root "$root" DISPLAY="$display" QT_QPA_PLATFORM=xcb "$inside/priomat" \
    /tmp/plan.ahp /JAPANESE || fail "the portable priomat without its font showed no window"
mv "$root$inside/fonts.away" "$root$inside/fonts"
no_font_difference=$(difference "$reference" "$work/no-font.png")
[ "$no_font_difference" -gt "$tolerance" ] ||
    fail "a window without any font differs by only ${no_font_difference}‰: the comparison cannot see missing glyphs"

size=$(du -sm "$root/opt/$folder" | cut -f1)
echo "check-packages: passed ($(basename "$deb"), portable folder ${size} MB, window differences" \
     "package ${package_difference}‰, portable ${portable_difference}‰, without font ${no_font_difference}‰," \
     "$(( $(date +%s) - started )) s)"
