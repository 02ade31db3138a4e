#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds everything and runs the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
MOX_WERROR=ON scripts/build.sh
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/mox-xdg.XXXXXX)}"
chmod 700 "$XDG_RUNTIME_DIR"
cd build
ctest --output-on-failure -j2
