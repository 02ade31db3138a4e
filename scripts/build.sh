#!/usr/bin/env bash
# Configures and builds the project into build/ (two parallel jobs).
# MOX_WERROR=ON makes every compiler warning an error (the test command does).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOX_WERROR="${MOX_WERROR:-OFF}" >/dev/null
cmake --build build -j2
