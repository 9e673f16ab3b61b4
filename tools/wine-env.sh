# Sourced by the build and test scripts: the environment in which Kalvor's
# Windows executables run under 32-bit Wine, and the functions that start and
# stop a session (private prefix, virtual display, persistent Wine server).
#
#   source tools/wine-env.sh
#   wine_session_start          # prefix, registry, Xvfb (if needed), server
#   wine ...                    # or tools/wine-run.sh ...
#   wine_session_stop

kalvor_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

export WINEPREFIX=${WINEPREFIX:-$kalvor_root/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
# The ANSI code page comes from the locale: Windows-1250, as the program's
# users have it.
export LC_ALL=cs_CZ.UTF-8

# Starts a virtual X display of its own unless KALVOR_DISPLAY names one to use.
wine_display_start() {
    if [ -n "${KALVOR_DISPLAY:-}" ]; then
        export DISPLAY=$KALVOR_DISPLAY
        return
    fi
    local n free=
    for n in $(seq 91 140); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            free=$n
            break
        fi
    done
    if [ -z "$free" ]; then
        echo "wine-env: no free display number between :91 and :140" >&2
        return 1
    fi
    n=$free
    Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    KALVOR_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && return
        sleep 0.05
    done
    echo "wine-env: Xvfb did not start on :$n" >&2
    return 1
}

# Creates the prefix once, with the settings that keep tests fast and their
# pixels exact: no window-manager waits when a window closes, and the dialog
# font drawn as Tahoma without anti-aliasing.
wine_prefix_prepare() {
    local stamp=$WINEPREFIX/.kalvor-ready
    [ -f "$stamp" ] && return
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1
    local reg=$WINEPREFIX/kalvor.reg
    cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"Microsoft Sans Serif"="Tahoma"
"MS Shell Dlg"="Tahoma"
REG
    wine regedit /S "$reg" </dev/null >/dev/null 2>&1
    wineserver -w
    touch "$stamp"
}

wine_session_start() {
    wine_display_start || return 1
    wine_prefix_prepare
    # A persistent server, with every stream redirected: otherwise each wine
    # start costs seconds and the server holds the caller's pipes open. It
    # fails harmlessly when a server already serves this prefix.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    # The first program of a session starts Wine's background services, which
    # inherit its streams: start them here, detached, so that no test runner
    # ends up waiting for a pipe that a service holds open.
    wine wineboot </dev/null >/dev/null 2>&1 || true
}

wine_session_stop() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    if [ -n "${KALVOR_XVFB_PID:-}" ]; then
        kill "$KALVOR_XVFB_PID" 2>/dev/null || true
        wait "$KALVOR_XVFB_PID" 2>/dev/null || true
        unset KALVOR_XVFB_PID
    fi
}
