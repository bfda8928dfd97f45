#!/usr/bin/env bash
# End-to-end cases of the vkerr command line: cli_test.sh VKERR CASE.
# Each case runs the built tool and checks exit statuses and output.
set -uo pipefail

vkerr=$1
case_name=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL [$case_name]: $*" >&2; exit 1; }

# run EXPECTED_STATUS ARGS...: runs vkerr, keeping stdout and stderr in files.
run() {
    local expected=$1
    shift
    "$vkerr" "$@" >"$work/out" 2>"$work/err"
    local status=$?
    [ "$status" -eq "$expected" ] ||
        fail "vkerr $* exited $status, expected $expected; stderr: $(head -c 2000 "$work/err")"
}
contains() { grep -qF -- "$2" "$work/$1" || fail "$1 lacks '$2':"$'\n'"$(head -c 3000 "$work/$1")"; }

# Overwrites 4 bytes at OFFSET of FILE with the big-endian VALUE.
patch32() {
    printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($3 >> 24 & 255)) $(($3 >> 16 & 255)) $(($3 >> 8 & 255)) $(($3 & 255)))" |
        dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
read32() { od -An -tu1 -j"$2" -N4 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }'; }

valid_json_lines() {
    if command -v python3 >/dev/null; then
        python3 -c '
import json, sys
for number, line in enumerate(open(sys.argv[1], encoding="utf-8"), 1):
    json.loads(line)
' "$1" || fail "invalid JSON in: $(cat "$1")"
    else
        while IFS= read -r line; do
            case "$line" in "{"*"}") ;; *) fail "not a JSON object line: $line" ;; esac
        done <"$1"
    fi
}

case "$case_name" in
explain_known)
    run 0 explain 0x102008
    contains out "module number     1"
    contains out "text group        4"
    contains out "text index        8"
    contains out "main/sub module   128/2"
    contains out "Invalid message data at %1: Remaining header bytes mismatch (expected %2, actual %3)."
    cp "$work/out" "$work/hex"
    run 0 explain 1056776
    cmp -s "$work/out" "$work/hex" || fail "decimal and hexadecimal forms differ"
    run 0 explain 0x409 0 0x100400
    contains out "built-in flag     1"
    contains out "Parameter \"%1\" could not be read."
    contains out "text              %1"
    contains out "NULL pointer error."
    contains out "text from         one of the library's built-in texts"
    ;;
explain_unknown)
    run 1 explain 0x00700001
    contains err "unknown code 0x00700001"
    contains out "text              none"
    run 1 explain 0x102008 0x1000FF
    contains out "Remaining header bytes mismatch"
    contains err "unknown code 0x001000FF"
    run 1 explain 0x01A00000
    contains out "module number     26"
    contains out "has no row in the module table"
    ;;
json_round_trip)
    "$vkerr" encode | "$vkerr" decode --json - >"$work/json" || fail "encode | decode --json failed"
    [ "$(wc -l <"$work/json")" -eq 6 ] || fail "expected 6 JSON lines: $(cat "$work/json")"
    valid_json_lines "$work/json"
    grep -qF '"errorCode":1056776' "$work/json" || fail "missing the library code"
    grep -qF '{"type":"string","value":"/dev/sda1","rendered":"/dev/sda1"}' "$work/json" || fail "string parameter"
    grep -qF '{"type":"int64","value":123456789012' "$work/json" || fail "64-bit parameter"
    grep -qF '{"type":"double","value":93.5' "$work/json" || fail "double parameter"
    grep -qF '"text":"Disk /dev/sda1 is 93.5 percent full, 123456789012 bytes left."' "$work/json" ||
        fail "rendered text"
    grep -qF '"text":"hello from vkerr encode"' "$work/json" || fail "user message"
    ;;
plain_and_tabbed)
    run 0 encode "$work/image"
    run 0 decode "$work/image"
    contains out "ERROR , 0x00102008, node 2"
    contains out "in VkCErrorList::deSerializeMessage():120"
    contains out "warming up (1/2)"
    run 0 decode --tabbed "$work/image"
    [ "$(wc -l <"$work/out")" -eq 6 ] || fail "expected 6 rows"
    contains out "$(printf 'Warning\t3\t0x10\t0x00300005\tcheckDisk:57\t\t')"
    # A single-message image cut out of the list: its length prefix, then block 0.
    size=$(read32 "$work/image" 40)
    patch32 "$work/message" 0 $((size + 4))
    dd if="$work/image" of="$work/message" bs=1 skip=36 seek=4 count="$size" status=none
    run 0 decode --plain "$work/message"
    contains out "ERROR , 0x00102008"
    [ "$(grep -c '^ERROR' "$work/out")" -eq 1 ] || fail "one message expected"
    ;;
truncated_image)
    "$vkerr" encode "$work/image" || fail "encode"
    head -c 100 "$work/image" >"$work/cut"
    run 2 decode "$work/cut"
    [ -s "$work/err" ] || fail "no report on stderr"
    contains err "length prefix"
    run 2 decode --json - <"$work/cut"
    # The library's own report: a list image whose version is wrong.
    patch32 "$work/image" 12 2
    run 2 decode "$work/image"
    contains err "ERROR , 0x00102002"
    contains err "Version mismatch (expected 00000001, actual 00000002)."
    run 2 decode /dev/null
    ;;
