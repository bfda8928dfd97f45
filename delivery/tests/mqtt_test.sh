#!/usr/bin/env bash
# Delivery through a real mosquitto broker, end to end:
#   mqtt_test.sh VKERR PUBLISHER BROKER_DIR CASE
# BROKER_DIR is the fixture broker's folder (its port in BROKER_DIR/port);
# the restart cases start a broker of their own. Messages carry "node N seq S";
# the collector writes tab-separated rows whose last column is that text.
set -uo pipefail
vkerr=$1
publisher=$2
broker_dir=$3
case_name=$4
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    [ -f "$work/broker/pid" ] && bash "$here/mqtt_broker.sh" stop "$work/broker" KILL
    [ -n "${KEEP_WORK:-}" ] && cat "$work"/*.err >&2; rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL [$case_name]: $*" >&2; tail -n 5 "$work"/*.err >&2 2>/dev/null; exit 1; }
port=$(cat "$broker_dir/port" 2>/dev/null)
topic_root="$case_name$$"

# collect NAME ARGS...: a collector in the background, writing NAME.rows.
collect() {
    local name=$1
    shift
    "$vkerr" collect --broker "127.0.0.1:$port" --tabbed --output "$work/$name.rows" "$@" 2>>"$work/$name.err" &
    pids+=($!)
    eval "${name}_pid=$!"
    for _ in $(seq 200); do
        [ "$(grep -c subscribed "$work/$name.err" 2>/dev/null)" -ge "${subscriptions:-1}" ] && return 0
        sleep 0.05
    done
    fail "$name did not subscribe"
}
publish() { "$publisher" 127.0.0.1 "$port" "$topic_root" "$@" 2>>"$work/publishers.err"; }
unique() { cat "$work"/*.rows 2>/dev/null | cut -f9 | sort -u | wc -l; }
# Waits until EXPECTED different messages arrived, then stops the collectors.
await() {
    for _ in $(seq 600); do
        [ "$(unique)" -ge "$1" ] && break
        sleep 0.1
    done
    for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
    pids=()
}
# Every one of NODES x COUNT messages present, at most once per file.
check_all() {
    local nodes=$1 count=$2 expected=$(($1 * $2))
    [ "$(unique)" -eq "$expected" ] || fail "$(unique) of $expected messages arrived"
    for node in $(seq "$nodes"); do
        for seq in 0 $((count / 2)) $((count - 1)); do
            grep -qP "\tnode $node seq $seq\$" "$work"/*.rows || fail "node $node seq $seq is missing"
        done
    done
    local rows
    rows=$(cat "$work"/*.rows | wc -l)
    echo "$expected messages, $((rows - expected)) duplicate(s)"
    ! grep -q "malformed [1-9]" "$work"/*.err || fail "malformed payloads"
}

case "$case_name" in
many_publishers)
    collect c --topic "$topic_root/#"
    publishers=()
    for node in 1 2 3 4; do
        publish "$node" 2500 &
        publishers+=($!)
    done
    for pid in "${publishers[@]}"; do wait "$pid" || fail "publisher failed"; done
    await 10000
    check_all 4 2500
    ;;
broker_restart)
    bash "$here/mqtt_broker.sh" start "$work/broker" || fail "no broker"
    port=$(cat "$work/broker/port")
    collect c --topic "$topic_root/#" --client-id "restart-$$"
    publish 1 2500 400 &
    publisher_pid=$!
    sleep 0.4
    bash "$here/mqtt_broker.sh" stop "$work/broker" TERM
    sleep 0.3
    bash "$here/mqtt_broker.sh" start "$work/broker" "$port" || fail "the broker did not come back"
    wait "$publisher_pid" || fail "the publisher lost messages: $(cat "$work/publishers.err")"
    await 2500
    check_all 1 2500
    ;;
collector_restart)
    collect c --topic "$topic_root/#" --client-id "collector-$$"
    publish 1 2500 400 &
    publisher_pid=$!
    sleep 0.4
    kill -TERM "$c_pid"
    wait "$c_pid"
    sleep 0.3
    subscriptions=2 collect c --topic "$topic_root/#" --client-id "collector-$$"
    wait "$publisher_pid" || fail "the publisher failed"
    await 2500
    check_all 1 2500
    grep -c "received" "$work/c.err" | grep -q 2 || fail "expected two collector runs"
    ;;
shared_subscription)
    collect a --topic "\$share/g$$/$topic_root/#"
    collect b --topic "\$share/g$$/$topic_root/#"
    publish 1 1000 &
    first=$!
    publish 2 1000 || fail "publisher failed"
    wait "$first" || fail "publisher failed"
    await 2000
    check_all 2 1000
    [ "$(cat "$work/a.rows" "$work/b.rows" | wc -l)" -eq 2000 ] || fail "a message reached both collectors"
    [ -s "$work/a.rows" ] && [ -s "$work/b.rows" ] || fail "one collector got nothing"
    ;;
malformed_payloads)
    "$vkerr" encode "$work/valid" || fail "encode"
    head -c 100 "$work/valid" >"$work/truncated"
    cp "$work/valid" "$work/flipped"
    printf '\x03' | dd of="$work/flipped" bs=1 seek=15 conv=notrunc status=none  # version 1 -> 3
    head -c 1048576 /dev/urandom >"$work/noise"
    "$vkerr" collect --broker "127.0.0.1:$port" --topic "$topic_root/#" --count 6 --timeout 60 \
        >"$work/out" 2>"$work/c.err" &
    collector=$!
    for _ in $(seq 200); do grep -q subscribed "$work/c.err" && break; sleep 0.05; done
    send() { mosquitto_pub -p "$port" -q 1 -t "$topic_root/$1" "${@:2}" || fail "mosquitto_pub $1"; }
    send valid -f "$work/valid"
    send truncated -f "$work/truncated"
    send flipped -f "$work/flipped"
    send empty -n
    send noise -f "$work/noise"
    send valid -f "$work/valid"
    wait "$collector" || fail "collector exited $?"
    grep -q "received 6, malformed 4, written 12" "$work/c.err" || fail "summary: $(tail -n 1 "$work/c.err")"
    for name in truncated flipped empty noise; do
        grep -q "malformed payload on '$topic_root/$name'" "$work/c.err" || fail "no report for $name"
    done
    grep -q "Version mismatch" "$work/c.err" || fail "the reader's reason is missing"
    [ "$(grep -c '^INFO\|^ERROR\|^WARNING\|^LOG\|^EVENT\|^SEVERE' "$work/out")" -eq 12 ] || fail "12 messages expected"
    ;;
*)
    fail "unknown case"
    ;;
esac
echo "ok [$case_name]"
