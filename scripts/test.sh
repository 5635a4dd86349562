#!/usr/bin/env bash
# Runs every test: the portable core natively (plain and under ASan+UBSan),
# then the Windows programs under Wine when that suite is present.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=2

scripts/setup.sh native

echo "== native build and tests"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$jobs"
ctest --test-dir build/native --output-on-failure -j"$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMETRA_SANITIZE=ON -DLUMETRA_BENCH=OFF >/dev/null
cmake --build build/asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j"$jobs"

if [[ -x scripts/test-windows.sh ]]; then
  echo "== Windows programs under Wine"
  scripts/test-windows.sh
fi
