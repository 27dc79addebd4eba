#!/usr/bin/env bash
# The main job: build tarn (native, optimised) and summarise a recording.
# With no arguments it writes a demo recording through the component's writer and shows what a
# client reading it learns (tarn demo, then tarn info on the result).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --target tarn -j"$(nproc)" >/dev/null
if [ $# -eq 0 ]; then
  demo=build/release/tarn-demo.dat
  build/release/tools/tarn demo "$demo"
  exec build/release/tools/tarn info "$demo"
fi
exec build/release/tools/tarn "$@"
