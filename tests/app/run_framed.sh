#!/bin/sh
# Runs a window test program on a virtual X server with the openbox window
# manager, so that windows get a real frame:
#   tests/app/run_framed.sh PROGRAM [ARGUMENTS...]
set -eu
exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    status=0
    QT_QPA_PLATFORM=xcb "$@" || status=$?
    kill "$wm" 2>/dev/null || true
    exit "$status"
' sh "$@"
