#!/usr/bin/env bash
# A C++ exception in the window procedure stops there: in the fault build of
# the server, opening the tray menu throws std::bad_alloc while the file
# C:\lumetra-fail-menu exists. The error shows in the server's error box
# ("Lumetra"), the same process keeps its tray icon and "Salir" still ends it.
source "$(dirname "$0")/lib.sh"
: "${LUMETRA_FAULT_EXE:?set by scripts/test_windows.sh}"

source "$here/desktop.sh"
start_xvfb
trigger="$WINEPREFIX/drive_c/lumetra-fail-menu"
trap 'rm -f "$trigger"; wineserver -k >/dev/null 2>&1; kill $xvfb_pid 2>/dev/null' EXIT
fault_pids() { pgrep -f 'lumetra_fault_server\.exe( |$)' || true; }

wine "$LUMETRA_FAULT_EXE" >/dev/null 2>&1 &
wait_for '[[ -n "$(tray)" ]]' 90 || fail "no tray icon"
before="$(fault_pids)"
[[ "$(wc -w <<<"$before")" -eq 1 ]] || fail "expected one fault server process, found: $before"

: >"$trigger"
xdotool mousemove --window "$(tray)" 8 10 click 3
answer 'Lumetra' Return
rm -f "$trigger"
[[ "$(fault_pids)" == "$before" ]] || fail "the server process changed: $before before the fault, '$(fault_pids)' after"
[[ -n "$(tray)" ]] || fail "the tray icon went with the fault"

# The menu works again: Salir answered Yes ends the server.
choose_first_tray_entry  # "Salir"
answer 'Confirm' y
wait_for '[[ -z "$(fault_pids)" ]]' 60 || fail "Salir answered Yes did not end the server"
echo "OK tray survives faults"
