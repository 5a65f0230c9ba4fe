#!/usr/bin/env bash
# Builds Quorvex as a release and packs it into a .deb (build-pkg/quorvex_*.deb).
# Install it with: sudo apt install ./build-pkg/quorvex_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh

cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEX_BUILD_TESTS=OFF
cmake --build build-pkg
(cd build-pkg && cpack -G DEB)
ls -1 "$PWD"/build-pkg/quorvex_*.deb
