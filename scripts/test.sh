#!/usr/bin/env bash
# Runs every test suite: the whole suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the suites labelled "tsan" (code that
# shares state between threads) under ThreadSanitizer. Tests labelled "slow"
# (real waits of minutes, already shown at a test time scale elsewhere) are
# left out; run them with: ctest --test-dir build/asan -L slow.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

bash scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DHV_SANITIZE=address
# The consoles' tests run offscreen; LeakSanitizer is told of Qt's and
# fontconfig's process-long caches.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp" QT_QPA_PLATFORM=offscreen \
  ctest --test-dir build/asan --output-on-failure -j "$jobs" --timeout 300 -LE slow

bash scripts/build.sh build/tsan -DCMAKE_BUILD_TYPE=Debug -DHV_SANITIZE=thread -DHV_BUILD_BENCH=OFF
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/scripts/tsan.supp" QT_QPA_PLATFORM=offscreen \
  ctest --test-dir build/tsan --output-on-failure -j "$jobs" -L tsan --timeout 300 --no-tests=ignore
