#!/usr/bin/env bash
# Plants a fault and names the tests that catch it: the check to make before a test is
# deleted or merged (another test must still fail).
#   scripts/plant.sh FILE PERL-SUBSTITUTION [CTEST-REGEX] [BUILD]
# e.g. scripts/plant.sh src/app/MonitorCycle.cpp 's/^    KeepGatewayFlags\(\);/    ;/m' E2E
# The file is put back on every path; BUILD (default build) must already be configured.
# Exit status: 0 caught, 1 caught by none of the tests run, 2 nothing was planted.
set -euo pipefail
cd "$(dirname "$0")/.."
file=$1
substitution=$2
regex=${3:-.}
tree=${4:-build}

saved=$(mktemp)
cp -p "$file" "$saved"
restore() {
    cp -p "$saved" "$file"
    touch "$file"
    rm -f "$saved"
}
trap restore EXIT

perl -0pi -e "$substitution" "$file"
if cmp -s "$file" "$saved"; then
    echo "plant.sh: the substitution changed nothing in $file" >&2
    exit 2
fi
git diff --no-ext-diff -U0 -- "$file" | grep -E '^[-+][^-+]' || true
if ! cmake --build "$tree" >"$tree/plant-build.log" 2>&1; then
    echo "plant.sh: the planted fault does not build (see $tree/plant-build.log)" >&2
    exit 2
fi
export QT_QPA_PLATFORM=offscreen
if (cd "$tree" && ctest -j2 -LE bench -R "$regex" --timeout 120 >plant-tests.log 2>&1); then
    echo "plant.sh: NOT CAUGHT by any test matching '$regex'"
    exit 1
fi
echo "plant.sh: caught by"
sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (.*$/    \1/p' "$tree/plant-tests.log"
