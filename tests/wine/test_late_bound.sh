#!/usr/bin/env bash
# VBScript and JScript clients calling through IDispatch, with no display.
source "$(dirname "$0")/lib.sh"
unset DISPLAY

register
dir="$work/late_bound"
rm -rf "$dir" && mkdir -p "$dir"
run_client cscript "$here/json_client.vbs" "$(winpath "$dir")"
wait_for '[[ -z "$(server_pids)" ]]' 60 || fail "the server did not end after the VBScript client"
run_client cscript "$here/json_client.js" "$(winpath "$dir")"
unregister
