#!/usr/bin/env bash
# Registration per machine and per user: every key of the class with its value,
# the type library for 32- and 64-bit clients, unregistration (twice), and an
# argument that only looks like a switch.
source "$(dirname "$0")/lib.sh"

CLSID='{66EC0FD0-AEF7-484E-98F3-C48DCB5BC355}'
IID='{C2D23768-D7EA-48E8-AEC4-FD210F99DB5E}'
LIBID='{47521416-8BB7-4C2C-ADDF-7A3CF0643DB7}'
MARSHALER='{00020424-0000-0000-C000-000000000046}'

# Class keys under one root ("HKCR" or "HKCU\Software\Classes").
check_class_keys() {
  local root="$1"
  expect_key "$root\\CLSID\\$CLSID" "LumetraCOM"
  expect_key "$root\\CLSID\\$CLSID\\LocalServer32" "$LUMETRA_WIN"
  expect_key "$root\\Lumetra.LumetraCOM" "LumetraCOM"
  expect_key "$root\\Lumetra.LumetraCOM\\Clsid" "$CLSID"
  expect_key "$root\\CLSID\\$CLSID\\ProgID" "Lumetra.LumetraCOM"
  expect_key "$root\\CLSID\\$CLSID\\Version" "1.0"
  expect_key "$root\\CLSID\\$CLSID\\TypeLib" "$LIBID"
  wreg query "$root\\CLSID\\$CLSID\\LocalServer32" /v ThreadingModel >/dev/null &&
    fail "$root: LocalServer32 has a ThreadingModel"
  return 0
}

# What 32-bit and 64-bit clients need for the type-library marshaler.
check_marshaling_keys() {
  local root="$1" view
  for view in /reg:64 /reg:32; do
    expect_key "$root\\TypeLib\\$LIBID\\1.0\\0\\win32" "$LUMETRA_WIN" $view
    expect_key "$root\\TypeLib\\$LIBID\\1.0\\0\\win64" "$LUMETRA_WIN" $view
    expect_key "$root\\Interface\\$IID\\ProxyStubClsid32" "$MARSHALER" $view
    expect_key "$root\\Interface\\$IID\\TypeLib" "$LIBID" $view
  done
}

check_no_class_keys() {
  local root="$1"
  expect_no_key "$root\\CLSID\\$CLSID"
  expect_no_key "$root\\Lumetra.LumetraCOM"
  expect_no_key "$root\\Interface\\$IID" /reg:32
  expect_no_key "$root\\TypeLib\\$LIBID\\1.0\\0" /reg:32
}

# Per machine, with either switch character and any letter case.
unregister
check_no_class_keys HKCR
for switch in /regserver -REGSERVER; do
  w "$LUMETRA_EXE" $switch || fail "$switch exited $?"
  check_class_keys HKCR
  check_marshaling_keys HKCR
  [[ -z "$(server_pids)" ]] || fail "$switch left a running process"
  w "$LUMETRA_EXE" /unregserver || fail "/unregserver exited $?"
  check_no_class_keys HKCR
done
w "$LUMETRA_EXE" /unregserver || fail "second /unregserver exited $?"
w "$LUMETRA_EXE" -UnRegServer || fail "third unregistration exited $?"

# Per user: the same keys under HKCU\Software\Classes, none under HKCR.
w "$LUMETRA_EXE" /regserverperuser || fail "/regserverperuser exited $?"
check_class_keys 'HKCU\Software\Classes'
check_marshaling_keys 'HKCU\Software\Classes'
expect_no_key "HKLM\\Software\\Classes\\CLSID\\$CLSID"
w "$LUMETRA_EXE" /unregserverperuser || fail "/unregserverperuser exited $?"
check_no_class_keys 'HKCU\Software\Classes'
w "$LUMETRA_EXE" /unregserverperuser || fail "second /unregserverperuser exited $?"

# A path with a space: LocalServer32 holds its short form, or, where the
# volume has no short names, the path in quotes; activation works through it.
spaced="$work/dir with space"
rm -rf "$spaced" && mkdir -p "$spaced" && cp "$LUMETRA_EXE" "$spaced/Lumetra.exe"
w "$spaced/Lumetra.exe" /regserver || fail "/regserver from a path with a space exited $?"
server="$(reg_default "HKCR\\CLSID\\$CLSID\\LocalServer32")"
case "$server" in
  *' '*) [[ "$server" == '"'*'dir with space\Lumetra.exe"' ]] || fail "LocalServer32 holds an unquoted path with a space: $server" ;;
  *) [[ "$server" == *'\Lumetra.exe' ]] || fail "LocalServer32 does not name the copy: $server" ;;
esac
run_client cscript "$here/version.vbs"
wait_for '[[ -z "$(server_pids)" ]]' 60 || fail "the server from the path with a space did not end"
w "$spaced/Lumetra.exe" /unregserver || fail "/unregserver exited $?"

# The automation names are tried first: with /Embedding and /regserver
# together the server starts for COM and registers nothing.
wine "$LUMETRA_EXE" /Embedding /regserver >/dev/null 2>&1 &
wait_for '[[ -n "$(server_pids)" ]]' 60 || fail "/Embedding /regserver did not start"
expect_no_key "HKCR\\CLSID\\$CLSID"
wineserver -k >/dev/null 2>&1
wait_for '[[ -z "$(server_pids)" ]]' 60 || fail "the server did not end with wineserver -k"

# "/regserver:x" is no switch: the program starts standalone, registers
# nothing and keeps running until it is ended.
wine "$LUMETRA_EXE" /regserver:x >/dev/null 2>&1 &
wait_for '[[ -n "$(server_pids)" ]]' 60 || fail "/regserver:x did not start"
expect_no_key "HKCR\\CLSID\\$CLSID"
[[ -n "$(server_pids)" ]] || fail "/regserver:x ended by itself"

echo "OK registration"
