#!/usr/bin/env bash
# Builds the program, lays out the demo workspace beside it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
bash scripts/demo-workspace.sh build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the program on a virtual X server (Xvfb)."
    exec xvfb-run -a build/zalvert-importer
fi
exec build/zalvert-importer
