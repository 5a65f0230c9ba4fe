#!/usr/bin/env bash
# Builds Quorvex as a release and packs it: build-pkg/quorvex_*.deb and, where the 32-bit
# bridge is built, build-pkg/quorvex-bridge_*.deb. Install with apt install ./build-pkg/...
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh

cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEX_BUILD_TESTS=OFF
cmake --build build-pkg
(cd build-pkg && cpack -G DEB)
ls -1 "$PWD"/build-pkg/quorvex*.deb
