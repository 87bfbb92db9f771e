#!/usr/bin/env bash
# Installs what is missing, builds, and starts tovikRAG.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
# The build ingests the demo documents into build/demo; this launch runs rag there.
# Saved settings are left alone: start build/bin/tovikrag directly for your own corpus.
exec "$build/bin/tovikrag" --working-directory "$build/demo" "$@"
