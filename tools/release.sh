#!/usr/bin/env bash
# Builds Kalvor for release and packs what users download, each package with
# README.txt (Czech and English) and SHA256SUMS:
#   dist/kalvor-<version>-win32.zip  kalvor.exe, for Windows
#   dist/kalvor-<version>-win64.zip  a 64-bit kalvor.exe, for 64-bit Windows
#                                    without the 32-bit subsystem
#   dist/kalvor-<version>-web.zip    the page (index.html, its style and
#                                    script, with the core, inside), and
#                                    for installing it from a web server its
#                                    manifest, icons and service worker
# The checksums are printed as well, and each zip's own is written beside it.
#
# The packages are reproducible: built from the same commit, in any folder
# and at any time, they are the same bytes. Each package's date is that of
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
win32_inputs=(CMakeLists.txt cmake/mingw.cmake cmake/mingw-i686.cmake calc ui tools/release.sh tools/windows2000-imports.txt)
win64_inputs=(CMakeLists.txt cmake/mingw.cmake cmake/mingw-x86_64.cmake calc ui tools/release.sh tools/windows-x64-imports.txt)
web_inputs=(calc wasm web ui/res/ikona.ico tools/build-web.sh tools/inline-page.js tools/make-icons.js
    tools/release.sh package.json package-lock.json)
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

