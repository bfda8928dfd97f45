#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address + undefined sanitizers) and
# runs each for the given number of seconds on a copy of its seed corpus.
# Any crash, sanitizer report or leak fails the script. Installs nothing.
#
#   scripts/fuzz.sh [seconds-per-target]      (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
root=$(pwd)
build=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVKERR_BUILD_FUZZERS=ON -DVKERR_BUILD_TESTS=OFF -DVKERR_BUILD_TOOLS=OFF -DVKERR_BUILD_BENCHMARKS=OFF \
    -DVKERR_SANITIZE=address,undefined -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
targets=(fuzz_list_reader fuzz_message_reader fuzz_object_buffer)
cmake --build "$build" -j2 --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in "${targets[@]}"; do
    echo "--- $target (${seconds} s)"
    mkdir -p "$work/$target"
    cp fuzz/corpus/"$target"/* "$work/$target"/
    # Run inside $work so crash reproducers land there, not in the tree.
    set +e
    (cd "$work" && "$root/$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$work/$target" >"$work/$target.log" 2>&1)
    status=$?
    set -e
    if [ "$status" -ne 0 ]; then
        tail -n 80 "$work/$target.log"
        echo "$target failed with status $status" >&2
        exit 1
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/$target.log" || true
done
echo "fuzz targets passed"
