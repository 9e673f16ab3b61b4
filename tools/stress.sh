#!/usr/bin/env bash
# Runs the tests that drive the window under Wine while the machine is
# saturated: by default two busy processes per core and one more (the load
# of a fuzzer beside a full build), started and stopped here by their process
# ids whatever happens. Prints how many runs of each suite passed; exits
# non-zero if any run failed. Not part of tools/test.sh: it takes many minutes.
#
#   tools/stress.sh [E2E_RUNS [HARDENING_RUNS [BUSY [BUILD]]]]
#       default: 10, 1, 2 * cores + 1, and the build the host runs (win32,
#       or win64 where no 32-bit program runs); it builds that first
set -euo pipefail
cd "$(dirname "$0")/.."
e2e_runs=${1:-10} hardening_runs=${2:-1} busy_count=${3:-$((2 * $(nproc) + 1))}

# shellcheck source=tools/wine/session.sh
source tools/wine/session.sh
build=${4:-$(wine_preset)}
wine_host_runs_i386 || build=win64
wine_env_select "$build"
echo "== the $build build"
build_preset "$build"

busy=()
stop_all() {
    [ ${#busy[@]} -eq 0 ] || { kill "${busy[@]}" 2>/dev/null; wait "${busy[@]}" 2>/dev/null; } || true
    wine_session_stop
}
trap stop_all EXIT
trap 'exit 130' INT TERM
wine_session_start
for _ in $(seq 1 "$busy_count"); do
    (while :; do :; done) </dev/null >/dev/null 2>&1 &
    busy+=($!)
done
echo "== $busy_count busy processes on $(nproc) cores: ${busy[*]}"

# Runs one suite (ctest label) the given number of times; prints each run's
# outcome and time, and the count of passed runs.
run_suite() {
    local label=$1 runs=$2 passed=0 run start log
    for run in $(seq 1 "$runs"); do
        start=$SECONDS log=build/$build/stress-$label-$run.log
        if ctest --preset "$build" -L "$label" >"$log" 2>&1; then
            passed=$((passed + 1))
            echo "   $label run $run: passed in $((SECONDS - start)) s"
        else
            echo "   $label run $run: FAILED in $((SECONDS - start)) s ($log)"
            grep -E '^\s+[0-9]+ - ' "$log" | sed 's/^/     /' || true
        fi
    done
    echo "== $label: $passed of $runs runs passed"
    [ "$passed" -eq "$runs" ]
}

status=0
run_suite e2e "$e2e_runs" || status=1
run_suite hardening "$hardening_runs" || status=1
exit $status
