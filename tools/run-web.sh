#!/usr/bin/env bash
# Builds Kalvor's browser edition (build/web/index.html) and opens it in the
# machine's browser when there is a display ($DISPLAY set). Without one it
# loads the page in headless Chromium, enters speed 100 and the three list
# entries, presses OK, prints the two results and saves a screenshot of the
# page as build/kalvor-web.png.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
echo "== build the page"
tools/build-web.sh
page=$PWD/build/web/index.html

if [ -n "${DISPLAY:-}" ]; then
    echo "== opening file://$page"
    if command -v xdg-open >/dev/null 2>&1 && [ "$(id -u)" -ne 0 ]; then
        xdg-open "$page"
    else
        # Chromium runs as root only without its sandbox.
        sandbox=()
        if [ "$(id -u)" -eq 0 ]; then sandbox=(--no-sandbox); fi
        chromium "${sandbox[@]}" "$page" >/dev/null 2>&1 &
    fi
    exit 0
fi

echo "== no display: a demonstration in headless Chromium"
node tools/web-demo.js build/kalvor-web.png
