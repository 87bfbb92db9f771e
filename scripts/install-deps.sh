#!/usr/bin/env bash
# Installs every Debian package that building, running and testing tovikRAG needs.
# Idempotent: only calls apt-get when something is missing. Works as root or through sudo.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build ccache pkg-config git
  # Qt 6 and the document/recognition/search libraries
  qt6-base-dev libqt6svg6 qt6-qpa-plugins
  libpoppler-qt6-dev libqpdf-dev
  libtesseract-dev libleptonica-dev tesseract-ocr-eng tesseract-ocr-chi-tra
  libopencv-imgproc-dev libopencv-core-dev
  libicu-dev libsqlite3-dev sqlite3 libzip-dev
  # tests and benchmarks
  libgtest-dev libbenchmark-dev python3
  # headless windows, screenshots, fonts, icons
  xvfb xauth openbox xdotool imagemagick x11-utils
  fonts-noto-cjk fonts-dejavu-core adwaita-icon-theme
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
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

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
