#!/usr/bin/env bash
# Two client processes share one server started by COM, and with it the JSON
# handles; the server ends after the last client releases its object.
source "$(dirname "$0")/lib.sh"
unset DISPLAY

register
dir="$work/shared_server"
rm -rf "$dir" && mkdir -p "$dir"
handle_file="$dir/handle.txt"
done_file="$dir/done.txt"

run_client cscript "$here/holder.vbs" "$(winpath "$handle_file")" "$(winpath "$done_file")" >"$dir/holder.out" &
holder=$!
wait_for '[[ -s "$handle_file" ]]' 90 || fail "the first client published no handle"
[[ "$(server_pids | wc -l)" -eq 1 ]] || fail "expected one server process, found: $(server_pids)"

run_client cscript "$here/reader.vbs" "$(cat "$handle_file")"
[[ "$(server_pids | wc -l)" -eq 1 ]] || fail "the second client did not share the server"
: >"$done_file"
wait "$holder" || { cat "$dir/holder.out"; fail "the first client failed"; }
cat "$dir/holder.out"

wait_for '[[ -z "$(server_pids)" ]]' 60 || fail "the server did not end after the last release"
unregister
