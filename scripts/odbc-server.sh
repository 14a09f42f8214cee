#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the ODBC tests and benchmarks.
#   start DIR  initdb into DIR, listen on a Unix socket in DIR only (no TCP port),
#              create the database "zalvert", write DIR/odbcinst.ini and DIR/odbc.ini
#              with the data source "ZalvertTest", and print the variables to export.
#   stop DIR   stop the server and remove DIR.
# The tests' cluster skips fsync (it is thrown away); benchmarks set
# ZALVERT_SERVER_FSYNC=on so that the server keeps what it commits, as the
# database file does.
# As root, the server runs as the account "postgres", which PostgreSQL requires.
set -euo pipefail
action=${1:-}
dir=${2:-}
if [ -z "$action" ] || [ -z "$dir" ]; then
    echo "usage: odbc-server.sh start|stop DIR" >&2
    exit 2
fi
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ]; then
    echo "odbc-server.sh: no PostgreSQL server installed (scripts/install-deps.sh installs it)" >&2
    exit 1
fi
port=54329
fsync=${ZALVERT_SERVER_FSYNC:-off}
as_server() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case "$action" in
start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
    as_server "$bin/initdb" -D "$dir/data" -A trust -U zalvert -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log"
    as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
        -o "-c listen_addresses='' -k $dir -p $port -c fsync=$fsync" start >/dev/null
    as_server "$bin/createdb" -h "$dir" -p "$port" -U zalvert zalvert
    driver=$(ls /usr/lib/*/odbc/psqlodbca.so 2>/dev/null | head -n 1)
    if [ -z "$driver" ]; then
        echo "odbc-server.sh: the PostgreSQL ODBC driver (odbc-postgresql) is missing" >&2
        exit 1
    fi
    cat >"$dir/odbcinst.ini" <<INI
[PostgreSQL]
Description=PostgreSQL ODBC driver (ANSI: texts pass as UTF-8)
Driver=$driver
INI
    cat >"$dir/odbc.ini" <<INI
[ZalvertTest]
Driver=PostgreSQL
Servername=$dir
Port=$port
Database=zalvert
Username=zalvert
BoolsAsChar=0
ConnSettings=SET client_encoding TO 'UTF8'
INI
    chmod a+r "$dir/odbcinst.ini" "$dir/odbc.ini"
    echo "export ODBCSYSINI=$dir ODBCINI=$dir/odbc.ini ZALVERT_TEST_ODBC='odbc;DSN=ZalvertTest;UID=zalvert'"
    ;;
stop)
    if [ -d "$dir/data" ]; then
        as_server "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true
    fi
    rm -rf "$dir"
    ;;
*)
    echo "usage: odbc-server.sh start|stop DIR" >&2
    exit 2
    ;;
esac
