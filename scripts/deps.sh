#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need,
# when any is missing. Safe to run again: it installs nothing when all are there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config git
  libsdl2-dev libepoxy-dev libgl1-mesa-dri libegl-mesa0 libegl1
  libfreetype-dev libfontconfig-dev fontconfig fonts-liberation
  libstb-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libassimp-dev  # only the load benchmark compares with it
  xvfb xauth xdotool
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
