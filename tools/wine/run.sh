#!/usr/bin/env bash
# Runs one Windows executable under Wine in Kalvor's test environment (the
# prefix the caller selected, by default the one the host runs); CMake uses
# it as the cross-compiling emulator, so ctest can run Windows tests. Without
# a session (tools/wine/session.sh), it sets up the environment itself, with
# a display for this run only.
set -euo pipefail
# A 64-bit program (machine 0x8664 in its PE header) runs only in the 64-bit
# prefix, and under Wine's 64-bit loader: Debian's wine would start the
# 32-bit loader wherever that runs, which then makes a second process for it.
loader=wine
pe_header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
if [ -n "$pe_header" ] && [ "$(od -An -tx2 -j$((pe_header + 4)) -N2 "$1" | tr -d ' ')" = 8664 ]; then
    loader=/usr/lib/wine/wine64
fi
if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    if [ "$loader" != wine ]; then export KALVOR_WINEARCH=${KALVOR_WINEARCH:-win64}; fi
    # shellcheck source=tools/wine/session.sh
    source "$(dirname "$0")/session.sh"
    [ -n "${DISPLAY:-}" ] || { wine_display_start && trap xvfb_stop EXIT; }
    wine_prefix_prepare
fi
export LC_ALL=cs_CZ.UTF-8 WINEARCH=${WINEARCH:-win32} WINEDEBUG=${WINEDEBUG:--all}
"$loader" "$@"
