#!/usr/bin/env bash
# Kalvor's test command: installs what is missing, then builds and runs every
# suite the host can run through CMake's presets and npm's scripts
# (docs/testing.md), the window's under Wine on a private virtual display,
# and checks that the release gives the same bytes in another folder. Its
# summary names what could not run (no 32-bit programs), and why.
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
step=install repro_dir= fuzz_pid=
finish() {
    local status=$?
    trap - EXIT
    if declare -F wine_session_stop >/dev/null; then wine_session_stop; fi
    [ -z "$repro_dir" ] || rm -rf "$repro_dir"
    [ -z "$fuzz_pid" ] || kill "$fuzz_pid" 2>/dev/null || true
    printf '\n== summary\n'
    [ "${#summary[@]}" -eq 0 ] || printf '  %s\n' "${summary[@]}"
    if [ "$status" -eq 0 ]; then
        echo "== verdict: every test passed"
    else
        echo "== verdict: FAILED in step '$step' (exit status $status); see its output above"
    fi
    exit "$status"
}
trap finish EXIT

tools/install-deps.sh
# shellcheck source=tools/wine/session.sh
source tools/wine/session.sh

# Runs a step: its name, then the command; its output is shown and kept in
# build/<name>.log.
run() {
    step=$1
    echo "== $1"
    "${@:2}" 2>&1 | tee "build/${1// /-}.log"
}

# Runs a step of ctest (a workflow or a test preset) in the build folder $2
# and adds its summary line: the count, and the tests it skipped with the
# reasons they gave (a check that needs what this build lacks).
tested() {
    local name=$1 dir=$2 log=build/${1// /-}.log counts skipped reasons
    run "$name" "${@:3}"
    counts=$(sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests failed out of \([0-9]*\)$/\2 tests, \1 failed/p' "$log")
    skipped=$(grep -c '(Skipped)$' "$log" || true)
    if [ "$skipped" -eq 0 ]; then
        summary+=("$name: $counts")
        return
    fi
    reasons=$(grep -A1 ': Skipped$' "$dir/Testing/Temporary/LastTest.log" 2>/dev/null |
        grep -v -e ': Skipped$' -e '^--$' | sort -u | paste -sd';' - | sed 's/;/; /g')
    summary+=("$name: $counts, $skipped skipped where they cannot run (${reasons:-see the log})")
}

run format tools/check-format.sh

# The native run comes first: its oracle test writes the cases that the
# page's and the Windows build's core are held to, which must then find them
# (run by themselves, they skip without them).
export KALVOR_REQUIRE_ORACLE_CASES=1
tested native build/native cmake --workflow --preset native

# The page: built, its modules and the page tested on a virtual display of
# its own (where real key presses pick the list entries) in each engine, whose
# suites the summary counts apart; then its modules under mutation testing.
web_start=$SECONDS
run "web build" npm run --silent build
xvfb_start 1280x1024x24
run web npm test --silent
xvfb_stop
web_counts=$(awk '/^    (not )?ok / { n++; f += $1 == "not"; s += /# SKIP/; next }
    /^(not )?ok / { if ($NF ~ /^(chromium|firefox|webkit)$/) suite[$NF] = n " tests, " f " failed" (s ? ", " s " skipped" : "")
        else { top++; topf += $1 == "not" } n = f = s = 0 }
    END { printf "web: %d tests in Node.js, %d failed", top, topf
        split("chromium firefox webkit", engines); for (i = 1; i <= 3; i++) if (engines[i] in suite) printf "; web %s: %s", engines[i], suite[engines[i]] }' build/web.log)
summary+=("$web_counts, in $((SECONDS - web_start)) s (the page's modules in Node.js: the core on the oracle's cases, the fields' bytes, the chart, the link; the page in each engine, with axe-core)")
mutation_start=$SECONDS
run "web mutation" npm run --silent mutation
summary+=("$(awk -F' *[|] *' '/^All files/ { printf "web mutation: score %s %%, %s killed, %s timeout, %s survived, %s no coverage", $2, $4, $5, $6, $7 }' build/web-mutation.log), in $((SECONDS - mutation_start)) s (Stryker on web/)")

tested sanitize build/sanitize cmake --workflow --preset sanitize
run "fuzz build" cmake --workflow --preset fuzz

# Both Windows builds are cross builds, made on any host, and both
# executables are read as files, natively (and under the sanitizers, as the
# reader takes untrusted bytes): resources, header and imports.
run "win32 build" build_preset win32
run "win64 build" build_preset win64
export KALVOR_REQUIRE_EXECUTABLES=1
tested executable build/native ctest --preset executable
tested "executable sanitize" build/sanitize ctest --preset executable-sanitize

# A minute of fuzzing on one core, in the background, while the window tests
# (which mostly wait on the window) run on the other; its verdict comes last.
echo "== fuzz: the reader and the request against the MPFR model, $fuzz_seconds s, in the background"
mkdir -p build/fuzz/corpus
build/fuzz/fuzz/kalvor_drag_fuzz build/fuzz/corpus fuzz/corpus -max_len=300000 \
    -max_total_time="$fuzz_seconds" -print_final_stats=1 -artifact_prefix=build/fuzz/ \
    </dev/null >/dev/null 2>build/fuzz/fuzz.log &
fuzz_pid=$!

if wine_host_runs_i386; then
    wine_env_select win32
    step="win32: Wine session"
    wine_session_start
    tested win32 build/win32 ctest --preset win32
    wine_session_stop
fi
# The 64-bit prefix: the 64-bit build's suites, and where the host runs
# 32-bit programs, the 32-bit end-to-end suite once more, through the
# prefix's 32-bit subsystem as on most Windows installations.
wine_env_select win64
step="win64: Wine session"
wine_session_start
tested win64 build/win64 ctest --preset win64
if wine_host_runs_i386; then
    tested "win32 e2e in win64" build/win32 ctest --preset win32-e2e
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
cp build/kalvor.js "$repro_dir/tested-kalvor.js" # the release builds it afresh
mkdir "$repro_dir/src"
tar --exclude=./build --exclude=./dist --exclude=./node_modules -cf - . | tar -C "$repro_dir/src" -xf -
tools/release.sh
(cd "$repro_dir/src" && ln -s "$OLDPWD/node_modules" node_modules && tools/release.sh)
for build in 32 64; do cmp "build/win$build/ui/kalvor.exe" "build/release$build/ui/kalvor.exe"; done
cmp "$repro_dir/tested-kalvor.js" build/kalvor.js
for again in "$repro_dir"/src/dist/*.zip; do
    zip=dist/${again##*/}
    cmp "$zip" "$again"
    summary+=("reproducible: $zip built again in another folder is byte-identical, SHA-256 $(sha256sum <"$zip" | cut -d' ' -f1)")
done
summary+=("reproducible: the packages hold the two kalvor.exe and the page script tested here")

step=fuzz
echo "== fuzz: waiting for its verdict"
wait "$fuzz_pid" || { tail -30 build/fuzz/fuzz.log; exit 1; }
fuzz_pid=
ran=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 runs in \2 s/p' build/fuzz/fuzz.log)
echo "fuzz: $ran"
summary+=("fuzz: $ran, no failure")
