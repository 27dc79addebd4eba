#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
#   install-deps.sh native    compilers, CMake, GoogleTest, Google Benchmark, libsndfile (WAV export),
#                             CLI11 and nlohmann-json (the tool's command line and its JSON), liburing (batched reads),
#                             cpp-httplib (tarn view), pybind11, NumPy, pandas, Dask and pytest (the
#                             Python module and its tests) and what packaging needs (dpkg-dev for the
#                             .deb, venv, pip, setuptools and wheel for the Python wheel)
#   install-deps.sh all       the above, plus the mingw-w64 cross compilers for both Windows widths,
#                             the 64- and 32-bit Wine (wine32 from the i386 architecture),
#                             Chromium (renders the plot test's SVG) with chromium-driver and Selenium
#                             (the viewer's page test), unzip (checks the Windows zips)
set -euo pipefail
want=(cmake ninja-build ccache g++ clang googletest libgtest-dev libgmock-dev libbenchmark-dev pkg-config libsndfile1-dev
      libcli11-dev nlohmann-json3-dev libcpp-httplib-dev
      python3-dev pybind11-dev python3-numpy python3-pandas python3-dask python3-distributed python3-pytest
      liburing-dev dpkg-dev file python3-venv python3-pip python3-setuptools python3-wheel)
if [ "${1:-all}" = all ]; then
  want+=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools wine64 wine32:i386 libwine-dev python3 chromium
         chromium-driver python3-selenium unzip)
fi
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  case " ${missing[*]}" in
    *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
  esac
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
