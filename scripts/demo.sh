#!/usr/bin/env bash
# Builds VkErrorHandling and runs the demo: the library used as a host uses it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target vkerr
build/tools/vkerr demo
