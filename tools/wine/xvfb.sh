# shellcheck shell=bash
# Sourced: a private virtual X display, xvfb_start [WxHxDEPTH] (sets DISPLAY
# and KALVOR_XVFB_PID) and xvfb_stop. Xvfb picks a free display number
# itself (-displayfd): a chroot with a /tmp of its own shares the machine's
# abstract X sockets, so a number that looks free from here may be taken.
xvfb_start() {
    local said n
    said=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${1:-1600x1200x24}" -nolisten tcp 3>"$said" </dev/null >/dev/null 2>&1 &
    KALVOR_XVFB_PID=$!
    while [ ! -s "$said" ] && kill -0 "$KALVOR_XVFB_PID" 2>/dev/null; do sleep 0.05; done
    n=$(cat "$said")
    rm -f "$said"
    if [ -z "$n" ]; then
        echo "xvfb: Xvfb did not start" >&2
        unset KALVOR_XVFB_PID
        return 1
    fi
    export DISPLAY=":$n" KALVOR_XVFB_PID
}

xvfb_stop() {
    if [ -n "${KALVOR_XVFB_PID:-}" ]; then
        kill "$KALVOR_XVFB_PID" 2>/dev/null || true
        wait "$KALVOR_XVFB_PID" 2>/dev/null || true
        unset KALVOR_XVFB_PID
    fi
}
