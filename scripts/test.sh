#!/usr/bin/env bash
# Runs every test: the layer and layout checks, the portable core natively
# (g++, plain) and under AddressSanitizer + UndefinedBehaviorSanitizer (clang++),
# a smoke run of the libFuzzer targets, then the Windows programs under Wine. Warnings are errors here.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=2

scripts/setup.sh native

echo "== layers and layout"
python3 scripts/check_layers.py
scripts/check_format.sh

echo "== native build and tests"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMETRA_WERROR=ON >/dev/null
cmake --build build/native -j"$jobs"
ctest --test-dir build/native --output-on-failure -j"$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build (clang++) and tests"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DLUMETRA_SANITIZE=ON -DLUMETRA_BENCH=OFF -DLUMETRA_WERROR=ON >/dev/null
cmake --build build/asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j"$jobs"

echo "== libFuzzer targets: a short run of each over its seeds (clang++)"
scripts/fuzz.sh --smoke

echo "== Windows programs under Wine"
scripts/test_windows.sh
