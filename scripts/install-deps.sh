#!/usr/bin/env bash
# Installs the Debian packages tovikRAG needs; only calls apt-get when something is missing.
#
#   install-deps.sh              building, running, packaging and testing (scripts/test.sh)
#   install-deps.sh --run-only   building and running (scripts/run.sh)
#   install-deps.sh --package    building, running and packaging (scripts/package.sh)
#
# Works as root, or through sudo. Without either it prints the apt-get line to run as
# root and exits with status 1.
set -euo pipefail

build=(
  # toolchain
  build-essential cmake ninja-build ccache pkg-config git
  # Qt 6 and the document, recognition and search libraries
  qt6-base-dev libpoppler-qt6-dev libqpdf-dev libtesseract-dev libleptonica-dev
  libopencv-imgproc-dev libopencv-core-dev libicu-dev libsqlite3-dev libzip-dev liblz4-dev
)
run=(
  # what the programs load by name: Qt's plugins (SVG draws the icon), the recognition
  # data, the faces Chinese is drawn in, the symbols of the interface
  qt6-qpa-plugins libqt6svg6 tesseract-ocr-eng tesseract-ocr-chi-tra
  fonts-noto-cjk fonts-dejavu-core adwaita-icon-theme
)
package=(
  # CPack's Debian packages: dependencies read off the binaries
  dpkg-dev file
)
tests=(
  # tests, benchmarks, the mutation runner, a look into corpus files
  libgtest-dev libbenchmark-dev python3 sqlite3
  # headless windows and screenshots
  xvfb xauth openbox xdotool imagemagick x11-utils
  # validators of the launcher and the software-centre description
  desktop-file-utils appstream
)

case "${1:-}" in
  "") wanted=("${build[@]}" "${run[@]}" "${package[@]}" "${tests[@]}") ;;
  --run-only) wanted=("${build[@]}" "${run[@]}") ;;
  --package) wanted=("${build[@]}" "${run[@]}" "${package[@]}") ;;
  *) echo "usage: install-deps.sh [--run-only | --package]" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
  status="$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)"
  [[ "$status" == *"install ok installed"* ]] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "These Debian packages are missing: ${missing[*]}" >&2
  echo "Install them as root, then run this again:" >&2
  echo "apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
