#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo run need, only those missing.
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-translations-l10n libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libsqlite3-dev sqlite3 unixodbc-dev libicu-dev libssl-dev libjemalloc-dev
    libxlsxwriter-dev poppler-utils unzip
    dpkg-dev lintian
    postgresql odbc-postgresql
    xvfb xauth
    clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages need root: run as root or install them: ${missing[*]}" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    # The tests run a PostgreSQL cluster of their own (scripts/odbc-server.sh); the
    # package's default cluster would be one more server left running.
    if [[ " ${missing[*]} " == *" postgresql "* ]] && [ ! -e /etc/postgresql-common/createcluster.conf ]; then
        mkdir -p /etc/postgresql-common
        echo "create_main_cluster = false" > /etc/postgresql-common/createcluster.conf
    fi
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends -o Dpkg::Options::=--force-confold "${missing[@]}"
fi
