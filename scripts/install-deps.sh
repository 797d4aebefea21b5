#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Ovalon needs.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  qt6-base-dev libqt6opengl6-dev qt6-qpa-plugins libqt6svg6 qt6-translations-l10n
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  xvfb xauth xdotool
  fonts-liberation2 fonts-liberation fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  desktop-file-utils locales
  gemmi-dev tao-pegtl-dev libstb-dev zlib1g-dev
  pybind11-dev python3-dev python3-numpy python3-pytest python3-mdanalysis python3-ase
  python3-matplotlib
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
