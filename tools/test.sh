#!/usr/bin/env bash
# Kalvor's test command: installs what is missing, builds the native, the
# sanitizer and the Windows configurations (32-bit and 64-bit), and runs
# every test the host can run, and the browser edition: its WebAssembly core
# and the page's other modules in Node.js (and under mutation testing), and
# its page in Chromium. The Windows tests run under Wine on a
# private virtual display. It asks once whether the host runs 32-bit x86
# programs: where it does, everything runs (the 32-bit build as 32-bit
# Windows, its end-to-end suite again as 64-bit Windows, and the 64-bit
# build); where it does not, the 64-bit build's suites run and the summary
# names the ones that could not, with the host's own reason. It also runs
# the release command here and on a copy in another folder and checks that
# the packages are the same bytes. It ends with a summary and the verdict.
#
#   tools/test.sh            the normal run
#   tools/test.sh --long     10,000,000 oracle cases instead of 100,000, and
#                            an hour of fuzzing instead of a minute
#   KALVOR_NO_I386=1 tools/test.sh
#                            as on a host that runs no 32-bit program
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=60
if [ "${1:-}" = "--long" ]; then
    export KALVOR_ORACLE_CASES=10000000
    fuzz_seconds=3600
fi

summary=()
step=install
repro_dir=
finish() {
    local status=$?
    trap - EXIT
    if declare -F wine_session_stop >/dev/null; then wine_session_stop; fi
    if [ -n "$repro_dir" ]; then rm -rf "$repro_dir"; fi
    if [ -n "${fuzz_pid:-}" ]; then kill "$fuzz_pid" 2>/dev/null || true; fi
    echo
    echo "== summary"
    if [ "${#summary[@]}" -gt 0 ]; then printf '  %s\n' "${summary[@]}"; fi
    if [ "$status" -eq 0 ]; then
        echo "== verdict: every test passed"
    else
        echo "== verdict: FAILED in step '$step' (exit status $status); see its output above"
    fi
    exit "$status"
}
trap finish EXIT

tools/install-deps.sh

step=format
echo "== format: every C++ file against .clang-format"
tools/check-format.sh

