#!/usr/bin/env bash
# The helpers of lib.sh themselves: the output of a Wine program (both streams) comes back to
# a command substitution even when that program started the wineserver and the
# system processes, and another program keeps them running afterwards.
source "$(dirname "$0")/lib.sh"

dir="$work/wine_helpers"
rm -rf "$dir" && mkdir -p "$dir"
# Wine's WScript.Sleep does nothing: the script waits three seconds by the clock.
printf 'start = Timer\r\nDo While Abs(Timer - start) < 3\r\nLoop\r\nWScript.Echo "OK captured"\r\n' >"$dir/sleeper.vbs"

wineserver -k >/dev/null 2>&1
timeout 30 wineserver -w
# While the script sleeps (it started the wineserver), a standalone server
# starts: it keeps the wineserver and the system processes alive until the end.
(sleep 1 && exec wine "$LUMETRA_EXE" /regserver:x >/dev/null 2>&1) &
keeper=$!
trap 'kill $keeper 2>/dev/null; wineserver -k >/dev/null 2>&1 || true' EXIT
# Bounded from outside: a capture that never ends would hold this test for ever.
timeout 60 bash -c 'source "$1/lib.sh" && trap - EXIT && out="$(cscript "$2" 2>&1)" &&
  printf "%s\n" "$out" "server: $(server_pids)" >"$3"' _ \
  "$here" "$dir/sleeper.vbs" "$dir/captured.txt"
status=$?
[[ $status -eq 0 ]] || fail "the capture of a program's output did not end (exit $status)"
grep -q '^OK captured' "$dir/captured.txt" || fail "the output was not captured: $(cat "$dir/captured.txt")"
grep -q '^server: [0-9]' "$dir/captured.txt" || fail "the standalone server did not run while the capture ended"
echo "OK wine helpers"
