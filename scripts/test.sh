#!/usr/bin/env bash
# Every test of both builds: native with g++ (AddressSanitizer and UndefinedBehaviorSanitizer),
# native with clang++ (with the Python module's pytest suite), the suites with threads once more
# under ThreadSanitizer, both Windows widths under Wine; then the packages (.deb, a .zip per
# Windows width, the Python wheel) with their install checks. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh all
jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# ccache, where the machine has it, keeps a rerun short (CMake takes the launcher from the
# environment when it first configures a folder); paths below the checkout's folder are
# hashed relative to it, so another clone of the project shares the cache.
export CMAKE_CXX_COMPILER_LAUNCHER=$(command -v ccache || true)
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}
configure_build() {
  local dir=$1; shift
  cmake -S . -B "build/$dir" -G Ninja "$@" >/dev/null
  cmake --build "build/$dir" -j"$jobs"
}
run_tests() { ctest --test-dir "build/$1" --output-on-failure -j"$jobs"; }

configure_build gcc-asan -DCMAKE_CXX_COMPILER=g++ -DTARN_SANITIZE="address;undefined" -DTARN_BUILD_BENCH=OFF
run_tests gcc-asan
# Prefix /usr: the .deb is packed from this build.
configure_build clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_INSTALL_PREFIX=/usr
run_tests clang
# The background scan, the message queue, the load test and the walks' read ahead: the suites
# where threads meet.
cmake -S . -B build/clang-tsan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTARN_SANITIZE=thread -DTARN_BUILD_BENCH=OFF >/dev/null
cmake --build build/clang-tsan -j"$jobs" --target component_tests compat_tests load_tests reader_tests
ctest --test-dir build/clang-tsan --output-on-failure -j"$jobs" -R '^(component_tests|compat_tests|load_tests|reader_tests)$'
configure_build windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
run_tests windows
configure_build windows-x86 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
# The 32-bit Wine is an i386 Linux program: a kernel built or booted without IA-32 emulation
# cannot start it. There only the checks that need no Wine run, and the gap is said out loud.
zips=("x86_64 windows")   # each zip with the build whose Wine runs it
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  run_tests windows-x86
  zips+=("x86 windows-x86")
else
  echo "NOTICE: this kernel runs no 32-bit programs (ia32_emulation off): the 32-bit Windows suites cannot run under Wine here; windows-x86 is built and its imports checked only" >&2
  ctest --test-dir build/windows-x86 --output-on-failure -R '^windows_imports$'
fi

# The packages, in build/packages, and their install checks.
rm -rf build/packages
for dir in clang windows windows-x86; do
  cpack --config "build/$dir/CPackConfig.cmake" -B build/packages >/dev/null
done
rm -rf build/packages/_CPack_Packages
for zip in "${zips[@]}"; do
  set -- $zip
  scripts/check-zip.sh build/packages/tarn-*-windows-"$1".zip "build/$2"
done
scripts/check-deb.sh build/packages/tarn_*.deb
scripts/check-wheel.sh build/packages
ls -l build/packages
scripts/fuzz.sh
echo "scripts/test.sh: ${SECONDS} s"
