#!/usr/bin/env bash
# Every C++ exception stops at the COM boundary: in the fault build of the
# server (lumetra_fault_server.exe, with LUMETRA_FAULT_INJECTION) a string
# argument equal to the trigger makes its copy throw std::bad_alloc. The calls
# fail with an automation error and the same server process goes on serving
# the document made before them. Lumetra.exe carries no trigger.
source "$(dirname "$0")/lib.sh"
: "${LUMETRA_FAULT_EXE:?set by scripts/test_windows.sh}"
unset DISPLAY

# The trigger as the seam compares it (UTF-16), found only in the fault build.
has_trigger() {
  python3 -c 'import sys; sys.exit(0 if "lumetra-fail-copy".encode("utf-16-le") in open(sys.argv[1], "rb").read() else 1)' "$1"
}
has_trigger "$LUMETRA_FAULT_EXE" || fail "the fault build carries no trigger"
has_trigger "$LUMETRA_EXE" && fail "Lumetra.exe carries the fault trigger"

fault_pids() { pgrep -f 'lumetra_fault_server\.exe( |$)' || true; }
trap 'w "$LUMETRA_FAULT_EXE" /unregserver >/dev/null 2>&1; wineserver -k >/dev/null 2>&1 || true' EXIT
w "$LUMETRA_FAULT_EXE" /regserver || fail "/regserver of the fault build exited $?"

dir="$work/server_survives_faults"
rm -rf "$dir" && mkdir -p "$dir"
ready="$dir/ready" go="$dir/go" faulted="$dir/faulted" done_file="$dir/done"
run_client cscript "$here/faults_client.vbs" "$(winpath "$ready")" "$(winpath "$go")" \
  "$(winpath "$faulted")" "$(winpath "$done_file")" >"$dir/client.out" &
client=$!

wait_for '[[ -e "$ready" ]]' 90 || fail "the client made no document"
before="$(fault_pids)"
[[ "$(wc -w <<<"$before")" -eq 1 ]] || fail "expected one fault server process, found: $before"
: >"$go"
wait_for '[[ -e "$faulted" ]]' 90 || fail "the client did not get through the faults"
after="$(fault_pids)"
[[ "$after" == "$before" ]] || fail "the server process changed: $before before the faults, '$after' after"
: >"$done_file"
wait "$client" || { cat "$dir/client.out"; fail "the client failed"; }
cat "$dir/client.out"

wait_for '[[ -z "$(fault_pids)" ]]' 60 || fail "the server did not end after the last release"
w "$LUMETRA_FAULT_EXE" /unregserver || fail "/unregserver of the fault build exited $?"
