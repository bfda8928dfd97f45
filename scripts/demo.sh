#!/usr/bin/env bash
# Builds VkErrorHandling and runs the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
if [ -x build/tools/vkerr ]; then build/tools/vkerr demo; else build/examples/tour; fi
