#!/usr/bin/env bash
# A C++ client bound to the function table of ILumetraCOM, with no display.
source "$(dirname "$0")/lib.sh"
unset DISPLAY
: "${LUMETRA_CLIENT_EXE:?set by scripts/test_windows.sh}"

register
run_client w "$LUMETRA_CLIENT_EXE"
wait_for '[[ -z "$(server_pids)" ]]' 60 || fail "the server did not end after the client released its object"
unregister
