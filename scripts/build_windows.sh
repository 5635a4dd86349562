#!/usr/bin/env bash
# Configures and builds the Windows programs in build/windows with mingw-w64
# (Release, warnings as errors), with libxml2 for Windows from Debian's source
# package. The one place where the Windows build is made: scripts/test_windows.sh
# and scripts/package.sh both call it. Prints nothing but the build's own
# output, and does nothing when everything is up to date.
# Usage: scripts/build_windows.sh [TARGET...]   (default: the programs and every test helper)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/setup.sh windows
# The XML library of the dataset engine; its log is shown only when it fails.
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
scripts/build_libxml2_windows.sh >"$log" 2>&1 || {
  cat "$log" >&2
  exit 1
}
deps="$(scripts/build_libxml2_windows.sh --print-prefix)"

build="$root/build/windows"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw_w64_x86_64.cmake" -DLUMETRA_WERROR=ON \
  -DLUMETRA_WINDOWS_DEPS="$deps" >/dev/null

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  targets=(Lumetra lumetra_fault_server lumetra_early_bound_client Tolvane tolvane_wine_worker tolvane_wine_probe
    lumetra_wine_trust_root)
fi
cmake --build "$build" -j2 --target "${targets[@]}"
