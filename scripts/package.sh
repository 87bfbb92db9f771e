#!/usr/bin/env bash
# Builds the Debian package of tovikRAG: build/tovikrag_VERSION_ARCH.deb (override the
# folder with BUILD_DIR). Install it with: apt install ./build/tovikrag_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" --package
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
cd "$build"
cpack -G DEB --config CPackConfig.cmake >cpack.log 2>&1 || { cat cpack.log; exit 1; }
ls "$build"/tovikrag_*.deb
