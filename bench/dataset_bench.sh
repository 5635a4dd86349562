#!/usr/bin/env bash
# DSToJSON "M" on packets of 25,000 / 50,000 / 100,000 rows against Free
# Pascal's TBufDataset (bench/dataset_bench.cpp, bench/tbufdataset_peer.pas).
# Usage: bench/dataset_bench.sh [dataset_bench options, e.g. --rounds 5 --rows 100000]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh native  # fpc and fcl-db come with the native packages

build=build/dataset-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target dataset_bench
exec "$build/bench/dataset_bench" "$@"
