#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and
# runs the whole test suite there. Any use-after-free, overflow, leak or undefined behaviour
# fails the test that hit it. Slow (several times the normal build and run), so CI leaves it
# to this script. Extra arguments go to ctest, e.g. `scripts/sanitize.sh -R test_ragsession`.
#   JOBS       parallel build and test jobs (default 1)
#   ASAN_BUILD_DIR  build directory (default build-asan/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ASAN_BUILD_DIR:-$root/build-asan}"
jobs="${JOBS:-1}"
flags="-fsanitize=address,undefined -fno-omit-frame-pointer"

# Leaks only inside system libraries we do not build (fontconfig, Qt plugins) are listed in
# lsan.supp; leaks in our code are never suppressed.
export ASAN_OPTIONS="detect_leaks=1:strict_init_order=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"

# Debug keeps Q_ASSERT and Qt's own bounds checks in headers; -O1 keeps the run bearable.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTOVIK_BUILD_BENCH=OFF -DTOVIK_TEST_TIMEOUT=1500 \
  -DCMAKE_CXX_FLAGS="-O1 $flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" >/dev/null
# The build runs the instrumented rag and demo writer too (demo corpus), so it is checked as well.
cmake --build "$build" -j "$jobs"

export QT_QPA_PLATFORM=offscreen
cd "$build"
set +e
ctest --output-on-failure -j "$jobs" "$@" 2>&1 | tee "$build/sanitize.log"
status=${PIPESTATUS[0]}
set -e
# Every sanitizer report ends in one SUMMARY line; list them once each.
grep -E "^(SUMMARY: |[0-9]+% tests passed)" "$build/sanitize.log" | sort | uniq -c || true
exit "$status"
