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

tools/install-deps.sh
echo "== build the page"
npm run --silent build
address=file://$PWD/build/web/index.html
if [ "${1:-}" = "--serve" ]; then
    address=http://127.0.0.1:${2:-8021}/
    node tools/web/serve.js build/web "${2:-8021}" &
    server=$!
    trap 'kill "$server" 2>/dev/null || true' EXIT
    # The browser is opened once the server accepts connections.
    until (exec 3<>"/dev/tcp/127.0.0.1/${2:-8021}") 2>/dev/null; do
        kill -0 "$server" 2>/dev/null || exit 1
        sleep 0.1
    done
fi

if [ -n "${DISPLAY:-}" ]; then
    echo "== opening $address"
    # Chromium runs as root only without its sandbox.
    if command -v xdg-open >/dev/null 2>&1 && [ "$(id -u)" -ne 0 ]; then
        xdg-open "$address"
    else
        chromium $([ "$(id -u)" -ne 0 ] || echo --no-sandbox) "$address" >/dev/null 2>&1 &
    fi
elif [ -z "${server:-}" ]; then
    echo "== no display: a demonstration in headless Chromium"
    node tools/web/demo.js build/kalvor-web.png
fi
[ -z "${server:-}" ] || wait "$server"