# One summary line from a ctest run: its count, and the tests it skipped
# with the reasons they gave (a check that needs what this build lacks).
summarise() {
    local name=$1 log=$2 dir=$3 counts skipped
    counts=$(sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests failed out of \([0-9]*\)$/\2 tests, \1 failed/p' "$log")
    skipped=$(grep -c '(Skipped)$' "$log" || true)
    if [ "$skipped" -eq 0 ]; then
        echo "$name: $counts"
        return
    fi
    local reasons
    reasons=$(grep -A1 ': Skipped$' "$dir/Testing/Temporary/LastTest.log" 2>/dev/null |
        grep -v -e ': Skipped$' -e '^--$' | sort -u | paste -sd';' - | sed 's/;/; /g')
    echo "$name: $counts, $skipped skipped where they cannot run (${reasons:-see the log})"
}

# Builds a preset and runs its tests (further arguments go to ctest).
run_preset() {
    local preset=$1
    step="$preset: build"
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    run_ctest "$preset" "$preset" "${@:2}"
}

# Runs ctest on a preset's build under a name of its own for the summary.
run_ctest() {
    local name=$1 preset=$2 log=build/ctest-${1// /-}.log
    step="$name: test"
    echo "== $name: test"
    ctest --preset "$preset" "${@:3}" | tee "$log"
    summary+=("$(summarise "$name" "$log" "build/$preset")")
}

# The native run comes first: its oracle test writes the cases that the
# Windows run of the core is held to, which must then find them (run by
# itself, it skips without them).
export KALVOR_REQUIRE_ORACLE_CASES=1
run_preset native -j2 -LE executable

# The browser edition: the page built with its core in WebAssembly, the core
# held to the native oracle's cases just written, and the page in Chromium,
# Firefox and WebKit in turn, on a virtual display of its own (where the list
# entries are picked with real key presses). Every engine runs, and the step
# fails after them if one failed.
step="web: build"
echo "== web: build the page"
tools/build-web.sh
step="web: test"
echo "== web: the core in Node.js $(node --version), the page in Chromium, Firefox and WebKit"
web_start=$SECONDS
# "N tests, F failed" (cancelled ones counted as failed; ", S skipped" where
# some were) from node's TAP output in $1, or "did not finish".
tap_counts() {
    awk '/^# (tests|fail|cancelled|skipped) / { n[$2] = $3 }
        END { if (!("tests" in n)) { printf "did not finish"; exit }
              printf "%d tests, %d failed", n["tests"], n["fail"] + n["cancelled"]; if (n["skipped"]) printf ", %d skipped", n["skipped"] }' "$1"
}
web_status=0
node --test --test-reporter=tap tests/web/core.test.js | tee build/web-core.tap || web_status=1
web_summary="web: $(tap_counts build/web-core.tap) in Node.js"
(
    source tools/xvfb.sh
    xvfb_start 1280x1024x24
    trap xvfb_stop EXIT
    status=0
    # A browser that stops answering its driver is given up after 10 minutes.
    for engine in chromium firefox webkit; do
        KALVOR_ENGINES=$engine timeout 600 node --test --test-reporter=tap tests/web/page.test.js | tee "build/web-$engine.tap" || status=1
    done
    exit "$status"
) || web_status=1
for engine in chromium firefox webkit; do web_summary+="; web $engine: $(tap_counts "build/web-$engine.tap")"; done
summary+=("$web_summary, in $((SECONDS - web_start)) s (the page's modules in Node.js: the core on the oracle's cases, the fields' bytes, the chart, the link; the page in each engine, with axe-core)")
[ "$web_status" -eq 0 ]

# Mutation testing of the page's modules that Node.js loads, against their
# Node.js tests (stryker.config.mjs): a score under 90 % fails the step.
step="web: mutation"
echo "== web: mutation testing of web/ with Stryker"
mutation_start=$SECONDS
node_modules/.bin/stryker run | tee build/web-mutation.log
summary+=("$(awk -F' *[|] *' '/^All files/ { printf "web mutation: score %s %%, %s killed, %s timeout, %s survived, %s no coverage", $2, $4, $5, $6, $7 }' build/web-mutation.log), in $((SECONDS - mutation_start)) s (Stryker on web/)")

run_preset sanitize -j2 -LE executable

step="fuzz: build"
echo "== fuzz: configure and build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# A minute of fuzzing on one core, in the background, while the window tests
# (which mostly wait on the window) run on the other; its verdict is taken at
# the end.
fuzz_pid=
start_fuzz() {
    echo "== fuzz: the reader and the request against the MPFR model, ${fuzz_seconds} s, in the background"
    mkdir -p build/fuzz/corpus
    build/fuzz/fuzz/kalvor_drag_fuzz build/fuzz/corpus fuzz/corpus -max_len=300000 \
        -max_total_time="$fuzz_seconds" -print_final_stats=1 -artifact_prefix=build/fuzz/ \
        </dev/null >/dev/null 2>build/fuzz/fuzz.log &
    fuzz_pid=$!
}
finish_fuzz() {
    step=fuzz
    echo "== fuzz: waiting for its verdict"
    wait "$fuzz_pid" || { tail -30 build/fuzz/fuzz.log; exit 1; }
    fuzz_pid=
    # libFuzzer's own count and time, for its line and the summary alike.
    local ran
    ran=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 runs in \2 s/p' build/fuzz/fuzz.log)
    echo "fuzz: $ran"
    summary+=("fuzz: $ran, no failure")
}

# The Windows builds are cross builds: both are made on any host.
for preset in win32 win64; do
    step="$preset: build"
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

# Both executables read as files, natively (and under the sanitizers, as
# the reader takes untrusted bytes): resources, header and imports.
export KALVOR_REQUIRE_EXECUTABLES=1
run_ctest executable native -L executable
run_ctest "executable sanitize" sanitize -L executable -j2

source tools/wine-env.sh
start_fuzz
if wine_host_runs_i386; then
    wine_env_select win32
    step="win32: Wine session"
    wine_session_start
    run_ctest win32 win32 -j1
    wine_session_stop
fi

# The 64-bit prefix: the 64-bit build's suites, and where the host runs
# 32-bit programs, the 32-bit end-to-end suite once more, through the
# prefix's 32-bit subsystem as on most Windows installations.
wine_env_select win64
step="win64: Wine session"
wine_session_start
run_ctest win64 win64 -j1
if wine_host_runs_i386; then
    run_ctest "win32 e2e in win64" win32 -L e2e
else
    summary+=("not run: win32 (the 32-bit build's suites) and win32 e2e in win64 (the 32-bit program in the 64-bit prefix): $KALVOR_I386_REFUSAL")
fi
wine_session_stop

# The release is reproducible: the release command builds the packages
# here, then again from a copy of the sources (the repository included, for
# the packages' dates) in another folder, later. Both give the same bytes,
# and the kalvor.exe and the page script they pack are the ones tested.
step=reproducibility
echo "== reproducibility: the release command here and on a copy in another folder"
repro_dir=$(mktemp -d /tmp/kalvor-repro.XXXXXX)
cp build/web/kalvor.js "$repro_dir/tested-kalvor.js"  # the release builds it afresh
mkdir "$repro_dir/src"
tar --exclude=./build --exclude=./dist -cf - . | tar -C "$repro_dir/src" -xf -
tools/release.sh
"$repro_dir/src/tools/release.sh"
cmp build/win32/ui/kalvor.exe build/release/ui/kalvor.exe
cmp build/win64/ui/kalvor.exe build/release64/ui/kalvor.exe
cmp "$repro_dir/tested-kalvor.js" build/web/kalvor.js
for again in "$repro_dir"/src/dist/*.zip; do
    zip=dist/${again##*/}
    cmp "$zip" "$again"
    summary+=("reproducible: $zip built again in another folder is byte-identical, SHA-256 $(sha256sum <"$zip" | cut -d' ' -f1)")
done
summary+=("reproducible: the packages hold the two kalvor.exe and the page script tested here")
rm -rf "$repro_dir"
repro_dir=

finish_fuzz
