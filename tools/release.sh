#!/usr/bin/env bash
# Builds Kalvor for release and packs what users download, each package with
# README.txt (Czech and English, from its template under packaging/),
# BUILDINFO.txt (the Debian release and the versions of the tools and
# libraries that made its files) and SHA256SUMS:
#   dist/kalvor-<version>-win32.zip  kalvor.exe, for Windows
#   dist/kalvor-<version>-win64.zip  a 64-bit kalvor.exe, for 64-bit Windows
#                                    without the 32-bit subsystem
#   dist/kalvor-<version>-web.zip    the page (index.html, its style and
#                                    script, with the core, inside), and
#                                    for installing it from a web server its
#                                    manifest, icons and service worker
# The checksums are printed as well, and each zip's own is written beside it.
#
# The packages are reproducible: built from the same commit with the same
# toolchain, in any folder and at any time, they are the same bytes. Each package's date is that of
# the last commit that changed what goes into it (SOURCE_DATE_EPOCH, when
# set, overrides both); the locale, the time zone, the umask and the order
# and times of the files in the zips are fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022
export LC_ALL=C TZ=UTC0

# A package's date is that of the last commit that changed what goes into
# it, so that a change elsewhere (documentation, tests, the other package)
# leaves it as it was. The page's inputs include package.json and
# package-lock.json, which pin the bundler that makes its script.
win32_inputs=(CMakeLists.txt cmake/mingw.cmake cmake/mingw-i686.cmake calc ui tools/release.sh tools/windows2000-imports.txt
    packaging/README-windows.txt.in)
win64_inputs=(CMakeLists.txt cmake/mingw.cmake cmake/mingw-x86_64.cmake calc ui tools/release.sh tools/windows-x64-imports.txt
    packaging/README-windows.txt.in)
web_inputs=(calc wasm web ui/res/ikona.ico tools/build-web.sh tools/inline-page.js tools/make-icons.js
    tools/release.sh packaging/README-web.txt.in package.json package-lock.json)
source_date() {
    if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
        echo "$SOURCE_DATE_EPOCH"
    elif git rev-parse --git-dir >/dev/null 2>&1; then
        if [ -n "$(git status --porcelain --untracked-files=no -- "$@")" ]; then
            echo "release: uncommitted changes in $*: this package is not that of a commit" >&2
        fi
        git log -1 --format=%ct -- "$@"
    else
        # An unpacked source archive: its files carry the commit's time.
        find "$@" -type f -printf '%T@\n' | sort -n | tail -n 1 | cut -d. -f1
    fi
}

