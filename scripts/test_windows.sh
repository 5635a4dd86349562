#!/usr/bin/env bash
# Builds Lumetra.exe and Tolvane.exe with mingw-w64 (scripts/build_windows.sh) and their
# packages (scripts/package.sh), and runs the Wine tests (tests/wine/test_*.sh)
# in a fresh Wine prefix. Ends with the line "N passed, N failed" and fails
# when any test failed.
# Usage: scripts/test_windows.sh [TEST_NAME...]   (default: every test)
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# The programs and the test helpers, then the two packages (which build nothing more).
scripts/build_windows.sh || exit 1
scripts/package.sh >/dev/null || exit 1
build="$root/build/windows"

export LUMETRA_EXE="$build/lumetra/automation/win/Lumetra.exe"
# The server with the fault-injection seam, for test_server_survives_faults.sh only.
export LUMETRA_FAULT_EXE="$build/lumetra/automation/win/lumetra_fault_server.exe"
export LUMETRA_CLIENT_EXE="$build/lumetra/automation/win/lumetra_early_bound_client.exe"
export TOLVANE_EXE="$build/tolvane/win/Tolvane.exe"
export TOLVANE_WORKER_EXE="$build/tests/wine/tolvane/tolvane_wine_worker.exe"
export LUMETRA_TRUST_ROOT_EXE="$build/tests/wine/mail/lumetra_wine_trust_root.exe"
# The packages, for test_msi_*.sh and test_zip_install.sh.
{ read -r LUMETRA_MSI && read -r LUMETRA_ZIP; } < <(scripts/package.sh --print-paths) || exit 1
export LUMETRA_MSI LUMETRA_ZIP
export WINEPREFIX="$root/build/wineprefix"
export WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko install dialogs in the fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
export LUMETRA_TEST_WORK="$root/build/wine-tests"

wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX" "$LUMETRA_TEST_WORK"
mkdir -p "$LUMETRA_TEST_WORK"
echo "creating the Wine prefix $WINEPREFIX"
if ! env -u DISPLAY timeout 300 wine wineboot -i >/dev/null 2>&1; then
  echo "wineboot failed"
  echo "0 passed, 1 failed"
  exit 1
fi
timeout 60 wineserver -w || true

if [[ $# -gt 0 ]]; then
  tests=()
  for name in "$@"; do tests+=("$root/tests/wine/$name.sh"); done
else
  tests=("$root"/tests/wine/test_*.sh)
fi

passed=0
failed=0
for test in "${tests[@]}"; do
  name="$(basename "$test" .sh)"
  log="$LUMETRA_TEST_WORK/$name.log"
  trace="$LUMETRA_TEST_WORK/$name.trace"
  started=$SECONDS
  LUMETRA_TEST_TRACE="$trace" timeout 600 bash "$test" >"$log" 2>&1
  status=$?
  took="$((SECONDS - started)) s"
  if [[ $status -eq 0 ]]; then
    echo "PASS $name ($took)"
    passed=$((passed + 1))
  else
    [[ $status -eq 124 ]] && echo "FAIL: timed out after 600 s" >>"$log"
    echo "FAIL $name ($took, exit $status)"
    sed 's/^/    /' "$log" | tail -40
    echo "    the test's last commands:"
    sed 's/^/    /' "$trace" 2>/dev/null | tail -15
    failed=$((failed + 1))
  fi
  wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -w >/dev/null 2>&1 || true  # every process of the test gone before the next starts
done

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
