#!/usr/bin/env bash
# A mosquitto broker for the tests, on a free loopback port, with its
# configuration, persistence and log in DIR; DIR/port names the port.
#
#   mqtt_broker.sh start DIR [PORT]      (PORT: reuse a port, e.g. to restart)
#   mqtt_broker.sh stop DIR [SIGNAL]     (waits until the broker has exited)
set -euo pipefail
command=$1
dir=$2

accepts() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

start() {
    local port=$1
    cat >"$dir/mosquitto.conf" <<CONF
listener $port 127.0.0.1
allow_anonymous true
persistence true
persistence_location $dir/
max_queued_messages 0
pid_file $dir/pid
log_dest file $dir/log
user root
CONF
    rm -f "$dir/pid"
    mosquitto -c "$dir/mosquitto.conf" -d 2>>"$dir/log" || return 1
    for _ in $(seq 100); do
        accepts "$port" && { echo "$port" >"$dir/port"; return 0; }
        sleep 0.05
    done
    return 1
}

case "$command" in
start)
    mkdir -p "$dir"
    if [ $# -ge 3 ]; then
        start "$3"
        exit
    fi
    rm -f "$dir/mosquitto.db"
    for _ in $(seq 20); do
        port=$((20000 + RANDOM % 30000))
        accepts "$port" && continue
        start "$port" && exit 0
        [ -f "$dir/pid" ] && kill "$(cat "$dir/pid")" 2>/dev/null
    done
    echo "no broker could be started; see $dir/log" >&2
    exit 1
    ;;
stop)
    [ -f "$dir/pid" ] || exit 0
    pid=$(cat "$dir/pid")
    kill -"${3:-TERM}" "$pid" 2>/dev/null || exit 0
    for _ in $(seq 200); do
        kill -0 "$pid" 2>/dev/null || exit 0
        sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null || true
    ;;
esac
