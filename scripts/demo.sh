#!/usr/bin/env bash
# Installs what is missing, builds, and shows the main job end to end without a
# SQL Server: the project's test server serves two releases of an hrms
# database; the newer is captured into a snapshot, the older is compared with
# it, given a few rows, checked for values the script would lose, executed,
# and a second compare shows what is left.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh dbcompare dbcompare-testserver

bin=build/app/dbcompare
server=build/testserver/dbcompare-testserver
work=$(mktemp -d)
server_pid=
cleanup() {
    if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

step() { printf '\n== %s\n' "$*"; }

step "Building the two demo databases (hrms_new: newer release, hrms: older release)"
"$server" --data "$work/data" --load hrms_new=tests/fixtures/hrms_new.sql --load hrms=tests/fixtures/hrms_old.sql
ls "$work/data"

step "Starting the test server on a free port of 127.0.0.1"
mkfifo "$work/ready"
"$server" --data "$work/data" --port 0 > "$work/ready" &
server_pid=$!
read -r line < "$work/ready"
echo "$line"
port=${line##*:}
export DBCOMPARE_PASSWORD=
conn=(-S "127.0.0.1,$port" -U sa)
store="$work/Source.mdb"

step "dbcompare capture -d hrms_new: the newer database into the snapshot $store"
"$bin" capture "${conn[@]}" -d hrms_new --store "$store"
"$bin" show --store "$store"

step "dbcompare compare -d hrms: the script that brings the older database into line"
"$bin" compare "${conn[@]}" -d hrms --store "$store"

step "dbcompare exec-one -d hrms: the older database holds rows"
"$bin" exec-one "${conn[@]}" -d hrms "INSERT INTO Department (DeptName) VALUES (N'研发部')
INSERT INTO Employee (EmpCode, EmpName, Gender, HireDate, DeptNo, OldDeptCode) VALUES ('E001', N'张三', 'M', '20200101', 1, 'D01')
INSERT INTO Employee (EmpCode, EmpName, Gender, HireDate, DeptNo, OldDeptCode) VALUES ('E002', N'李四', 'F?', '20210301', 1, NULL)"

step "dbcompare execute -d hrms: the data check counts the rows whose values would be lost; nothing runs"
"$bin" execute "${conn[@]}" -d hrms --store "$store" || echo "(exit status $?: values would be lost, nothing was run)"

step "dbcompare execute --allow-data-loss -d hrms: run it; values are cut to fit first, refusals reported"
"$bin" execute "${conn[@]}" -d hrms --store "$store" --allow-data-loss || echo "(exit status $?: some statements were refused)"

step "dbcompare compare -d hrms again: only what the server refused is left"
"$bin" compare "${conn[@]}" -d hrms --store "$store"

cat <<'TEXT'

== Next steps
Open the window:   build/app/dbcompare          (Source.mdb is kept beside the program)
Real SQL Server:   build/app/dbcompare compare -S myserver -d hrms -U sa
                   Server forms: host, host,port, host\instance, "." or "(local)" for this machine.
                   The FreeTDS ODBC driver is used by default; set DBCOMPARE_ODBC_DRIVER to use
                   another, e.g. DBCOMPARE_ODBC_DRIVER="ODBC Driver 18 for SQL Server".
TEXT
