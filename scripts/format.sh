#!/usr/bin/env bash
# Applies .clang-format to every C and C++ file of the project.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h' '*.c' | xargs -0 -r clang-format -i
