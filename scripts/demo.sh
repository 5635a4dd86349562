#!/usr/bin/env bash
# The main job: builds the portable core and runs the demo, which calls the
# LumetraCOM object as a script would (JSON documents, Base64 files, Version).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh native
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j2 --target lumetra_demo
build/native/demo/lumetra_demo "${1:-build/demo-output}"
