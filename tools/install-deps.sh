#!/usr/bin/env bash
# Installs what Kalvor needs to build, run, test and package on Debian 13
# (trixie) or 12 (bookworm), and nothing when it is all there: the Debian
# packages below (the cross toolchains, Wine, the test libraries, clang's
# WebAssembly libraries, Chromium, Firefox ESR, WebKit's WebDriver, Node.js
# where no node is on the PATH), the Node packages of package-lock.json (npm
# ci), and as a step of its own the 32-bit Wine, unless KALVOR_NO_I386=1.
#
# The 32-bit Wine needs 32-bit libraries of the very version of their 64-bit
# twins. When the Debian mirror's 32-bit packages lag behind (a security
# update not yet built for i386, a mirror in the middle of a sync), apt finds
# no solution: then one line says so, with apt's reason, and the commands go
# on without it (the 64-bit Windows build runs, the 32-bit suites do not, and
# they say why; the reason is kept in build/install-deps-i386.txt). Every
# later run tries again. A failure of anything else stops the command. The
# package managers' output goes to build/install-deps*.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
log=$root/build/install-deps.log log32=$root/build/install-deps-i386.log
reason32=$root/build/install-deps-i386.txt

# The names are those of both releases: the unversioned ones pull each
# release's default (LLVM 14 and Wine 8 on Debian 12, LLVM 19 and Wine 10 on
# Debian 13); libc++-dev-wasm32 pulls its own libc++abi.
packages=(
  cmake make ninja-build g++ clang lld libclang-rt-dev
  googletest libgtest-dev libbenchmark-dev libmpfr-dev libgmp-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 fonts-wine
  xvfb xauth x11-utils xdotool imagemagick locales clang-format zip unzip
  wasi-libc libc++-dev-wasm32 libclang-rt-dev-wasm32
  chromium firefox-esr webkit2gtk-driver
)
# A node of another origin (a newer release installed by hand) is used as it
# is; Debian's own comes only where there is none.
command -v node >/dev/null 2>&1 || packages+=(nodejs npm)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
failed() {
  tail -n 20 "$1" >&2
  echo "install-deps: $2 failed; the whole output is in $1" >&2
  exit 1
}

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
want32=
[ "${KALVOR_NO_I386:-}" = 1 ] || installed wine32:i386 || want32=1

mkdir -p "$root/build"
export DEBIAN_FRONTEND=noninteractive
if [ "${#missing[@]}" -gt 0 ] || [ -n "$want32" ]; then
  # shellcheck source=/dev/null
  release=$(. /etc/os-release 2>/dev/null && echo "${ID:-}:${VERSION_ID:-}:${PRETTY_NAME:-}")
  case $release in
    debian:12:* | debian:13:*) ;;
    *) echo "install-deps: Kalvor installs what it needs on Debian 13 (trixie) and Debian 12 (bookworm), not on ${release##*:}" >&2 && exit 1 ;;
  esac
  # The i386 architecture first, so that one update reads its indexes too.
  if [ -n "$want32" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  # An index that cannot be read (a mirror in the middle of a sync) leaves
  # apt with the ones it has: the install goes on with them. The line says
  # which index and why, without the mirror's address.
  if ! "${sudo_cmd[@]}" apt-get update -q </dev/null >"$log" 2>&1; then
    grep -q '^Reading package lists' "$log" || failed "$log" "apt-get update"
    echo "install-deps: apt-get update could not read every package index ($(awk '/^Err:/ { name = $3 " " $4 " " $5;
      getline; sub(/^[[:space:]]+/, ""); sub(/ *\[IP: [^]]*\]$/, ""); print name ": " $0; exit }' "$log")); going on with the ones it has"
  fi
fi

if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]} (log: build/install-deps.log)"
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null >>"$log" 2>&1 ||
    failed "$log" "the installation"
fi

if [ -n "$want32" ]; then
  echo "install-deps: installing wine32:i386, the 32-bit Wine (log: build/install-deps-i386.log)"
  if "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends wine32:i386 </dev/null >"$log32" 2>&1; then
    rm -f "$reason32"
  else
    # apt's reason, without the indentation: a package it cannot install at
    # all, else the first unmet dependency of a 32-bit package, else its
    # first complaint.
    said=$({ grep -m1 'but it is not installable' "$log32" || grep -m1 -E ':i386 +: +(Pre)?Depends: ' "$log32" ||
      grep -m1 -E '(Depends|Conflicts|Breaks): |^E: ' "$log32"; } | sed 's/^[[:space:]]*//; s/^E: //')
    why="the 32-bit Wine (wine32:i386) could not be installed: apt says \"$said\""
    why+="; the Debian mirror's 32-bit packages lag behind its 64-bit ones: try again later"
    echo "$why" >"$reason32"
    echo "install-deps: $why. Going on with the 64-bit Windows build only (log: build/install-deps-i386.log)"
  fi
fi

# Wine takes its ANSI code page from the locale: the program's users run
# Windows-1250, so the Czech locale must exist.
if ! locale -a 2>/dev/null | grep -qi '^cs_CZ\.utf-\?8$'; then
  "${sudo_cmd[@]}" sed -i 's/^# *cs_CZ.UTF-8/cs_CZ.UTF-8/' /etc/locale.gen
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi

# The Node packages that package-lock.json pins (the page's bundler, its
# test drivers and mutation tester). npm writes
# node_modules/.package-lock.json last, so a newer lockfile means another
# install.
if [ ! "$root/node_modules/.package-lock.json" -nt "$root/package-lock.json" ]; then
  echo "install-deps: npm ci (the Node packages of package-lock.json; log: build/install-deps-npm.log)"
  (cd "$root" && npm ci --no-audit --no-fund) </dev/null >"$root/build/install-deps-npm.log" 2>&1 ||
    failed "$root/build/install-deps-npm.log" "npm ci"
fi