# Packs the files given after the zip's name $2 and its date $3 (seconds
# since 1970), in that order, and README.txt from standard input, staged in
# the emptied folder $1.
pack() {
    local stage=$1 name=$2 date=$3
    shift 3
    rm -rf "$stage"
    mkdir -p "$stage"
    cp "$@" "$stage/"
    set -- "${@##*/}"
    # For Notepad: UTF-8 with a byte-order mark, CRLF line ends.
    { printf '\xef\xbb\xbf' && sed 's/$/\r/'; } >"$stage/README.txt"
    (cd "$stage" && sha256sum README.txt "$@" >SHA256SUMS)
    # Same permissions and times whatever the umask and the clock; the names
    # in a fixed order; no extra fields (owner ids, Unix times) in the zip.
    # DOS times are local times, hence TZ above.
    chmod 0644 "$stage"/*
    touch -d "@$date" "$stage"/*
    mkdir -p dist
    local zip=$PWD/dist/$name.zip
    rm -f "$zip"
    (cd "$stage" && printf '%s\n' README.txt SHA256SUMS "$@" | zip -q -X -@ "$zip")
    (cd dist && sha256sum "$name.zip" >"$name.zip.sha256")
    echo "== dist/$name.zip ($(cat "$stage"/* | wc -c) bytes unpacked)"
    cat "$stage/SHA256SUMS" "dist/$name.zip.sha256"
}

# BUILDINFO.txt of the package named $1, written to the file $2: the Debian
# release, then one line for each role and file given in pairs after them:
# the Debian package that owns the file and its version, or, for a file
# that no package owns (esbuild, which npm installs), what it says of its
# own version. Nothing in it depends on the folder or the time, so the same
# toolchain writes the same lines (CRLF, for Notepad). Every tool's package
# and version is also kept in the array toolchain.
toolchain=()
buildinfo() {
    local name=$1 out=$2 role file owner line
    shift 2
    {
        printf '%s\r\n' "$name was built on $(. /etc/os-release && echo "$PRETTY_NAME") with:"
        while [ $# -gt 0 ]; do
            role=$1 file=$2
            shift 2
            if [ ! -e "$file" ]; then
                echo "release: $file ($role) is missing" >&2
                exit 1
            fi
            if owner=$(dpkg -S "$(readlink -f "$file")" 2>/dev/null); then
                owner=${owner%%: *}
                line="$owner $(dpkg-query -W -f='${Version}' "$owner")"
            else
                line="$file $("$file" --version | head -n 1)"
            fi
            printf '%s\r\n' "$role: $line"
            toolchain+=("$line")
        done
    } >"$out"
}

# The roles and files that tell a Windows build's toolchain, for the
# processor $1, in the array tools.
windows_toolchain() {
    tools=("C++ compiler" "$(command -v "$1-w64-mingw32-g++-posix")"
        "compiler support library" "$("$1-w64-mingw32-gcc-posix" -print-file-name=libgcc.a)"
        "binutils (assembler, linker, resource compiler)" "$(command -v "$1-w64-mingw32-ld")"
        "MinGW-w64 headers" "/usr/$1-w64-mingw32/include/windows.h"
        "MinGW-w64 runtime" "/usr/$1-w64-mingw32/lib/crt2.o"
        "build system" "$(command -v cmake)" "zip" "$(command -v zip)")
}

tools/install-deps.sh
mkdir -p build

# Builds kalvor.exe for one Windows architecture (i686 or x86_64) into the
# folder $2 and checks what it asks of Windows: its header's version and
# every function it imports must be there in the oldest Windows that its
# README.txt names, as listed in the file $3. Sets exe and dlls.
build_windows() {
    local arch=$1 build=$2 checked=$3 oldest=$4 newest_subsystem=$5
    echo "== build kalvor.exe for $arch (log: $build.log)"
    if ! { cmake -S . -B "$build" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF &&
        cmake --build "$build" --target kalvor -j2; } >"$build.log" 2>&1; then
        tail -n 40 "$build.log"
        echo "release: the $arch build failed" >&2
        exit 1
    fi
    exe=$build/ui/kalvor.exe
    local header subsystem imports unchecked
    header=$("$arch-w64-mingw32-objdump" -p "$exe")
    subsystem=$(awk '/^MajorSubsystemVersion/ { major = $2 } /^MinorSubsystemVersion/ { minor = $2 }
        END { print major "." minor }' <<<"$header")
    if [ "$(printf '%s\n' "$subsystem" "$newest_subsystem" | sort -V | tail -n 1)" != "$newest_subsystem" ]; then
        echo "release: the $arch header asks for Windows $subsystem, newer than $oldest" >&2
        exit 1
    fi
    imports=$(awk '/DLL Name:/ { dll = $3; next } /^$/ { dll = "" }
        dll && $1 ~ /^[0-9a-f]+$/ && NF >= 3 && $2 ~ /^[0-9]+$/ { print dll, $3 }' <<<"$header" | sort)
    unchecked=$(grep -v '^#' "$checked" | sort | comm -23 <(echo "$imports") -)
    if [ -n "$unchecked" ]; then
        echo "release: the $arch kalvor.exe imports functions not yet checked against $oldest" \
            "(check each, then list it in $checked):" >&2
        echo "$unchecked" >&2
        exit 1
    fi
    dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$header" | sort -f | paste -sd, - | sed 's/,/, /g')
}

# README.txt of a package, from its template under packaging/ ($1): a line
# "@win32" or "@win64" starts text that only that package ($2) gets, up to
# the next such line or "@end"; @VERSION@, @DATE@ (the package's date, in
# seconds since 1970, $3) and @DLLS@ (the system libraries its kalvor.exe
# imports from, $4) are filled in. A placeholder left over stops the release.
readme() {
    local template=$1 package=$2 day text
    day=$(date -u -d "@$3" +%Y-%m-%d)
    text=$(awk -v package="$package" '
        /^@win(32|64)$/ { only = substr($0, 2); next }
        /^@end$/ { only = ""; next }
        only == "" || only == package' "$template" |
        sed -e "s|@VERSION@|$version|g" -e "s|@DATE@|$day|g" -e "s|@DLLS@|${4:-}|g")
    if grep -q '@[A-Z0-9]*@' <<<"$text"; then
        echo "release: $template leaves a placeholder unfilled:" >&2
        grep -o '@[A-Z0-9]*@' <<<"$text" | sort -u >&2
        exit 1
    fi
    printf '%s\n' "$text"
}

build_windows x86_64 build/release64 tools/windows-x64-imports.txt \
    "Windows XP Professional x64 Edition" 5.2
exe64=$exe dlls64=$dlls
build_windows i686 build/release tools/windows2000-imports.txt "Windows 2000" 5.0

# The version is the one the About box shows ("Kalvor1.0.1"): read from the
# executable's Windows-1250 text, so it cannot disagree with the program.
version=$(grep -aoE 'Kalvor[0-9]+(\.[0-9]+)+' "$exe" | head -n 1)
version=${version#Kalvor}
if [ -z "$version" ] || ! grep -q "Kalvor$version" "$exe64"; then
    echo "release: no version text found in $exe, or another one in $exe64" >&2
    exit 1
fi

windows_toolchain i686
buildinfo "kalvor-$version-win32.zip" build/release/BUILDINFO.txt "${tools[@]}"
date=$(source_date "${win32_inputs[@]}")
text=$(readme packaging/README-windows.txt.in win32 "$date" "$dlls")
pack build/release/package "kalvor-$version-win32" "$date" build/release/BUILDINFO.txt "$exe" <<<"$text"

windows_toolchain x86_64
buildinfo "kalvor-$version-win64.zip" build/release64/BUILDINFO.txt "${tools[@]}"
date=$(source_date "${win64_inputs[@]}")
text=$(readme packaging/README-windows.txt.in win64 "$date" "$dlls64")
pack build/release64/package "kalvor-$version-win64" "$date" build/release64/BUILDINFO.txt "$exe64" <<<"$text"

# The page: built afresh, and its About box must give the same version.
echo "== build the page (log: build/web.log)"
rm -rf build/wasm build/web
if ! tools/build-web.sh >build/web.log 2>&1; then
    cat build/web.log
    echo "release: the page's build failed" >&2
    exit 1
fi
if ! grep -q "Kalvor$version" build/web/index.html; then
    echo "release: the page does not give the version $version of kalvor.exe" >&2
    exit 1
fi
# The page's toolchain: the module's compiler, linker and libraries, and
# Node.js, which runs the bundler and compresses the icons.
mkdir -p build/web-info
buildinfo "kalvor-$version-web.zip" build/web-info/BUILDINFO.txt \
    "C++ compiler" "$(command -v clang++)" "linker" "$(command -v wasm-ld)" \
    "C library" /usr/lib/wasm32-wasi/libc.a "C++ library" /usr/lib/wasm32-wasi/libc++.a \
    "C++ ABI library" /usr/lib/wasm32-wasi/libc++abi.a \
    "Node.js" "$(command -v node)" "bundler" node_modules/.bin/esbuild "zip" "$(command -v zip)"
web_date=$(source_date "${web_inputs[@]}")
text=$(readme packaging/README-web.txt.in web "$web_date")
pack build/web-package "kalvor-$version-web" "$web_date" build/web-info/BUILDINFO.txt \
    build/web/{index.html,manifest.webmanifest,sw.js,icon-192.png,icon-512.png} <<<"$text"

# The toolchain of all three, in one line.
echo "== toolchain: $(. /etc/os-release && echo "$PRETTY_NAME"); $(printf '%s\n' "${toolchain[@]}" | sort -u | paste -sd, - | sed 's/,/, /g') (each package's BUILDINFO.txt)"
