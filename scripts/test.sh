#!/usr/bin/env bash
# Installs what is missing (test tools included), builds, and runs every test headless.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
# CI also links the whole program with LTO, where GCC reports one-definition-rule faults.
if [ "${CI:-}" = "true" ]; then "$root/scripts/lto-check.sh"; fi
export QT_QPA_PLATFORM=offscreen
cd "${BUILD_DIR:-$root/build}"
ctest --output-on-failure -j "${JOBS:-2}"
