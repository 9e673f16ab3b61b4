#!/usr/bin/env bash
# Builds Kalvor's browser edition into build/web/: index.html, kalvor.css and
# kalvor.js, the last carrying the calculation core as WebAssembly, base64
# in the script, so that the page works opened straight from disk (where
# browsers refuse to fetch neighbouring files) and fetches nothing.
#
# The core is calc/ unchanged, compiled by Debian's clang for wasm32-wasi
# with the project's warning flags, and linked against Debian's WebAssembly
# C and C++ libraries (tools/install-deps.sh installs them) into a module
# that imports nothing. Also writes build/wasm/kalvor.wasm.
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022
export LC_ALL=C

obj=build/wasm
out=build/web
mkdir -p "$obj" "$out"

cxx=(clang++-14 --target=wasm32-wasi --sysroot=/usr -O2 -std=c++20 -fno-exceptions
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Werror
    -ffile-prefix-map="$PWD"/= -I.)
# The sources compile side by side; a failed one fails its wait.
objects=()
jobs=()
for src in calc/*.cpp wasm/kalvor_wasm.cpp; do
    o=$obj/$(basename "${src%.cpp}").o
    if [ ! -f "$o" ] || [ "$src" -nt "$o" ] || [ -n "$(find calc -name '*.h' -newer "$o")" ]; then
        "${cxx[@]}" -c "$src" -o "$o" &
        jobs+=($!)
    fi
    objects+=("$o")
done
for job in "${jobs[@]}"; do wait "$job"; done
wasm-ld-14 --no-entry --strip-all --gc-sections -L/usr/lib/wasm32-wasi \
    "${objects[@]}" -lc++ -lc++abi -lc -o "$obj/kalvor.wasm"

# The page instantiates the module with no imports at all.
if grep -aq wasi_snapshot "$obj/kalvor.wasm"; then
    echo "build-web: the module imports from WASI, which the page does not provide" >&2
    exit 1
fi

cp web/index.html web/kalvor.css "$out/"
sed "s|@KALVOR_WASM_BASE64@|$(base64 -w0 "$obj/kalvor.wasm")|" web/kalvor.js >"$out/kalvor.js"
echo "build-web: $out/index.html ($(stat -c %s "$obj/kalvor.wasm") bytes of WebAssembly)"
