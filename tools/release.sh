#!/usr/bin/env bash
# Builds kalvor.exe for release and packs what a Windows user downloads:
# dist/kalvor-<version>-win32.zip with kalvor.exe, README.txt (what the
# program computes, how to start it, which Windows it needs; Czech and
# English) and SHA256SUMS. The checksums are printed as well, and the zip's
# own is written beside it. Then tools/package-web.sh packs the browser
# edition the same way: dist/kalvor-<version>-web.zip.
#
# The package is reproducible: built from the same commit, in any folder and
# at any time, kalvor.exe and the zip are the same bytes. Dates come from the
# commits (SOURCE_DATE_EPOCH, when set, overrides them); the locale, the time
# zone, the umask and the order and times of the files in the zip are fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022
export LC_ALL=C TZ=UTC0

tools/install-deps.sh
# The browser package dates itself from its own sources unless told.
web_date_epoch=${SOURCE_DATE_EPOCH:-}

# The package's date is that of the last commit that changed what goes into
# it, so that a change elsewhere (documentation, tests) leaves it as it was.
inputs=(CMakeLists.txt cmake calc ui tools/release.sh)
if git rev-parse --git-dir >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct -- "${inputs[@]}")}
    if [ -n "$(git status --porcelain --untracked-files=no -- "${inputs[@]}")" ]; then
        echo "release: uncommitted changes in ${inputs[*]}: this package is not that of a commit" >&2
    fi
else
    # An unpacked source archive: its files carry the commit's time.
    SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(find "${inputs[@]}" -type f -printf '%T@\n' |
        sort -n | tail -n 1 | cut -d. -f1)}
fi
export SOURCE_DATE_EPOCH

build=build/release
echo "== build kalvor.exe (log: $build.log)"
mkdir -p build
if ! { cmake -S . -B "$build" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF &&
    cmake --build "$build" --target kalvor -j2; } >"$build.log" 2>&1; then
    tail -n 40 "$build.log"
    echo "release: the build failed" >&2
    exit 1
fi
exe=$build/ui/kalvor.exe

# The version is the one the About box shows ("Kalvor1.0.1"): read from the
# executable's Windows-1250 text, so it cannot disagree with the program.
version=$(grep -aoE 'Kalvor[0-9]+(\.[0-9]+)+' "$exe" | head -n 1)
version=${version#Kalvor}
if [ -z "$version" ]; then
    echo "release: no version text found in $exe" >&2
    exit 1
fi

# What the executable asks of Windows, from its PE header and import table.
header=$(i686-w64-mingw32-objdump -p "$exe")
subsystem=$(awk '/^MajorSubsystemVersion/ { major = $2 } /^MinorSubsystemVersion/ { minor = $2 }
    END { print major "." minor }' <<<"$header")
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$header" | sort -f | paste -sd, - | sed 's/,/, /g')
case $subsystem in
    4.0) windows="Windows 95 / NT 4.0" ;;
    5.0) windows="Windows 2000" ;;
    5.1) windows="Windows XP" ;;
    6.0) windows="Windows Vista" ;;
    6.1) windows="Windows 7" ;;
    *) windows="Windows $subsystem" ;;
esac
built=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)

stage=$build/package
name=kalvor-$version-win32
rm -rf "$stage"
mkdir -p "$stage" dist
cp "$exe" "$stage/kalvor.exe"
# For Notepad: UTF-8 with a byte-order mark, CRLF line ends.
{
    printf '\xef\xbb\xbf'
    sed 's/$/\r/' <<TEXT
Kalvor $version ($built)

ČESKY

Kalvor je kalkulačka s českým rozhraním. Zadáte rychlost vozidla v km/h
a vyberete nebo napíšete součinitel odporu vzduchu, spalné teplo paliva
v MJ/kg a čelní plochu v m². Tlačítko OK ukáže výkon potřebný k překonání
odporu vzduchu v kW a spotřebu paliva, kterou tento výkon stojí, v litrech
za hodinu. Desetinná místa se oddělují tečkou.

Spuštění: rozbalte archiv do libovolné složky a spusťte kalvor.exe. Program
nic neinstaluje a nezapisuje žádné soubory ani nastavení; odstraníte ho
smazáním složky.

Kontrola: "certutil -hashfile kalvor.exe SHA256" vypíše kontrolní součet
programu; musí se shodovat s řádkem kalvor.exe v souboru SHA256SUMS
(v Linuxu: "sha256sum -c SHA256SUMS").

Požadavky: kalvor.exe je 32bitový (i386) program s grafickým rozhraním.
Jeho hlavička žádá Windows verze $subsystem nebo novější ($windows
a novější) a importuje jen z těchto knihoven systému:
$dlls.
Na 64bitových Windows běží v jejich 32bitovém subsystému. Vyzkoušen je pod
Wine 8 v 32bitovém i v 64bitovém prostředí Windows.

ENGLISH

Kalvor is a calculator with a Czech interface. You type a vehicle's speed in
km/h and pick or type its drag coefficient, its fuel's calorific value in
MJ/kg and its frontal area in m². OK shows the power needed to overcome air
drag, in kW, and the fuel this power costs, in litres per hour. The decimal
separator is a point.

To start: unpack the archive into any folder and run kalvor.exe. The program
installs nothing and writes no files or settings; delete the folder to
remove it.

To check: "certutil -hashfile kalvor.exe SHA256" prints the program's
checksum; it must match the kalvor.exe line of SHA256SUMS (on Linux:
"sha256sum -c SHA256SUMS").

Requirements: kalvor.exe is a 32-bit (i386) graphical program. Its header
asks for Windows version $subsystem or later ($windows and later), and it
imports only from these system libraries:
$dlls.
On 64-bit Windows it runs in the 32-bit subsystem. It is tested under Wine 8
as 32-bit and as 64-bit Windows.
TEXT
} >"$stage/README.txt"
(cd "$stage" && sha256sum README.txt kalvor.exe >SHA256SUMS)

# Same permissions and times whatever the umask and the clock; the names in
# a fixed order; no extra fields (owner ids, Unix times) in the zip. DOS
# times are local times, hence TZ above.
chmod 0644 "$stage"/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
zip=$PWD/dist/$name.zip
rm -f "$zip"
(cd "$stage" && printf '%s\n' README.txt SHA256SUMS kalvor.exe | zip -q -X -@ "$zip")
(cd dist && sha256sum "$name.zip" >"$name.zip.sha256")

echo "== dist/$name.zip"
cat "$stage/SHA256SUMS" dist/"$name.zip.sha256"

SOURCE_DATE_EPOCH=$web_date_epoch tools/package-web.sh
