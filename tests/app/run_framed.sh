#!/bin/sh
# Runs a window test program on a virtual X server with the openbox window
# manager, so that windows get a real frame:
#   tests/app/run_framed.sh PROGRAM [ARGUMENTS...]
# The program starts once the window manager has announced itself and set the
# work area on the root window, so that the first window it maps is framed
# and placed within that area.
set -eu
exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    openbox >/dev/null 2>&1 &
    wm=$!
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" &&
          xprop -root _NET_WORKAREA 2>/dev/null | grep -q "="; do
        if ! kill -0 "$wm" 2>/dev/null; then
            echo "the window manager did not start" >&2
            exit 1
        fi
        sleep 0.05
    done
    status=0
    QT_QPA_PLATFORM=xcb "$@" || status=$?
    kill "$wm" 2>/dev/null || true
    exit "$status"
' sh "$@"
