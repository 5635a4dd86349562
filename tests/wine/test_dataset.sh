#!/usr/bin/env bash
# DSToJSON called from VBScript through the registered server.
source "$(dirname "$0")/lib.sh"
unset DISPLAY

register
run_client cscript "$here/dataset_client.vbs" "$(winpath "$here/../dataset/packets/people.xml")"
unregister
