#!/bin/sh
# Starts or stops a throwaway PostgreSQL cluster in FOLDER, reached only through a Unix socket in
# that folder. The server refuses to run as root, so as root it runs as the postgres user.
set -eu
what=$1 dir=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bin" ] || { echo "no PostgreSQL server programs (Debian package postgresql)" >&2; exit 1; }
as_server() { if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }
case $what in
start)
    # A cluster left running there (a run cut short) goes first.
    if [ -d "$dir/data" ]; then as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true; fi
    rm -rf "$dir"
    mkdir -p "$dir"
    chmod 700 "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
    as_server "$bin/initdb" -D "$dir/data" -U velkard --auth=trust -E UTF8 --no-locale >/dev/null
    as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/log" -w \
        -o "-k $dir -c listen_addresses= -c fsync=off -c max_connections=300" start >/dev/null ;;
stop)
    if [ -d "$dir/data" ]; then as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null || true; fi
    rm -rf "$dir" ;;
*)
    echo "usage: $0 start|stop FOLDER" >&2
    exit 2 ;;
esac
