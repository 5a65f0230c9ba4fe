#!/usr/bin/env bash
# Installs the Debian 12 packages Quorvex needs to build, run and test.
# Safe to run again: it installs only what is missing.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev qt6-svg-dev libgl-dev qt6-translations-l10n
    libqt6sql6-sqlite
    libxcb1-dev libxcb-xinput-dev libxcb-keysyms1-dev
    libpulse-dev libsndfile1-dev pulseaudio pulseaudio-utils
    libgtest-dev libgmock-dev
    clang-format git
    clang libclang-rt-14-dev
    xvfb xauth xdotool openbox at-spi2-core
    xdg-utils desktop-file-utils libglib2.0-bin espeak-ng
    help2man appstream lintian
    libhamlib-dev libhamlib-utils libgpiod-dev
    mutter xwayland qt6-wayland
    libwayland-dev libwayland-bin wayland-protocols plasma-wayland-protocols sway wtype
    mumble mumble-server dbus openssl sqlite3
    gcc-multilib g++-multilib
)

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-packages: run as root (missing: ${missing[*]})" >&2; exit 1; }
    SUDO=sudo
fi
APT=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 -y)
$SUDO "${APT[@]}" update
$SUDO "${APT[@]}" install --no-install-recommends "${missing[@]}"
