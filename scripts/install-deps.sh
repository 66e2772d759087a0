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
  gdal-bin libgdal-dev python3-gdal
  dpkg-dev file lintian desktop-file-utils qt6-translations-l10n
  parallel python3-jsonschema
  xvfb xauth imagemagick fonts-wqy-microhei
  time
  locales
)

# A comma-decimal locale lets the tests prove that numbers in files never follow the locale.
ensure_test_locale() {
  if command -v localedef >/dev/null && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true
  fi
}

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  ensure_test_locale
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
ensure_test_locale
