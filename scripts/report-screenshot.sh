#!/usr/bin/env bash
# Makes the difference report of the demo databases (scripts/demo.sh) for
# three targets (the older release, an up-to-date copy and a server that does
# not answer), opens it in headless Chromium, checks that the page loads
# without an error, and keeps the picture as docs/report.png.
# Needs the Debian package chromium (not needed by the test suite).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v chromium >/dev/null || { echo "error: install chromium (apt-get install chromium)" >&2; exit 1; }
bash scripts/build.sh dbcompare dbcompare-testserver >/dev/null

bin=build/app/dbcompare
server=build/testserver/dbcompare-testserver
work=$(mktemp -d)
server_pid=
cleanup() {
    if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

"$server" --data "$work/data" --load hrms_new=tests/fixtures/hrms_new.sql \
    --load hrms=tests/fixtures/hrms_old.sql --load hrms_copy=tests/fixtures/hrms_new.sql >/dev/null
mkfifo "$work/ready"
"$server" --data "$work/data" --port 0 > "$work/ready" &
server_pid=$!
read -r line < "$work/ready"
port=${line##*:}
export DBCOMPARE_PASSWORD=
"$bin" capture -S "127.0.0.1,$port" -U sa -d hrms_new --store "$work/Source.mdb" >/dev/null
cat > "$work/targets.txt" <<TARGETS
-S 127.0.0.1,$port -d hrms -U sa
-S 127.0.0.1,$port -d hrms_copy -U sa
-S 127.0.0.1,1 -d hrms -U sa    # nothing listens there
TARGETS
"$bin" compare --targets "$work/targets.txt" --out "$work/out" --store "$work/Source.mdb" \
    --report "$work/report.html" || true

# A fresh profile each time; nothing that reaches the network.
shoot() { # URL PICTURE HEIGHT
    rm -rf "$work/profile"
    chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$work/profile" \
        --hide-scrollbars --window-size="1200,$3" --enable-logging=stderr --v=0 \
        --screenshot="$2" "$1" > "$work/chromium.log" 2>&1
    # The page has no script and loads nothing; any console message or failed
    # load is an error of the page.
    if grep -E "CONSOLE|Failed to load|ERR_FILE|ERR_BLOCKED|Uncaught" "$work/chromium.log"; then
        echo "error: the report page did not load cleanly" >&2
        exit 1
    fi
}
shoot "file://$work/report.html" docs/report.png 1500
# The procedures, views and triggers of the first target (their line diffs):
# a copy of the page with everything before them hidden.
sed 's|</head>|<style>body>*,section>*{display:none}body>section#target-1{display:block}#target-1-module,#target-1-module~*{display:block}</style></head>|' \
    "$work/report.html" > "$work/modules.html"
shoot "file://$work/modules.html" docs/report-modules.png 1300
echo "docs/report.png and docs/report-modules.png written; the page loaded without errors"
