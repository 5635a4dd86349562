#!/usr/bin/env bash
# A server that the COM runtime started but that never receives an object
# (the activation it was started for went elsewhere, or the client gave up)
# ends by itself within its grace time instead of running for ever; a client
# that comes afterwards starts a new server and is served as usual.
source "$(dirname "$0")/lib.sh"
unset DISPLAY

register
# Started as COM starts a local server, with no client behind it.
wine "$LUMETRA_EXE" -Embedding >/dev/null 2>&1 &
wait_for '[[ -n "$(server_pids)" ]]' 30 || fail "the server did not start"
started=$SECONDS
# The grace time is 30 s; the wait allows for a slow machine.
wait_for '[[ -z "$(server_pids)" ]]' 90 || fail "a server that received no object is still running after $((SECONDS - started)) s"
echo "the unused server ended after about $((SECONDS - started)) s"

run_client cscript "$here/version.vbs"
wait_for '[[ -z "$(server_pids)" ]]' 60 || fail "the server did not end after the client released its object"
unregister
