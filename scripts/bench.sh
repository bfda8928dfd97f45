#!/usr/bin/env bash
# Builds the benchmark suite in a Release directory, runs it with repeated
# measurements and writes every run as JSON; the console shows the medians and
# ends with the ratio table (ours against each reference of the same run).
#
#   scripts/bench.sh [results.json] [extra Google Benchmark flags]
#
# REPETITIONS (default 9) and MIN_TIME (seconds per run, default 0.1) tune the
# run. Repetitions of different benchmarks are interleaved at random, so that a
# burst of load on the machine spreads over all of them instead of skewing one
# ratio. The spdlog and protobuf peers are built when their packages are
# installed (apt-get install libspdlog-dev libprotobuf-dev protobuf-compiler).
# The delivery suite follows with a table of its own (file sink, and messages
# through a mosquitto broker that it starts itself); its JSON goes beside the
# first, with "-delivery" added to the name.
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-build-release/bench-results.json}
shift || true

scripts/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVKERR_BUILD_TESTS=OFF -DVKERR_BUILD_TOOLS=OFF \
    -DVKERR_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-release -j2 --target vkerr_bench vkerr_delivery_bench
mkdir -p "$(dirname "$output")"
for suite in vkerr_bench vkerr_delivery_bench; do
    out=$output
    [ "$suite" = vkerr_delivery_bench ] && out="${output%.json}-delivery.json"
    build-release/bench/$suite \
        --benchmark_repetitions="${REPETITIONS:-9}" \
        --benchmark_min_time="${MIN_TIME:-0.1}" \
        --benchmark_display_aggregates_only=true \
        --benchmark_enable_random_interleaving=true \
        --benchmark_out="$out" --benchmark_out_format=json \
        "$@"
    echo "JSON written to $out"
done
