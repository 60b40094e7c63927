#!/bin/sh
# Build the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on the engine and the targets) and run each
# for a chosen time.
#
#   fuzz/run.sh [seconds per target] [target ...]
#
# Targets: fuzz_rle fuzz_compressed_load fuzz_decode fuzz_calls (default:
# all, 60 s each). New inputs go to <build>/corpus/<target>; the checked-in
# fuzz/corpus/<target> seeds every run. Findings are written to
# <build>/artifacts/<target>/ and stop that target's run; minimise one with
#   <build>/fuzz/<target> -minimize_crash=1 -runs=10000 <file>
# and add it to fuzz/corpus/<target>/ once fixed.
# Needs clang and its fuzzer run time: scripts/deps.sh fuzz (as root).
# Environment: FUZZ_BUILD_DIR (default build-fuzz), JOBS (build jobs, 2),
# FUZZ_FLAGS (extra libFuzzer flags), CC/CXX (default clang-14/clang++-14
# when installed, else clang/clang++).
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-60}"
[ $# -gt 0 ] && shift
TARGETS="${*:-fuzz_rle fuzz_compressed_load fuzz_decode fuzz_calls}"
BUILD="${FUZZ_BUILD_DIR:-build-fuzz}"

CC="${CC:-$(command -v clang-14 || echo clang)}" CXX="${CXX:-$(command -v clang++-14 || echo clang++)}" cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOKACORE_FUZZ=ON -DOKACORE_TESTS=OFF -DOKACORE_BENCH=OFF -DOKACORE_TOOLS=OFF >/dev/null
# shellcheck disable=SC2086
cmake --build "$BUILD" -j "${JOBS:-2}" --target $TARGETS

status=0
for t in $TARGETS; do
  mkdir -p "$BUILD/corpus/$t" "$BUILD/artifacts/$t"
  echo "== $t: ${SECONDS_EACH}s"
  # One OpenMP thread keeps runs repeatable and leaves the other core free.
  # shellcheck disable=SC2086
  OMP_NUM_THREADS="${OMP_NUM_THREADS:-1}" \
  ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:${ASAN_OPTIONS:-}" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}" \
    "$BUILD/fuzz/$t" -max_total_time="$SECONDS_EACH" -timeout=20 -rss_limit_mb=3072 -max_len=8192 \
      -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$t/" ${FUZZ_FLAGS:-} \
      "$BUILD/corpus/$t" "fuzz/corpus/$t" || status=1
done
exit $status
