#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors, checks the
# formatting and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEX_WERROR=ON
cmake --build build

git ls-files -z -- '*.cpp' '*.h' '*.c' 2>/dev/null | xargs -0 -r clang-format --dry-run --Werror

export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure --timeout 120
