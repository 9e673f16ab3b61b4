#!/usr/bin/env bash
# Builds Kalvor's browser edition (build/web/index.html) and opens it in the
# machine's browser when there is a display ($DISPLAY set). Without one it
# loads the page in headless Chromium, enters speed 100 and the three list
# entries, presses OK, prints the three results and saves a screenshot of
# the page as build/kalvor-web.png.
#
#   tools/run-web.sh                  the page from disk, as above
#   tools/run-web.sh --serve [port]   the page served from build/web on
#                                     127.0.0.1 (port 8021 unless given),
#                                     where it can be installed and works
#                                     offline once visited; opened in the
#                                     browser when there is a display;
#                                     Ctrl+C stops the server
set -euo pipefail
cd "$(dirname "$0")/.."

serve=
port=8021
if [ "${1:-}" = "--serve" ]; then
    serve=1
    port=${2:-$port}
fi

tools/install-deps.sh
echo "== build the page"
tools/build-web.sh
page=$PWD/build/web/index.html

# Opens an address in the machine's browser; Chromium runs as root only
# without its sandbox.
open_in_browser() {
    if command -v xdg-open >/dev/null 2>&1 && [ "$(id -u)" -ne 0 ]; then
        xdg-open "$1"
    else
        sandbox=()
        if [ "$(id -u)" -eq 0 ]; then sandbox=(--no-sandbox); fi
        chromium "${sandbox[@]}" "$1" >/dev/null 2>&1 &
    fi
}

if [ -n "$serve" ]; then
    node tools/serve-web.js build/web "$port" &
    server=$!
    trap 'kill "$server" 2>/dev/null || true' EXIT
    # The browser is opened once the server accepts connections.
    for _ in $(seq 50); do
        if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then break; fi
        sleep 0.1
    done
    if [ -n "${DISPLAY:-}" ]; then
        echo "== opening http://127.0.0.1:$port/"
        open_in_browser "http://127.0.0.1:$port/"
    fi
    wait "$server"
    exit
fi

if [ -n "${DISPLAY:-}" ]; then
    echo "== opening file://$page"
    open_in_browser "$page"
    exit 0
fi

echo "== no display: a demonstration in headless Chromium"
node tools/web-demo.js build/kalvor-web.png
