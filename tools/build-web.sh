#!/usr/bin/env bash
# Builds Kalvor's browser edition into build/web/: index.html with its style
# sheet and script inside (one file to load; their hashes in its
# Content-Security-Policy), the script carrying the calculation core as
# WebAssembly, base64, so that the page works opened straight from disk
# (where browsers refuse to fetch neighbouring files) and fetches nothing;
# and for installing the page from a web server, manifest.webmanifest, the
# icons icon-192.png and icon-512.png made from the window's icon, and the
# service worker sw.js, whose cache is named after the release and the
# other files' hash.
#
# The script's sources are ES modules under web/, from web/kalvor.js on;
# esbuild (pinned by package-lock.json) bundles them into one classic script,
# build/web/kalvor.js, as a page opened from disk cannot load modules.
#
# The core is calc/ unchanged, compiled by Debian's clang for wasm32-wasi
# with the project's warning flags into a module that imports nothing,
# build/wasm/kalvor.wasm; build/wasm/kalvor-wasm.js holds the same bytes as
# base64 for web/core.js to import, in the page and in Node.js alike.
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022
export LC_ALL=C

obj=build/wasm
out=build/web
mkdir -p "$obj" "$out"

cxx=(clang++ --target=wasm32-wasi --sysroot=/usr -O2 -std=c++20 -fno-exceptions
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
wasm-ld --no-entry --strip-all --gc-sections -L/usr/lib/wasm32-wasi \
    "${objects[@]}" -lc++ -lc++abi -lc -o "$obj/kalvor.wasm"

# The page instantiates the module with no imports at all.
if grep -aq wasi_snapshot "$obj/kalvor.wasm"; then
    echo "build-web: the module imports from WASI, which the page does not provide" >&2
    exit 1
fi

cp web/manifest.webmanifest "$out/"
# The bundle stays strict, as modules are, and readable (not minified);
# ES2020 is its sources' newest syntax, so esbuild rewrites none of it.
# A warning fails the build.
printf 'export const WASM_BASE64 = "%s";\n' "$(base64 -w0 "$obj/kalvor.wasm")" >"$obj/kalvor-wasm.js"
said=$(node_modules/.bin/esbuild web/kalvor.js --bundle --format=iife --target=es2020 --charset=utf8 \
    --legal-comments=none '--banner:js="use strict";' --log-level=warning --outfile="$out/kalvor.js" 2>&1) &&
    [ -z "$said" ] || { echo "build-web: esbuild: $said" >&2; exit 1; }
node tools/inline-page.js web/index.html web/kalvor.css "$out/kalvor.js" >"$out/index.html"
node tools/make-icons.js ui/res/ikona.ico "$out/icon" 192 512

# A new release, or any change to a file the worker keeps, is a new cache.
version=$(grep -oE 'Kalvor[0-9]+(\.[0-9]+)+' web/index.html | head -n 1)
files=(index.html manifest.webmanifest icon-192.png icon-512.png)
hash=$(cd "$out" && cat "${files[@]}" | sha256sum | cut -c1-16)
sed "s|@KALVOR_CACHE@|kalvor-${version#Kalvor}-$hash|" web/sw.js >"$out/sw.js"
echo "build-web: $out/index.html ($(stat -c %s "$obj/kalvor.wasm") bytes of WebAssembly)"
