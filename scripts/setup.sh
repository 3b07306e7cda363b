#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need, when
# any is missing. Runs as root, or through sudo.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libsdl2-mixer-dev libpng-dev zlib1g-dev libfreetype-dev
  libgl-dev libgl1-mesa-dri libgtest-dev
  fonts-breip fonts-dejavu-core
  libx11-dev libx11-xcb-dev libxcb1-dev x11proto-dev libasound2-dev
  xvfb xauth xdotool x11-apps x11-utils imagemagick python3
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
