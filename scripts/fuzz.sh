#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
#   scripts/fuzz.sh [SECONDS] [BUILD] [JOBS]  (default 20 s, two at a time)
# BUILD names a tree already configured with clang and -DQUORVEX_FUZZ=ON (the test
# script's sanitizer build); without it the script makes build-fuzz of its own.
# New inputs go to BUILD/corpus/<target>/; fuzz/corpus/<target>/ holds the seeds.
# A finding stops the script with the fuzzer's report and the crashing input's path.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
tree=${2:-build-fuzz}
jobs=${3:-2}
targets=(settings_file_fuzz wire_library_fuzz wire_client_fuzz listings_fuzz desktop_entry_fuzz
    keyer_wire_fuzz)

if [ -z "${2:-}" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DQUORVEX_FUZZ=ON -DQUORVEX_BUILD_TESTS=OFF -DQUORVEX_WERROR=ON >/dev/null
fi
cmake --build "$tree" --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
run() {
    local t=$1 work=$tree/corpus/$1 log=$tree/$1.log
    mkdir -p "$work" "$tree"/crashes
    if ! "$tree"/bin/"$t" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$tree"/crashes/"$t"- "$work" fuzz/corpus/"$t" >"$log" 2>&1; then
        echo "== $t: FINDING"
        tail -n 60 "$log"
        return 1
    fi
    printf '%-20s %12s executions  %6s corpus units\n' "$t" \
        "$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")" \
        "$(ls "$work" | wc -l)"
}
# JOBS at a time: two keeps each on a core of its own; CI's smoke run starts all at once.
for ((i = 0; i < ${#targets[@]}; i += jobs)); do
    pids=()
    for t in "${targets[@]:i:jobs}"; do
        run "$t" &
        pids+=($!)
    done
    for p in "${pids[@]}"; do wait "$p" || status=1; done
done
exit $status
