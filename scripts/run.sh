#!/usr/bin/env bash
# Installs what is needed, builds Quorvex and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh

cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_BUILD_TESTS=OFF
cmake --build build-run

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    echo "No display to show Quorvex on; run it headless with: xvfb-run -a $0" >&2
    exit 1
fi
exec build-run/bin/quorvex "$@"
