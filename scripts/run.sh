#!/usr/bin/env bash
# The main job: build tarn (native, optimised) and summarise a recording.
# With no arguments it generates an example recording and shows its block summary.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --target tarn -j"$(nproc)" >/dev/null
if [ $# -eq 0 ]; then set -- blocks; fi
exec build/release/tools/tarn "$@"
