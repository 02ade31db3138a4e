#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds the program and runs its main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
  export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/mox-xdg.XXXXXX)}"
  chmod 700 "$XDG_RUNTIME_DIR"
fi
exec build/src/app/mox "$@"
