#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, benchmark and take screenshots.
# Idempotent: packages already present are left alone. Runs as root or through sudo.
set -euo pipefail

PACKAGES=(
  build-essential cmake make pkg-config git
  clang-14 libclang-rt-14-dev libfuzzer-14-dev clang-format clang-tidy
  libshp-dev
  nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-tools-dev-tools libqt6svg6 qt6-qpa-plugins
  libgl-dev
  gdal-bin
  xvfb xauth imagemagick fonts-wqy-microhei
  time
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
