#!/bin/sh
# Takes the README picture of the window: the window over a store of a few
# rows, shown on a virtual X server, with a window manager frame when openbox
# is installed (apt-get install xvfb fonts-wqy-microhei openbox).
#   tests/app/take_window_screenshot.sh BUILD_DIR [OUTPUT.png]
# BUILD_DIR must hold the target dbc_window_screenshot; OUTPUT.png defaults
# to docs/window.png.
set -eu

build=${1:?usage: take_window_screenshot.sh BUILD_DIR [OUTPUT.png]}
output=${2:-docs/window.png}
tool=$(realpath "$build/tests/app/dbc_window_screenshot")
output=$(realpath -m "$output")
work=$(mktemp -d /tmp/dbcompare.XXXXXX)
trap 'rm -rf "$work"' EXIT

xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    wm=""
    if command -v openbox >/dev/null 2>&1; then
        openbox >/dev/null 2>&1 &
        wm=$!
        sleep 1
    fi
    status=0
    "$0" "$1" "$2" || status=$?
    if [ -n "$wm" ]; then kill "$wm"; fi
    exit "$status"
' "$tool" "$work/Source.mdb" "$output"
echo "wrote $output"
