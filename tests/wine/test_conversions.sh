#!/usr/bin/env bash
# The table of conversion cases (tests/conversions/conversion_cases.tsv), which
# the native object passes, through the registered server from VBScript and
# JScript: the Windows build converts as the native one does.
source "$(dirname "$0")/lib.sh"
unset DISPLAY

cases="$(winpath "$here/../conversions/conversion_cases.tsv")"
register
run_client cscript "$here/conversions_client.vbs" "$cases"
run_client cscript "$here/conversions_client.js" "$cases"
unregister