# README.txt of a Windows package: what Kalvor computes, how to start and
# check it, and (from the variables the caller sets) what it needs and which
# package is for whom.
windows_readme() {
    cat <<TEXT
Kalvor $version ($(date -u -d "@$date" +%Y-%m-%d))$title

ČESKY

Co počítá: Kalvor je kalkulačka s českým rozhraním. Zadáte rychlost
vozidla v km/h a vyberete nebo napíšete součinitel odporu vzduchu, spalné
teplo paliva v MJ/kg a čelní plochu v m². Tlačítko OK ukáže výkon potřebný
k překonání odporu vzduchu v kW a spotřebu paliva, kterou tento výkon
stojí, v litrech za hodinu. Desetinná místa se oddělují tečkou.

Výsledky stojí na třech pevných předpokladech: hustota vzduchu je
1,3 kg/m³, hustota paliva 0,72 kg/l a motor promění v práci 30 % tepla
paliva (účinnost 0,3). Výkon ve wattech je polovina hustoty vzduchu krát
součinitel krát plocha krát třetí mocnina rychlosti v m/s; spotřeba je
výkon dělený užitečnou energií litru paliva, tedy spalným teplem krát
hustota paliva krát účinnost.

Spuštění: rozbalte archiv do libovolné složky a spusťte kalvor.exe. Program
nic neinstaluje a nezapisuje žádné soubory ani nastavení; odstraníte ho
smazáním složky.

Kontrola: otevřete příkazový řádek v rozbalené složce (ve Windows 7
a novějších napište do adresního řádku složky „cmd“ a stiskněte Enter)
a zadejte
    certutil -hashfile kalvor.exe SHA256
Vypsaný kontrolní součet se musí shodovat s řádkem „kalvor.exe“ v souboru
SHA256SUMS. Program certutil mají Windows od verze Vista; ve starších
použijte jiný program, který počítá SHA-256. V Linuxu stačí příkaz
„sha256sum -c SHA256SUMS“ ve stejné složce.

$needs_cs

$which_cs

$tested_cs

ENGLISH

What it computes: Kalvor is a calculator with a Czech interface. You type a
vehicle's speed in km/h and pick or type its drag coefficient, its fuel's
calorific value in MJ/kg and its frontal area in m². OK shows the power
needed to overcome air drag, in kW, and the fuel this power costs, in
litres per hour. The decimal separator is a point.

The results rest on three fixed assumptions: air has a density of
1.3 kg/m³, the fuel 0.72 kg/l, and the engine turns 30 % of the fuel's heat
into work (efficiency 0.3). The power in watts is half the air's density
times the coefficient times the area times the cube of the speed in m/s;
the fuel rate is the power divided by the useful energy of a litre of fuel,
the calorific value times the fuel's density times the efficiency.

To start: unpack the archive into any folder and run kalvor.exe. The program
installs nothing and writes no files or settings; delete the folder to
remove it.

To check: open a command prompt in the unpacked folder (in Windows 7 and
later, type "cmd" into the folder's address bar and press Enter) and type
    certutil -hashfile kalvor.exe SHA256
The checksum it prints must match the "kalvor.exe" line of SHA256SUMS.
Windows has certutil from Windows Vista on; on older versions use any
program that computes SHA-256. On Linux, "sha256sum -c SHA256SUMS" in the
same folder checks both files.

$needs_en

$which_en

$tested_en
TEXT
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

date=$(source_date "${win32_inputs[@]}")
title=
needs_cs="Požadavky: kalvor.exe je 32bitový program s grafickým rozhraním. Běží na
Windows 2000 a všech novějších (XP, Vista, 7, 8, 10, 11), 32bitových
i 64bitových (na těch v jejich 32bitovém subsystému): každá funkce, kterou
volá, v nich je, v systémových knihovnách $dlls.
Nic dalšího nepotřebuje. Starší Windows (95, 98, Me, NT 4.0) ho spustí,
jen když v nich knihovnu msvcrt.dll nainstaloval jiný program."
which_cs="Který archiv: tento, kalvor-$version-win32.zip, je pro všechna Windows,
32bitová i 64bitová. Archiv kalvor-$version-win64.zip má 64bitový
kalvor.exe pro 64bitová Windows bez 32bitového subsystému (například
Windows Server Core bez WoW64); počítá stejně."
tested_cs="Program byl vyzkoušen pod Wine 8 v Linuxu, jako 32bitová i 64bitová
Windows, ne na samotných Windows."
needs_en="Requirements: kalvor.exe is a 32-bit graphical program. It runs on
Windows 2000 and every later version (XP, Vista, 7, 8, 10, 11), 32-bit or
64-bit (there in the 32-bit subsystem): every function it calls is there,
in the system libraries $dlls.
It needs nothing else. Older versions (95, 98, Me, NT 4.0) run it only
where another program has installed the library msvcrt.dll."
which_en="Which package: this one, kalvor-$version-win32.zip, is for every Windows,
32-bit and 64-bit. kalvor-$version-win64.zip holds a 64-bit kalvor.exe for
64-bit Windows without the 32-bit subsystem (Windows Server Core without
WoW64, for example); it computes the same."
tested_en="It has been tested under Wine 8 on Linux, as 32-bit and as 64-bit
Windows, not on Windows itself."
windows_readme | pack build/release/package "kalvor-$version-win32" "$date" "$exe"

date=$(source_date "${win64_inputs[@]}")
title=", 64bitová Windows / 64-bit Windows"
needs_cs="Požadavky: kalvor.exe je 64bitový program (x64) s grafickým rozhraním.
Běží na 64bitových Windows pro procesory x64 od Windows XP Professional
x64 Edition a Windows Server 2003 x64 (Vista, 7, 8, 10, 11, Windows Server
i bez 32bitového subsystému): každá funkce, kterou volá, v nich je,
v systémových knihovnách $dlls64.
Nic dalšího nepotřebuje."
which_cs="Který archiv: tento, kalvor-$version-win64.zip, je pro 64bitová Windows
bez 32bitového subsystému (například Windows Server Core bez WoW64). Na
všech ostatních Windows, 32bitových i 64bitových, použijte
kalvor-$version-win32.zip; počítá stejně."
tested_cs="Program byl vyzkoušen pod Wine 8 v Linuxu jako 64bitová Windows, ne na
samotných Windows."
needs_en="Requirements: kalvor.exe is a 64-bit (x64) graphical program. It runs
on 64-bit Windows for x64 processors from Windows XP Professional x64
Edition and Windows Server 2003 x64 on (Vista, 7, 8, 10, 11, Windows Server,
also without the 32-bit subsystem): every function it calls is there, in
the system libraries $dlls64.
It needs nothing else."
which_en="Which package: this one, kalvor-$version-win64.zip, is for 64-bit Windows
without the 32-bit subsystem (Windows Server Core without WoW64, for
example). On every other Windows, 32-bit or 64-bit, use
kalvor-$version-win32.zip; it computes the same."
tested_en="It has been tested under Wine 8 on Linux as 64-bit Windows, not on
Windows itself."
windows_readme | pack build/release64/package "kalvor-$version-win64" "$date" "$exe64"

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
web_date=$(source_date "${web_inputs[@]}")
pack build/web-package "kalvor-$version-web" "$web_date" \
    build/web/{index.html,manifest.webmanifest,sw.js,icon-192.png,icon-512.png} <<TEXT
Kalvor $version ($(date -u -d "@$web_date" +%Y-%m-%d)), v prohlížeči / in the browser

ČESKY

Rozbalte archiv do libovolné složky a otevřete index.html v prohlížeči
(dvojklikem). Stránka nic nestahuje a funguje i bez připojení k internetu;
počítá stejným jádrem jako kalvor.exe a ukazuje stejné výsledky. Navíc
ukazuje „Palivo na 100 km (jen odpor vzduchu) v litrech“: spotřebu za
hodinu dělenou rychlostí a násobenou 100; při rychlosti 0 ukáže „—“.

Odkaz: tlačítko OK zapíše čtyři zadané texty do adresy stránky (za znak
#). Takovou adresu lze uložit do záložek nebo poslat; kdo ji otevře, uvidí
stejné zadání i výsledky. Tlačítka Zpět a Vpřed v prohlížeči přecházejí
mezi výpočty. Je-li zadání na adresu příliš dlouhé, stránka to napíše vedle
OK a adresu nezmění.

Do telefonu: dejte všechny soubory z archivu na libovolný statický webový
server s HTTPS (například GitHub Pages nebo vlastní server) a otevřete
index.html v telefonu. Chrome nabídne „Nainstalovat aplikaci“ (nebo
„Přidat na plochu“), Safari v iPhonu „Sdílet > Přidat na plochu“. Po první
návštěvě stránka funguje i bez připojení; nová verze na serveru nahradí tu
uloženou při příští návštěvě. Na svém počítači to vyzkoušíte serverem, který
slouží jen tomuto počítači: například příkazem
„python3 -m http.server --bind 127.0.0.1 8000“ v rozbalené složce a adresou
http://127.0.0.1:8000/ v prohlížeči.

Co zůstává u vás: stránka nic neodesílá a nic nenačítá odjinud (to hlídá
její Content-Security-Policy). Zadání je jen v adrese za znakem #, kterou
prohlížeč serveru neposílá; server dostane jen žádosti o soubory stránky.
Prohlížeč si soubory stránky uloží (service worker), nic jiného.

Kontrola: v Linuxu příkaz „sha256sum -c SHA256SUMS“ v rozbalené složce
ověří všechny soubory. Ve Windows (od verze Vista) otevřete příkazový
řádek v této složce a pro každý soubor zadejte například
„certutil -hashfile index.html SHA256“; součet se musí shodovat s jeho
řádkem v souboru SHA256SUMS.

ENGLISH

Unpack the archive into any folder and open index.html in a browser
(double-click it). The page fetches nothing and works offline; it computes
with the same core as kalvor.exe and shows the same results. It also shows
"Fuel per 100 km (air drag only) in litres": the fuel rate divided by the
speed, times 100; at speed 0 it shows "—".

The link: OK writes the four input texts into the page's address (after
the #). Bookmark or send that address; whoever opens it sees the same
input and results. The browser's Back and Forward move between
calculations. Where the input is too long for an address, the page says so
next to OK and leaves the address as it was.

On a phone: put all the files of the archive on any static web server with
HTTPS (GitHub Pages, say, or a server of your own) and open index.html on
the phone. Chrome offers "Install app" (or "Add to Home screen"), Safari on
an iPhone "Share > Add to Home Screen". After the first visit the page
works offline; a new version on the server replaces the stored one at the
next visit. To try it on your computer, use a server for this computer
only: for instance "python3 -m http.server --bind 127.0.0.1 8000" in the
unpacked folder, and the address http://127.0.0.1:8000/ in the browser.

What stays with you: the page sends nothing and loads nothing from
elsewhere (its Content-Security-Policy sees to that). The input is only in
the address after the #, which browsers never send to the server; the
server only gets requests for the page's files. The browser stores the
page's files (the service worker), nothing else.

To check: on Linux, "sha256sum -c SHA256SUMS" in the unpacked folder checks
every file. On Windows (from Vista on), open a command prompt in that
folder and type, for each file, for instance
"certutil -hashfile index.html SHA256"; the checksum must match its line of
SHA256SUMS.
TEXT
