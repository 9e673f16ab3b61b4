# shellcheck shell=bash
# Sourced by the run, stress and test commands: the environment in which
# Kalvor's Windows programs run under Wine, the choice of the build a host
# runs, and a session (private prefix, virtual display, persistent Wine
# server): source it, wine_env_select win64 (optional), wine_session_start,
# wine ... or tools/wine/run.sh ..., wine_session_stop (which stops only the
# server and display it started). build/wineprefix is 32-bit Windows;
# build/wineprefix64 is 64-bit Windows, where 32-bit programs run through
# the 32-bit subsystem as on most Windows installations; KALVOR_WINEARCH=win64
# selects it, and so does a host that runs no 32-bit program.

kalvor_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=tools/wine/xvfb.sh
source "$kalvor_root/tools/wine/xvfb.sh"

# Selects the prefix of a Windows architecture, win32 or win64; a name after
# it gives a prefix of that name apart, with a Wine server and desktop of its
# own (the run command's, whose input must not reach the tests' windows).
wine_env_select() {
    case $1 in
        win32) export WINEPREFIX=$kalvor_root/build/wineprefix${2:+-$2} ;;
        win64) export WINEPREFIX=$kalvor_root/build/wineprefix64${2:+-$2} ;;
        *) echo "wine: unknown Windows architecture '$1' (win32 or win64)" >&2 && return 1 ;;
    esac
    export WINEARCH=$1
}

# Whether this host runs 32-bit x86 programs, asked once of Wine's 32-bit
# loader: some kernels refuse them all ("Exec format error"), although they
# run 64-bit Windows programs under Wine's 64-bit loader; and on a day when
# the Debian mirror's 32-bit packages lag, tools/install-deps.sh cannot
# install the 32-bit Wine at all. KALVOR_NO_I386=1 answers no on any host.
# Why not is kept in KALVOR_I386_REFUSAL, a clause in the host's own words.
wine_host_runs_i386() {
    if [ -z "${KALVOR_RUNS_I386:-}" ]; then
        local said
        KALVOR_RUNS_I386=no
        if [ "${KALVOR_NO_I386:-}" = 1 ]; then
            KALVOR_I386_REFUSAL="KALVOR_NO_I386=1 is set"
        elif [ ! -e /usr/lib/wine/wine ]; then
            KALVOR_I386_REFUSAL=$(cat "$kalvor_root/build/install-deps-i386.txt" 2>/dev/null ||
                echo "the 32-bit Wine (wine32:i386) is not installed")
        elif said=$(/usr/lib/wine/wine --version 2>&1 </dev/null); then
            KALVOR_RUNS_I386=yes
        else
            KALVOR_I386_REFUSAL="this host runs no 32-bit x86 program (/usr/lib/wine/wine --version: ${said##*: })"
        fi
        export KALVOR_RUNS_I386 KALVOR_I386_REFUSAL
    fi
    [ "$KALVOR_RUNS_I386" = yes ]
}

# The Windows build this host runs: the 32-bit one, or where no 32-bit
# program runs, the same sources built for 64-bit Windows.
wine_preset() {
    if wine_host_runs_i386; then echo win32; else echo win64; fi
}

# Configures and builds a preset, quietly but for the build's own lines;
# further arguments go to the build (--target ...).
build_preset() {
    cmake --preset "$1" >/dev/null && cmake --build --preset "$@"
}

# Where 32-bit programs do not run, every Wine command goes to the 64-bit
# loader: Debian's wine (and wineboot and regedit, which call it) would pick
# the 32-bit one whenever it is installed, even where it cannot start.
if ! wine_host_runs_i386; then
    kalvor_loader_dir=$kalvor_root/build/wine64-loader
    if [ ! -x "$kalvor_loader_dir/wine-stable" ]; then
        mkdir -p "$kalvor_loader_dir"
        printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$kalvor_loader_dir/wine"
        chmod 0755 "$kalvor_loader_dir/wine"
        ln -sf wine "$kalvor_loader_dir/wine-stable"
    fi
    case ":$PATH:" in *":$kalvor_loader_dir:"*) ;; *) export PATH=$kalvor_loader_dir:$PATH ;; esac
    export WINELOADER=/usr/lib/wine/wine64
