#!/usr/bin/env bash
# Packs Kalvor's browser edition: dist/kalvor-<version>-web.zip with the page
# (index.html, kalvor.css, kalvor.js with the core inside), README.txt (how
# to open it; Czech and English) and SHA256SUMS. The checksums are printed
# and the zip's own is written beside it. Called by tools/release.sh.
#
# Reproducible as the Windows package is: the same commit gives the same
# bytes in any folder, at any time, under any umask. The date is that of the
# last commit that changed what goes into the page (SOURCE_DATE_EPOCH, when
# set, overrides it).
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022
export LC_ALL=C TZ=UTC0

inputs=(calc wasm web tools/build-web.sh tools/package-web.sh)
if git rev-parse --git-dir >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct -- "${inputs[@]}")}
    if [ -n "$(git status --porcelain --untracked-files=no -- "${inputs[@]}")" ]; then
        echo "package-web: uncommitted changes in ${inputs[*]}: this package is not that of a commit" >&2
    fi
else
    SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(find "${inputs[@]}" -type f -printf '%T@\n' |
        sort -n | tail -n 1 | cut -d. -f1)}
fi
export SOURCE_DATE_EPOCH

echo "== build the page (log: build/web.log)"
rm -rf build/wasm build/web
mkdir -p build
if ! tools/build-web.sh >build/web.log 2>&1; then
    cat build/web.log
    echo "package-web: the build failed" >&2
    exit 1
fi

# The version the About box shows ("Kalvor1.0.1").
version=$(grep -oE 'Kalvor[0-9]+(\.[0-9]+)+' build/web/index.html | head -n 1)
version=${version#Kalvor}
built=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)

stage=build/web-package
name=kalvor-$version-web
rm -rf "$stage"
mkdir -p "$stage" dist
cp build/web/index.html build/web/kalvor.css build/web/kalvor.js "$stage/"
# For Notepad: UTF-8 with a byte-order mark, CRLF line ends.
{
    printf '\xef\xbb\xbf'
    sed 's/$/\r/' <<TEXT
Kalvor $version ($built), v prohlížeči / in the browser

ČESKY

Rozbalte archiv do libovolné složky a otevřete index.html v prohlížeči
(dvojklikem). Stránka nic nestahuje a funguje i bez připojení k internetu;
počítá stejným jádrem jako kalvor.exe a ukazuje stejné výsledky. Soubory
lze také dát na libovolný webový server.

Kontrola: "sha256sum -c SHA256SUMS" (Windows: "certutil -hashfile
kalvor.js SHA256") musí souhlasit se souborem SHA256SUMS.

ENGLISH

Unpack the archive into any folder and open index.html in a browser
(double-click it). The page fetches nothing and works offline; it computes
with the same core as kalvor.exe and shows the same results. The files can
also be put on any web server.

To check: "sha256sum -c SHA256SUMS" (Windows: "certutil -hashfile
kalvor.js SHA256") must agree with SHA256SUMS.
TEXT
} >"$stage/README.txt"
files=(README.txt SHA256SUMS index.html kalvor.css kalvor.js)
(cd "$stage" && sha256sum README.txt index.html kalvor.css kalvor.js >SHA256SUMS)

chmod 0644 "$stage"/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
zip=$PWD/dist/$name.zip
rm -f "$zip"
(cd "$stage" && printf '%s\n' "${files[@]}" | zip -q -X -@ "$zip")
(cd dist && sha256sum "$name.zip" >"$name.zip.sha256")

echo "== dist/$name.zip ($(du -cb "$stage"/* | tail -n 1 | cut -f1) bytes unpacked)"
cat "$stage/SHA256SUMS" dist/"$name.zip.sha256"
