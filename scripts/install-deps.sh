#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
#   install-deps.sh native    compilers, CMake, GoogleTest, Google Benchmark, libsndfile (WAV export),
#                             CLI11 and nlohmann-json (the tool's command line and its JSON),
#                             pybind11, NumPy, pandas, Dask and pytest (the Python module and its tests)
#   install-deps.sh all       the above, plus the mingw-w64 cross compiler, Wine and Chromium (renders
#                             the plot test's SVG)
set -euo pipefail
want=(cmake ninja-build g++ clang googletest libgtest-dev libgmock-dev libbenchmark-dev pkg-config libsndfile1-dev
      libcli11-dev nlohmann-json3-dev
      python3-dev pybind11-dev python3-numpy python3-pandas python3-dask python3-distributed python3-pytest)
if [ "${1:-all}" = all ]; then
  want+=(g++-mingw-w64-x86-64 mingw-w64-tools wine64 libwine-dev python3 chromium)
fi
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
