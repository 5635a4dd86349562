#!/usr/bin/env bash
# Client after client, each starting its own server: every server ends soon
# after its client's last release. (A server that ended its loop from inside
# that release and then uninitialised COM hung now and then, waiting for the
# call's reply to be sent; one run of a few clients rarely shows it, many do.)
source "$(dirname "$0")/lib.sh"

register
for ((round = 1; round <= 25; round++)); do
  run_client cscript "$here/version.vbs" >/dev/null
  wait_for '[[ -z "$(server_pids)" ]]' 20 || fail "round $round: the server did not end after its client: $(server_pids)"
done
unregister
echo "OK server ends after each client"
