#!/usr/bin/env bash
# Kalvor's test command: installs what is missing, builds the native, the
# sanitizer and the 32-bit Windows configurations, and runs every test (the
# Windows ones under Wine on a private virtual display).
#
#   tools/test.sh            the normal run
#   tools/test.sh --long     10,000,000 oracle cases instead of 100,000, and
#                            an hour of fuzzing instead of a minute
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=60
if [ "${1:-}" = "--long" ]; then
    export KALVOR_ORACLE_CASES=10000000
    fuzz_seconds=3600
fi

tools/install-deps.sh

echo "== format: every C++ file against .clang-format"
tools/check-format.sh

run_preset() {
    local preset=$1
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "== $preset: test"
    ctest --preset "$preset" "${@:2}"
}

# The native run comes first: its oracle test writes the cases that the
# Windows run of the core is held to.
run_preset native -j2
run_preset sanitize -j2

echo "== fuzz: the reader and the request against the MPFR model, ${fuzz_seconds} s"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/corpus
build/fuzz/fuzz/kalvor_drag_fuzz build/fuzz/corpus fuzz/corpus -max_len=300000 \
    -max_total_time="$fuzz_seconds" -print_final_stats=1 -artifact_prefix=build/fuzz/ \
    2>build/fuzz/fuzz.log || { tail -30 build/fuzz/fuzz.log; exit 1; }
grep -E '^(Done|stat::number_of_executed_units)' build/fuzz/fuzz.log

source tools/wine-env.sh
trap wine_session_stop EXIT
wine_session_start
run_preset win32 -j1
