#!/bin/sh
# Install dependencies, build from scratch twice (Release, and Debug with
# AddressSanitizer + UndefinedBehaviorSanitizer) and run every test; then
# cross-build the 32-bit Windows DLL and check its exports.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh win32
JOBS="${JOBS:-2}"

rm -rf build-release build-asan
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release
cmake --build build-release -j "$JOBS"
ctest --test-dir build-release --output-on-failure -j "$JOBS"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DOKACORE_SANITIZE=ON -DOKACORE_BENCH=OFF
cmake --build build-asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$JOBS"

# okacore.dll: the same sources cross-compiled for 32-bit Windows. It cannot
# run here; the check reads its export table and code.
rm -rf build-win32
cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build-win32 -j "$JOBS"
./scripts/check_windows_dll.sh build-win32
