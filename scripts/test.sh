#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors, checks the
# formatting and runs the whole test suite headless; then builds it again with clang
# under AddressSanitizer and UndefinedBehaviorSanitizer, runs it there, and gives each
# fuzzer (built in the same tree) a short run. Both builds are unity builds: CI builds
# from scratch, and batching the sources halves the compile time there.
set -euo pipefail
cd "$(dirname "$0")/.."

# Each phase says how long it took, so the eight minutes CI has can be divided knowingly.
lapStart=$(date +%s)
lap() {
    echo "test.sh: $1 took $(($(date +%s) - lapStart)) s"
    lapStart=$(date +%s)
}

scripts/install-packages.sh
lap "installing packages"

# No debug information in CI's builds but line tables for the sanitizers' reports: it
# is most of the compile time.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEX_WERROR=ON -DCMAKE_UNITY_BUILD=ON \
    -DCMAKE_CXX_FLAGS_DEBUG=-g0 -DCMAKE_C_FLAGS_DEBUG=-g0
cmake --build build
lap "the build"

# The sources must be formatted as .clang-format says (checked where git knows the files).
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z -- '*.cpp' '*.h' '*.c' | xargs -0 -r clang-format --dry-run --Werror
else
    find src sim tools tests bench fuzz -name '*.cpp' -o -name '*.h' -o -name '*.c' |
        xargs -r clang-format --dry-run --Werror
fi

# Tests are kept to about a third of the code (non-blank lines of the C and C++ files).
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    lines() { git ls-files -- "$@" | grep -E '\.(c|cpp|h)$' | xargs -r cat | grep -cv '^\s*$'; }
    code=$(lines src remote radio sim tools)
    tests=$(lines tests)
    echo "test.sh: ${tests} lines of tests for ${code} lines of code ($((100 * tests / code)) %)"
fi

export QT_QPA_PLATFORM=offscreen
lapStart=$(date +%s)
(cd build && ctest --output-on-failure --timeout 120 -j2 -LE bench)
lap "the plain pass"
# The benchmarks once, briefly: that they run, not how fast.
(cd build && ctest --output-on-failure --timeout 120 -j2 -L bench)
lap "the benchmarks' smoke runs"

# The same suite with the sanitizers, built by clang with the fuzzers beside it. The
# serial-line interposer is preloaded ahead of the programs (verify_asan_link_order=0
# lets ASan accept that). Programs the tests start write to the tests' output, so their
# reports are found there too.
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DQUORVEX_WERROR=ON -DQUORVEX_FUZZ=ON -DQUORVEX_BUILD_BENCH=OFF -DCMAKE_UNITY_BUILD=ON \
    -DCMAKE_CXX_FLAGS_DEBUG=-gline-tables-only -DCMAKE_C_FLAGS_DEBUG=-gline-tables-only
cmake --build build-asan
lap "the sanitizer build"
export ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
# The talk-off run over minutes of speech (label "long") and the benchmarks (not even
# built here) are left to the plain pass: the sanitizers see the same code in the shorter
# tests.
(cd build-asan && ctest --output-on-failure --timeout 240 -j2 -LE "long|package|bench")
if grep -E -n 'runtime error:|ERROR: (Address|Leak)Sanitizer' build-asan/Testing/Temporary/LastTest.log; then
    echo "test.sh: a sanitizer reported a fault (above)" >&2
    exit 1
fi
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
lap "the sanitizer pass"

# Every fuzzer at once for 8 s: a smoke run that the targets still run and find nothing.
scripts/fuzz.sh 8 build-asan 6
lap "the fuzzers"
