#!/usr/bin/env bash
# A C++ exception in the window procedure stops there: in the fault build of
# the server, opening the tray menu throws std::bad_alloc while the file
# C:\lumetra-fail-menu exists. The error shows in the server's error box
# ("Lumetra"), the same process keeps its tray icon and "Salir" still ends it.
source "$(dirname "$0")/lib.sh"
: "${LUMETRA_FAULT_EXE:?set by scripts/test_windows.sh}"

for ((n = 90; n < 120; n++)); do [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || break; done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trigger="$WINEPREFIX/drive_c/lumetra-fail-menu"
trap 'rm -f "$trigger"; wineserver -k >/dev/null 2>&1; kill $xvfb 2>/dev/null' EXIT
export DISPLAY=":$n"
wait_for 'xdotool getmouselocation >/dev/null 2>&1' 30 || fail "Xvfb did not start"

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
tray() { visible '^Wine System Tray$'; }
fault_pids() { pgrep -f 'lumetra_fault_server\.exe( |$)' || true; }

# Waits for the dialog with this caption and answers with the key of a button.
answer() {
  local caption="$1" key="$2" dialog
  wait_for '[[ -n "$(visible "^$caption\$")" ]]' 30 || fail "no dialog '$caption'"
  dialog="$(visible "^$caption\$")"
  xdotool mousemove --window "$dialog" 5 5 click 1
  xdotool key "$key"
  wait_for '[[ -z "$(visible "^$caption\$")" ]]' 30 || fail "dialog '$caption' stayed open"
}

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
icon_menu_before="$(xdotool search --onlyvisible --name '^$' 2>/dev/null | sort)"
xdotool mousemove --window "$(tray)" 8 10 click 3
wait_for '[[ -n "$(comm -13 <(echo "$icon_menu_before") <(xdotool search --onlyvisible --name "^\$" 2>/dev/null | sort))" ]]' 30 ||
  fail "no menu opened on the tray icon after the fault"
popup="$(comm -13 <(echo "$icon_menu_before") <(xdotool search --onlyvisible --name '^$' 2>/dev/null | sort) | tail -1)"
xdotool mousemove --window "$popup" 20 10 click 1
answer 'Confirm' y
wait_for '[[ -z "$(fault_pids)" ]]' 60 || fail "Salir answered Yes did not end the server"
echo "OK tray survives faults"