fi

if [ -n "${KALVOR_WINEARCH:-}" ]; then
    wine_env_select "$KALVOR_WINEARCH"
elif [ -z "${WINEPREFIX:-}" ]; then
    wine_env_select "$(wine_preset)"
fi
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
# The ANSI code page comes from the locale: Windows-1250, as the program's
# users have it (a shell started before install-deps made the locale only
# warns: the programs it starts find it).
export LC_ALL=cs_CZ.UTF-8 2>/dev/null

# A virtual X display of its own unless KALVOR_DISPLAY names one to use.
wine_display_start() {
    if [ -n "${KALVOR_DISPLAY:-}" ]; then
        export DISPLAY=$KALVOR_DISPLAY
    else
        xvfb_start 1600x1200x24
    fi
}

# Wine's symbol font draws the caption buttons ("0 1 r" without it): Debian's
# Wine 8 loads none of its own fonts, but one in the prefix's Fonts folder.
kalvor_marlett=/usr/share/wine/fonts/marlett.ttf
# The file that marks a prefix as made with the settings below; a prefix made
# before a setting was added is made again.
kalvor_prefix_stamp=.kalvor-ready-2

# Creates the prefix once, with the settings that keep tests fast and their
# pixels exact: no window-manager waits when a window closes, no debugger for
# a crash (it would hold the test runner's pipe until a time-out), and the
# dialog fonts mapped to Tahoma (which Debian's Wine 8 would not load). A
# 64-bit prefix made without 32-bit programs at hand (the stamp says) has no
# 32-bit subsystem, so once they run it is made anew.
wine_prefix_prepare() {
    local stamp=$WINEPREFIX/$kalvor_prefix_stamp fonts=$WINEPREFIX/drive_c/windows/Fonts
    if [ "$WINEARCH" = win64 ] && grep -qsx without-i386 "$stamp" && wine_host_runs_i386; then
        wineserver -k </dev/null >/dev/null 2>&1 || true
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$stamp" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i </dev/null >/dev/null 2>&1
        cat >"$WINEPREFIX/kalvor.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"=""

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"Microsoft Sans Serif"="Tahoma"
"MS Shell Dlg"="Tahoma"
REG
        wine regedit /S "$WINEPREFIX/kalvor.reg" </dev/null >/dev/null 2>&1
        wineserver -w
        if wine_host_runs_i386; then echo with-i386; else echo without-i386; fi >"$stamp"
    fi
    [ -f "$fonts/marlett.ttf" ] && return
    if [ ! -f "$kalvor_marlett" ]; then
        echo "wine: $kalvor_marlett is missing (package fonts-wine)" >&2
        return 1
    fi
    mkdir -p "$fonts" && cp "$kalvor_marlett" "$fonts/"
}

# A persistent server, with every stream redirected: otherwise each wine
# start costs seconds and the server holds the caller's pipes open. Where a
# server already serves the prefix (another command's session), it is used
# and left running when this session stops. The first program of a session
# starts Wine's background services, which inherit its streams: they are
# started here, detached, so that no test runner waits for a pipe they hold.
wine_session_start() {
    wine_display_start || return 1
    wine_prefix_prepare || return 1
    KALVOR_OWN_SERVER=
    if wineserver -p </dev/null >/dev/null 2>&1; then KALVOR_OWN_SERVER=$WINEPREFIX; fi
    wine wineboot </dev/null >/dev/null 2>&1 || true
}

wine_session_stop() {
    if [ -n "${KALVOR_OWN_SERVER:-}" ]; then
        WINEPREFIX=$KALVOR_OWN_SERVER wineserver -k </dev/null >/dev/null 2>&1 || true
        KALVOR_OWN_SERVER=
    fi
    xvfb_stop
}
