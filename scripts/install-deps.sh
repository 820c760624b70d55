#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, skipping
# what is already there. Run as root on Debian 12.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config python3
    qt6-base-dev libgl-dev qt6-translations-l10n
    unixodbc-dev tdsodbc freetds-bin
    libsqlite3-dev sqlite3 libsqliteodbc libicu-dev
    libgtest-dev libcli11-dev
    nlohmann-json3-dev libdtl-dev python3-jsonschema
    fonts-wqy-microhei xvfb xauth openbox
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "error: these packages are missing and installing them needs root: ${missing[*]}" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The FreeTDS ODBC driver registers itself on install; make sure the name the
# program asks for by default is known to unixODBC.
if ! odbcinst -q -d -n FreeTDS >/dev/null 2>&1; then
    driver=$(find /usr/lib -name libtdsodbc.so | head -n 1)
    printf '[FreeTDS]\nDescription=FreeTDS ODBC driver\nDriver=%s\n' "$driver" > /tmp/freetds-odbcinst.ini
    odbcinst -i -d -f /tmp/freetds-odbcinst.ini >/dev/null
fi
