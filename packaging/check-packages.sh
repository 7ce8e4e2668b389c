#!/usr/bin/env bash
# Builds the Debian package and the portable archive and checks both with the real tools:
#  - the package: lintian, apt-get install, priomat-cli and priomat (offscreen) from /usr/bin,
#    /UNINSTALL refusing, the .ahp type for xdg-mime, desktop-file-validate, appstreamcli,
#    then removal with nothing of it left;
#  - the portable folder: unpacked into a minimal Debian root without Qt (debootstrap), where
#    every library resolves (ldd), priomat-cli runs and priomat starts offscreen and on the
#    host's virtual X display through the bundled xcb plugin.
# Usage (as root): packaging/check-packages.sh [BUILD-DIR]   (default: build)
# Installs the tools it needs. The minimal root comes from the tarball scripts/debian-root.sh
# keeps in /var/cache/priomat-roots/ (ROOT_CACHE), made anew when there is none.
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

work=""
root=""
xvfb=""
installed_by_us=""
# Waits for another apt or dpkg run (the machine may be shared) instead of failing at once.
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }
cleanup() {
    set +e
    [ -n "$root" ] && umount_root "$root"
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    [ -n "$installed_by_us" ] && dpkg-query -W priomat >/dev/null 2>&1 &&
        apt_get remove -y -qq priomat >>"$log" 2>&1
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

[ "$(id -u)" -eq 0 ] || fail "run as root (it installs the package and makes a chroot)"

# --- tools -------------------------------------------------------------------------------
tools=(lintian desktop-file-utils appstream xdg-utils shared-mime-info libglib2.0-bin
       debootstrap dpkg-dev file xvfb xauth xdotool cmake ninja-build)
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

# A virtual display shared by the package's /UNINSTALL and the portable xcb start; Xvfb picks
# a free number itself.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 300); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
display=":$(head -n 1 "$work/display")"

# --- the Debian package ------------------------------------------------------------------
step "lintian"
lintian --fail-on error,warning "$deb" >>"$log" 2>&1 || fail "lintian reports errors or warnings"

step "install"
dpkg-query -W priomat >/dev/null 2>&1 && fail "a priomat package is already installed"
installed_by_us=yes
apt_get install -y -qq --no-install-recommends "$deb" >>"$log" 2>&1 ||
    fail "apt-get install $deb failed"
dpkg -L priomat >"$work/files.txt"
for file in /usr/bin/priomat /usr/bin/priomat-cli /usr/share/priomat/priomat.html \
            /usr/share/applications/priomat.desktop /usr/share/mime/packages/priomat.xml \
            /usr/share/man/man1/priomat.1.gz /usr/share/man/man1/priomat-cli.1.gz \
            /usr/share/icons/hicolor/48x48/mimetypes/application-x-priomat-ahp.png; do
    grep -qx "$file" "$work/files.txt" || fail "the package lacks $file"
done

# A user of the installed program, with no desktop settings of its own yet.
user="$work/user"
mkdir -p "$user/home"
as_user() {
    env HOME="$user/home" XDG_CONFIG_HOME="$user/home/.config" XDG_DATA_HOME="$user/home/.local/share" \
        XDG_CURRENT_DESKTOP=GNOME "$@"
}
step "installed programs"
as_user /usr/bin/priomat-cli evaluate "$example" | cmp -s - "$expected" ||
    fail "the installed priomat-cli evaluate gives another result"
cp "$example" "$work/plan.ahp"
as_user env QT_QPA_PLATFORM=offscreen PRIOMAT_EXIT_WHEN_SHOWN=1 timeout 60 /usr/bin/priomat "$work/plan.ahp" \
    >>"$log" 2>&1 || fail "the installed priomat did not start with a document"
[ ! -e "$user/home/.local/share/applications/priomat.desktop" ] ||
    fail "the program wrote a per-user desktop entry over the package's"
[ ! -e "$user/home/.local/share/mime/packages/priomat.xml" ] ||
    fail "the program wrote a per-user MIME package over the package's"
[ ! -e /usr/bin/priomat.ini ] || fail "settings were written into /usr/bin"
type=$(as_user xdg-mime query filetype "$work/plan.ahp")
[ "$type" = "application/x-priomat-ahp" ] || fail "xdg-mime gives '$type' for an .ahp file"
default=$(as_user xdg-mime query default application/x-priomat-ahp)
[ "$default" = "priomat.desktop" ] || fail "xdg-mime gives '$default' as the default for .ahp"

step "/UNINSTALL of the packaged program"
as_user env DISPLAY="$display" /usr/bin/priomat /UNINSTALL /ENGLISH >>"$log" 2>&1 &
uninstall=$!
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
[ -x /usr/bin/priomat ] || fail "/UNINSTALL deleted the packaged program"

step "desktop-file-validate, appstreamcli"
desktop-file-validate /usr/share/applications/priomat.desktop >>"$log" 2>&1 ||
    fail "desktop-file-validate rejects the desktop entry"
appstreamcli validate --no-net /usr/share/metainfo/*.metainfo.xml >>"$log" 2>&1 ||
    fail "appstreamcli validate rejects the metainfo"

step "remove"
apt_get remove -y -qq priomat >>"$log" 2>&1 || fail "apt-get remove failed"
installed_by_us=""
! dpkg -L priomat >/dev/null 2>&1 || fail "dpkg -L still lists files of priomat"
while IFS= read -r file; do
    [ -d "$file" ] && continue
    [ ! -e "$file" ] || fail "$file is left after removal"
done <"$work/files.txt"
left=$(find /usr -iname '*priomat*' 2>/dev/null | head -n 3 | tr '\n' ' ')
[ -z "$left" ] || fail "left in /usr after removal: $left"

# --- the portable folder in a minimal root without Qt ------------------------------------
step "minimal root"
root="$work/root"
make_root_cached "$root" >>"$log" 2>&1 || fail "debootstrap could not make a minimal root"
qt=$(find "$root" -name 'libQt6*' 2>/dev/null | head -n 1)
[ -z "$qt" ] || fail "the minimal root has Qt: $qt"

step "portable folder in the root"
tar xzf "$archive" -C "$root/opt"
folder=$(cd "$root/opt" && ls -d priomat-*-linux)
inside="/opt/$folder"
cp "$example" "$root/tmp/plan.ahp"
mount_root "$root"
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
# The programs' DT_RPATH serves every library they load, so ldd of the programs covers all.
for program in priomat priomat-cli; do
    unresolved=$(in_root "$root" ldd "$inside/$program" | grep "not found" || true)
    [ -z "$unresolved" ] || fail "in the root $program lacks: $(echo "$unresolved" | head -n 1)"
done
[ "$(in_root "$root" "$inside/priomat-cli" --version)" = "$version" ] || fail "portable priomat-cli --version"
in_root "$root" "$inside/priomat-cli" evaluate /tmp/plan.ahp | cmp -s - "$expected" ||
    fail "the portable priomat-cli evaluate gives another result in the root"
in_root "$root" QT_QPA_PLATFORM=offscreen PRIOMAT_EXIT_WHEN_SHOWN=1 timeout 60 "$inside/priomat" /tmp/plan.ahp \
    >>"$log" 2>&1 || fail "the portable priomat did not start offscreen in the root"
in_root "$root" DISPLAY="$display" QT_QPA_PLATFORM=xcb PRIOMAT_EXIT_WHEN_SHOWN=1 timeout 60 "$inside/priomat" \
    /tmp/plan.ahp >>"$log" 2>&1 || fail "the portable priomat did not start on X (xcb) in the root"

size=$(du -sm "$root/opt/$folder" | cut -f1)
echo "check-packages: passed ($(basename "$deb"), portable folder ${size} MB, $(( $(date +%s) - started )) s)"
