#!/usr/bin/env bash
# Configures and builds tovikRAG into build/ (override with BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
extra=()
if [ "${CI:-}" = "true" ]; then extra+=(-DTOVIK_WERROR=ON); fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" "$@" >/dev/null
cmake --build "$build" -j "${JOBS:-2}"
