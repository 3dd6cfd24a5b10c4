#!/usr/bin/env bash
# Installs every Debian package that building Mora and running its tests need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ccache
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libtwolame-dev libmad0-dev libpulse-dev libssl-dev
  pulseaudio pulseaudio-utils
  nlohmann-json3-dev
  python3 python3-pyftpdlib python3-aiosmtpd python3-openssl openssl ca-certificates
  sox ffmpeg twolame mpg123 mediainfo curl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