damaged_message)
    # The third message's version is damaged: the first two still come out.
    "$vkerr" encode "$work/image" || fail "encode"
    first=$(read32 "$work/image" 40)
    second=$(read32 "$work/image" $((36 + first + 4)))
    patch32 "$work/image" $((36 + first + second + 8)) 9
    run 2 decode --json "$work/image"
    [ "$(wc -l <"$work/out")" -eq 2 ] || fail "expected the 2 messages before the fault: $(cat "$work/out")"
    valid_json_lines "$work/out"
    contains err "ERROR , 0x00102007"
    contains err "in VkCErrorList::deSerializeMessage():"
    ;;
annotate_valid)
    "$vkerr" encode "$work/image" || fail "encode"
    run 0 decode --annotate "$work/image"
    contains out "no fault"
    contains out "message[5] error code"
    contains out "termination word 3"
    ;;
annotate_damaged)
    "$vkerr" encode "$work/image" || fail "encode"
    first=$(read32 "$work/image" 40)
    patch32 "$work/image" $((36 + first + 12)) 40
    run 2 decode --annotate "$work/image"
    contains out "message[1] header bytes"
    contains out "<-- below 48: the reader reports 0x102008"
    contains out "first fault at offset 0x$(printf '%x' $((36 + first + 12))), message[1] header bytes"
    head -c 37 "$work/image" | "$vkerr" decode --annotate - >"$work/out"
    [ "${PIPESTATUS[1]}" -eq 2 ] || fail "truncated annotate status"
    contains out "beyond the 37 bytes present"
    ;;
bad_arguments)
    for args in "" "frobnicate" "explain" "explain 0xZZ" "explain 4294967296" "explain 0x" \
        "decode --bogus" "decode a b" "decode --json --tabbed" "encode a b" "encode --x" "demo extra"; do
        # shellcheck disable=SC2086
        run 64 $args
        [ -s "$work/err" ] || fail "'vkerr $args' said nothing"
    done
    contains err "unexpected argument 'extra'"
    run 66 decode "$work/does-not-exist"
    contains err "cannot open"
    ;;
help)
    run 0 --help
    contains out "usage: vkerr COMMAND"
    for command in explain decode encode demo lint; do
        run 0 "$command" --help
        contains out "usage: vkerr $command"
    done
    ;;
demo)
    run 0 demo
    contains out "registered: yes"
    contains out "WARNING , 0x00200000, node 7"
    contains out "Disk /home is 97 percent full."
    contains out "SEVERE ERROR , 0x00100401"
    contains out "EVENT , 0x00200C00"
    contains out "Checkpoint 42 reached."
    contains out "merged list holds 3 message(s)"
    contains out "callback:   0x00200001 Cannot open '/dev/tape0' (system error 5)."
    contains out "read back 2 message(s) from node 7"
    contains out "$(printf 'Error\t7\t0x42\t0x00200001\t')"
    ;;
lint_clean)
    printf '# CODE FORMAT\n0x00200000 %%s%%d\r\n2097153 %%s%%lld\n' >"$work/formats"
    run 0 lint "$3" kLintHostClean --formats "$work/formats"
    [ ! -s "$work/out" ] || fail "problems reported for the clean set: $(cat "$work/out")"
    contains err "0 problems in 'kLintHostClean'"
    ;;
lint_problems)
    printf '0x01A00000 %%d%%d\n0x01A00801 %%d,%%d\n' >"$work/formats"
    run 1 lint "$3" kLintHostFaulty --formats "$work/formats"
    [ "$(wc -l <"$work/out")" -eq 7 ] || fail "expected 7 problems: $(cat "$work/out")"
    contains out '0x01A00000: module code 0x01A00000 has no row in the module table'
    contains out '0x01A00800: group 1 ends at text 6, past the 5 texts'
    contains out '0x01A00001: the text is null'
    contains out '0x01A00002 "Progress %1 at 100%s.": "%s" renders the out-of-range diagnostic'
    contains out '0x01A00800 "Retry %0 of %1.": "%0": placeholders run from %1 to %5'
    contains out '0x01A00000 "Copied %1 of %3 files.": "%3" but the format string "%d%d" has 2 descriptors'
    contains out '0x01A00801 "Took %1 seconds.": "%1" renders nothing: descriptor "%d," is not one'
    ;;
lint_failures)
    run 64 lint "$3"
    run 66 lint "$work/missing.so" kLintHostClean
    contains err "cannot load '$work/missing.so'"
    run 66 lint "$3" kNoSuchSet
    contains err "exports no symbol 'kNoSuchSet'"
    run 66 lint "$3" kLintHostClean --formats "$work/missing.txt"
    printf '0x00200000 %%d\nzero %%d\n' >"$work/formats"
    run 64 lint "$3" kLintHostClean --formats "$work/formats"
    contains err "formats:2: 'zero %d' does not start with a message code"
    ;;
*)
    fail "unknown case"
    ;;
esac
echo "ok [$case_name]"
