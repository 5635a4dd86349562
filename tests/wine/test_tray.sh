#!/usr/bin/env bash
# The tray icon under Xvfb, driven as a user would with the mouse and the
# keyboard (xdotool): the icon is there while the server runs; "Salir"
# answered No keeps the server, Yes ends it; with a client's object alive the
# "COM Server Warning" box appears and No keeps the server.
source "$(dirname "$0")/lib.sh"

source "$here/desktop.sh"
start_xvfb
trap 'wineserver -k >/dev/null 2>&1; kill $xvfb_pid 2>/dev/null' EXIT

# "Salir" is the menu's only entry.
choose_salir() { choose_first_tray_entry; }

start_standalone() {
  wine "$LUMETRA_EXE" >/dev/null 2>&1 &
  wait_for '[[ -n "$(tray)" ]]' 90 || fail "no tray icon"
}

register
[[ -z "$(tray)" ]] || fail "a tray icon before the server started"

# No keeps the server; Yes with no object ends it, and the icon goes.
start_standalone
choose_salir
answer 'Confirm' n
[[ -n "$(server_pids)" ]] || fail "Salir answered No ended the server"
choose_salir
answer 'Confirm' y
wait_for '[[ -z "$(server_pids)" ]]' 60 || fail "Salir answered Yes did not end the server"
wait_for '[[ -z "$(tray)" ]]' 30 || fail "the tray icon stayed after the server ended"

# With a client's object alive: the warning, and No keeps the server.
start_standalone
dir="$work/tray"
rm -rf "$dir" && mkdir -p "$dir"
run_client cscript "$here/holder.vbs" "$(winpath "$dir/handle.txt")" "$(winpath "$dir/done.txt")" >"$dir/holder.out" &
holder=$!
wait_for '[[ -s "$dir/handle.txt" ]]' 90 || fail "the client got no object"
[[ "$(server_pids | wc -l)" -eq 1 ]] || fail "the client did not use the running server"
choose_salir
answer 'Confirm' y
answer 'COM Server Warning' n
[[ -n "$(server_pids)" ]] || fail "the warning answered No ended the server"
: >"$dir/done.txt"
wait "$holder" || { cat "$dir/holder.out"; fail "the client failed"; }

# Started by hand, the server outlives its last client.
[[ -n "$(server_pids)" && -n "$(tray)" ]] || fail "the standalone server ended with its last client"
choose_salir
answer 'Confirm' y
wait_for '[[ -z "$(server_pids)" ]]' 60 || fail "Salir answered Yes did not end the server"

# Log-off: with a client's object alive the warning is shown, and whatever the
# answer the server ends.
start_standalone
rm -f "$dir/handle.txt" "$dir/done.txt"
cscript "$here/holder.vbs" "$(winpath "$dir/handle.txt")" "$(winpath "$dir/done.txt")" >/dev/null 2>&1 &
wait_for '[[ -s "$dir/handle.txt" ]]' 90 || fail "the client got no object"
timeout 120 wine wineboot --end-session >/dev/null 2>&1 &
answer 'COM Server Warning' n
wait_for '[[ -z "$(server_pids)" ]]' 60 || fail "the server outlived the end of the session"
: >"$dir/done.txt"

unregister
echo "OK tray"
