#!/usr/bin/env bash
# Builds Kalvor for release and packs what users download into dist/: the
# win32 and win64 zips (kalvor.exe for Windows, and for 64-bit Windows
# without the 32-bit subsystem) and the web zip (the page, and its manifest,
# icons and worker for a web server), each with README.txt (from
# packaging/), BUILDINFO.txt (the tools that made it) and SHA256SUMS, and
# its checksum beside it. The same commit and toolchain give the same bytes
# in any folder at any time: each package is dated by the last commit of its
# inputs (or SOURCE_DATE_EPOCH), and the locale, time zone, umask and the
# order and times of the files in the zips are fixed (docs/releasing.md).
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022
export LC_ALL=C TZ=UTC0

# What goes into each package, for its date: a change elsewhere
# (documentation, tests, the other packages) leaves the package as it was.
# The page's inputs include the npm files, which pin its bundler.
windows_inputs=(CMakeLists.txt CMakePresets.json cmake/mingw.cmake calc ui tools/release.sh packaging/README-windows.txt.in)
win32_inputs=("${windows_inputs[@]}" cmake/mingw-i686.cmake packaging/imports-win32.txt)
win64_inputs=("${windows_inputs[@]}" cmake/mingw-x86_64.cmake packaging/imports-win64.txt)
web_inputs=(CMakeLists.txt CMakePresets.json cmake/wasm32.cmake calc wasm web ui/texts.h tools/web
    tools/release.sh packaging/README-web.txt.in package.json package-lock.json)
source_date() {
    if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
        echo "$SOURCE_DATE_EPOCH"
    elif git rev-parse --git-dir >/dev/null 2>&1; then
        [ -z "$(git status --porcelain --untracked-files=no -- "$@")" ] ||
            echo "release: uncommitted changes in $*: this package is not that of a commit" >&2
        git log -1 --format=%ct -- "$@"
    else
        # An unpacked source archive: its files carry the commit's time.
        find "$@" -type f -printf '%T@\n' | sort -n | tail -n 1 | cut -d. -f1
    fi
}

# Runs a build step ($2...) into the log $1, showing its end if it fails.
logged() {
    "${@:2}" >"$1" 2>&1 || { tail -n 40 "$1"; echo "release: $2 ${*:3} failed (log: $1)" >&2; exit 1; }
}

