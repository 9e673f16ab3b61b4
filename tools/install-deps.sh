#!/usr/bin/env bash
# Installs everything Kalvor needs to build, run, test and package on Debian
# 12: the MinGW-w64 i686 cross toolchain, 32-bit and 64-bit Wine, a virtual X
# display, the native test libraries, zip, and unzip for checking a package;
# for the browser edition the WebAssembly C and C++ libraries for clang,
# Chromium, Node.js with npm when no node is on the PATH, and the Node
# packages of package-lock.json (npm ci). Does nothing when all of it is
# already there. The package manager's output goes to build/install-deps.log;
# one line says what is being installed.
set -euo pipefail

packages=(
  cmake make ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev libmpfr-dev libgmp-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 fonts-wine
  xvfb xauth x11-utils xdotool imagemagick locales clang-format zip unzip
  lld-14 wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32 libclang-rt-14-dev-wasm32
  chromium
)
# A node of another origin (a newer release installed by hand) is used as it
# is; Debian's own comes only where there is none.
if ! command -v node >/dev/null 2>&1; then packages+=(nodejs npm); fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  log=$(cd "$(dirname "$0")/.." && pwd)/build/install-deps.log
  mkdir -p "$(dirname "$log")"
  echo "install-deps: installing ${missing[*]} (log: build/install-deps.log)"
  export DEBIAN_FRONTEND=noninteractive
  if ! {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      "${sudo_cmd[@]}" dpkg --add-architecture i386
    fi
    "${sudo_cmd[@]}" apt-get update -q
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
  } </dev/null >"$log" 2>&1; then
    tail -n 20 "$log" >&2
    echo "install-deps: the installation failed; the whole output is in $log" >&2
    exit 1
  fi
fi

# Wine takes its ANSI code page from the locale: the program's users run
# Windows-1250, so the Czech locale must exist.
if ! locale -a 2>/dev/null | grep -qi '^cs_CZ\.utf-\?8$'; then
  "${sudo_cmd[@]}" sed -i 's/^# *cs_CZ.UTF-8/cs_CZ.UTF-8/' /etc/locale.gen
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi

# The browser edition's build bundles its script with esbuild, and its tests
# drive Chromium through playwright-core: the Node packages that
# package-lock.json pins. npm writes node_modules/.package-lock.json last,
# so a newer lockfile means another install.
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ! "$root/node_modules/.package-lock.json" -nt "$root/package-lock.json" ]; then
  echo "install-deps: npm ci (the Node packages of package-lock.json; log: build/install-deps-npm.log)"
  mkdir -p "$root/build"
  if ! (cd "$root" && npm ci --no-audit --no-fund) </dev/null >"$root/build/install-deps-npm.log" 2>&1; then
    tail -n 20 "$root/build/install-deps-npm.log" >&2
    echo "install-deps: npm ci failed; the whole output is in build/install-deps-npm.log" >&2
    exit 1
  fi
fi
