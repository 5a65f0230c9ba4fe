#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors, checks the
# formatting and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEX_WERROR=ON
cmake --build build

# The sources must be formatted as .clang-format says (checked where git knows the files).
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z -- '*.cpp' '*.h' '*.c' | xargs -0 -r clang-format --dry-run --Werror
else
    find src sim tools tests bench -name '*.cpp' -o -name '*.h' -o -name '*.c' |
        xargs -r clang-format --dry-run --Werror
fi

export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure --timeout 120
