#!/usr/bin/env bash
# Builds the app and the reference rag with link-time optimization, so that GCC sees the whole
# program and reports one-definition-rule violations (-Wodr): two different types of one name
# only work by layout luck. Those and LTO type mismatches fail the check; other link-time
# warnings (false alarms from Qt's inlined headers, such as QHash's allocation size) are only
# printed. Build directory: build-lto/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${LTO_BUILD_DIR:-$root/build-lto}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTOVIK_WERROR=ON -DTOVIK_BUILD_TESTS=OFF -DTOVIK_BUILD_BENCH=OFF -DTOVIK_BUILD_DEMO_CORPUS=OFF \
  -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON \
  -DCMAKE_EXE_LINKER_FLAGS="-Wodr -Werror=odr -Werror=lto-type-mismatch" >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target tovikrag rag
echo "lto-check: no one-definition-rule violations"