# Packs the package $1 (kalvor-<version>-$1), dated by the inputs named
# $1_inputs: README.txt from the template $2 (below), SHA256SUMS,
# BUILDINFO.txt of the toolchain in the array tools (roles and files), and
# the files given after the template, staged in build/package-$1.
pack() {
    local name=kalvor-$version-$1 stage=build/package-$1 inputs="$1_inputs[@]" date
    date=$(source_date "${!inputs}")
    rm -rf "$stage" && mkdir -p "$stage" dist
    buildinfo "$name.zip" "${tools[@]}" >"$stage/BUILDINFO.txt"
    # For Notepad: UTF-8 with a byte-order mark, CRLF line ends.
    readme "$2" "$1" "$date" | { printf '\xef\xbb\xbf' && sed 's/$/\r/'; } >"$stage/README.txt"
    cp "${@:3}" "$stage/"
    set -- BUILDINFO.txt "${@:3}"
    set -- "${@##*/}"
    (cd "$stage" && sha256sum README.txt "$@" >SHA256SUMS)
    # Same permissions and times whatever the umask and the clock; the names
    # in a fixed order; no extra fields (owner ids, Unix times) in the zip.
    # DOS times are local times, hence TZ above.
    chmod 0644 "$stage"/*
    touch -d "@$date" "$stage"/*
    rm -f "dist/$name.zip"
    (cd "$stage" && printf '%s\n' README.txt SHA256SUMS "$@" | zip -q -X -@ "../../dist/$name.zip")
    (cd dist && sha256sum "$name.zip" >"$name.zip.sha256")
    echo "== dist/$name.zip ($(cat "$stage"/* | wc -c) bytes unpacked)"
    cat "$stage/SHA256SUMS" "dist/$name.zip.sha256"
}

# BUILDINFO.txt of the package named $1: the Debian release, then a line for
# each role and file given in pairs after it: the Debian package that owns
# the file and its version, or, for a file no package owns (esbuild, which
# npm installs), what it says of its own version. Nothing in it depends on
# the folder or the time (CRLF, for Notepad). Every line is also kept in the
# array toolchain.
toolchain=()
buildinfo() {
    local owner line
    printf '%s\r\n' "$1 was built on $(. /etc/os-release && echo "$PRETTY_NAME") with:"
    for ((i = 2; i < $#; i += 2)); do
        local role=${!i} next=$((i + 1))
        local file=${!next}
        [ -e "$file" ] || { echo "release: $file ($role) is missing" >&2; exit 1; }
        if owner=$(dpkg -S "$(readlink -f "$file")" 2>/dev/null); then
            line="${owner%%: *} $(dpkg-query -W -f='${Version}' "${owner%%: *}")"
        else
            line="$file $("$file" --version | head -n 1)"
        fi
        printf '%s\r\n' "$role: $line"
        toolchain+=("$line")
    done
}

# README.txt of a package, from its template ($1): a line "@win32" or
# "@win64" starts text that only that package ($2) gets, up to the next such
# line or "@end"; @VERSION@, @DATE@ (the package's date, $3) and @DLLS@ (the
# system libraries its kalvor.exe imports from) are filled in. A placeholder
# left over stops the release.
readme() {
    local text day
    day=$(date -u -d "@$3" +%Y-%m-%d)
    text=$(awk -v package="$2" '/^@win(32|64)$/ { only = substr($0, 2); next }
        /^@end$/ { only = ""; next } only == "" || only == package' "$1" |
        sed -e "s|@VERSION@|$version|g" -e "s|@DATE@|$day|g" -e "s|@DLLS@|${dlls:-}|g")
    if grep -q '@[A-Z0-9]*@' <<<"$text"; then
        echo "release: $1 leaves a placeholder unfilled: $(grep -o '@[A-Z0-9]*@' <<<"$text" | sort -u)" >&2
        exit 1
    fi
    printf '%s\n' "$text"
}

# A Windows package: kalvor.exe for the processor $1, built with the release
# preset release$2 and checked for what it asks of Windows: its header's
# version and every function it imports must be there in the oldest Windows
# that its README.txt names ($3, whose subsystem version is $4), as listed
# in packaging/imports-win$2.txt. It must show the version in its About box.
package_windows() {
    local build=build/release$2 checked=packaging/imports-win$2.txt header subsystem unchecked
    local exe=build/release$2/ui/kalvor.exe
    echo "== build kalvor.exe for $1 (log: $build.log)"
    logged "$build.log" cmake --workflow --preset "release$2"
    header=$("$1-w64-mingw32-objdump" -p "$exe")
    subsystem=$(awk '/^MajorSubsystemVersion/ { major = $2 } /^MinorSubsystemVersion/ { minor = $2 }
        END { print major "." minor }' <<<"$header")
    if [ "$(printf '%s\n' "$subsystem" "$4" | sort -V | tail -n 1)" != "$4" ]; then
        echo "release: the $1 header asks for Windows $subsystem, newer than $3" >&2
        exit 1
    fi
    unchecked=$(awk '/DLL Name:/ { dll = $3; next } /^$/ { dll = "" }
        dll && $1 ~ /^[0-9a-f]+$/ && NF >= 3 && $2 ~ /^[0-9]+$/ { print dll, $3 }' <<<"$header" | sort |
        comm -23 - <(grep -v '^#' "$checked" | sort))
    if [ -n "$unchecked" ]; then
        echo "release: the $1 kalvor.exe imports functions not yet checked against $3" \
            "(check each, then list it in $checked):" $'\n'"$unchecked" >&2
        exit 1
    fi
    grep -q "Kalvor$version" "$exe" || { echo "release: $exe does not show the version $version" >&2; exit 1; }
    dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$header" | sort -f | paste -sd, - | sed 's/,/, /g')
    tools=("C++ compiler" "$(command -v "$1-w64-mingw32-g++-posix")"
        "compiler support library" "$("$1-w64-mingw32-gcc-posix" -print-file-name=libgcc.a)"
        "binutils (assembler, linker, resource compiler)" "$(command -v "$1-w64-mingw32-ld")"
        "MinGW-w64 headers" "/usr/$1-w64-mingw32/include/windows.h"
        "MinGW-w64 runtime" "/usr/$1-w64-mingw32/lib/crt2.o"
        "build system" "$(command -v cmake)" "zip" "$(command -v zip)")
    pack "win$2" packaging/README-windows.txt.in "$exe"
}

tools/install-deps.sh
mkdir -p build
# The version, from its one source.
version=$(sed -n 's/^#define KALVOR_VERSION "\(.*\)"$/\1/p' ui/texts.h)
package_windows i686 32 "Windows 2000" 5.0
package_windows x86_64 64 "Windows XP Professional x64 Edition" 5.2

# The page, built afresh; its About box must give the version too. Its
# toolchain: the module's compiler, linker and libraries, and Node.js, which
# runs the bundler and compresses the icons.
echo "== build the page (log: build/web.log)"
rm -rf build/wasm build/web
logged build/web.log npm run --silent build
grep -q "Kalvor$version" build/web/index.html || { echo "release: the page does not show the version $version" >&2; exit 1; }
tools=("C++ compiler" "$(command -v clang++)" "linker" "$(command -v wasm-ld)"
    "C library" /usr/lib/wasm32-wasi/libc.a "C++ library" /usr/lib/wasm32-wasi/libc++.a
    "C++ ABI library" /usr/lib/wasm32-wasi/libc++abi.a
    "Node.js" "$(command -v node)" "bundler" node_modules/.bin/esbuild "zip" "$(command -v zip)")
dlls=
pack web packaging/README-web.txt.in build/web/*

# The toolchain of all three, in one line.
echo "== toolchain: $(. /etc/os-release && echo "$PRETTY_NAME"); $(printf '%s\n' "${toolchain[@]}" | sort -u | paste -sd, - | sed 's/,/, /g') (each package's BUILDINFO.txt)"
