#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the game and the tests need, only when one is missing.
set -euo pipefail
packages=(
  build-essential cmake clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-qpa-plugins libgl-dev
  xvfb xauth fonts-dejavu-core libfontconfig-dev python3 liblz4-dev
  desktop-file-utils appstream
  libavahi-client-dev pkg-config avahi-daemon avahi-utils dbus iproute2
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
