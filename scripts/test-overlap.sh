#!/usr/bin/env bash
# Where the suite repeats itself: runs every test alone in a build with clang's source
# coverage (programs the tests start write their own profiles) and prints, per test,
# how many lines of product code it runs that no other test runs, fewest first.
#   scripts/test-overlap.sh [BUILD]   (default build-overlap; takes about ten minutes)
# A test with 0 is a place to look, not a verdict: it may still be the only one to
# check what those lines do. Plant the fault with scripts/plant.sh before deleting it.
# Work done in a process that ends by _exit or a signal is not counted (no profile is
# written), so a few tests show 0 lines run.
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${1:-build-overlap}
top=$PWD
flags="-fprofile-instr-generate -fcoverage-mapping"
CC=clang CXX=clang++ cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DQUORVEX_BUILD_BENCH=OFF -DCMAKE_UNITY_BUILD=ON -DCMAKE_CXX_FLAGS_DEBUG=-g0 \
    -DCMAKE_C_FLAGS_DEBUG=-g0 -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate \
    -DCMAKE_SHARED_LINKER_FLAGS=-fprofile-instr-generate \
    -DCMAKE_MODULE_LINKER_FLAGS=-fprofile-instr-generate >/dev/null
cmake --build "$tree" >"$tree/overlap-build.log"

out=$tree/overlap
rm -rf "$out"
mkdir -p "$out"
# Every instrumented program and library of the build (the i386 ones are left out).
objects=()
while IFS= read -r f; do
    llvm-objdump -h "$f" 2>/dev/null | grep -q __llvm_covmap && objects+=("-object=$f")
done < <(find "$tree/bin" "$tree/tests" -type f \( -perm -u+x -o -name '*.so' \) \
    ! -name '*.o' ! -path '*/CMakeFiles/*' ! -name '*i386*')

export QT_QPA_PLATFORM=offscreen
count=$(cd "$tree" && ctest -N -LE bench | sed -n 's/^Total Tests: //p')
for i in $(seq 1 "$count"); do
    raw=$out/raw$i
    mkdir -p "$raw"
    name=$(cd "$tree" && ctest -N -I "$i,$i" | sed -n 's/^ *Test *#[0-9]*: //p')
    (cd "$tree" && LLVM_PROFILE_FILE=$top/$raw/%p-%m.profraw ctest -I "$i,$i" -LE bench \
        --timeout 300 >/dev/null 2>&1) || echo "test-overlap.sh: $name failed" >&2
    : >"$out/$i.lines"
    if ls "$raw"/*.profraw >/dev/null 2>&1; then
        llvm-profdata merge -sparse -o "$raw.profdata" "$raw"/*.profraw
        llvm-cov export -format=lcov -instr-profile="$raw.profdata" "${objects[@]}" \
            -ignore-filename-regex='(/tests/|/usr/|/bench/|/fuzz/|'"$tree"')' 2>/dev/null |
            awk -F'[:,]' '/^SF:/ { f = $2 } /^DA:/ { if ($3 > 0) print f ":" $2 }' |
            sort -u >"$out/$i.lines"
    fi
    echo "$name" >"$out/$i.name"
    rm -rf "$raw" "$raw.profdata"
done

# A line run by exactly one test belongs to that test alone.
cat "$out"/*.lines | sort | uniq -u >"$out/alone"
for i in $(seq 1 "$count"); do
    printf '%6d %6d  %s\n' "$(comm -12 "$out/$i.lines" "$out/alone" | wc -l)" \
        "$(wc -l <"$out/$i.lines")" "$(cat "$out/$i.name")"
done | sort -n | sed '1i\ alone    run  test'
