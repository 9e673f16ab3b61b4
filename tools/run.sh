#!/usr/bin/env bash
# Builds Kalvor for 32-bit Windows and starts it under Wine, in the Czech
# locale (Windows code page 1250) that its texts are written for; on a host
# that runs no 32-bit x86 program (or with KALVOR_NO_I386=1), the same
# sources built for 64-bit Windows, under Wine's 64-bit loader.
#
# With a display ($DISPLAY set) the window opens there for you to use.
# Without one, a demonstration plays on a virtual display: the speed and the
# list entries, OK, the results printed, a screenshot saved as
# build/kalvor-window.png, and the exit question answered. The exit status
# printed is the identifier of the command that closed the window (2:
# Storno, Esc, Alt+F4, the close box; 2000: Ukončit), not an error.
# KALVOR_WINEARCH=win64 runs the program as 64-bit Windows does.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
if [ -n "${DISPLAY:-}" ]; then export KALVOR_DISPLAY=$DISPLAY; fi
# shellcheck source=tools/wine/session.sh
source tools/wine/session.sh
preset=$(wine_preset)
[ "$preset" = win32 ] || echo "run: $KALVOR_I386_REFUSAL; the 64-bit Windows build runs instead"
# A prefix of its own, apart from the tests': the window and the
# demonstration's keys never meet theirs, whatever runs beside.
wine_env_select "$WINEARCH" run

echo "== build ($preset preset)"
build_preset "$preset" --target kalvor $([ -n "${KALVOR_DISPLAY:-}" ] || echo kalvor_demo)
exe=$PWD/build/$preset/ui/kalvor.exe

trap wine_session_stop EXIT
echo "== starting the Wine session$([ -f "$WINEPREFIX/$kalvor_prefix_stamp" ] || echo " (preparing its prefix $WINEPREFIX, once)")"
if ! wine_session_start; then
    echo "run: the Wine session could not be set up" >&2
    exit 1
fi

if [ -n "${KALVOR_DISPLAY:-}" ]; then
    echo "== Kalvor runs on $DISPLAY; close it to finish"
    status=0
    wine "$exe" </dev/null >/dev/null 2>&1 || status=$?
    # A Linux exit status keeps only the low 8 bits: 2000 shows as 208.
    case $status in
        2) echo "Kalvor ended with exit status 2: closed by Storno, Esc, Alt+F4 or the close box (the status is the closing command's identifier)" ;;
        208) echo "Kalvor ended with exit status 2000 (208 in 8 bits): closed by the menu's Ukončit (the status is the closing command's identifier)" ;;
        *) echo "Kalvor ended with exit status $status" ;;
    esac
    exit 0
fi

echo "== no display: a demonstration on a virtual display"
log=build/kalvor-demo.log go=build/kalvor-demo.go png=build/kalvor-window.png
rm -f "$go" "$png"
: >"$log"
wine "build/$preset/tests/e2e/kalvor_demo.exe" "$exe" "$PWD/$go" </dev/null >"$log" 2>&1 &
demo=$!
# The demo prints the window's rectangle once the results are on screen and
# then waits for the go-ahead file: the screenshot is taken in between.
rect=
while [ -z "$rect" ] && kill -0 "$demo" 2>/dev/null; do
    sleep 0.1
    rect=$(sed -n 's/^window \([0-9-]* [0-9-]* [0-9]* [0-9]*\).*/\1/p' "$log")
done
shown=$(grep -n '^window ' "$log" | cut -d: -f1 || true)
if [ -n "$rect" ]; then
    read -r x y w h <<<"$rect"
    head -n "$shown" "$log"
    import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$png"
    echo "screenshot of the window saved to $PWD/$png"
fi
touch "$go"
status=0
wait "$demo" || status=$?
tail -n +"$((${shown:-0} + 1))" "$log"
rm -f "$go"
if [ "$status" -ne 0 ] || [ -z "$rect" ]; then
    echo "run: the demonstration failed (status $status)" >&2
    exit 1
fi
echo "demonstration done: Kalvor's exit status is the identifier of the command that closed it (2 = Storno or the close box), not an error"
