#!/usr/bin/env bash
# Every test of both builds: native with g++ (AddressSanitizer and UndefinedBehaviorSanitizer),
# native with clang++ (with the Python module's pytest suite), the suites with threads once more
# under ThreadSanitizer, and the Windows build under Wine. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh all
jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
configure_build() {
  local dir=$1; shift
  cmake -S . -B "build/$dir" -G Ninja "$@" >/dev/null
  cmake --build "build/$dir" -j"$jobs"
}
run_tests() { ctest --test-dir "build/$1" --output-on-failure -j"$jobs"; }

configure_build gcc-asan -DCMAKE_CXX_COMPILER=g++ -DTARN_SANITIZE="address;undefined" -DTARN_BUILD_BENCH=OFF
run_tests gcc-asan
configure_build clang -DCMAKE_CXX_COMPILER=clang++
run_tests clang
# The background scan, the message queue and the load test: the suites where threads meet.
cmake -S . -B build/clang-tsan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTARN_SANITIZE=thread -DTARN_BUILD_BENCH=OFF >/dev/null
cmake --build build/clang-tsan -j"$jobs" --target component_tests compat_tests load_tests
ctest --test-dir build/clang-tsan --output-on-failure -j"$jobs" -R '^(component_tests|compat_tests|load_tests)$'
configure_build windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
run_tests windows
scripts/fuzz.sh
