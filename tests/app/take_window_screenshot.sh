#!/bin/sh
# Takes the README pictures of the window on a virtual X server, with a window
# manager frame when openbox is installed (apt-get install xvfb
# fonts-wqy-microhei openbox):
#   window.png          the window over a store of a few rows, as at start-up
#   window-capture.png  the window during a capture from the test server, its
#                       progress bar part way through the column rows
#   window-maximised.png  the window maximised after a capture and a compare
#                       with an older database, the script in the text box
#   tests/app/take_window_screenshot.sh BUILD_DIR [OUTPUT_DIR]
# BUILD_DIR must hold the targets dbc_window_screenshot and
# dbcompare-testserver; OUTPUT_DIR defaults to docs.
set -eu

build=${1:?usage: take_window_screenshot.sh BUILD_DIR [OUTPUT_DIR]}
outdir=$(realpath -m "${2:-docs}")
mkdir -p "$outdir"
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
tool=$(realpath "$build/tests/app/dbc_window_screenshot")
server=$(realpath "$build/testserver/dbcompare-testserver")
work=$(mktemp -d /tmp/dbcompare.XXXXXX)
server_pid=""
cleanup() {
    if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# A source large enough for the bar to be seen moving: the personnel schema
# and 300 further tables of 8 columns.
mkdir -p "$work/data"
{
    cat "$source_dir/tests/fixtures/hrms_new.sql"
    i=1
    while [ "$i" -le 300 ]; do
        printf 'CREATE TABLE [dbo].[Archive%03d] (\n' "$i"
        printf '\t[Id] [int] NOT NULL ,\n\t[Code] [varchar] (20) NULL ,\n'
        printf '\t[Name] [nvarchar] (40) NULL ,\n\t[Amount] [money] NULL ,\n'
        printf '\t[Rate] [decimal] (9, 2) NULL ,\n\t[Note] [text] NULL ,\n'
        printf '\t[Flag] [bit] NOT NULL ,\n\t[Stamp] [datetime] NULL\n) ON [PRIMARY]\nGO\n\n'
        i=$((i + 1))
    done
} > "$work/hrms.sql"
"$server" --data "$work/data" --load "hrms=$work/hrms.sql" >/dev/null
"$server" --data "$work/data" --load "hrms_old=$source_dir/tests/fixtures/hrms_old.sql" >/dev/null

"$server" --data "$work/data" --port 0 --user sa --password pw > "$work/server.out" &
server_pid=$!
port=""
for _ in $(seq 50); do
    port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/server.out")
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || { echo "the test server did not start" >&2; exit 1; }

xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    wm=""
    if command -v openbox >/dev/null 2>&1; then
        openbox >/dev/null 2>&1 &
        wm=$!
        until xprop -root _NET_WORKAREA 2>/dev/null | grep -q "="; do sleep 0.05; done
    fi
    status=0
    "$0" "$1/start.mdb" "$2/window.png" || status=$?
    if [ "$status" -eq 0 ]; then
        "$0" "$1/capture.mdb" "$2/window-capture.png" "127.0.0.1,$3" hrms sa pw || status=$?
    fi
    if [ "$status" -eq 0 ]; then
        "$0" "$1/maximised.mdb" "$2/window-maximised.png" "127.0.0.1,$3" hrms sa pw hrms_old ||
            status=$?
    fi
    if [ -n "$wm" ]; then kill "$wm"; fi
    exit "$status"
' "$tool" "$work" "$outdir" "$port"
echo "wrote $outdir/window.png, $outdir/window-capture.png and $outdir/window-maximised.png"
