#!/usr/bin/env bash
# Installs what building and running need (not the test tools), builds, and starts tovikRAG.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" --run-only
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
# The build ingests the demo documents into build/demo; this launch runs the rag built
# beside the app there. Both are launch options, so the settings file is not written:
# start build/bin/tovikrag directly for your own corpus.
exec "$build/bin/tovikrag" --working-directory "$build/demo" --rag "$build/bin/rag" "$@"
