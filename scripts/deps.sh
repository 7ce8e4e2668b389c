#!/usr/bin/env bash
# Installs the Debian packages Priomat builds and tests with, when any is missing.
set -euo pipefail

packages=(cmake ninja-build g++ dpkg-dev qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev fonts-ipafont-gothic qt6-translations-l10n xvfb xauth xdotool x11-utils procps poppler-utils python3-pyatspi at-spi2-core dbus qt6-wayland fcitx5-frontend-qt6)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
