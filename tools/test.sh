#!/usr/bin/env bash
# Kalvor's test command: installs what is missing, builds the native, the
# sanitizer and the 32-bit Windows configurations, and runs every test (the
# Windows ones under Wine on a private virtual display).
#
#   tools/test.sh            the normal run
#   tools/test.sh --long     10,000,000 oracle cases instead of 100,000
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--long" ]; then
    export KALVOR_ORACLE_CASES=10000000
fi

tools/install-deps.sh

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

source tools/wine-env.sh
trap wine_session_stop EXIT
wine_session_start
run_preset win32 -j1
