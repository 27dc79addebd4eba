#!/usr/bin/env bash
# The main job: build tarn (native, optimised) and summarise a recording.
# With no arguments it writes a demo recording through the component's writer and shows what a
# client reading it learns, with names, units, aliases, date and time from its .REC file (tarn demo,
# then tarn info --rec on the result). The tool runs with a registry store of the build's own,
# build/release/registry, into which the project's .REC server is registered: the user's store
# is never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --target tarn recimport_dll -j"$(nproc)" >/dev/null
tarn=build/release/tools/tarn
export TARN_REGISTRY="$PWD/build/release/registry"
"$tarn" regsvr "$PWD/build/release/component/recimport/librecimport.so" >/dev/null
if [ $# -eq 0 ]; then
  demo=build/release/tarn-demo.dat
  "$tarn" demo "$demo"
  exec "$tarn" info --rec "$demo"
fi
exec "$tarn" "$@"
